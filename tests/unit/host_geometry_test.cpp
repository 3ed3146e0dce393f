// The host's geometry: exact bounds of Bezier paths and the order of matrix operations.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "geometry.h"

namespace flhost {
namespace {

HostPathSegment corner(float x, float y) { return {{x, y}, {x, y}, {x, y}, 1}; }

void expectRect(const HostRealRect& r, float left, float top, float right, float bottom, float tol = 1e-4f) {
  EXPECT_NEAR(r.left, left, tol);
  EXPECT_NEAR(r.top, top, tol);
  EXPECT_NEAR(r.right, right, tol);
  EXPECT_NEAR(r.bottom, bottom, tol);
}

TEST(PathBounds, StraightAndCurvedPaths) {
  // A triangle of straight segments: the anchors are the bounds.
  std::vector<HostPathSegment> triangle = {corner(0, 0), corner(300, 100), corner(600, 0)};
  expectRect(pathBounds(triangle, true), 0, 100, 600, 0);

  // One cubic arch whose control points reach y = 100: the curve itself peaks at 75.
  std::vector<HostPathSegment> arch = {{{0, 0}, {0, -100}, {0, 100}, 0}, {{100, 0}, {100, 100}, {100, -100}, 0}};
  expectRect(pathBounds(arch, false), 0, 75, 100, 0);
  // Closing it adds the curve back from the last anchor to the first, through the handles below.
  expectRect(pathBounds(arch, true), 0, 75, 100, -75);

  // A curve bulging sideways past both anchors: x extremum at t = 0.5.
  std::vector<HostPathSegment> bulge = {{{0, 0}, {0, 0}, {-40, 30}, 0}, {{0, 60}, {-40, 30}, {0, 60}, 0}};
  expectRect(pathBounds(bulge, false), -30, 60, 0, 0);

  // Nothing to measure: an empty rectangle (left > right).
  HostRealRect empty = pathBounds({}, true);
  EXPECT_GT(empty.left, empty.right);
}

TEST(Matrix, EarliestOperationMovesThePointFirst) {
  const float quarter = static_cast<float>(std::numbers::pi / 2);
  // Translate, then rotate a quarter turn about the origin, then translate back: a turn of
  // (10, 0) about (5, 0) lands on (5, 5).
  HostMatrix m = concat(concat(translation(-5, 0), rotation(quarter)), translation(5, 0));
  HostRealPoint p = apply(m, {10, 0});
  EXPECT_NEAR(p.h, 5, 1e-5);
  EXPECT_NEAR(p.v, 5, 1e-5);
  // Scale after a rotation acts along the page axes.
  HostMatrix rs = concat(rotation(quarter), scaling(2, 1));
  HostRealPoint q = apply(rs, {1, 0});
  EXPECT_NEAR(q.h, 0, 1e-5);
  EXPECT_NEAR(q.v, 1, 1e-5);
  HostMatrix sr = concat(scaling(2, 1), rotation(quarter));
  HostRealPoint r = apply(sr, {1, 0});
  EXPECT_NEAR(r.h, 0, 1e-5);
  EXPECT_NEAR(r.v, 2, 1e-5);
}

}  // namespace
}  // namespace flhost
