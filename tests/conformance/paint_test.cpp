// Element paint through Go: colour modes, swatches, dimming, opacity, width and art styles.
#include <cmath>

#include "conformance/host_fixture.h"
#include "document.h"

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

TEST_F(PaintTest, ToWhiteWalksTowardsTheModelsWhite) {
  BurstParams p = defaults();
  p.fillColor = 1;
  auto rgb = run(p, documentWith(1, flhost::threeColor(0.2f, 0.4f, 0.6f)));
  ASSERT_EQ(rgb.size(), 10u);
  for (int e = 0; e < 10; ++e) {
    SCOPED_TRACE(e);
    float t = static_cast<float>(e) / 10.0f;
    EXPECT_NEAR(rgb[e].style.fillColor.c.three.red, 0.2f + 0.8f * t, 1e-6);
    EXPECT_NEAR(rgb[e].style.fillColor.c.three.blue, 0.6f + 0.4f * t, 1e-6);
    EXPECT_EQ(rgb[e].style.strokeColor.c.three.red, 0.0f);  // the stroke mode is 0: untouched
  }
  auto cmyk = run(p, documentWith(2, flhost::fourColor(0.2f, 0.4f, 0.6f, 0.8f)));
  for (int e = 0; e < 10; ++e) {
    float t = static_cast<float>(e) / 10.0f;
    EXPECT_NEAR(cmyk[e].style.fillColor.c.four.cyan, 0.2f - 0.2f * t, 1e-6);
    EXPECT_NEAR(cmyk[e].style.fillColor.c.four.black, 0.8f - 0.8f * t, 1e-6);
  }
}

// Every mode on a grey fill of 0.5 at element 5 (odd) and 7 of ten steps.
TEST_F(PaintTest, EveryModeOnGrey) {
  struct Case {
    int mode;
    float at5, at7;
  };
  const Case cases[] = {
      {1, 0.25f, 0.15f},   {2, 0.75f, 0.85f},   {5, 0.25f, 0.6f},    {7, 0.375f, 0.325f},
      {8, 0.5f, 0.5f},     {9, 0.0f, 0.0f},     {10, 1.0f, 1.0f},    {12, 0.5f, 0.5f},
      {13, 0.625f, 0.675f}, {14, 0.275f, 0.185f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    BurstParams p = defaults();
    p.fillColor = c.mode;
    auto arts = run(p, documentWith(0, flhost::greyColor(0.5f)));
    ASSERT_EQ(arts.size(), 10u);
    EXPECT_NEAR(arts[0].style.fillColor.c.grey, 0.5f, 1e-6);  // index 0 leaves every mode still
    EXPECT_NEAR(arts[5].style.fillColor.c.grey, c.at5, 1e-6);
    EXPECT_NEAR(arts[7].style.fillColor.c.grey, c.at7, 1e-6);
  }
}

TEST_F(PaintTest, SwatchModes) {
  // Positions 0 and 1 fetch swatch 2 (White); the element keeps its kind.
  BurstParams p = defaults();
  p.fillColor = 11;
  for (int32_t position : {0, 1, 2}) {
    p.fillSwatch = position;
    auto arts = run(p, documentWith(1, flhost::threeColor(0.2f, 0.4f, 0.6f)));
    EXPECT_EQ(arts[1].style.fillColor.c.three.red, 1.0f);
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
  EXPECT_EQ(arts[1].style.fillColor.c.four.yellow, 0.5f);
  EXPECT_EQ(arts[1].style.fillColor.c.four.black, 0.6f);
  // A factor above 1 clamps.
  p.fillFactorPerElement = 300.0f;
  auto bright = run(p, documentWith(1, flhost::threeColor(0.2f, 0.4f, 0.6f)));
  EXPECT_EQ(bright[1].style.fillColor.c.three.blue, 1.0f);
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

}  // namespace
}  // namespace fltest
