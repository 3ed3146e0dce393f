// Geometry the host computes for art: exact bounds of cubic Bezier paths and affine matrices.
//
// Matrices follow the host's convention: (x, y) goes to (a x + c y + tx, b x + d y + ty), and
// appending an operation makes it act after everything the matrix did before, so a point is moved
// by the earliest operation first.
#pragma once

#include <span>

#include "host_types.h"

namespace flhost {

// The bounds of the curves through the segments (curve extrema, not control points); a closed
// path includes the curve from the last anchor back to the first. No segments: left > right.
HostRealRect pathBounds(std::span<const HostPathSegment> segments, bool closed);

// The same along one axis: each axis's extent depends on that axis's coordinates alone, and is the
// pair pathBounds gives (left and right, or bottom and top).
enum class Axis { Horizontal, Vertical };
struct Extent {
  float lo, hi;
};
Extent pathExtent(std::span<const HostPathSegment> segments, bool closed, Axis axis);

// Whether every number of a point, a run of path segments, a matrix or a path style is finite.
// The host keeps its document finite: the suites refuse a non-finite coordinate, matrix or style
// with kHostBadParameterErr (an infinity or NaN has no place on a page, and no export could
// write it).
bool isFinite(HostRealPoint p);
bool isFinite(std::span<const HostPathSegment> segments);
bool isFinite(const HostMatrix& m);
bool isFinite(const HostPathStyle& style);

HostMatrix identityMatrix();
// m followed by n: a point is moved by m, then by n.
HostMatrix concat(const HostMatrix& m, const HostMatrix& n);
HostMatrix translation(float tx, float ty);
HostMatrix scaling(float sx, float sy);
HostMatrix rotation(float radians);
HostRealPoint apply(const HostMatrix& m, HostRealPoint p);

}  // namespace flhost
