#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>

#include "export.h"

#include "color.h"
#include "geometry.h"

namespace flhost {

namespace {

bool finitePoint(const HostRealPoint& p) { return std::isfinite(p.h) && std::isfinite(p.v); }

bool finiteArt(const ArtView& art) {
  for (const HostPathSegment& s : art.segments)
    if (!finitePoint(s.p) || !finitePoint(s.in) || !finitePoint(s.out)) return false;
  return true;
}

// An SVG writer with its own buffer, flushed between arts.
class SvgWriter {
 public:
  SvgWriter(std::ostream& os, float pageHeight) : os_(os), pageHeight_(pageHeight) {
    buf_.reserve(kFlushAt + 4096);
  }
  SvgWriter(const SvgWriter&) = delete;
  SvgWriter& operator=(const SvgWriter&) = delete;

  SvgWriter& raw(std::string_view s) {
    buf_ += s;
    return *this;
  }
  SvgWriter& num(float v) {
    appendShortestFloat(buf_, v);
    return *this;
  }
  // An artwork point turned into SVG's downward y.
  SvgWriter& point(const HostRealPoint& p) {
    num(p.h).raw(" ");
    return num(static_cast<float>(static_cast<double>(pageHeight_) - p.v));
  }
  void maybeFlush() {
    if (buf_.size() >= kFlushAt) flush();
  }
  void flush() {
    os_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
    buf_.clear();
  }

