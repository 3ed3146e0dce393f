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

HostMatrix identityMatrix();
// m followed by n: a point is moved by m, then by n.
HostMatrix concat(const HostMatrix& m, const HostMatrix& n);
HostMatrix translation(float tx, float ty);
HostMatrix scaling(float sx, float sy);
HostMatrix rotation(float radians);
HostRealPoint apply(const HostMatrix& m, HostRealPoint p);

}  // namespace flhost
