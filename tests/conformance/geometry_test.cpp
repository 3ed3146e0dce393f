// Element geometry through Go: sizes, outlines, the own-centre transform and the places of the
// elements on the ring, read back from the document.
//
// Coordinates are artwork points, y up. Positions that go through single-precision transforms
// are compared within kTol points; turned elements within kTurnTol (a turn of a 600-point
// element about a centre some hundreds of points away loses a few ulps per step).
#include <cmath>
#include <string>
#include <vector>

#include "conformance/host_fixture.h"

namespace fltest {
namespace {

constexpr double kTol = 1e-3;
constexpr double kTurnTol = 2e-3;
constexpr double kPi = 3.14159265358979323846;

struct Pt {
  double x, y;
};

Pt operator-(Pt a, Pt b) { return {a.x - b.x, a.y - b.y}; }
Pt operator+(Pt a, Pt b) { return {a.x + b.x, a.y + b.y}; }
Pt at(HostRealPoint p) { return {p.h, p.v}; }
double length(Pt v) { return std::hypot(v.x, v.y); }

// p turned anticlockwise by degrees about c.
Pt turned(Pt p, Pt c, double degrees) {
  double a = degrees * kPi / 180.0, dx = p.x - c.x, dy = p.y - c.y;
  return {c.x + dx * std::cos(a) - dy * std::sin(a), c.y + dx * std::sin(a) + dy * std::cos(a)};
}

std::vector<Pt> anchors(const StoredArt& a) {
  std::vector<Pt> out;
  for (const HostPathSegment& s : a.segments) out.push_back(at(s.p));
  return out;
}

void expectNear(Pt got, Pt want, double tol, const std::string& what) {
  EXPECT_NEAR(got.x, want.x, tol) << what;
  EXPECT_NEAR(got.y, want.y, tol) << what;
}

void expectAnchors(const StoredArt& a, const std::vector<Pt>& want, double tol) {
  ASSERT_EQ(a.segments.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) expectNear(at(a.segments[i].p), want[i], tol, "anchor " + std::to_string(i));
}

// Width and height of the anchors (the extent of a path without curves).
Pt extent(const StoredArt& a) {
  double l = 1e30, r = -1e30, b = 1e30, t = -1e30;
  for (Pt p : anchors(a)) {
    l = std::min(l, p.x);
    r = std::max(r, p.x);
    b = std::min(b, p.y);
    t = std::max(t, p.y);
  }
  return {r - l, t - b};
}

class GeometryTest : public HostTest {
 protected:
  // Runs Go on p with the given first draws; the arts from the bottom of the stacking order up.
  std::vector<StoredArt> run(const BurstParams& p, std::vector<float> draws = {}) {
    open(std::move(draws));
    startUp();
    EXPECT_EQ(goWith(p), 0);
    std::vector<StoredArt> arts;
    host().document().forEachArt([&](const flhost::ArtView& a) { arts.emplace_back(a); });
    return arts;
  }
  static Pt centre(const BurstParams& p) { return {p.startX, p.startY}; }
  // The default triangle as it is built, before it is turned into place.
  static std::vector<Pt> defaultTriangle(Pt base) { return {base, base + Pt{300, 100}, base + Pt{600, 0}}; }
};

TEST_F(GeometryTest, DefaultRecordDrawsTheTenPointStar) {
  BurstParams p = defaults();
  std::vector<StoredArt> arts = run(p);
  HostRealPoint view = host().document().viewCentre();
  const double cx = view.h, cy = view.v;
  ASSERT_EQ(arts.size(), 10u);
  expectAnchors(arts[0], {{cx - 200, cy}, {cx + 100, cy + 100}, {cx + 400, cy}}, kTol);
  Pt c{cx - 200, cy};
  for (size_t k = 0; k < arts.size(); ++k) {
    SCOPED_TRACE("element " + std::to_string(k));
    EXPECT_TRUE(arts[k].closed);
    std::vector<Pt> want;
    for (Pt q : defaultTriangle(c)) want.push_back(turned(q, c, 36.0 * static_cast<double>(k)));
    expectAnchors(arts[k], want, kTurnTol);
    for (const HostPathSegment& s : arts[k].segments) {
      // No curves: both handles sit on their anchor.
      EXPECT_EQ(s.in.h, s.p.h);
      EXPECT_EQ(s.in.v, s.p.v);
      EXPECT_EQ(s.out.h, s.p.h);
      EXPECT_EQ(s.out.v, s.p.v);
    }
  }
}

// The sizes of a fresh element, read from the outline " Triangle2": P1 = base + (L1, H1),
// P2 = base + (L2, -H2); the base point's offset from the centre and its handle offsets.
TEST_F(GeometryTest, ElementSizeBaseAndHandles) {
  struct Want {
    double l1, l2, h1, h2, gapX, gapY, hx, hy;
  };
  struct Case {
    const char* name;
    void (*change)(BurstParams&);
    std::vector<float> draws;
    int star;
    Want want;
    uint64_t drawCount;
  };
  // clang-format off
  const Case cases[] = {
      {"default", [](BurstParams&) {}, {}, 0, {300, 300, 100, 100, 0, 0, 0, 0}, 0},
      {"burst type 14", [](BurstParams& p) { p.burstType = 13; }, {}, 0, {150, 600, 400, 40, 0, 0, 0, 0}, 0},
      {"burst type 4, length 100", [](BurstParams& p) { p.burstType = 3; p.length = 100; }, {}, 0,
       {100, 20, 50, 300, 0, 0, 0, 0}, 0},
      {"random burst type", [](BurstParams& p) { p.randomBurstType = 1; }, {0.45f}, 0,
       {150, 600, 400, 40, 0, 0, 0, 0}, 1},
      {"random burst type wraps a draw of 1", [](BurstParams& p) { p.randomBurstType = 1; p.burstType = 13; },
       {1.0f}, 0, {300, 300, 100, 100, 0, 0, 0, 0}, 1},
      {"burst type out of range", [](BurstParams& p) { p.burstType = 30; }, {}, 0,
       {300, 300, 100, 100, 0, 0, 0, 0}, 0},
      {"basic reverse", [](BurstParams& p) { p.reverseOption = 1; }, {}, 0, {300, 300, -100, -100, 0, 0, 0, 0}, 0},
      {"alternate reverse, star 0", [](BurstParams& p) { p.reverseOption = 3; p.starCount = 2; }, {}, 0,
       {300, 300, 100, 100, 0, 0, 0, 0}, 0},
      {"alternate reverse, star 1", [](BurstParams& p) { p.reverseOption = 3; p.starCount = 2; }, {}, 1,
       {300, 300, -100, -100, 0, 0, 0, 0}, 0},
      {"random reverse at one half", [](BurstParams& p) { p.reverseOption = 2; }, {0.5f}, 0,
       {300, 300, 100, 100, 0, 0, 0, 0}, 1},
      {"reverse out of range", [](BurstParams& p) { p.reverseOption = 9; }, {}, 0,
       {300, 300, 100, 100, 0, 0, 0, 0}, 0},
      {"height factor -100% per star, star 1",
       [](BurstParams& p) { p.heightFactorPerStar = -100; p.starCount = 2; }, {}, 1,
       {300, 300, -100, -100, 0, 0, 0, 0}, 0},
      {"length factor 50% per star, star 1", [](BurstParams& p) { p.lengthFactorPerStar = 50; p.starCount = 2; },
       {}, 1, {150, 150, 50, 50, 0, 0, 0, 0}, 0},
      {"random length", [](BurstParams& p) { p.randomLength = 1; }, {0.5f, 0.25f}, 0,
       {150, 75, 100, 100, 0, 0, 0, 0}, 2},
      {"random height", [](BurstParams& p) { p.randomHeight = 1; }, {0.5f, 0.25f}, 0,
       {300, 300, 50, 25, 0, 0, 0, 0}, 2},
      {"gap and spread with their factors, star 1",
       [](BurstParams& p) {
         p.starCount = 2;
         p.initialGapX = 40;
         p.initialGapY = -10;
         p.initialGapFactorPerStar = 50;
         p.spreadX = 30;
         p.spreadY = 12;
         p.spreadFactorPerStar = 50;
       },
       {}, 1, {300, 300, 100, 100, 20, -5, 15, 6}, 0},
      // Every random option of the size and the outline at once: the draws are taken as burst
      // type, reverse, length 1 and 2, height 1 and 2, spread x and y, gap x and y, shape.
      {"all random options in order",
       [](BurstParams& p) {
         p.randomBurstType = 1;
         p.reverseOption = 2;
         p.randomLength = 1;
         p.randomHeight = 1;
         p.spreadX = 40;
         p.spreadY = -20;
         p.randomSpread = 1;
         p.initialGapX = 100;
         p.initialGapY = 60;
         p.randomInitialGap = 1;
         p.randomShape = 1;
         p.shapeOption = 0;
       },
       {0.45f, 0.75f, 0.5f, 0.25f, 0.5f, 0.75f, 0.5f, 0.25f, 0.5f, 0.25f, 0.25f}, 0,
       {75, 150, -200, -30, 50, 15, 20, -5}, 11},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BurstParams p = defaults();
    p.shapeOption = 3;
    c.change(p);
    std::vector<StoredArt> arts = run(p, c.draws);
    EXPECT_EQ(host().random().drawCount(), c.drawCount);
    size_t index = static_cast<size_t>(c.star * p.burstCount);
    ASSERT_GT(arts.size(), index);
    const StoredArt& a = arts[index];
    ASSERT_EQ(a.segments.size(), 3u);
    Pt base = at(a.segments[0].p);
    Pt p1 = at(a.segments[1].p) - base, p2 = at(a.segments[2].p) - base;
    const Want& w = c.want;
    EXPECT_NEAR(p1.x, w.l1, kTol);
    EXPECT_NEAR(p1.y, w.h1, kTol);
    EXPECT_NEAR(p2.x, w.l2, kTol);
    EXPECT_NEAR(-p2.y, w.h2, kTol);
    expectNear(base - centre(p), {w.gapX, w.gapY}, kTol, "base point");
    expectNear(at(a.segments[0].out) - base, {w.hx, w.hy}, kTol, "out-handle");
    expectNear(at(a.segments[0].in) - base, {-w.hx, -w.hy}, kTol, "in-handle");
  }
}

// Every outline, with distances from burst type 4 at length 100 (L1 100, L2 20, H1 50, H2 300)
// so that no two of them coincide, and a spread of (50, 20). The anchors are relative to the base
// point; handles are written per point as two characters (in, out): '-' for -spread, '+' for
// +spread, '0' for none.
TEST_F(GeometryTest, Outlines) {
  struct Case {
    const char* name;
    int32_t shape;
    float length;
    std::vector<Pt> anchors;
    const char* handles;
    std::vector<Pt> mirrored;  // the anchors with both heights negated; empty: mirrored across the axis
  };
  // clang-format off
  const Case cases[] = {
      {"Triangle", 0, 100, {{0, 0}, {100, 50}, {120, -250}}, "-+0000", {}},
      {"Block", 1, 100, {{0, 0}, {100, 0}, {70, -300}, {50, -50}}, "-+000000",
       {{0, 0}, {100, 0}, {-30, 300}, {-50, 50}}},
      {"Chisel", 2, 100, {{0, 0}, {20, 50}, {120, 50}, {24, -300}, {4, -300}}, "-+00000000", {}},
      {"Triangle2", 3, 100, {{0, 0}, {100, 50}, {20, -300}}, "-+0000", {}},
      {"Triangle3", 4, 100, {{0, 0}, {100, 0}, {20, -300}}, "-+0000", {}},
      {"Spike", 5, 100, {{0, 0}, {100, 50}, {200, 50}, {40, -300}, {20, -300}}, "-+00000000", {}},
      {"Triangle4", 6, 100, {{0, 0}, {200, 50}, {210, -550}}, "-+0000", {}},
      {"Block2", 7, 100, {{0, 0}, {100, 50}, {200, 0}, {220, -300}}, "-+00+-00", {}},
      {"Block3", 8, 100, {{0, 0}, {100, 50}, {300, 50}, {320, -250}}, "-+00+-00", {}},
      {"Scalpel", 9, 100, {{0, 0}, {100, 0}, {100, -50}, {90, -50}, {90, -350}}, "-+00000000", {}},
      {"Zag", 10, 100,
       {{0, 0}, {100, 0}, {100, -50}, {100 - 20.0 / 3, -50}, {100 - 20.0 / 3, -350}, {100 - 40.0 / 3, -50},
        {100 - 40.0 / 3, -350}},
       "-+000000000000", {}},
      {"Diamond", 11, 100, {{0, 0}, {100, 50}, {200, 50}, {300, 0}, {120, -300}, {100, -300}}, "-+0000000000", {}},
      {"Diamond of length 0", 11, 0, {{0, 0}, {100, 0}, {100, 0}, {200, 0}, {100, 0}, {100, 0}}, "-+0000000000",
       {}},
      {"Triangle5", 12, 100, {{0, 0}, {100, 0}, {100, -300}, {20, -50}}, "-+000000", {}},
      {"Triangle6", 13, 100, {{0, 0}, {100, 50}, {120, -250}}, "00+00-", {}},
      {"no such shape", 14, 100, {}, "", {}},
      {"negative shape", -1, 100, {}, "", {}},
  };
  // clang-format on
  const Pt spread{50, 20};
  for (const Case& c : cases) {
    for (int32_t reverse : {0, 1}) {
      SCOPED_TRACE(std::string(c.name) + (reverse ? ", reversed" : ""));
      BurstParams p = defaults();
      p.burstType = 3;
      p.length = c.length;
      p.shapeOption = c.shape;
      p.spreadX = static_cast<float>(spread.x);
      p.spreadY = static_cast<float>(spread.y);
      p.reverseOption = reverse;
      std::vector<StoredArt> arts = run(p);
      ASSERT_EQ(arts.size(), 10u);
      const StoredArt& a = arts[0];
      EXPECT_TRUE(a.closed);
      Pt base = centre(p);
      std::vector<Pt> want;
      if (reverse && !c.mirrored.empty()) {
        want = c.mirrored;
      } else {
        for (Pt q : c.anchors) want.push_back(reverse ? Pt{q.x, -q.y} : q);
      }
      for (Pt& q : want) q = q + base;
      expectAnchors(a, want, kTol);
      // The handles are the spread's, never mirrored.
      for (size_t i = 0; i < a.segments.size(); ++i) {
        auto handle = [&](char sign) {
          double k = sign == '-' ? -1 : sign == '+' ? 1 : 0;
          return Pt{k * spread.x, k * spread.y};
        };
        const HostPathSegment& s = a.segments[i];
        expectNear(at(s.in) - at(s.p), handle(c.handles[2 * i]), kTol, "in-handle " + std::to_string(i));
        expectNear(at(s.out) - at(s.p), handle(c.handles[2 * i + 1]), kTol, "out-handle " + std::to_string(i));
      }
    }
  }
}

// The shapes whose points take constants or sums of several terms, bit for bit: element 0 of a
// star at angle 0 is turned by nothing, so its anchors are the points as written. The size and the
// centre have many mantissa bits, so a constant in double precision or a sum taken in another
// order changes a last bit.
TEST_F(GeometryTest, ShapeConstantsAndTheOrderOfTermsAreExact) {
  struct Case {
    int32_t shape;
    std::vector<std::pair<float, float>> anchors;
  };
  for (int k = 0; k < 12; ++k) {
    const float S = 37.3f + 91.7f * static_cast<float>(k * k), bx = 3.17f + static_cast<float>(k),
                by = -2.9f * static_cast<float>(k);
    const float L1 = S, L2 = S * 0.2f, H1 = S * 0.5f, H2 = S * 3.0f;  // burst type 4
    const float third = 1.0f / 3.0f, twoThirds = 2.0f / 3.0f;
    // clang-format off
    const Case cases[] = {
        {0, {{bx, by}, {bx + L1, by + H1}, {bx + L1 + L2, by + H1 - H2}}},
        {1, {{bx, by}, {bx + L1, by}, {bx + L2 + H1, by - H2}, {bx + H1, by - H1}}},
        {2, {{bx, by}, {bx + L1 * 0.2f, by + H1}, {bx + L1 * 1.2f, by + H1}, {bx + L2 * 1.2f, by - H2},
             {bx + L2 * 0.2f, by - H2}}},
        {6, {{bx, by}, {bx + L1 * 2.0f, by + H1}, {bx + L1 * 2.0f + L2 * 0.5f, by + H1 - H2 * 2.0f}}},
        {8, {{bx, by}, {bx + L1, by + H1}, {bx + L1 + L1 * 2.0f, by + H1},
             {bx + L1 + L1 * 2.0f + L2, by + H1 - H2}}},
        {9, {{bx, by}, {bx + L1, by}, {bx + L1, by - H1}, {bx + L1 - L2 * 0.5f, by - H1},
             {bx + L1 - L2 * 0.5f, by - H1 - H2}}},
        {10, {{bx, by}, {bx + L1, by}, {bx + L1, by - H1}, {bx + L1 - L2 * third, by - H1},
              {bx + L1 - L2 * third, by - H1 - H2}, {bx + L1 - L2 * twoThirds, by - H1},
              {bx + L1 - L2 * twoThirds, by - H1 - H2}}},
        {11, {{bx, by}, {bx + 100.0f, by + H1}, {bx + L1 + 100.0f, by + H1}, {bx + L1 + 200.0f, by},
              {bx + L2 + 100.0f, by - H2}, {bx + 100.0f, by - H2}}},
    };
    // clang-format on
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "shape " << c.shape << ", size " << S);
      BurstParams p = defaults();
      p.burstType = 3;
      p.length = S;
      p.startX = bx;
      p.startY = by;
      p.shapeOption = c.shape;
      p.burstCount = 2;
      std::vector<StoredArt> arts = run(p);
      ASSERT_EQ(arts.size(), 2u);
      ASSERT_EQ(arts[0].segments.size(), c.anchors.size());
      for (size_t i = 0; i < c.anchors.size(); ++i) {
        EXPECT_EQ(arts[0].segments[i].p.h, c.anchors[i].first) << "anchor " << i;
        EXPECT_EQ(arts[0].segments[i].p.v, c.anchors[i].second) << "anchor " << i;
      }
    }
  }
}

