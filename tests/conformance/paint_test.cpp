// Element paint through Go: colour modes, swatches, dimming, opacity, width and art styles.
#include <cmath>
#include <cstring>

#include "conformance/host_fixture.h"
#include "document.h"
#include "document_suite.h"
#include "params/burst_fields.h"

namespace fltest {
namespace {

using flhost::DocumentOptions;

DocumentOptions documentWith(int16_t model, HostColor fill) {
  DocumentOptions d = DocumentOptions::standard();
  d.colorModel = model;
  d.swatches = flhost::defaultSwatches(model);
  d.newPathStyle = flhost::defaultNewPathStyle(model);
  d.newPathStyle.fillColor = fill;
  return d;
}

class PaintTest : public HostTest {
 protected:
  // Runs Go on p with unique elements in the given document; returns the arts' styles in paint order.
  std::vector<StoredArt> run(BurstParams p, DocumentOptions d, std::vector<float> draws = {}, HostErr expect = 0) {
    open(std::move(draws), std::move(d));
    startUp();
    p.uniqueElements = 1;
    EXPECT_EQ(goWith(p), expect);
    std::vector<StoredArt> arts;
    host().document().forEachArt([&](const flhost::ArtView& a) { arts.emplace_back(a); });
    return arts;
  }
};

// The colour modes as the rules write them, for component c of a colour (three: a three-colour
// one) at index e of n steps with half h; s is the swatch's component at the same position.
float modeRule(int mode, bool three, float c, float e, float n, float h, float s) {
  const bool odd = static_cast<int>(e) % 2 == 1;
  // clang-format off
  switch (mode) {
    case 1: return three ? c + (1.0f - c) * e / n : c - c * e / n;
    case 2: return three ? c - c * e / n : c + (1.0f - c) * e / n;
    case 5:
      if (e <= h) return modeRule(1, three, c, e, n, h, s);
      return three ? c - (1.0f - c) * (e - h) / n : c + c * (e - h) / n;
    case 6: return c + (s - c) * e / n;
    case 7: return c - c * e / (2.0f * n);
    case 8: return c + (1.0f - 2.0f * c) * e / n;
    case 9: return odd ? (three ? 1.0f : 0.0f) : c;
    case 10: return odd ? (three ? 0.0f : 1.0f) : c;
    case 11: return odd ? s : c;
    case 12: return odd ? 1.0f - c : c;
    case 13: {
      const float d = (1.0f - c) * e / (2.0f * n);
      return c > 1.0f - c / 2.0f ? c - d : c + d;
    }
    case 14: return c - 0.9f * c * e / n;
  }
  // clang-format on
  return c;
}

struct Kind {
  int16_t model;
  HostColor start;
  int count;  // components of the kind
};
// Components chosen so that a product taken in another order, or e/n taken first, changes a
// last bit somewhere along the ten elements; 0.67 lies just past the 2/3 at which mode 13 turns.
const Kind kKinds[] = {{kDocumentGreyModel, flhost::greyColor(0.3f), 1},
                       {kDocumentCMYKModel, flhost::fourColor(0.2f, 0.45f, 0.67f, 0.9f), 4},
                       {kDocumentRGBModel, flhost::threeColor(0.15f, 0.55f, 0.85f), 3}};

float component(const HostColor& c, int i) {
  float v;
  std::memcpy(&v, c.c.raw + 4 * i, sizeof v);
  return v;
}

// Every deterministic mode, in every colour kind, on the fill and on the stroke (each with its
// own swatch), by element: seven steps, so the half is 3 and e runs past n.
TEST_F(PaintTest, EveryModeInEveryKindByElement) {
  for (const Kind& kind : kKinds) {
    for (bool stroke : {false, true}) {
      for (int mode : {1, 2, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}) {
        SCOPED_TRACE(testing::Message() << "model " << kind.model << (stroke ? " stroke" : " fill") << " mode "
                                        << mode);
        DocumentOptions d = documentWith(kind.model, kind.start);
        d.newPathStyle.strokeColor = kind.start;
        d.newPathStyle.fillPaint = d.newPathStyle.strokePaint = 0;
        BurstParams p = defaults();
        (stroke ? p.strokeColor : p.fillColor) = mode;
        p.fillSteps = p.strokeSteps = 7;
        p.fillSwatch = 5;
        p.strokeSwatch = 7;
        const HostColor swatch = d.swatches[stroke ? 7 : 5].color;
        auto arts = run(p, d);
        ASSERT_EQ(arts.size(), 10u);
        for (int e = 0; e < 10; ++e) {
          const HostPathStyle& st = arts[e].style;
          const HostColor& got = stroke ? st.strokeColor : st.fillColor;
          const HostColor& other = stroke ? st.fillColor : st.strokeColor;
          ASSERT_EQ(got.kind, kind.start.kind);
          for (int i = 0; i < kind.count; ++i) {
            const float want = modeRule(mode, kind.count == 3, component(kind.start, i), static_cast<float>(e), 7.0f,
                                        3.0f, component(swatch, i));
            EXPECT_EQ(component(got, i), want) << "element " << e << " component " << i;
            EXPECT_EQ(component(other, i), component(kind.start, i)) << "element " << e;
          }
          const bool paintOn = mode == 6 || mode == 11 || mode == 12;
          EXPECT_EQ(stroke ? st.strokePaint : st.fillPaint, paintOn ? 1 : 0) << "element " << e;
          EXPECT_EQ(stroke ? st.fillPaint : st.strokePaint, 0) << "element " << e;
        }
      }
    }
  }
}

// By star: index the star, steps the fill's and stroke's own (five, or the stars less one).
TEST_F(PaintTest, ModesByStarUseTheStarIndexAndTheirOwnSteps) {
  for (const Kind& kind : kKinds) {
    for (int32_t fillSteps : {5, 0}) {
      SCOPED_TRACE(testing::Message() << "model " << kind.model << ", fill steps " << fillSteps);
      DocumentOptions d = documentWith(kind.model, kind.start);
      d.newPathStyle.strokeColor = kind.start;
      BurstParams p = defaults();
      p.applyToUniqueElements = 0;
      p.applyToStars = 1;
      p.starCount = 4;
      p.burstCount = 2;
      p.fillColor = 5;
      p.strokeColor = 6;
      p.fillSteps = fillSteps;
      p.strokeSteps = 5 - fillSteps;
      p.strokeSwatch = 9;
      const HostColor swatch = d.swatches[9].color;
      // Five steps have the half 2; none take the stars less one, 3, with the half 1.
      const float fillN = fillSteps ? 5.0f : 3.0f, strokeN = fillSteps ? 3.0f : 5.0f;
      auto half = [](float n) { return n == 5.0f ? 2.0f : 1.0f; };
      auto arts = run(p, d);
      ASSERT_EQ(arts.size(), 8u);
      for (size_t a = 0; a < arts.size(); ++a) {
        const float star = static_cast<float>(a / 2);
        for (int i = 0; i < kind.count; ++i) {
          const float c = component(kind.start, i);
          EXPECT_EQ(component(arts[a].style.fillColor, i),
                    modeRule(5, kind.count == 3, c, star, fillN, half(fillN), 0.0f))
              << "art " << a << " component " << i;
          EXPECT_EQ(component(arts[a].style.strokeColor, i),
                    modeRule(6, kind.count == 3, c, star, strokeN, half(strokeN), component(swatch, i)))
              << "art " << a << " component " << i;
        }
      }
    }
  }
}

// Random colours draw in component order; a four-colour black is scaled by the fourth draw.
TEST_F(PaintTest, RandomColoursInEveryKind) {
  const std::vector<float> draws = {0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f, 0.0625f};
  struct Case {
    Kind kind;
    std::vector<float> first, second;  // the components of elements 0 and 1
  };
  const Case cases[] = {
      {kKinds[0], {0.125f}, {0.25f}},
      {kKinds[1], {0.125f, 0.25f, 0.375f, 0.9f * 0.5f}, {0.625f, 0.75f, 0.875f, 0.9f * 0.0625f}},
      {kKinds[2], {0.125f, 0.25f, 0.375f}, {0.5f, 0.625f, 0.75f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind.model);
    BurstParams p = defaults();
    p.fillColor = 3;
    p.burstCount = 2;
    auto arts = run(p, documentWith(c.kind.model, c.kind.start), draws);
    ASSERT_EQ(arts.size(), 2u);
    for (int i = 0; i < c.kind.count; ++i) {
      EXPECT_EQ(component(arts[0].style.fillColor, i), c.first[i]) << i;
      EXPECT_EQ(component(arts[1].style.fillColor, i), c.second[i]) << i;
    }
  }
}

TEST_F(PaintTest, SwatchModes) {
  // Positions 0 and 1 fetch swatch 2 (White), not the colours at 0 and 1; the element keeps its kind.
  BurstParams p = defaults();
  p.fillColor = 11;
  for (int32_t position : {0, 1, 2}) {
    SCOPED_TRACE(position);
    p.fillSwatch = position;
    DocumentOptions d = documentWith(1, flhost::threeColor(0.2f, 0.4f, 0.6f));
    d.swatches[0].color = d.swatches[1].color = flhost::threeColor(0.1f, 0.1f, 0.1f);
    auto arts = run(p, d);
    EXPECT_EQ(arts[1].style.fillColor.c.three.red, 1.0f);
    EXPECT_EQ(arts[1].style.fillColor.c.three.green, 1.0f);
    EXPECT_EQ(arts[1].style.fillColor.c.three.blue, 1.0f);
    EXPECT_EQ(arts[2].style.fillColor.c.three.red, 0.2f);
  }
  // Random swatches copy the whole record, kind included.
  DocumentOptions d = documentWith(1, flhost::threeColor(0.2f, 0.4f, 0.6f));
  d.swatches[5].color = flhost::greyColor(0.3f);
  p.fillColor = 4;
  float r = 4.5f / static_cast<float>(d.swatches.size());  // k = 1 + trunc(r * count) = 5
  d.newPathStyle.fillPaint = 0;
  auto arts = run(p, d, std::vector<float>(10, r));
  EXPECT_EQ(arts[0].style.fillColor.kind, kHostColorGrey);
  EXPECT_EQ(arts[0].style.fillColor.c.grey, 0.3f);
  EXPECT_EQ(arts[0].style.fillPaint, 1);
}

TEST_F(PaintTest, MissingSwatchLeavesTheColour) {
  DocumentOptions d = documentWith(1, flhost::threeColor(0.2f, 0.4f, 0.6f));
  d.swatches.resize(2);  // [None] and [Registration] only: there is no swatch 2
  d.newPathStyle.fillPaint = 0;
  BurstParams p = defaults();
  p.fillColor = 11;
  auto arts = run(p, d);
  ASSERT_EQ(arts.size(), 10u);
  EXPECT_EQ(arts[1].style.fillColor.c.three.red, 0.2f);
  EXPECT_EQ(arts[1].style.fillPaint, 1);  // the mode still switches the paint on
  // Random swatches can reach one past the last swatch.
  p.fillColor = 4;
  d.swatches = flhost::defaultSwatches(1);
  auto last = run(p, d, std::vector<float>(10, 0.999f));
  EXPECT_EQ(last[0].style.fillColor.kind, kHostColorThree);
  EXPECT_EQ(last[0].style.fillColor.c.three.red, 0.2f);
}

TEST_F(PaintTest, DimmingKeepsFourColourBlack) {
  BurstParams p = defaults();
  p.fillFactorPerElement = 50.0f;
  auto arts = run(p, documentWith(2, flhost::fourColor(0.4f, 0.8f, 1.0f, 0.6f)));
  EXPECT_EQ(arts[0].style.fillColor.c.four.cyan, 0.4f);  // factor 1 on element 0
  EXPECT_EQ(arts[1].style.fillColor.c.four.cyan, 0.2f);
  EXPECT_EQ(arts[1].style.fillColor.c.four.magenta, 0.4f);
  EXPECT_EQ(arts[1].style.fillColor.c.four.yellow, 0.5f);
  EXPECT_EQ(arts[1].style.fillColor.c.four.black, 0.6f);
  auto grey = run(p, documentWith(0, flhost::greyColor(0.6f)));
  EXPECT_EQ(grey[2].style.fillColor.c.grey, 0.6f * 0.25f);
  // A factor above 1 clamps.
  p.fillFactorPerElement = 300.0f;
  auto bright = run(p, documentWith(1, flhost::threeColor(0.2f, 0.4f, 0.3f)));
  EXPECT_EQ(bright[1].style.fillColor.c.three.red, 0.2f * 3.0f);
  EXPECT_EQ(bright[1].style.fillColor.c.three.green, 1.0f);
  EXPECT_EQ(bright[1].style.fillColor.c.three.blue, 0.3f * 3.0f);
  auto brightGrey = run(p, documentWith(0, flhost::greyColor(0.6f)));
  EXPECT_EQ(brightGrey[1].style.fillColor.c.grey, 1.0f);
}

TEST_F(PaintTest, OpacityWidthAndStyle) {
  BurstParams p = defaults();
  p.opacityFactorPerElement = 50.0f;
  auto plain = run(p, documentWith(1, flhost::threeColor(0.2f, 0.4f, 0.6f)));
  EXPECT_EQ(plain[0].opacity, 1.0f);
  EXPECT_EQ(plain[2].opacity, 0.25f);

  p = defaults();
  p.randomOpacity = 1;
  p.randomWidth = 1;
  // Per element: the opacity draw, then the width draw.
  auto random = run(p, documentWith(1, flhost::threeColor(0.2f, 0.4f, 0.6f)), {0.5f, 0.25f});
  EXPECT_EQ(random[0].opacity, 0.5f);
  EXPECT_EQ(random[0].style.strokeWidth, 0.25f);

  p = defaults();
  p.randomStyle = 1;
  auto styled = run(p, DocumentOptions::standard(), std::vector<float>(10, 0.0f));
  EXPECT_EQ(styled[0].artStyle, 1);  // position 0 becomes 1
  // With a single named style position 1 does not exist: the host refuses it and the run ends.
  DocumentOptions one = DocumentOptions::standard();
  one.artStyles.resize(1);
  auto refused = run(p, one, {}, HOST_FOURCC('N', 'F', 'n', 'd'));
  EXPECT_EQ(refused.size(), 1u);
  ASSERT_EQ(user().errors.size(), 1u);
}

// A style that cannot be read is never written back: that step leaves the element's paint as the
// host has it, the draws stay in step and the design goes on, every other art as in a clean run.
TEST_F(PaintTest, UnreadStyleLeavesThePaintAndTheRunGoesOn) {
  struct Case {
    const char* what;
    void (*set)(BurstParams&);
    uint64_t read;  // 1 is the run's reference; each fresh element then reads for its paint and its blend
  };
  const Case cases[] = {
      {"dimming", [](BurstParams& p) { p.fillFactorPerElement = 50.0f; }, 3},
      {"colour mode", [](BurstParams& p) { p.fillColor = static_cast<int32_t>(ColorMode::ToBlack); }, 4},
      {"random width", [](BurstParams& p) { p.randomWidth = 1; }, 4},
  };
  const DocumentOptions d = documentWith(kDocumentCMYKModel, flhost::fourColor(0.4f, 0.8f, 1.0f, 0.6f));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BurstParams p = defaults();
    c.set(p);
    const auto clean = run(p, d);
    open({}, d);
    startUp();
    p.uniqueElements = 1;
    host().faults().failOn("pathStyle.getPathStyle", c.read, HOST_FOURCC('F', 'A', 'I', 'L'));
    ASSERT_EQ(goWith(p), 0);
    EXPECT_FALSE(host().faults().pending());
    std::vector<StoredArt> arts;
    host().document().forEachArt([&](const flhost::ArtView& a) { arts.emplace_back(a); });
    ASSERT_EQ(arts.size(), clean.size());
    EXPECT_EQ(std::memcmp(&arts[1].style, &d.newPathStyle, sizeof(HostPathStyle)), 0);  // element 1
    for (size_t i = 0; i < arts.size(); ++i) {
      if (i == 1) continue;
      SCOPED_TRACE(i);
      EXPECT_EQ(std::memcmp(&arts[i].style, &clean[i].style, sizeof(HostPathStyle)), 0);
      EXPECT_EQ(arts[i].opacity, clean[i].opacity);
    }
  }
}

}  // namespace
}  // namespace fltest
