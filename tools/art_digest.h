// A digest of a design's art as its SVG shows it, so that a description can tell whether the art
// beside it in a file is still the art it drew.
//
// What counts is what an editor changes when it moves, recolours or edits art: every path in
// paint order, its outline as path commands between points rounded to 1/1000 point (SVG's y,
// down from the page's top, as the SVG export writes them), and its paint as shown (colours as
// #rrggbb, the stroke's width, caps, joins, miter limit and dashes, the fill rule, the opacity).
// Not what an editor leaves alone or rewrites without changing the picture: ids, the order of
// attributes, relative or absolute path commands, white space, an editor's own attributes.
// Arts with no segments, or with a coordinate that is not finite, draw nothing and do not count.
//
// The design's side is digestOf(document), computed when the description is written; the file's
// side is the SVG reader's (design_svg.cpp), which feeds the same calls from what it finds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"

namespace fltools {

// A paint as a key: its colour on screen as 0xRRGGBB, or kNoPaint.
inline constexpr uint32_t kNoPaint = 1u << 24;

// A path's paint as an SVG shows it. Only what shows counts: the fill rule of a filled path, the
// stroke's details of a stroked one, the miter limit of a miter join, the offset of a dash list.
struct ShownPaint {
  uint32_t fill = 0;  // SVG's default, black
  bool evenOdd = false;
  uint32_t stroke = kNoPaint;
  int64_t widthMillis = 1000;
  int cap = 0;   // butt, round, square
  int join = 0;  // miter, round, bevel
  float miterLimit = 4;
  std::vector<float> dash;
  float dashOffset = 0;
  float opacity = 1;
};

class ArtDigest {
 public:
  // A new path; paths come in paint order, each with its commands and then its paint.
  void path();
  // Points in thousandths of a point, x right and y down.
  void move(int64_t x, int64_t y);
  void line(int64_t x, int64_t y);
  void curve(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t x, int64_t y);
  void close();
  void paint(const ShownPaint& paint);
  // Something in the art that the design did not draw (a transform, an element of another kind,
  // a paint the reader cannot read): it counts as it is written.
  void other(std::string_view what);

  size_t paths() const { return paths_; }
  // 16 hexadecimal digits.
  std::string hex() const;

 private:
  void word(uint64_t v);
  void bits(float v);

  uint64_t hash_ = 0xcbf29ce484222325ull;
  size_t paths_ = 0;
};

// The digest of a document's art: what its SVG export draws.
ArtDigest digestOf(const flhost::Document& doc);

// A number of SVG's path data or of a length, in thousandths, rounded half away from zero; false
// for text that is not such a number or too large. `text` is the whole number ("12.5", "-.25",
// "1e3").
bool svgMillis(std::string_view text, int64_t* millis);

}  // namespace fltools
