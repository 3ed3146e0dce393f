// A fresh element's outline: one of fourteen closed shapes laid out along the positive x axis
// from the base point, with curve handles only where a shape bends.
#include "burst/steps.h"
#include "shell/plugin_suites.h"

namespace fl {

namespace {

constexpr int32_t kShapeCount = 14;
constexpr int kMostPoints = 7;

constexpr float kThird = 1.0f / 3.0f;
constexpr float kTwoThirds = 2.0f / 3.0f;

HostPathSegment corner(float x, float y) {
  HostPathSegment seg{};
  seg.p = {x, y};
  seg.in = seg.p;
  seg.out = seg.p;
  seg.corner = 0;
  return seg;
}

HostPathSegment withHandles(float x, float y, HostRealPoint in, HostRealPoint out) {
  HostPathSegment seg = corner(x, y);
  seg.in = in;
  seg.out = out;
  return seg;
}

struct Outline {
  HostPathSegment points[kMostPoints];
  int count = 0;
  void add(const HostPathSegment& seg) { points[count++] = seg; }
};

// Coordinates are summed left to right, each product rounded before it is added, so every
// build lays the same points.
void layOut(int32_t shape, const GenerationState& s, float hx, float hy, Outline& o) {
  const float bx = s.baseX, by = s.baseY;
  const float L1 = s.length1, L2 = s.length2, H1 = s.height1, H2 = s.height2;
  if (shape >= 0 && shape <= 12) o.add(withHandles(bx, by, {bx - hx, by - hy}, {bx + hx, by + hy}));
  // clang-format off
  switch (shape) {
    case 0:  // Triangle
      o.add(corner(bx + L1, by + H1));
      o.add(corner(bx + L1 + L2, by + H1 - H2));
      break;
    case 1:  // Block: its first height also reaches along the axis, so mirroring shears it
      o.add(corner(bx + L1, by));
      o.add(corner(bx + L2 + H1, by - H2));
      o.add(corner(bx + H1, by - H1));
      break;
    case 2:  // Chisel
      o.add(corner(bx + L1 * 0.2f, by + H1));
      o.add(corner(bx + L1 * 1.2f, by + H1));
      o.add(corner(bx + L2 * 1.2f, by - H2));
      o.add(corner(bx + L2 * 0.2f, by - H2));
      break;
    case 3:  // Triangle2
      o.add(corner(bx + L1, by + H1));
      o.add(corner(bx + L2, by - H2));
      break;
    case 4:  // Triangle3
      o.add(corner(bx + L1, by));
      o.add(corner(bx + L2, by - H2));
      break;
    case 5:  // Spike
      o.add(corner(bx + L1, by + H1));
      o.add(corner(bx + L1 * 2.0f, by + H1));
      o.add(corner(bx + L2 * 2.0f, by - H2));
      o.add(corner(bx + L2, by - H2));
      break;
    case 6:  // Triangle4
      o.add(corner(bx + L1 * 2.0f, by + H1));
      o.add(corner(bx + L1 * 2.0f + L2 * 0.5f, by + H1 - H2 * 2.0f));
      break;
    case 7: {  // Block2: the bend's handles face the other way from the base point's
      o.add(corner(bx + L1, by + H1));
      float x = bx + L1 * 2.0f;
      o.add(withHandles(x, by, {x + hx, by + hy}, {x - hx, by - hy}));
      o.add(corner(bx + L1 * 2.0f + L2, by - H2));
      break;
    }
    case 8: {  // Block3
      o.add(corner(bx + L1, by + H1));
      float x = bx + L1 + L1 * 2.0f, y = by + H1;
      o.add(withHandles(x, y, {x + hx, y + hy}, {x - hx, y - hy}));
      o.add(corner(x + L2, by + H1 - H2));
      break;
    }
    case 9:  // Scalpel
      o.add(corner(bx + L1, by));
      o.add(corner(bx + L1, by - H1));
      o.add(corner(bx + L1 - L2 * 0.5f, by - H1));
      o.add(corner(bx + L1 - L2 * 0.5f, by - H1 - H2));
      break;
    case 10:  // Zag
      o.add(corner(bx + L1, by));
      o.add(corner(bx + L1, by - H1));
      o.add(corner(bx + L1 - L2 * kThird, by - H1));
      o.add(corner(bx + L1 - L2 * kThird, by - H1 - H2));
      o.add(corner(bx + L1 - L2 * kTwoThirds, by - H1));
      o.add(corner(bx + L1 - L2 * kTwoThirds, by - H1 - H2));
      break;
    case 11:  // Diamond: its 100 and 200 point steps are fixed, whatever the element's size
      o.add(corner(bx + 100.0f, by + H1));
      o.add(corner(bx + L1 + 100.0f, by + H1));
      o.add(corner(bx + L1 + 200.0f, by));
      o.add(corner(bx + L2 + 100.0f, by - H2));
      o.add(corner(bx + 100.0f, by - H2));
      break;
    case 12:  // Triangle5
      o.add(corner(bx + L1, by));
      o.add(corner(bx + L1, by - H2));
      o.add(corner(bx + L2, by - H1));
      break;
    case 13: {  // Triangle6: the curves sit on the two far points, the base point is sharp
      o.add(corner(bx, by));
      float x1 = bx + L1, y1 = by + H1;
      o.add(withHandles(x1, y1, {x1 + hx, y1 + hy}, {x1, y1}));
      float x2 = bx + L1 + L2, y2 = by + H1 - H2;
      o.add(withHandles(x2, y2, {x2, y2}, {x2 - hx, y2 - hy}));
      break;
    }
    default:
      // Not a shape the dialog offers: the element stays an empty closed path.
      break;
  }
  // clang-format on
}

}  // namespace

HostErr buildShape(const BurstParams& p, const GenerationState& s) {
  int32_t shape = p.shapeOption;
  if (p.randomShape) shape = static_cast<int32_t>(sRandom->floatRandom() * static_cast<float>(kShapeCount));

  const RunningFactor& spread = s.factors[kSpread];
  float spreadFactor = spread.star * spread.element;
  float hx = s.handleX * spreadFactor;
  float hy = s.handleY * spreadFactor;

  Outline outline;
  layOut(shape, s, hx, hy, outline);
  // The outline's writes and the close are not checked: a point the host refused leaves a
  // smaller element, which is no reason to stop the design.
  for (int i = 0; i < outline.count; ++i) sPath->setPathSegments(s.art, static_cast<int16_t>(i), 1, &outline.points[i]);
  sPath->setPathClosed(s.art, 1);
  return 0;
}

}  // namespace fl
