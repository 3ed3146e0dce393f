#include <algorithm>
#include <charconv>
#include <cmath>
#include <ostream>
#include <string>

#include "export.h"

#include "color.h"
#include "geometry.h"

namespace flhost {

namespace {

bool finitePoint(const HostRealPoint& p) { return std::isfinite(p.h) && std::isfinite(p.v); }

bool finiteArt(const Art& art) {
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
  // A coordinate or a length, to 1/1000 point.
  SvgWriter& coord(double v) {
    appendThousandths(buf_, v);
    return *this;
  }
  SvgWriter& whole(size_t n) {
    char text[24];
    auto [end, ec] = std::to_chars(text, text + sizeof text, n);
    (void)ec;
    buf_.append(text, end);
    return *this;
  }
  // An artwork point turned into SVG's downward y.
  SvgWriter& point(const HostRealPoint& p) {
    coord(p.h).raw(" ");
    return coord(static_cast<double>(pageHeight_) - p.v);
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

bool samePoint(const HostRealPoint& a, const HostRealPoint& b) { return a.h == b.h && a.v == b.v; }

void writePath(SvgWriter& w, const Art& art, std::string_view idPrefix, size_t number) {
  const auto& seg = art.segments;
  w.raw("<path id=\"").raw(idPrefix).raw("art-").whole(number).raw("\" d=\"M").point(seg[0].p);
  // A segment whose handles sit on its anchors is straight: a line says so in two numbers, not six.
  auto straight = [](const HostPathSegment& from, const HostPathSegment& to) {
    return samePoint(from.out, from.p) && samePoint(to.in, to.p);
  };
  for (size_t i = 0; i + 1 < seg.size(); ++i) {
    if (straight(seg[i], seg[i + 1]))
      w.raw(" L").point(seg[i + 1].p);
    else
      w.raw(" C").point(seg[i].out).raw(" ").point(seg[i + 1].in).raw(" ").point(seg[i + 1].p);
  }
  if (art.closed) {
    // Z draws the closing line itself.
    if (!straight(seg.back(), seg[0])) w.raw(" C").point(seg.back().out).raw(" ").point(seg[0].in).raw(" ").point(seg[0].p);
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

void appendThousandths(std::string& out, double v) {
  double scaled = std::round(v * 1000.0);
  char text[48];
  if (!(std::fabs(scaled) < 1e15)) {
    // Beyond what an int64 holds exactly: the long way, then the zeros trimmed.
    auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 3);
    (void)ec;
    std::string_view s(text, static_cast<size_t>(end - text));
    while (s.back() == '0') s.remove_suffix(1);
    if (s.back() == '.') s.remove_suffix(1);
    out += s;
    return;
  }
  auto n = static_cast<int64_t>(scaled);
  if (n < 0) {
    out += '-';
    n = -n;
  }
  auto [end, ec] = std::to_chars(text, text + sizeof text, n / 1000);
  (void)ec;
  out.append(text, end);
  if (int64_t frac = n % 1000) {
    char digits[4] = {'.', char('0' + frac / 100), char('0' + frac / 10 % 10), char('0' + frac % 10)};
    size_t len = 4;
    while (digits[len - 1] == '0') --len;
    out.append(digits, len);
  }
}

namespace {

struct Area {
  double left, top, right, bottom;
};

// In doubles: the sums cannot overflow whatever floats the arts hold, and the view box's numbers
// come out as written rather than as float sums.
Area pictureArea(const Document& doc, Frame frame) {
  double left = INFINITY, right = -INFINITY, bottom = INFINITY, top = -INFINITY, widestStroke = 0;
  doc.forEachArt([&](const Art& art) {
    if (art.segments.empty() || !finiteArt(art)) return;
    HostRealRect b = pathBounds(art.segments, art.closed);
    left = std::min(left, double(b.left));
    right = std::max(right, double(b.right));
    bottom = std::min(bottom, double(b.bottom));
    top = std::max(top, double(b.top));
    if (art.style.strokePaint && std::isfinite(art.style.strokeWidth))
      widestStroke = std::max(widestStroke, double(art.style.strokeWidth));
  });
  if (frame == Frame::Art && left <= right) {
    // Square, centred on the art, so that a design fits a square tile whatever its proportions.
    double half = 0.52 * std::max({right - left, top - bottom, 1.0}) + widestStroke / 2;
    double cx = (left + right) / 2, cy = (bottom + top) / 2;
    return {cx - half, cy + half, cx + half, cy - half};
  }
  Area a{std::min(left, 0.0), std::max(top, double(doc.pageHeight())), std::max(right, double(doc.pageWidth())),
         std::min(bottom, 0.0)};
  if (frame == Frame::Art) return {0, doc.pageHeight(), doc.pageWidth(), 0};
  double margin = 0.02 * std::max(a.right - a.left, a.top - a.bottom) + widestStroke / 2;
  return {a.left - margin, a.top + margin, a.right + margin, a.bottom - margin};
}

// The page (unless framed on the art) and the design, each a group; ids start with idPrefix.
void writeBody(SvgWriter& w, const Document& doc, std::string_view idPrefix, Frame frame) {
  if (frame == Frame::Page) {
    w.raw("<g id=\"").raw(idPrefix).raw("page\">\n<rect x=\"0\" y=\"0\" width=\"").coord(doc.pageWidth());
    w.raw("\" height=\"").coord(doc.pageHeight()).raw("\" fill=\"#ffffff\" stroke=\"#a0a0a0\" stroke-width=\"0.5\"/>\n</g>\n");
  }
  w.raw("<g id=\"").raw(idPrefix).raw("design\">\n");
  size_t number = 0;
  doc.forEachArt([&](const Art& art) {
    if (art.segments.empty()) return;
    if (!finiteArt(art)) {
      w.raw("<!-- an art with a non-finite coordinate is left out -->\n");
      return;
    }
    writePath(w, art, idPrefix, ++number);
    w.maybeFlush();
  });
  w.raw("</g>\n");
}

}  // namespace

HostRealRect exportArea(const Document& doc, Frame frame) {
  Area a = pictureArea(doc, frame);
  return {static_cast<float>(a.left), static_cast<float>(a.top), static_cast<float>(a.right),
          static_cast<float>(a.bottom)};
}

void writeDocumentSvg(const Document& doc, std::ostream& out, Frame frame) {
  SvgWriter w(out, doc.pageHeight());
  Area area = pictureArea(doc, frame);
  double width = area.right - area.left, height = area.top - area.bottom;
  w.raw("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n");
  w.raw("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"").coord(width);
  w.raw("pt\" height=\"").coord(height).raw("pt\" viewBox=\"");
  // The view box's top left is the artwork's top left, turned like every other point.
  w.coord(area.left).raw(" ").coord(double(doc.pageHeight()) - area.top);
  w.raw(" ").coord(width).raw(" ").coord(height).raw("\">\n");
  w.raw("<title>Flarimond design</title>\n");
  writeBody(w, doc, "", frame);
  w.raw("</svg>\n");
  w.flush();
}

void writeSvgGroup(const Document& doc, std::ostream& out, std::string_view id, Frame frame, SvgBox box) {
  SvgWriter w(out, doc.pageHeight());
  Area area = pictureArea(doc, frame);
  double width = area.right - area.left, height = area.top - area.bottom;
  double scale = box.size / std::max(width, height);
  // The frame's top left, in SVG's y, lands at the box's top left plus what centres it.
  double x = box.x + (box.size - width * scale) / 2 - area.left * scale;
  double y = box.y + (box.size - height * scale) / 2 - (double(doc.pageHeight()) - area.top) * scale;
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, scale);
  (void)ec;
  w.raw("<g id=\"").raw(id).raw("\" transform=\"translate(").coord(x).raw(" ").coord(y);
  w.raw(") scale(").raw(std::string_view(text, static_cast<size_t>(end - text))).raw(")\">\n");
  std::string prefix = std::string(id) + "-";
  writeBody(w, doc, prefix, frame);
  w.raw("</g>\n");
  w.flush();
}

}  // namespace flhost
