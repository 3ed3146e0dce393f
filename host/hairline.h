// Strokes thinner than a pixel, drawn straight into premultiplied ARGB32 pixels.
//
// A stroke a fraction of a pixel wide covers, in each pixel it crosses, about its width times the
// length of its centre line inside that pixel: that is the coverage given here. Against the exact
// area of the stroke's outline the ink of a pixel can move to its neighbour by at most half the
// width, and the joins (at most a few hundredths of a square pixel at these widths) are left
// out. Drawing it this way costs a step per pixel crossed, where a general rasteriser (cairo's)
// sweeps the outline's edges a sub-row at a time, which for large designs of many long thin
// strokes is most of a picture's time.
#pragma once

#include <cstdint>
#include <span>

#include "host_types.h"

namespace flhost {

// The widest stroke drawn as a hairline, in pixels.
inline constexpr double kHairlineWidth = 0.5;
// How far a curve's straight pieces may stray from it, in pixels (cairo's default tolerance).
inline constexpr double kHairlineTolerance = 0.1;

// Where hairlines are drawn: rows of 32-bit premultiplied ARGB pixels (cairo's CAIRO_FORMAT_ARGB32),
// of which only the pixels [x0, x1) x [y0, y1) are touched. Artwork point (h, v) is the pixel
// point (h * sx + tx, v * sy + ty).
struct HairlineTarget {
  unsigned char* pixels;
  int stride;  // bytes a row
  int x0, y0, x1, y1;
  double sx, tx, sy, ty;
};

// An opaque colour as 8-bit red, green and blue, each channel made from 0..1 as cairo makes its
// solid colours (through 16 bits), so that a pixel a hairline covers wholly is cairo's colour.
struct Rgb8 {
  uint8_t r, g, b;
};
Rgb8 toRgb8(double r, double g, double b);

// Strokes the path through `segments` (closed: back to the first) `width` pixels wide (meant for
// widths up to kHairlineWidth) in `color`, over what the pixels hold: each pixel's coverage as
// above (at most 1), its colour mixed in as cairo mixes an opaque colour at a coverage. A curve
// is drawn as straight pieces within kHairlineTolerance. The path's coordinates must be finite.
void strokeHairline(const HairlineTarget& target, std::span<const HostPathSegment> segments, bool closed, double width,
                    Rgb8 color);

}  // namespace flhost
