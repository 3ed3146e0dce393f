#include "geometry.h"

#include <algorithm>
#include <cmath>

namespace flhost {

namespace {

// Extends [lo, hi] by the extrema of the cubic p0, p1, p2, p3 in one coordinate.
void cubicRange(double p0, double p1, double p2, double p3, double& lo, double& hi) {
  lo = std::min({lo, p0, p3});
  hi = std::max({hi, p0, p3});
  // No extreme inside: when the handles lie between the anchors (the curve stays within the range
  // of its control points; a straight line, most often), or the control points run one way (the
  // derivative's coefficients share a sign, so the curve is monotonic).
  if (std::min(p0, p3) <= std::min(p1, p2) && std::max(p1, p2) <= std::max(p0, p3)) return;
  const double d0 = p1 - p0, d1 = p2 - p1, d2 = p3 - p2;
  if ((d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0)) return;
  // B'(t)/3 = a t^2 + b t + c
  double a = -p0 + 3 * p1 - 3 * p2 + p3;
  double b = 2 * (p0 - 2 * p1 + p2);
  double c = p1 - p0;
  auto at = [&](double t) {
    if (t <= 0 || t >= 1) return;
    double u = 1 - t;
    double v = u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  };
  const double eps = 1e-12;
  if (std::fabs(a) < eps) {
    if (std::fabs(b) > eps) at(-c / b);
    return;
  }
  double disc = b * b - 4 * a * c;
  if (disc < 0) return;
  double sq = std::sqrt(disc);
  at((-b + sq) / (2 * a));
  at((-b - sq) / (2 * a));
}

}  // namespace

namespace {

template <float HostRealPoint::*kAxis>
Extent extentAlong(std::span<const HostPathSegment> segs, bool closed) {
  double lo = segs[0].p.*kAxis, hi = lo;
  const size_t n = segs.size();
  const size_t curves = closed ? n : n - 1;
  for (size_t i = 0; i < curves; ++i) {
    const HostPathSegment& s = segs[i];
    const HostPathSegment& e = segs[(i + 1) % n];
    cubicRange(s.p.*kAxis, s.out.*kAxis, e.in.*kAxis, e.p.*kAxis, lo, hi);
  }
  return {static_cast<float>(lo), static_cast<float>(hi)};
}

}  // namespace

Extent pathExtent(std::span<const HostPathSegment> segs, bool closed, Axis axis) {
  if (segs.empty()) return axis == Axis::Horizontal ? Extent{1.0f, -1.0f} : Extent{0.0f, 0.0f};
  return axis == Axis::Horizontal ? extentAlong<&HostRealPoint::h>(segs, closed)
                                  : extentAlong<&HostRealPoint::v>(segs, closed);
}

HostRealRect pathBounds(std::span<const HostPathSegment> segs, bool closed) {
  const Extent h = pathExtent(segs, closed, Axis::Horizontal), v = pathExtent(segs, closed, Axis::Vertical);
  return {h.lo, v.hi, h.hi, v.lo};
}

bool isFinite(HostRealPoint p) { return std::isfinite(p.h) && std::isfinite(p.v); }

bool isFinite(std::span<const HostPathSegment> segments) {
  return std::all_of(segments.begin(), segments.end(),
                     [](const HostPathSegment& s) { return isFinite(s.p) && isFinite(s.in) && isFinite(s.out); });
}

bool isFinite(const HostMatrix& m) {
  return std::isfinite(m.a) && std::isfinite(m.b) && std::isfinite(m.c) && std::isfinite(m.d) && std::isfinite(m.tx) &&
         std::isfinite(m.ty);
}

namespace {

// The components a colour's kind uses; an unknown kind has none the host reads.
bool isFiniteColor(const HostColor& c) {
  // clang-format off
  switch (c.kind) {
    case kHostColorGrey: return std::isfinite(c.c.grey);
    case kHostColorFour:
      return std::isfinite(c.c.four.cyan) && std::isfinite(c.c.four.magenta) && std::isfinite(c.c.four.yellow) &&
             std::isfinite(c.c.four.black);
    case kHostColorThree:
      return std::isfinite(c.c.three.red) && std::isfinite(c.c.three.green) && std::isfinite(c.c.three.blue);
    case kHostColorSpot: return std::isfinite(c.c.spot.tint);
    default: return true;
  }
  // clang-format on
}

}  // namespace

bool isFinite(const HostPathStyle& style) {
  const HostStrokeDetails& d = style.stroke;
  // Only the dashes in use: the rest of the array is not the host's to read.
  const auto dashes = std::span(d.dash).first(static_cast<size_t>(std::clamp(d.dashCount, 0, 6)));
  return isFiniteColor(style.fillColor) && isFiniteColor(style.strokeColor) && std::isfinite(style.strokeWidth) &&
         std::isfinite(d.miterLimit) && std::isfinite(d.dashOffset) &&
         std::all_of(dashes.begin(), dashes.end(), [](float v) { return std::isfinite(v); });
}

HostMatrix identityMatrix() { return {1, 0, 0, 1, 0, 0}; }

HostMatrix concat(const HostMatrix& m, const HostMatrix& n) {
  // x' = m(x); x'' = n(x'), each product and sum in single precision, in this order.
  HostMatrix r;
  r.a = m.a * n.a + m.b * n.c;
  r.b = m.a * n.b + m.b * n.d;
  r.c = m.c * n.a + m.d * n.c;
  r.d = m.c * n.b + m.d * n.d;
  r.tx = m.tx * n.a + m.ty * n.c + n.tx;
  r.ty = m.tx * n.b + m.ty * n.d + n.ty;
  return r;
}

HostMatrix translation(float tx, float ty) { return {1, 0, 0, 1, tx, ty}; }
HostMatrix scaling(float sx, float sy) { return {sx, 0, 0, sy, 0, 0}; }

HostMatrix rotation(float radians) {
  float c = std::cos(radians), s = std::sin(radians);
  return {c, s, -s, c, 0, 0};
}

HostRealPoint apply(const HostMatrix& m, HostRealPoint p) {
  return {m.a * p.h + m.c * p.v + m.tx, m.b * p.h + m.d * p.v + m.ty};
}

}  // namespace flhost