 private:
  static constexpr size_t kFlushAt = 1 << 16;
  std::ostream& os_;
  float pageHeight_;
  std::string buf_;
};

void writePath(SvgWriter& w, const ArtView& art) {
  const auto& seg = art.segments;
  w.raw("<path d=\"M").point(seg[0].p);
  auto cubic = [&](const HostPathSegment& from, const HostPathSegment& to) {
    w.raw(" C").point(from.out).raw(" ").point(to.in).raw(" ").point(to.p);
  };
  for (size_t i = 0; i + 1 < seg.size(); ++i) cubic(seg[i], seg[i + 1]);
  if (art.closed) {
    cubic(seg.back(), seg[0]);
    w.raw(" Z");
  }
  const HostPathStyle& st = art.style;
  w.raw("\" fill=\"").raw(st.fillPaint ? hexColor(st.fillColor) : "none").raw("\"");
  if (st.fillPaint && st.evenOddFill) w.raw(" fill-rule=\"evenodd\"");
  w.raw(" stroke=\"").raw(st.strokePaint ? hexColor(st.strokeColor) : "none").raw("\"");
  if (st.strokePaint) {
    float width = std::isfinite(st.strokeWidth) ? std::max(st.strokeWidth, 0.0f) : 0.0f;
    w.raw(" stroke-width=\"").num(width).raw("\"");
    const HostStrokeDetails& d = st.stroke;
    // Only what differs from SVG's own defaults (butt caps, miter joins, limit 4, solid line).
    if (d.cap == 1) w.raw(" stroke-linecap=\"round\"");
    if (d.cap == 2) w.raw(" stroke-linecap=\"square\"");
    if (d.join == 1) w.raw(" stroke-linejoin=\"round\"");
    if (d.join == 2) w.raw(" stroke-linejoin=\"bevel\"");
    if (d.join == 0 && std::isfinite(d.miterLimit) && d.miterLimit >= 1.0f && d.miterLimit != 4.0f)
      w.raw(" stroke-miterlimit=\"").num(d.miterLimit).raw("\"");
    int dashes = std::clamp(d.dashCount, 0, 6);
    bool dashesDrawable = dashes > 0;
    float dashSum = 0;
    for (int i = 0; i < dashes; ++i) {
      if (!std::isfinite(d.dash[i]) || d.dash[i] < 0) dashesDrawable = false;
      else dashSum += d.dash[i];
    }
    // SVG draws a solid line for an all-zero or negative dash list; say so explicitly.
    if (dashesDrawable && dashSum > 0) {
      w.raw(" stroke-dasharray=\"");
      for (int i = 0; i < dashes; ++i) w.raw(i ? "," : "").num(d.dash[i]);
      w.raw("\"");
      if (std::isfinite(d.dashOffset) && d.dashOffset != 0)
        w.raw(" stroke-dashoffset=\"").num(d.dashOffset).raw("\"");
    }
  }
  if (std::isfinite(art.opacity) && art.opacity < 1.0f) w.raw(" opacity=\"").num(std::max(art.opacity, 0.0f)).raw("\"");
  w.raw("/>\n");
}

}  // namespace

std::string hexColor(const HostColor& color) {
  static const char kHex[] = "0123456789abcdef";
  Rgb d = toRgb(color);
  std::string s = "#";
  for (float v : {d.r, d.g, d.b}) {
    int byte = static_cast<int>(std::lround(v * 255.0f));
    s += kHex[byte >> 4];
    s += kHex[byte & 15];
  }
  return s;
}

namespace {

struct Area {
  double left, top, right, bottom;
};

// In doubles: the sums cannot overflow whatever floats the arts hold, and the view box's numbers
// come out as written rather than as float sums.
Area pictureArea(const Document& doc) {
  Area a{0, doc.pageHeight(), doc.pageWidth(), 0};
  double widestStroke = 0;
  doc.forEachArt([&](const ArtView& art) {
    if (art.segments.empty() || !finiteArt(art)) return;
    const HostRealRect& b = art.bounds;
    a.left = std::min(a.left, double(b.left));
    a.right = std::max(a.right, double(b.right));
    a.bottom = std::min(a.bottom, double(b.bottom));
    a.top = std::max(a.top, double(b.top));
    if (art.style.strokePaint && std::isfinite(art.style.strokeWidth))
      widestStroke = std::max(widestStroke, double(art.style.strokeWidth));
  });
  double margin = 0.02 * std::max(a.right - a.left, a.top - a.bottom) + widestStroke / 2;
  return {a.left - margin, a.top + margin, a.right + margin, a.bottom - margin};
}

}  // namespace

HostRealRect exportArea(const Document& doc) {
  Area a = pictureArea(doc);
  return {static_cast<float>(a.left), static_cast<float>(a.top), static_cast<float>(a.right),
          static_cast<float>(a.bottom)};
}

void writeDocumentSvg(const Document& doc, std::ostream& out, std::string_view metadata) {
  SvgWriter w(out, doc.pageHeight());
  Area area = pictureArea(doc);
  auto f = [](double v) { return static_cast<float>(v); };
  float width = f(area.right - area.left);
  float height = f(area.top - area.bottom);
  w.raw("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n");
  w.raw("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"").num(width);
  w.raw("pt\" height=\"").num(height).raw("pt\" viewBox=\"");
  // The view box's top left is the artwork's top left, turned like every other point.
  w.num(f(area.left)).raw(" ").num(f(double(doc.pageHeight()) - area.top));
  w.raw(" ").num(width).raw(" ").num(height).raw("\">\n");
  if (!metadata.empty()) w.raw("<metadata>").raw(metadata).raw("</metadata>\n");
  w.raw("<rect x=\"0\" y=\"0\" width=\"").num(doc.pageWidth()).raw("\" height=\"").num(doc.pageHeight());
  w.raw("\" fill=\"#ffffff\" stroke=\"#a0a0a0\" stroke-width=\"0.5\"/>\n");
  doc.forEachArt([&](const ArtView& art) {
    if (art.segments.empty()) return;
    if (!finiteArt(art)) {
      w.raw("<!-- an art with a non-finite coordinate is left out -->\n");
      return;
    }
    writePath(w, art);
    w.maybeFlush();
  });
  w.raw("</svg>\n");
  w.flush();
}

}  // namespace flhost