TEST_F(GeometryTest, RandomShapeDrawsOncePerFreshElement) {
  BurstParams p = defaults();
  p.randomShape = 1;
  p.uniqueElements = 1;
  p.burstCount = 3;
  // Shapes 10 (Zag, 7 anchors), 11 (Diamond, 6) and 0 (Triangle, 3).
  std::vector<StoredArt> arts = run(p, {10.5f / 14, 11.0f / 14, 0.0f});
  ASSERT_EQ(arts.size(), 3u);
  EXPECT_EQ(arts[0].segments.size(), 7u);
  EXPECT_EQ(arts[1].segments.size(), 6u);
  EXPECT_EQ(arts[2].segments.size(), 3u);
  EXPECT_EQ(host().random().drawCount(), 3u);
}

// Spin, a random scaling row and the random rescale of two fresh elements held in place by a fan
// factor of 0 (the element part is 1 for element 0 and 0 after it). The draws come as spin,
// scaling, rescale sign, rescale amount for each element.
TEST_F(GeometryTest, OwnTransformDrawsInOrder) {
  for (int32_t row : {27, 28}) {
    SCOPED_TRACE(row);
    BurstParams p = defaults();
    p.uniqueElements = 1;
    p.burstCount = 2;
    p.fanFactorPerElement = 0;
    p.angle = 180;
    p.randomAngle = 1;
    p.scaling = row;
    p.randomScale = 1;
    // Element 0: spin a quarter turn, scaling draw unused (1 for element 0), shrink by 0.8.
    // Element 1: no spin, scaling 0.5, grow by 1.1.
    std::vector<StoredArt> arts = run(p, {0.5f, 0.3f, 0.9f, 0.6f, 0.0f, 0.5f, 0.1f, 0.3f});
    EXPECT_EQ(host().random().drawCount(), 8u);
    ASSERT_EQ(arts.size(), 2u);
    // Both turn and scale about the centre of the unturned triangle.
    Pt mid = centre(p) + Pt{300, 50};
    expectNear(extent(arts[0]), {80, 480}, kTol, "element 0 size");
    expectNear(at(arts[0].segments[0].p), mid + Pt{40, -240}, kTol, "element 0 base");
    expectNear(extent(arts[1]), {330, 55}, kTol, "element 1 size");
    expectNear(at(arts[1].segments[0].p), mid + Pt{-165, -27.5}, kTol, "element 1 base");
  }
}

