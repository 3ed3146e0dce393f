// Exporters: the document as data (JSON) and as a picture (SVG).
//
// Both stream: a design can hold millions of arts, so nothing builds a tree of the whole document.
// Both write the arts from the bottom of the stacking order to the top. Numbers are written as the
// shortest text that reads back as the same float, so an export loses nothing of what the host
// holds. Neither function checks the stream; the caller looks at its state when done.
//
// Colours on screen (SVG, and any raster export) are sRGB as the host's colour conversion gives
// them (color.h: grey ink g shows as 1 - g on all three channels, four-colour as the plain
// complement (1-c)(1-k) ..., a spot colour as its process appearance at its tint over white). The
// conversion is naive, without colour profiles, and the same for every document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"
#include "document_geometry.h"
#include "host_types.h"

namespace flhost {

// {"page": {"width", "height"}, "colorModel": "rgb"|"cmyk"|"grey", "arts": [...]}, one art per
// line, each {"closed", "segments": [{"p", "in", "out", "corner"}], "fill": {"paint", "kind",
// "components"}, "stroke": {"paint", "kind", "components", "width"}, "opacity", "artStyle"}.
// Colour kinds: "grey" [ink], "cmyk" [c, m, y, k], "rgb" [r, g, b], "spot" [tint] with "name",
// and "unknown" (with the kind's number as "code") for a kind the host does not define.
// The suites keep every number of the document finite; one that is not (JSON has no text for it)
// throws std::domain_error, and what was written before it is incomplete.
// A non-empty `design` (a JSON value, written as given) comes first as the member "design": what
// made the document.
void writeDocumentJson(const Document& doc, std::ostream& out, std::string_view design = {});

// What an exported picture shows: the page, as an editor's artboard does (art past its edges stays
// in an SVG, out of view); the art alone in a square centred on it (the page left out), as contact
// sheets show designs; or all: the page with all the art around it.
enum class Frame { Page, Art, All };

// An SVG 1.1 picture of the page and the art as the host shows them, made for editors: artwork y
// grows upwards, SVG y downwards, so every point (x, y) is drawn at (x, pageHeight - y). One user
// unit is one point, and every coordinate is rounded to 1/1000 point (the JSON export keeps the
// exact floats). The picture has a <title>; the page is a white rectangle with a thin grey border
// in the group "page" (left out when framed on the art), beneath the group "design", which holds
// every art bottom to top as a path with the id "art-N" (N from 1 in paint order: art N of the
// document). A segment whose handles both sit on their anchors is a line (L), any other a curve
// (C). The width, height and view box are the frame's area (exportArea): with Frame::Page the
// page, and the art past it is in the file but out of view. An art with no segments is a path
// with empty data, which draws nothing; so is one with a non-finite coordinate (noted in a
// comment), since no viewer can draw it. A non-empty `metadata` (XML, written as given) is the
// content of a <metadata> element, the first child of the group "design": what made the design,
// which a copy of the group alone then carries along.
void writeDocumentSvg(const Document& doc, std::ostream& out, Frame frame = Frame::Page,
                      std::string_view metadata = {});

// The same picture as a group for a larger SVG (a contact sheet): <g transform="..."> with the
// frame's area scaled to fit, centred, into the box (x, y, size, size) in the larger picture's
// units. The ids inside are the ones writeDocumentSvg uses, each after idPrefix, and `metadata`
// goes where writeDocumentSvg puts it.
struct SvgBox {
  double x = 0, y = 0, size = 0;
};
void writeSvgGroup(const Document& doc, std::ostream& out, std::string_view idPrefix, Frame frame, SvgBox box,
                   std::string_view metadata = {});

// The design's group alone, as writeDocumentSvg writes it (ids after idPrefix, `metadata` first):
// for a document of another program, which places it with a transform of its own.
void writeDesignGroup(const Document& doc, std::ostream& out, std::string_view idPrefix,
                      std::string_view metadata = {});

// An art's paint as a screen shows it: colours as "#rrggbb" (empty: not painted), a stroke
// width that is finite and not negative, the miter limit (4 unless a drawable one is set), the
// dash list only when drawable (finite, not negative, some length), opacity in [0, 1].
struct ShownStyle {
  std::string fill, stroke;
  bool evenOdd = false;
  float width = 0;
  int cap = 0;   // butt, round, square
  int join = 0;  // miter, round, bevel
  float miterLimit = 4;
  std::vector<float> dash;
  float dashOffset = 0;
  float opacity = 1;
};
ShownStyle shownStyle(const ArtView& art);
// The stroke width shownStyle gives a path style: 0 without a stroke.
float shownStrokeWidth(const HostPathStyle& style);

// A PNG picture of the same view as the SVG, widthPixels wide (the height follows the view's
// proportions), on white or, with transparent, on a clear background outside the page. False,
// with the reason in *error, when it cannot be made. Available when the host is built with cairo
// (FLARIMOND_HAVE_CAIRO).
// The view is the frame's area; framed on the art, every stroke is at least a hairline wide.
// Each of `text` is written as an international text chunk (iTXt, UTF-8, uncompressed) before the
// image data, so a reader finds it without decoding the picture.
// progress, when given, is told the share drawn so far (0..1) a few times a second from the
// calling thread, and 1 when the drawing is done.
struct PngText {
  std::string keyword;  // 1 to 79 printable Latin-1 characters
  std::string text;     // UTF-8
};
bool writeDocumentPng(const Document& doc, std::ostream& out, int widthPixels, bool transparent, std::string* error,
                      Frame frame = Frame::Page, const std::vector<PngText>& text = {},
                      const std::function<void(double)>& progress = {});

// A PDF of the same view as the SVG, drawn by cairo as vectors: one page, the frame's area in
// points (with Frame::Page the PDF's page is the document's page, with no border drawn on it; with
// Frame::All the page is drawn as the SVG draws it). Colours are cairo's, which are RGB: a grey or
// four-colour document's colours are their screen colours (as in the SVG). `info` goes into the
// PDF's document information (empty members are left out). False, with the reason in *error, when
// it cannot be made or the stream fails. Available when the host is built with cairo
// (FLARIMOND_HAVE_CAIRO).
struct PdfInfo {
  std::string title, subject, keywords, creator;
};
bool writeDocumentPdf(const Document& doc, std::ostream& out, std::string* error, Frame frame = Frame::Page,
                      const PdfInfo& info = {});

// Appends the shortest text that reads back as exactly v ("0.1" for 0.1f, "100" for 100.0f);
// "null" for NaN and the infinities, which have no such text.
void appendShortestFloat(std::string& out, float v);
// The same written at `at`, which has room for kMaxFloatText characters; returns the end.
inline constexpr size_t kMaxFloatText = 16;
char* writeShortestFloat(char* at, float v);

// A colour as shown on screen, "#rrggbb".
std::string hexColor(const HostColor& color);

// Appends v rounded to the nearest 1/1000 ("12.5" for 12.5, "-0.001" for -0.0012, "0" for -0.0004):
// no exponent, no trailing zeros, no "-0". v must be finite.
void appendThousandths(std::string& out, double v);

// Appends a whole number of thousandths as appendThousandths writes it ("12.5" for 12500).
void appendMillis(std::string& out, int64_t thousandths);

// The artwork rectangle (y up: top >= bottom) an exported picture shows. Frame::Page: the page.
// Frame::All: the page united with the geometric bounds of every art's curves, widened by half the
// widest stroke and a margin of 2 % of the larger side. Frame::Art: a square centred on the curves
// of every art, 4 % wider than their larger side (at least 1 point), widened by half the widest
// stroke; the page when no art can be drawn. Arts with a non-finite coordinate are not counted.
HostRealRect exportArea(const Document& doc, Frame frame = Frame::Page);

// The share (0..1) of the art's area that falls inside the frame's area: each art counts with the
// area of its curves' bounds, widened by half its stroke when it has one. 1 when no art has an
// area (nothing is drawn, so nothing is out of view).
double shareInFrame(const Document& doc, Frame frame);

}  // namespace flhost
