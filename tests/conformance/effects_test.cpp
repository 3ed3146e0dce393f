// The effects of an element position through Go: pattern-centre mirroring, drop shadows and
// sketch strokes, their stacking, their random draws and their failures.
//
// Coordinates are artwork points, y up. Copies that go through a few single-precision transforms
// are compared within kTol points.
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "conformance/host_fixture.h"
#include "document.h"
#include "geometry.h"

namespace fltest {
namespace {

using Art = fltest::StoredArt;
using flhost::DocumentOptions;

constexpr double kTol = 2e-3;
constexpr float kPageWidth = 612.0f, kPageHeight = 792.0f;

using PointMap = std::function<HostRealPoint(HostRealPoint)>;

// Every anchor and handle of copy is where f puts the same point of original.
void expectMapped(const Art& copy, const Art& original, const PointMap& f, const std::string& what) {
  ASSERT_EQ(copy.segments.size(), original.segments.size()) << what;
  for (size_t i = 0; i < copy.segments.size(); ++i) {
    const HostPathSegment& c = copy.segments[i];
    const HostPathSegment& o = original.segments[i];
    for (auto [got, from] : {std::pair{c.p, o.p}, std::pair{c.in, o.in}, std::pair{c.out, o.out}}) {
      HostRealPoint want = f(from);
      EXPECT_NEAR(got.h, want.h, kTol) << what << ", segment " << i;
      EXPECT_NEAR(got.v, want.v, kTol) << what << ", segment " << i;
    }
  }
}

PointMap shifted(double dx, double dy) {
  return [=](HostRealPoint p) { return HostRealPoint{static_cast<float>(p.h + dx), static_cast<float>(p.v + dy)}; };
}

// The three mirror images of original about (x, y), in their stacking order.
void expectMirrors(const Art* copies, const Art& original, double x, double y, const std::string& what) {
  auto reflect = [](double c, float v) { return static_cast<float>(2.0 * c - v); };
  expectMapped(
      copies[0], original,
      [&](HostRealPoint p) {
        return HostRealPoint{reflect(x, p.h), p.v};
      },
      what + ", copy 1");
  expectMapped(
      copies[1], original,
      [&](HostRealPoint p) {
        return HostRealPoint{reflect(x, p.h), reflect(y, p.v)};
      },
      what + ", copy 2");
  expectMapped(
      copies[2], original,
      [&](HostRealPoint p) {
        return HostRealPoint{p.h, reflect(y, p.v)};
      },
      what + ", copy 3");
}

HostRealRect boundsOf(const Art& a) { return flhost::pathBounds(a.segments, a.closed); }

HostRealPoint middleOf(const Art& a) {
  HostRealRect r = boundsOf(a);
  return {(r.left + r.right) / 2, (r.bottom + r.top) / 2};
}

float component(const HostColor& c, int i) {
  float v;
  std::memcpy(&v, c.c.raw + 4 * i, sizeof v);
  return v;
}

void expectColour(const HostColor& got, const HostColor& want) {
  EXPECT_EQ(got.kind, want.kind);
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(component(got, i), component(want, i)) << "component " << i;
}

DocumentOptions documentWith(int16_t model) {
  DocumentOptions d = DocumentOptions::standard();
  d.colorModel = model;
  d.swatches = flhost::defaultSwatches(model);
  d.newPathStyle = flhost::defaultNewPathStyle(model);
  return d;
}

class EffectsTest : public HostTest {
 protected:
  // Runs Go on p; the arts from the bottom of the stacking order up.
  std::vector<Art> run(const BurstParams& p, std::vector<float> draws = {},
                       DocumentOptions d = DocumentOptions::standard()) {
    open(std::move(draws), std::move(d));
    startUp();
    EXPECT_EQ(goWith(p), 0);
    std::vector<Art> arts;
    host().document().forEachArt([&](const flhost::ArtView& a) { arts.emplace_back(a); });
    return arts;
  }
  // The default star cut down to two element positions (element 0 and its copy), with sketch
  // copies that move rigidly and take the sketch weight as it is.
  static BurstParams twoPositions() {
    BurstParams p = defaults();
    p.burstCount = 2;
    p.randomSketchShift = 0;
    p.randomSketchWeight = 0;
    return p;
  }
};

TEST_F(EffectsTest, PatternCentres) {
  struct Case {
    int32_t pattern;
    // The centre from element 0's bounds and base point; NAN: no mirroring.
    std::function<HostRealPoint(const HostRealRect&, HostRealPoint)> centre;
  };
  const float hw = kPageWidth / 2, hh = kPageHeight / 2;
  auto mid = [](const HostRealRect& r) { return HostRealPoint{(r.left + r.right) / 2, (r.bottom + r.top) / 2}; };
  auto none = [](const HostRealRect&, HostRealPoint) { return HostRealPoint{NAN, NAN}; };
  const Case cases[] = {
      {0, none},
      {1,
       [=](const HostRealRect&, HostRealPoint) {
         return HostRealPoint{hw, hh};
       }},
      {2,
       [](const HostRealRect&, HostRealPoint) {
         return HostRealPoint{0, 0};
       }},
      {3, [=](const HostRealRect& r, HostRealPoint) { return mid(r); }},
      {4,
       [=](const HostRealRect& r, HostRealPoint) {
         return HostRealPoint{0, mid(r).v};
       }},
      {5,
       [=](const HostRealRect& r, HostRealPoint) {
         return HostRealPoint{mid(r).h, 0};
       }},
      {6,
       [](const HostRealRect& r, HostRealPoint) {
         return HostRealPoint{r.right, r.top};
       }},
      // Draws 0.25 then 0.75: the first is the vertical one.
      {7,
       [](const HostRealRect&, HostRealPoint) {
         return HostRealPoint{0.75f * kPageWidth, 0.25f * kPageHeight};
       }},
      {8, [](const HostRealRect&, HostRealPoint base) { return base; }},
      {9,
       [=](const HostRealRect&, HostRealPoint) {
         return HostRealPoint{hw + 100, hh + 100};
       }},
      {10,
       [=](const HostRealRect&, HostRealPoint) {
         return HostRealPoint{hw + 75, hh + 25};
       }},
      {11, none},
      {-1, none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("pattern " + std::to_string(c.pattern));
    BurstParams p = twoPositions();
    p.pattern = c.pattern;
    p.initialGapX = 50;  // the base point differs from the star's centre and the element's bounds
    std::vector<Art> arts = run(p, {0.25f, 0.75f, 0.25f, 0.75f});
    HostRealPoint base{p.startX + 50, p.startY};
    HostRealPoint at = c.centre(boundsOf(arts[0]), base);
    const bool random = c.pattern == 7 || c.pattern == 10;
    EXPECT_EQ(host().random().drawCount(), random ? 4u : 0u);
    if (std::isnan(at.h)) {
      EXPECT_EQ(arts.size(), 2u);
      continue;
    }
    // Each position: its element, then the element's three images above everything before.
    ASSERT_EQ(arts.size(), 8u);
    expectMirrors(&arts[1], arts[0], at.h, at.v, "element 0");
    // The copy at position 1 has no base point of its own: it reuses element 0's.
    HostRealPoint at1 = c.centre(boundsOf(arts[4]), base);
    expectMirrors(&arts[5], arts[4], at1.h, at1.v, "element 1");
  }
}

TEST_F(EffectsTest, MirrorImagesGoAboveAllArtWhateverPlaceBelowSays) {
  BurstParams p = twoPositions();
  p.pattern = 3;
  p.placeBelow = 1;
  std::vector<Art> arts = run(p);
  ASSERT_EQ(arts.size(), 8u);
  // Element 1 went below everything, element 0 (not turned: it starts at the centre) above it;
  // the images of both lie above both.
  EXPECT_NEAR(arts[1].segments[0].p.h, p.startX, kTol);
  EXPECT_NEAR(arts[1].segments[0].p.v, p.startY, kTol);
  expectMirrors(&arts[2], arts[1], middleOf(arts[1]).h, middleOf(arts[1]).v, "element 0");
  expectMirrors(&arts[5], arts[0], middleOf(arts[0]).h, middleOf(arts[0]).v, "element 1");
}

TEST_F(EffectsTest, ShadowFillByColourModel) {
  struct Case {
    const char* name;
    int16_t model;
    HostColor fill;
    int32_t half;
    HostColor want;
  };
  const Case cases[] = {
      {"rgb", 1, flhost::threeColor(1, 0, 0), 0, flhost::threeColor(0, 0, 0)},
      {"rgb, half", 1, flhost::threeColor(1, 0, 0), 1, flhost::threeColor(0.5f, 0, 0)},
      {"cmyk", 2, flhost::fourColor(0.2f, 0.4f, 0.6f, 0.8f), 0, flhost::fourColor(1, 1, 1, 1)},
      {"cmyk, half", 2, flhost::fourColor(0.2f, 0.4f, 0.6f, 0.8f), 1, flhost::fourColor(0.1f, 0.2f, 0.3f, 0.4f)},
      {"grey", 0, flhost::greyColor(0.6f), 0, flhost::greyColor(0)},
      {"grey, half", 0, flhost::greyColor(0.6f), 1, flhost::greyColor(0.3f)},
      // The components are halved where they stand and take the document's kind.
      {"grey fill in a cmyk document, half", 2, flhost::greyColor(0.6f), 1, flhost::fourColor(0.3f, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DocumentOptions d = documentWith(c.model);
    d.newPathStyle.fillColor = c.fill;
    BurstParams p = defaults();
    p.dropShadow = 1;
    p.halfFillShadow = c.half;
    std::vector<Art> arts = run(p, {}, d);
    ASSERT_EQ(arts.size(), 20u);
    for (size_t k = 0; k < 10; ++k) {
      const Art& shadow = arts[2 * k];
      const Art& element = arts[2 * k + 1];
      expectMapped(shadow, element, shifted(20, -20), "shadow " + std::to_string(k));
      expectColour(shadow.style.fillColor, c.want);
      EXPECT_EQ(shadow.style.fillPaint, element.style.fillPaint);
      EXPECT_EQ(element.style.fillColor.kind, c.fill.kind);  // the element keeps its own fill
    }
  }
}

TEST_F(EffectsTest, ShadowRandomOptionsThenItsMirror) {
  BurstParams p = twoPositions();
  p.dropShadow = 1;
  p.randomShadowDirection = 1;
  p.randomShadowOpacity = 1;
  p.randomShadowScaling = 1;
  p.pattern = 7;
  // The run's direction: a sign draw above 0.5 turns the sign, one of exactly 0.5 keeps it; x is
  // 0.5 of 20 and y 0.5 of -20 before the signs.
  struct Direction {
    float signX, signY;
    double dx, dy;
  };
  for (Direction d : {Direction{0.5f, 0.75f, 10, 10}, Direction{0.75f, 0.5f, -10, -10}}) {
    SCOPED_TRACE(testing::Message() << "offset " << d.dx << ", " << d.dy);
    // Then per position: the shadow's opacity, its squash, its mirror centre (y first), the
    // element's mirror centre.
    std::vector<Art> arts = run(p, {d.signX, 0.5f, d.signY, 0.5f,          //
                                    0.3f, 0.5f, 0.25f, 0.75f, 0.5f, 0.5f,  //
                                    0.6f, 0.25f, 0.5f, 0.5f, 0.5f, 0.5f});
    EXPECT_EQ(host().random().drawCount(), 16u);
    ASSERT_EQ(arts.size(), 16u);
    struct Position {
      size_t shadow;
      float opacity, squash;
    };
    for (Position at : {Position{0, 0.3f, 0.5f}, Position{8, 0.6f, 0.25f}}) {
      SCOPED_TRACE("position at " + std::to_string(at.shadow));
      const Art& shadow = arts[at.shadow];
      const Art& element = arts[at.shadow + 1];
      EXPECT_FLOAT_EQ(shadow.opacity, at.opacity);
      EXPECT_FLOAT_EQ(element.opacity, 1.0f);
      // Squashed towards the middle of its bottom edge after the offset.
      HostRealRect e = boundsOf(element), s = boundsOf(shadow);
      EXPECT_NEAR(s.left, e.left + d.dx, kTol);
      EXPECT_NEAR(s.right, e.right + d.dx, kTol);
      EXPECT_NEAR(s.bottom, e.bottom + d.dy, kTol);
      EXPECT_NEAR(s.top - s.bottom, (e.top - e.bottom) * at.squash, kTol);
      const double bottom = e.bottom + d.dy;
      expectMapped(
          shadow, element,
          [&](HostRealPoint q) {
            return HostRealPoint{static_cast<float>(q.h + d.dx),
                                 static_cast<float>(bottom + (q.v + d.dy - bottom) * at.squash)};
          },
          "squashed shadow");
    }
    // The shadow's images come first, above the element; then the element's.
    expectMirrors(&arts[2], arts[0], 0.75 * kPageWidth, 0.25 * kPageHeight, "shadow 0");
    expectMirrors(&arts[5], arts[1], 0.5 * kPageWidth, 0.5 * kPageHeight, "element 0");
    expectMirrors(&arts[10], arts[8], 0.5 * kPageWidth, 0.5 * kPageHeight, "shadow 1");
  }
}

// Shadows, mirrors and sketches run at every position, left-out ones included, where they act on
// the last drawn element; each sketch copy gets its own images.
TEST_F(EffectsTest, ArtCountsFollowTheOrderOfTheSteps) {
  struct Case {
    const char* name;
    int32_t shadow, pattern, repeats, run, skip;
    size_t arts;
  };
  const Case cases[] = {
      {"default star with shadow", 1, 0, 0, 1, 0, 20},
      {"pattern", 0, 3, 0, 1, 0, 40},
      {"shadow and pattern", 1, 3, 0, 1, 0, 80},
      {"three sketches", 0, 0, 3, 1, 0, 40},
      {"everything", 1, 3, 3, 1, 0, 200},
      // 7 of 10 positions drawn: 7 elements, and at all 10 positions 4 shadow arts, 3 images and
      // 12 sketch arts.
      {"everything, 2 drawn of 3", 1, 3, 3, 2, 1, 7 + 10 * 19},
      {"shadow, 1 drawn of 2", 1, 0, 0, 1, 1, 5 + 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BurstParams p = defaults();
    p.dropShadow = c.shadow;
    p.pattern = c.pattern;
    p.sketchRepeats = c.repeats;
    p.burstApplyRun = c.run;
    p.burstApplySkip = c.skip;
    run(p);
    EXPECT_EQ(arts(), c.arts);
  }
}

TEST_F(EffectsTest, OnePositionInStackingOrder) {
  BurstParams p = twoPositions();
  p.dropShadow = 1;
  p.pattern = 3;
  p.sketchRepeats = 2;
  p.sketchWeight = 15;
  std::vector<Art> arts = run(p);
  ASSERT_EQ(arts.size(), 2u * 16u);
  // Position 0: shadow, element, 3 shadow images, 3 element images, then each sketch copy
  // followed by its images. Position 1 starts with its shadow right under its element.
  enum Role { Shadow, Element, Sketch };
  const Role roles[] = {Shadow, Element, Shadow, Shadow, Shadow, Element, Element, Element, Sketch,
                        Sketch, Sketch,  Sketch, Sketch, Sketch, Sketch,  Sketch,  Shadow,  Element};
  for (size_t i = 0; i < std::size(roles); ++i) {
    SCOPED_TRACE("art " + std::to_string(i));
    const HostPathStyle& s = arts[i].style;
    EXPECT_EQ(s.fillPaint, roles[i] == Sketch ? 0 : 1);
    if (roles[i] != Sketch) {
      EXPECT_EQ(s.fillColor.c.three.red, roles[i] == Element ? 1.0f : 0.0f);
    }
    EXPECT_EQ(s.strokeWidth, roles[i] == Sketch ? 1.5f : 1.0f);
  }
  // Without shift the sketch copies lie on the element; with pattern 3 so do their images.
  for (size_t i : {5, 6, 7, 8, 9, 10, 11}) {
    HostRealRect a = boundsOf(arts[i]), e = boundsOf(arts[1]);
    EXPECT_NEAR(a.left, e.left, kTol);
    EXPECT_NEAR(a.top, e.top, kTol);
  }
}

TEST_F(EffectsTest, SketchCopiesShiftRigidlyFromTheElement) {
  BurstParams p = twoPositions();
  p.sketchRepeats = 3;
  p.sketchShift = 10;
  p.sketchWeight = 5;
  // Three repeats of (sign x, x share, sign y, y share): every copy is taken from the element, so
  // the shifts never add up.
  std::vector<Art> arts = run(p, {0.75f, 0.5f, 0.25f, 0.25f, 0.25f, 0.99f, 0.75f, 0.0f, 0.5f, 0.0f, 0.6f, 0.1f});
  ASSERT_EQ(arts.size(), 8u);
  const struct { double dx, dy; } shifts[] = {{-5, 2.5}, {9.9, 0}, {0, -1}};
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE("copy " + std::to_string(k));
    const Art& copy = arts[1 + k];
    expectMapped(copy, arts[0], shifted(shifts[k].dx, shifts[k].dy), "sketch");
    EXPECT_EQ(copy.style.fillPaint, 0);
    EXPECT_EQ(copy.style.strokePaint, 1);
    EXPECT_FLOAT_EQ(copy.style.strokeWidth, 0.5f);
    EXPECT_EQ(copy.closed, arts[0].closed);
  }
  EXPECT_EQ(arts[0].style.fillPaint, 1);  // the element keeps its fill
}

// Per-coordinate jitter: a sign draw and a share draw for each of the six coordinates of every
// segment, each amount m x shift x sign added in single precision. Sketch colour 7 shows the last
// vertical anchor, horizontal in-handle and vertical out-handle amounts over the shift; they
// outlast repeats that move nothing, and before any amount it is black.
TEST_F(EffectsTest, SketchJitterAndTheColourOfTheShift) {
  BurstParams p = twoPositions();
  p.sketchRepeats = 3;
  p.sketchShift = 10.3f;
  p.randomSketchShift = 1;
  p.sketchColor = 7;
  std::vector<float> draws = {0.1f, 0.0f, 0.1f, 0.0f};      // repeat 1: no shift
  draws.insert(draws.end(), {0.75f, 0.37f, 0.25f, 0.61f});  // repeat 2: shift (-0.37 x 10.3, 0.61 x 10.3)
  const int coordinates = 3 * 6;
  for (int j = 0; j < coordinates; ++j) {
    draws.push_back(j % 3 == 0 ? 0.9f : 0.1f);  // sign: -1 for every third coordinate
    draws.push_back(static_cast<float>(j + 1) / 32.0f);
  }
  draws.insert(draws.end(), {0.1f, 0.0f, 0.1f, 0.0f});  // repeat 3: no shift
  std::vector<Art> arts = run(p, draws);
  ASSERT_EQ(arts.size(), 8u);
  const Art& element = arts[0];
  const Art& moved = arts[2];
  ASSERT_EQ(moved.segments.size(), 3u);
  const float shiftX = 0.37f * 10.3f * -1.0f, shiftY = 0.61f * 10.3f * 1.0f;
  auto amount = [&](int j) {
    const float shift = j % 2 == 0 ? shiftX : shiftY;  // h coordinates take shift x, v ones shift y
    return static_cast<float>(j + 1) / 32.0f * shift * (j % 3 == 0 ? -1.0f : 1.0f);
  };
  for (size_t i = 0; i < 3; ++i) {
    const HostPathSegment& m = moved.segments[i];
    const HostPathSegment& e = element.segments[i];
    const float got[] = {m.p.h, m.p.v, m.in.h, m.in.v, m.out.h, m.out.v};
    const float from[] = {e.p.h, e.p.v, e.in.h, e.in.v, e.out.h, e.out.v};
    for (int c = 0; c < 6; ++c) EXPECT_EQ(got[c], from[c] + amount(6 * static_cast<int>(i) + c)) << i << ", " << c;
  }
  expectMapped(arts[1], element, shifted(0, 0), "repeat 1 stays on the element");
  expectMapped(arts[3], element, shifted(0, 0), "repeat 3 stays on the element");
  // The last segment's amounts: out-handle v, anchor v, in-handle h, each over the shift.
  const HostColor shiftColour = flhost::threeColor(amount(17) / 10.3f, amount(13) / 10.3f, amount(14) / 10.3f);
  const HostColor black = flhost::threeColor(0, 0, 0);
  const HostColor* want[] = {&black, &shiftColour, &shiftColour};
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE("copy " + std::to_string(k));
    const HostColor& got = arts[1 + k].style.strokeColor;
    EXPECT_EQ(got.c.three.red, want[k]->c.three.red);
    EXPECT_EQ(got.c.three.green, want[k]->c.three.green);
    EXPECT_EQ(got.c.three.blue, want[k]->c.three.blue);
  }
  EXPECT_LT(shiftColour.c.three.blue, 0.0f);  // no clamping: a leftward amount gives a negative
}

TEST_F(EffectsTest, SketchColours) {
  struct Case {
    const char* name;
    int16_t model;
    int32_t color;
    std::vector<float> draws;  // after the four shift draws
    HostColor want;
    float opacity;
  };
  // The element's stroke (0.5, 0.25, 0.75) in RGB; (0.5, 0.25, 0.75, 0.5) in CMYK; 0.5 in grey.
  const auto rgb = [](float r, float g, float b) { return flhost::threeColor(r, g, b); };
  const auto cmyk = [](float c, float m, float y, float k) { return flhost::fourColor(c, m, y, k); };
  const HostColor orange = flhost::defaultSwatches(1)[5].color;
  const HostColor white = flhost::defaultSwatches(1)[2].color;
  const Case cases[] = {
      {"black", 1, 0, {}, rgb(0, 0, 0), 1},
      {"same as the element", 1, 1, {}, rgb(0.5f, 0.25f, 0.75f), 1},
      {"random", 1, 2, {0.1f, 0.2f, 0.3f}, rgb(0.1f, 0.2f, 0.3f), 1},
      {"random swatch 5", 1, 3, {4.5f / 28}, orange, 1},
      {"random swatch 1 becomes 2", 1, 3, {0.0f}, white, 1},
      {"reduced", 1, 4, {}, rgb(0.4f, 0.2f, 0.6f), 1},
      {"random reduced, taken", 1, 5, {0.75f}, rgb(0.4f, 0.2f, 0.6f), 1},
      {"random reduced, not taken", 1, 5, {0.5f}, rgb(0.5f, 0.25f, 0.75f), 1},
      {"random black", 1, 6, {0.75f}, rgb(0, 0, 0), 1},
      {"random colour", 1, 6, {0.25f, 0.1f, 0.2f, 0.3f}, rgb(0.1f, 0.2f, 0.3f), 1},
      {"shift, none", 1, 7, {}, rgb(0, 0, 0), 1},
      {"black, random opacity", 1, 8, {0.3f}, rgb(0, 0, 0), 0.3f},
      {"random colour, random opacity", 1, 9, {0.3f, 0.1f, 0.2f, 0.6f}, rgb(0.1f, 0.2f, 0.6f), 0.3f},
      {"reducing opacity", 1, 10, {}, rgb(0.5f, 0.25f, 0.75f), 0.8f},
      {"white, random opacity", 1, 11, {0.3f}, rgb(1, 1, 1), 0.3f},
      {"past the list: black", 1, 12, {}, rgb(0, 0, 0), 1},
      {"before the list: black", 1, -1, {}, rgb(0, 0, 0), 1},
      {"cmyk black", 2, 0, {}, cmyk(1, 1, 1, 1), 1},
      {"cmyk random keeps the black ink", 2, 2, {0.1f, 0.2f, 0.3f}, cmyk(0.1f, 0.2f, 0.3f, 0.5f), 1},
      {"cmyk reduced, all four inks", 2, 4, {}, cmyk(0.4f, 0.2f, 0.6f, 0.4f), 1},
      {"cmyk white", 2, 11, {0.3f}, cmyk(0, 0, 0, 0), 0.3f},
      {"grey black", 0, 0, {}, flhost::greyColor(1), 1},
      {"grey random", 0, 2, {0.1f}, flhost::greyColor(0.1f), 1},
      {"grey reduced", 0, 4, {}, flhost::greyColor(0.4f), 1},
      {"grey white", 0, 11, {0.3f}, flhost::greyColor(0), 0.3f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DocumentOptions d = documentWith(c.model);
    d.newPathStyle.strokeColor = c.model == 1   ? rgb(0.5f, 0.25f, 0.75f)
                                 : c.model == 2 ? cmyk(0.5f, 0.25f, 0.75f, 0.5f)
                                                : flhost::greyColor(0.5f);
    BurstParams p = twoPositions();
    p.sketchRepeats = 1;
    p.sketchColor = c.color;
    p.sketchWeight = 25;
    p.randomSketchWeight = 1;
    std::vector<float> draws = {0.5f, 0.5f, 0.5f, 0.5f};
    draws.insert(draws.end(), c.draws.begin(), c.draws.end());
    draws.push_back(0.5f);  // the weight
    std::vector<Art> arts = run(p, draws, d);
    ASSERT_EQ(arts.size(), 4u);
    const Art& copy = arts[1];
    expectColour(copy.style.strokeColor, c.want);
    EXPECT_FLOAT_EQ(copy.opacity, c.opacity);
    EXPECT_EQ(copy.style.strokePaint, 1);
    EXPECT_EQ(copy.style.fillPaint, 0);
    EXPECT_FLOAT_EQ(copy.style.strokeWidth, 1.25f);
    expectMapped(copy, arts[0], shifted(0, 0), "no shift");
  }
}

TEST_F(EffectsTest, ReducingOpacityDoesNotCompound) {
  BurstParams p = twoPositions();
  p.randomOpacity = 1;
  p.sketchRepeats = 3;
  p.sketchColor = 10;
  std::vector<Art> arts = run(p, {0.5f});  // the element's opacity
  ASSERT_EQ(arts.size(), 8u);
  EXPECT_FLOAT_EQ(arts[0].opacity, 0.5f);
  for (int k = 1; k <= 3; ++k) EXPECT_FLOAT_EQ(arts[k].opacity, 0.4f);
}

// Sketch copies and their images: the mirror centre is drawn after the copy's own draws.
TEST_F(EffectsTest, SketchCopiesAreMirrored) {
  BurstParams p = twoPositions();
  p.sketchRepeats = 1;
  p.sketchShift = 10;
  p.pattern = 10;
  std::vector<Art> arts = run(p, {0.5f, 0.5f,                // the element's centre: (+50, +50)
                                  0.75f, 0.5f, 0.25f, 0.5f,  // the sketch's shift (-5, 5)
                                  0.0f, 1.0f});              // its centre: (+100, +0)
  ASSERT_EQ(arts.size(), 16u);
  expectMirrors(&arts[1], arts[0], kPageWidth / 2 + 50, kPageHeight / 2 + 50, "element");
  expectMapped(arts[4], arts[0], shifted(-5, 5), "sketch");
  expectMirrors(&arts[5], arts[4], kPageWidth / 2 + 100, kPageHeight / 2, "sketch");
}

// A failing duplicate, measurement or segment access ends the run with its code and keeps the
// art made so far; paint, opacity and colour-model failures do not stop the design.
TEST_F(EffectsTest, FailuresEndTheRunAtOnce) {
  const HostErr code = HOST_FOURCC('F', 'A', 'I', 'L');
  struct Case {
    const char* op;
    uint64_t nth;
    HostErr result;
    size_t arts;
  };
  // Position 0 duplicates: 1 the shadow, 2-4 its images, 5-7 the element's, 8 the sketch, 9-11
  // its images.
  const Case cases[] = {
      {"art.duplicateArt", 1, code, 1},
      {"art.duplicateArt", 3, code, 3},
      {"art.duplicateArt", 8, code, 8},
      {"art.getArtBounds", 2, code, 2},        // the shadow's measurement for its centre
      {"transform.transformArt", 3, code, 2},  // the shadow's offset
      {"path.getPathSegmentCount", 1, code, 9},
      {"path.getPathSegments", 2, code, 9},
      {"path.setPathSegments", 4, code, 9},  // the first sketch write (three outline writes before)
      {"document.getDocumentColorModel", 1, 0, 24},
      {"pathStyle.setPathStyle", 3, 0, 24},
      {"blend.setOpacity", 2, 0, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.op) + " #" + std::to_string(c.nth));
    open({0.5f, 0.5f, 0.5f, 0.5f});
    startUp();
    BurstParams p = twoPositions();
    p.dropShadow = 1;
    p.pattern = 3;
    p.sketchRepeats = 1;
    p.sketchShift = 10;
    p.sketchColor = 10;
    host().faults().failOn(c.op, c.nth, code);
    EXPECT_EQ(goWith(p), c.result);
    EXPECT_EQ(arts(), c.arts);
    EXPECT_FALSE(host().faults().pending());
  }
}

// The shadow keeps the element's paint when the element's style cannot be read, rather than
// taking on a style that was never read.
TEST_F(EffectsTest, UnreadStyleIsNeverWritten) {
  open();
  startUp();
  BurstParams p = twoPositions();
  p.dropShadow = 1;
  // Reads of the style: the run's reference, the blend of element 0, then the shadow's read of
  // its element.
  host().faults().failOn("pathStyle.getPathStyle", 3, HOST_FOURCC('F', 'A', 'I', 'L'));
  ASSERT_EQ(goWith(p), 0);
  std::vector<Art> arts;
  host().document().forEachArt([&](const flhost::ArtView& a) { arts.emplace_back(a); });
  ASSERT_EQ(arts.size(), 4u);
  EXPECT_EQ(arts[0].style.fillColor.c.three.red, 1.0f);  // the element's white
  EXPECT_EQ(arts[2].style.fillColor.c.three.red, 0.0f);  // position 1's shadow is black
}

}  // namespace
}  // namespace fltest
