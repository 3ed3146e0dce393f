// Hairlines drawn into pixels: coverage is the stroke's area in each pixel, mixed in as an opaque
// colour at that coverage. Expected pixels are worked out by hand from the geometry.
#include "hairline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace flhost {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;

// A width x height picture of one colour, in pixel coordinates (artwork point = pixel point).
struct Pixels {
  int width, height;
  std::vector<uint32_t> data;
  Pixels(int w, int h, uint32_t fill = kWhite) : width(w), height(h), data(static_cast<size_t>(w) * h, fill) {}
  uint32_t at(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
  HairlineTarget target() { return target(0, 0, width, height); }
  HairlineTarget target(int x0, int y0, int x1, int y1) {
    return {reinterpret_cast<unsigned char*>(data.data()), 4 * width, x0, y0, x1, y1, 1, 0, 1, 0};
  }
  // The ink of black on white: the coverage the red channel shows, added over every pixel.
  double ink() const {
    double sum = 0;
    for (uint32_t p : data) sum += (255 - ((p >> 16) & 255)) / 255.0;
    return sum;
  }
};

HostPathSegment corner(double x, double y) {
  HostRealPoint p{static_cast<float>(x), static_cast<float>(y)};
  return {p, p, p, 1};
}

void stroke(const HairlineTarget& t, std::vector<HostPathSegment> path, double width, Rgb8 color = {0, 0, 0},
            bool closed = false) {
  strokeHairline(t, path, closed, width, color);
}

uint32_t grey(uint8_t v) { return 0xFF000000u | v * 0x010101u; }

TEST(Hairline, ABandInsideARowGivesThatRowItsWidthAsCoverage) {
  Pixels p(12, 10);
  stroke(p.target(), {corner(2, 5.5), corner(8, 5.5)}, 0.4);
  // 0.4 of each pixel from x = 2 to 8: 255 - 102.
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      SCOPED_TRACE(testing::Message() << "pixel " << x << ", " << y);
      EXPECT_EQ(p.at(x, y), y == 5 && x >= 2 && x < 8 ? grey(153) : kWhite);
    }
}

TEST(Hairline, ABandAcrossARowEdgeIsSharedByBothRows) {
  Pixels p(10, 10);
  // The band y in [4.95, 5.35]: 0.05 of it in row 4, 0.35 in row 5.
  stroke(p.target(), {corner(1, 5.15), corner(4, 5.15)}, 0.4);
  // Upright, the same across columns: x in [6.95, 7.35].
  stroke(p.target(), {corner(7.15, 1), corner(7.15, 3)}, 0.4);
  for (int x = 1; x < 4; ++x) {
    SCOPED_TRACE(x);
    EXPECT_EQ(p.at(x, 4), grey(255 - 13));
    EXPECT_EQ(p.at(x, 5), grey(255 - 89));
    EXPECT_EQ(p.at(x, 3), kWhite);
    EXPECT_EQ(p.at(x, 6), kWhite);
  }
  for (int y = 1; y < 3; ++y) {
    SCOPED_TRACE(y);
    EXPECT_EQ(p.at(6, y), grey(255 - 13));
    EXPECT_EQ(p.at(7, y), grey(255 - 89));
  }
}

TEST(Hairline, ColourIsMixedOverWhatThePixelHolds) {
  // White at 0.4 (102 of 255) over (32, 64, 96): 102 + 153 x c / 255, rounded.
  Pixels p(4, 3, 0xFF204060u);
  stroke(p.target(), {corner(0, 1.5), corner(4, 1.5)}, 0.4, {255, 255, 255});
  EXPECT_EQ(p.at(2, 1), 0xFF798CA0u);
  // Over a clear pixel, premultiplied: black at 0.4 leaves alpha 102 and no colour.
  Pixels clear(4, 3, 0);
  stroke(clear.target(), {corner(0, 1.5), corner(4, 1.5)}, 0.4);
  EXPECT_EQ(clear.at(2, 1), 0x66000000u);
  EXPECT_EQ(clear.at(2, 0), 0u);
}

TEST(Hairline, ColoursAreCairosSolidColours) {
  // Through 16 bits: c x 65535 + 0.5, truncated, then its high byte.
  const Rgb8 c = toRgb8(0.5, 0.25, 1.0);
  EXPECT_EQ(c.r, 128);
  EXPECT_EQ(c.g, 64);
  EXPECT_EQ(c.b, 255);
  const Rgb8 d = toRgb8(0.2, -1, 2);
  EXPECT_EQ(d.r, 51);  // 13107.5 -> 13107 -> 51
  EXPECT_EQ(d.g, 0);
  EXPECT_EQ(d.b, 255);
  // A pixel the stroke covers wholly is that colour exactly: a zigzag 10 pixels long in one pixel.
  Pixels p(5, 5);
  std::vector<HostPathSegment> zigzag;
  for (int i = 0; i <= 20; ++i) zigzag.push_back(corner(i % 2 ? 2.75 : 2.25, 2.5));
  stroke(p.target(), zigzag, 0.5, c);
  EXPECT_EQ(p.at(2, 2), 0xFF8040FFu);
}