// The size of each element under a scaling row, held in place by a fan factor of 0 so that the
// widths and heights of the default triangle (600 by 100) can be read directly.
TEST_F(GeometryTest, ScalingRows) {
  struct Case {
    const char* name;
    int32_t unique;
    int32_t row;
    std::vector<Pt> scales;  // (x, y) for elements 0, 1, ...
  };
  const double third = 1.0 / 3, sixth = 1.0 / 6;
  // clang-format off
  const Case cases[] = {
      // Copies keep the size of element 0, by the row's value for i = 0.
      {"copies, row 16", 0, 16, {{0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5}}},
      {"copies, row 40", 0, 40, {{0.125, 0.125}, {0.125, 0.125}, {0.125, 0.125}, {0.125, 0.125}, {0.125, 0.125}}},
      {"unique, row 16", 1, 16, {{0.5, 0.5}, {1, 1}, {0.5, 0.5}, {1, 1}, {0.5, 0.5}}},
      {"unique, row 9", 1, 9, {{1, 1}, {0.25, sixth}, {0.25, sixth}, {0.25, sixth}, {third, 0.25}}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BurstParams p = defaults();
    p.uniqueElements = c.unique;
    p.scaling = c.row;
    p.burstCount = static_cast<int32_t>(c.scales.size());
    p.fanFactorPerElement = 0;
    std::vector<StoredArt> arts = run(p);
    ASSERT_EQ(arts.size(), c.scales.size());
    for (size_t i = 0; i < arts.size(); ++i)
      expectNear(extent(arts[i]), {600 * c.scales[i].x, 100 * c.scales[i].y}, kTol, "element " + std::to_string(i));
  }
}

TEST_F(GeometryTest, FanFactorZeroStacksEveryElementOnTheFirst) {
  // The star part of star 0 and the element part of element 0 are always 1: a per-element factor
  // of 0 holds star 0 in place from its second element on, a per-star factor of 0 all of star 1.
  struct Case {
    const char* name;
    void (*change)(BurstParams&);
    size_t first;  // the first art of the star under test
  };
  // clang-format off
  const Case cases[] = {
      {"per element, copies", [](BurstParams& p) { p.fanFactorPerElement = 0; }, 0},
      {"per element, unique", [](BurstParams& p) { p.fanFactorPerElement = 0; p.uniqueElements = 1; }, 0},
      {"per star, copies", [](BurstParams& p) { p.fanFactorPerStar = 0; p.starCount = 2; }, 10},
      {"per star, unique", [](BurstParams& p) { p.fanFactorPerStar = 0; p.starCount = 2; p.uniqueElements = 1; }, 10},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BurstParams p = defaults();
    c.change(p);
    std::vector<StoredArt> arts = run(p);
    ASSERT_EQ(arts.size(), c.first + 10);
    for (size_t k = c.first; k < arts.size(); ++k) {
      SCOPED_TRACE("art " + std::to_string(k));
      expectAnchors(arts[k], defaultTriangle(centre(p)), kTol);
    }
  }
}

TEST_F(GeometryTest, AlternateFlipTurnsOddStarsByAHalfTurn) {
  BurstParams p = defaults();
  p.alternateFlip = 1;
  p.starCount = 3;
  std::vector<StoredArt> arts = run(p);
  ASSERT_EQ(arts.size(), 30u);
  Pt b = centre(p);
  expectAnchors(arts[0], defaultTriangle(b), kTol);
  expectAnchors(arts[10], {b + Pt{600, 100}, b + Pt{300, 0}, b + Pt{0, 100}}, kTurnTol);
  expectAnchors(arts[20], defaultTriangle(b), kTol);

  // The angle factor scales the spin before the half turn is added: star 1 spins 40 x 0.5 + 180.
  p.angle = 40;
  p.angleFactorPerStar = 50;
  p.starCount = 2;
  arts = run(p);
  ASSERT_EQ(arts.size(), 20u);
  std::vector<Pt> want;
  for (Pt q : defaultTriangle(b)) want.push_back(turned(q, b + Pt{300, 50}, 200));
  expectAnchors(arts[10], want, kTurnTol);
}

// The random centre of a star: x from the first draw and the page's width, y from the second and
// its height (612 by 792 points).
TEST_F(GeometryTest, RandomCentreDrawsEachAxisFromItsOwnPageSide) {
  BurstParams p = defaults();
  p.randomCenter = 1;
  std::vector<StoredArt> arts = run(p, {0.25f, 0.75f});
  ASSERT_EQ(arts.size(), 10u);
  expectAnchors(arts[0], defaultTriangle({0.25 * 612, 0.75 * 792}), kTol);
}

// The factor schedule over eight stars and ten elements: a pulse of 3 gives 1, q, q^2, 1, q, q^2...
// for the stars, and the element counter starts again with each star while the part goes on.
TEST_F(GeometryTest, PulsesRestartTheFactorPartsEveryThirdStarAndElement) {
  BurstParams p = defaults();
  p.starCount = 8;
  p.lengthFactorPerStar = 50;
  p.starPulse = 3;
  std::vector<StoredArt> arts = run(p);
  ASSERT_EQ(arts.size(), 80u);
  const double starScale[] = {1, 0.5, 0.25, 1, 0.5, 0.25, 1, 0.5};
  // The length of the triangle's long side, wherever the element was turned.
  auto side = [](const StoredArt& a) { return length(at(a.segments[2].p) - at(a.segments[0].p)); };
  for (int star = 0; star < 8; ++star) EXPECT_NEAR(side(arts[10 * star]), 600 * starScale[star], kTurnTol) << star;

  p = defaults();
  p.uniqueElements = 1;
  p.starCount = 2;
  p.burstCount = 5;
  p.lengthFactorPerElement = 50;
  p.elementPulse = 3;
  arts = run(p);
  ASSERT_EQ(arts.size(), 10u);
  // Star 0: counter 1 2 3 1 2; star 1 starts its counter at 1 from the part star 0 left (0.25).
  const double elementScale[] = {1, 0.5, 0.25, 1, 0.5, 0.25, 0.125, 0.0625, 1, 0.5};
  for (int k = 0; k < 10; ++k) EXPECT_NEAR(side(arts[k]), 600 * elementScale[k], kTurnTol) << "art " << k;
}

// Where the drawn elements land on the ring when elements are left out, in the stacking order
// from the bottom. Star 1 has a fan factor of 0.5, which scales both the angle a left-out element
// carries over and the next turn; a per-element fan factor goes on from element to element.
TEST_F(GeometryTest, SkippedElementsCarryTheirAngle) {
  struct Case {
    const char* name;
    int32_t unique, run, skip;
    float elementFan;
    std::vector<double> degrees;  // star 0 with a fan factor of 1
  };
  // clang-format off
  const Case cases[] = {
      // Copies turn from the copied element by a step plus the skipped angles: every drawn
      // element keeps its own place.
      {"copies, 2 of 3", 0, 2, 1, 100, {0, 36, 108, 144, 216, 252, 324}},
      {"copies, 1 of 3", 0, 1, 2, 100, {0, 108, 216, 324}},
      // A fresh element after a gap is turned by its own angle plus the whole angles the skipped
      // elements would have had, so it lands beyond its place; the next is back at its own.
      {"unique, 2 of 3", 1, 2, 1, 100, {0, 36, 180, 144, 396, 252, 612}},
      {"unique, 1 of 3", 1, 1, 2, 100, {0, 216, 540, 864}},
      {"unique, 1 of 3, element fan 80 %", 1, 1, 2, 80, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BurstParams p = defaults();
    p.uniqueElements = c.unique;
    p.burstApplyRun = c.run;
    p.burstApplySkip = c.skip;
    p.starCount = 2;
    p.fanFactorPerStar = 50;
    p.fanFactorPerElement = c.elementFan;
    std::vector<StoredArt> arts = run(p);
    // By the rule: a left-out element adds its fan factor x its angle to what is carried; a drawn
    // one turns by (its angle + what is carried) x its fan factor. The element part of the factor
    // goes on across stars.
    std::vector<double> degrees;
    const double step = 36, q = c.elementFan / 100.0;
    double elementPart = 1;
    for (int star = 0; star < 2; ++star) {
      const double starPart = star == 0 ? 1 : 0.5;
      double placement = 0, pending = 0, last = 0;
      for (int i = 0; i < 10; ++i) {
        const double fan = starPart * elementPart;
        if (i % 3 >= c.run) {
          pending = fan * placement + pending;
        } else {
          const double turn = (placement + pending) * fan;
          last = c.unique ? turn : last + turn;
          degrees.push_back(last);
          pending = 0;
        }
        placement = (c.unique ? placement : 0) + step;
        elementPart *= q;
      }
    }
    if (!c.degrees.empty()) {
      EXPECT_EQ(std::vector<double>(degrees.begin(), degrees.begin() + c.degrees.size()), c.degrees);
    }
    ASSERT_EQ(arts.size(), degrees.size());
    Pt o = centre(p);
    for (size_t k = 0; k < arts.size(); ++k) {
      SCOPED_TRACE("art " + std::to_string(k));
      std::vector<Pt> want;
      for (Pt corner : defaultTriangle(o)) want.push_back(turned(corner, o, degrees[k]));
      expectAnchors(arts[k], want, kTurnTol);
    }
  }
}

// The first element of star 1 (the only fresh element there) is sized by the factor parts as the
// end of star 0 left them. Its length is read from the default triangle's 600-point side.
TEST_F(GeometryTest, FactorPartsAcrossStars) {
  struct Case {
    const char* name;
    float perStar, perElement;
    int32_t starPulse, elementPulse;
    double scale;
  };
  const double tenth = std::pow(0.9, 10);
  // clang-format off
  const Case cases[] = {
      {"element parts carry over", 100, 90, 999, 999, tenth},
      {"element pulse 1 keeps them at 1", 100, 90, 999, 1, 1.0},
      // The pulse counter starts again with each star, the part does not: 1, .9, .81, 1, ...,
      // .9 after ten elements.
      {"element pulse 3", 100, 90, 999, 3, 0.9},
      {"star part", 50, 100, 999, 999, 0.5},
      {"star pulse 1", 50, 100, 1, 999, 1.0},
      {"both parts", 50, 90, 999, 999, 0.5 * tenth},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BurstParams p = defaults();
    p.starCount = 2;
    p.lengthFactorPerStar = c.perStar;
    p.lengthFactorPerElement = c.perElement;
    p.starPulse = c.starPulse;
    p.elementPulse = c.elementPulse;
    std::vector<StoredArt> arts = run(p);
    ASSERT_EQ(arts.size(), 20u);
    ASSERT_EQ(arts[10].segments.size(), 3u);
    EXPECT_NEAR(length(at(arts[10].segments[2].p) - at(arts[10].segments[0].p)), 600 * c.scale, kTurnTol);
  }
}

TEST_F(GeometryTest, PlaceBelowPutsLaterElementsUnderEarlierOnes) {
  for (int32_t below : {0, 1}) {
    SCOPED_TRACE(below);
    BurstParams p = defaults();
    p.placeBelow = below;
    p.uniqueElements = 1;
    std::vector<StoredArt> arts = run(p);
    ASSERT_EQ(arts.size(), 10u);
    Pt o = centre(p);
    for (size_t k = 0; k < arts.size(); ++k) {
      // The element drawn n-th sits n from the top when placed below, n from the bottom otherwise.
      size_t element = below ? arts.size() - 1 - k : k;
      std::vector<Pt> want;
      for (Pt q : defaultTriangle(o)) want.push_back(turned(q, o, 36.0 * static_cast<double>(element)));
      SCOPED_TRACE("art " + std::to_string(k));
      expectAnchors(arts[k], want, kTurnTol);
    }
  }
}

TEST_F(GeometryTest, MeasuringAndTransformingFailuresEndTheRun) {
  const HostErr code = HOST_FOURCC('F', 'A', 'I', 'L');
  struct Case {
    const char* op;
    uint64_t nth;
    int32_t randomScale;
    HostErr result;
    size_t arts;
  };
  // clang-format off
  const Case cases[] = {
      {"art.getArtBounds", 1, 0, code, 1},
      {"transform.transformArt", 1, 0, code, 1},
      {"art.getArtBounds", 2, 1, code, 1},     // the random rescale's own measurement
      {"transform.transformArt", 2, 1, code, 1},
      // Outline writes and the style blend do not stop the design.
      {"path.setPathSegments", 2, 0, 0, 10},
      {"path.setPathClosed", 1, 0, 0, 10},
      {"pathStyle.interpolatePathStyle", 1, 0, 0, 10},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.op) + " #" + std::to_string(c.nth));
    open();
    startUp();
    BurstParams p = defaults();
    p.randomScale = c.randomScale;
    host().faults().failOn(c.op, c.nth, code);
    EXPECT_EQ(goWith(p), c.result);
    EXPECT_EQ(arts(), c.arts);
    EXPECT_FALSE(host().faults().pending());
  }
}

}  // namespace
}  // namespace fltest
