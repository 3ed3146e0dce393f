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
  const ShownStyle st = shownStyle(art);
  w.raw("\" fill=\"").raw(st.fill.empty() ? "none" : st.fill).raw("\"");
  if (st.evenOdd) w.raw(" fill-rule=\"evenodd\"");
  w.raw(" stroke=\"").raw(st.stroke.empty() ? "none" : st.stroke).raw("\"");
  if (!st.stroke.empty()) {
    w.raw(" stroke-width=\"").num(st.width).raw("\"");
    // Only what differs from SVG's own defaults (butt caps, miter joins, limit 4, solid line).
    if (st.cap == 1) w.raw(" stroke-linecap=\"round\"");
    if (st.cap == 2) w.raw(" stroke-linecap=\"square\"");
    if (st.join == 1) w.raw(" stroke-linejoin=\"round\"");
    if (st.join == 2) w.raw(" stroke-linejoin=\"bevel\"");
    if (st.join == 0 && st.miterLimit != 4.0f) w.raw(" stroke-miterlimit=\"").num(st.miterLimit).raw("\"");
    if (!st.dash.empty()) {
      w.raw(" stroke-dasharray=\"");
      for (size_t i = 0; i < st.dash.size(); ++i) w.raw(i ? "," : "").num(st.dash[i]);
      w.raw("\"");
      if (st.dashOffset != 0) w.raw(" stroke-dashoffset=\"").num(st.dashOffset).raw("\"");
    }
  }
  if (st.opacity < 1.0f) w.raw(" opacity=\"").num(st.opacity).raw("\"");
  w.raw("/>\n");
}

}  // namespace

ShownStyle shownStyle(const ArtView& art) {
  const HostPathStyle& st = art.style;
  ShownStyle shown;
  if (st.fillPaint) {
    shown.fill = hexColor(st.fillColor);
    shown.evenOdd = st.evenOddFill;
  }
  if (st.strokePaint) {
    shown.stroke = hexColor(st.strokeColor);
    shown.width = std::isfinite(st.strokeWidth) ? std::max(st.strokeWidth, 0.0f) : 0.0f;
    const HostStrokeDetails& d = st.stroke;
    shown.cap = d.cap == 1 || d.cap == 2 ? d.cap : 0;
    shown.join = d.join == 1 || d.join == 2 ? d.join : 0;
    if (std::isfinite(d.miterLimit) && d.miterLimit >= 1.0f) shown.miterLimit = d.miterLimit;
    int dashes = std::clamp(d.dashCount, 0, 6);
    bool drawable = dashes > 0;
    float sum = 0;
    for (int i = 0; i < dashes; ++i) {
      if (!std::isfinite(d.dash[i]) || d.dash[i] < 0) drawable = false;
      else sum += d.dash[i];
    }
    // An all-zero or broken dash list draws a solid line.
    if (drawable && sum > 0) {
      shown.dash.assign(d.dash, d.dash + dashes);
      if (std::isfinite(d.dashOffset)) shown.dashOffset = d.dashOffset;
    }
  }
  if (std::isfinite(art.opacity)) shown.opacity = std::clamp(art.opacity, 0.0f, 1.0f);
  return shown;
}

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