TEST(Hairline, PiecesInOnePixelAreMixedOnceAsOne) {
  // An L inside one pixel, 0.5 + 0.4 long at width 0.5: coverage 0.45 (115 of 255) mixed in once,
  // not 0.25 and then 0.2 over it.
  Pixels p(6, 6);
  stroke(p.target(), {corner(3.2, 3.5), corner(3.7, 3.5), corner(3.7, 3.9)}, 0.5);
  EXPECT_EQ(p.at(3, 3), grey(140));
  EXPECT_NEAR(p.ink(), 0.45, 0.5 / 255);
}

TEST(Hairline, InkIsWidthTimesLengthAndStaysNearTheLine) {
  Pixels p(50, 32);
  const double x0 = 10.25, y0 = 3.5, x1 = 40.75, y1 = 27.5, width = 0.3;
  stroke(p.target(), {corner(x0, y0), corner(x1, y1)}, width);
  const double length = std::hypot(x1 - x0, y1 - y0);
  int inked = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      if (p.at(x, y) == kWhite) continue;
      ++inked;
      // The pixel's centre within half a diagonal and half the width of the line.
      const double cx = x + 0.5, cy = y + 0.5;
      const double distance = std::fabs((cx - x0) * (y1 - y0) - (cy - y0) * (x1 - x0)) / length;
      EXPECT_LE(distance, std::sqrt(0.5) + width / 2) << x << ", " << y;
    }
  EXPECT_NEAR(p.ink(), width * length, inked * 0.5 / 255);
}

TEST(Hairline, CurvesAreDrawnAlongTheCurve) {
  // A quarter circle of radius 20 about (5, 5), as the usual cubic.
  Pixels p(40, 40);
  const double k = 0.5522847498 * 20;
  std::vector<HostPathSegment> arc = {{{25, 5}, {25, 5}, {25, static_cast<float>(5 + k)}, 0},
                                      {{5, 25}, {static_cast<float>(5 + k), 25}, {5, 25}, 0}};
  strokeHairline(p.target(), arc, false, 0.3, {0, 0, 0});
  int inked = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (p.at(x, y) != kWhite) {
        ++inked;
        EXPECT_NEAR(std::hypot(x + 0.5 - 5, y + 0.5 - 5), 20, 1.0) << x << ", " << y;
      }
  // Its length, not its chord's (28.3): each pixel rounds to a 255th.
  EXPECT_NEAR(p.ink(), 0.3 * std::numbers::pi / 2 * 20, inked * 0.5 / 255);
  // Closed, the path comes back to its start along a straight line.
  Pixels closed(40, 40);
  strokeHairline(closed.target(), arc, true, 0.3, {0, 0, 0});
  EXPECT_NEAR(closed.ink() - p.ink(), 0.3 * std::hypot(20, 20), 0.2);
}

TEST(Hairline, OnlyTheTargetsPixelsAreTouched) {
  Pixels p(12, 12);
  const HairlineTarget inner = p.target(2, 2, 10, 10);
  // A line across the whole plane, cut to the target; one far away; a point.
  stroke(inner, {corner(-1e30, 5.5), corner(1e30, 5.5)}, 0.4);
  stroke(inner, {corner(1e30, 1e30), corner(2e30, 2e30)}, 0.4);
  stroke(inner, {corner(6.5, 8.5)}, 0.4);
  // Just outside the target, its band reaches in: y in [1.75, 2.15], 0.15 in row 2.
  stroke(inner, {corner(3, 1.95), corner(6, 1.95)}, 0.4);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      SCOPED_TRACE(testing::Message() << "pixel " << x << ", " << y);
      const bool inside = x >= 2 && x < 10 && y >= 2 && y < 10;
      uint32_t expected = kWhite;
      if (inside && y == 5) expected = grey(153);
      if (inside && y == 2 && x >= 3 && x < 6) expected = grey(255 - 38);
      EXPECT_EQ(p.at(x, y), expected);
    }
}

TEST(Hairline, ArtworkIsMappedToPixels) {
  // Artwork y up, as the export maps it: pixel = (h * 2 + 1, v * -2 + 9).
  Pixels p(10, 10);
  HairlineTarget t = p.target();
  t.sx = 2, t.tx = 1, t.sy = -2, t.ty = 9;
  stroke(t, {corner(0.5, 1.25), corner(3.5, 1.25)}, 0.4);  // pixels x 2 to 8, y 6.5
  for (int x = 0; x < p.width; ++x) EXPECT_EQ(p.at(x, 6), x >= 2 && x < 8 ? grey(153) : kWhite) << x;
  EXPECT_NEAR(p.ink(), 0.4 * 6, 1e-9);
}

}  // namespace
}  // namespace flhost
