#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ostream>
#include <string>
#include <unordered_map>

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

// Writes a number of thousandths as its decimal text at out ("-12.5" for -12500) and returns
// the end; at most 22 characters. With bare, a number below 1 drops its leading zero (".5"), as
// path data allows.
char* writeMillis(char* out, int64_t n, bool bare) {
  uint64_t u = static_cast<uint64_t>(n);
  if (n < 0) {
    *out++ = '-';
    u = uint64_t{0} - u;
  }
  uint64_t whole = u / 1000;
  auto frac = static_cast<unsigned>(u % 1000);
  if (whole != 0 || frac == 0 || !bare) out = std::to_chars(out, out + 20, whole).ptr;
  if (frac != 0) {
    unsigned hundredths = frac % 100;
    *out++ = '.';
    *out++ = static_cast<char>('0' + frac / 100);
    if (hundredths != 0) {
      *out++ = static_cast<char>('0' + hundredths / 10);
      if (hundredths % 10 != 0) *out++ = static_cast<char>('0' + hundredths % 10);
    }
  }
  return out;
}

// Coordinates this far from the origin are written absolute, in doubles: their thousandths would
// not fit the integers that relative path data is worked out in.
constexpr double kRelativeLimit = 1e12;

// An SVG writer with its own buffer, written out whenever it fills.
class SvgWriter {
 public:
  SvgWriter(std::ostream& os, float pageHeight) : os_(os), pageHeight_(pageHeight), buf_(kSize, '\0') {}
  SvgWriter(const SvgWriter&) = delete;
  SvgWriter& operator=(const SvgWriter&) = delete;

  SvgWriter& raw(std::string_view s) {
    char* at = room(s.size());
    std::memcpy(at, s.data(), s.size());
    used_ += s.size();
    return *this;
  }
  SvgWriter& num(float v) {
    std::string text;
    appendShortestFloat(text, v);
    return raw(text);
  }
  // A coordinate or a length, to 1/1000 point.
  SvgWriter& coord(double v) {
    std::string text;
    appendThousandths(text, v);
    return raw(text);
  }
  SvgWriter& millis(int64_t n) {
    done(writeMillis(room(24), n, false));
    return *this;
  }
  SvgWriter& whole(size_t n) {
    done(std::to_chars(room(24), buf_.data() + used_ + 24, n).ptr);
    return *this;
  }
  // Path data's numbers, as short as the grammar allows: no space after a command letter or before
  // a minus sign, no leading zero.
  SvgWriter& command(char c) {
    *room(1) = c;
    ++used_;
    first_ = true;
    return *this;
  }
  SvgWriter& pathNumber(int64_t millis) {
    char* at = room(24);
    if (!first_ && millis >= 0) *at++ = ' ';
    first_ = false;
    done(writeMillis(at, millis, true));
    return *this;
  }
  SvgWriter& pathNumber(double v) {
    std::string text;
    appendThousandths(text, v);
    if (!first_ && text[0] != '-') text.insert(0, 1, ' ');
    first_ = false;
    return raw(text);
  }
  double svgY(float v) const { return static_cast<double>(pageHeight_) - v; }
  void flush() {
    os_.write(buf_.data(), static_cast<std::streamsize>(used_));
    used_ = 0;
  }

 private:
  static constexpr size_t kSize = 1 << 16;

  // Space for n more characters at the end of what is written.
  char* room(size_t n) {
    if (used_ + n > buf_.size()) {
      flush();
      if (n > buf_.size()) buf_.resize(n);
    }
    return buf_.data() + used_;
  }
  void done(char* end) { used_ = static_cast<size_t>(end - buf_.data()); }

  std::ostream& os_;
  float pageHeight_;
  std::string buf_;
  size_t used_ = 0;
  bool first_ = true;
};

bool samePoint(const HostRealPoint& a, const HostRealPoint& b) { return a.h == b.h && a.v == b.v; }

// A segment whose handles sit on its anchors is straight.
bool straight(const HostPathSegment& from, const HostPathSegment& to) {
  return samePoint(from.out, from.p) && samePoint(to.in, to.p);
}

// The path data: relative commands between points rounded to 1/1000 point, each delta taken
// between rounded points so that no rounding adds up along the path; absolute for an art too far
// out for that.
void writePathData(SvgWriter& w, const ArtView& art) {
  const auto& seg = art.segments;
  if (seg.empty()) return;  // empty data: valid, and draws nothing
  bool near = true;
  for (const HostPathSegment& s : seg)
    for (const HostRealPoint* p : {&s.p, &s.in, &s.out})
      near = near && std::fabs(p->h) < kRelativeLimit && std::fabs(w.svgY(p->v)) < kRelativeLimit;
  size_t n = seg.size(), curves = art.closed ? n : n - 1;
  if (near) {
    struct Millis {
      int64_t x, y;
    };
    // Halves away from zero, as std::llround, without its library call.
    auto round = [](double v) { return static_cast<int64_t>(v < 0 ? v * 1000.0 - 0.5 : v * 1000.0 + 0.5); };
    auto millis = [&](const HostRealPoint& p) { return Millis{round(p.h), round(w.svgY(p.v))}; };
    Millis at = millis(seg[0].p);
    w.command('M').pathNumber(at.x).pathNumber(at.y);
    for (size_t i = 0; i < curves; ++i) {
      const HostPathSegment& from = seg[i];
      const HostPathSegment& to = seg[(i + 1) % n];
      Millis end = millis(to.p);
      if (straight(from, to)) {
        if (i + 1 == n) break;  // Z draws the closing line itself
        w.command('l').pathNumber(end.x - at.x).pathNumber(end.y - at.y);
      } else {
        Millis c1 = millis(from.out), c2 = millis(to.in);
        w.command('c').pathNumber(c1.x - at.x).pathNumber(c1.y - at.y).pathNumber(c2.x - at.x);
        w.pathNumber(c2.y - at.y).pathNumber(end.x - at.x).pathNumber(end.y - at.y);
      }
      at = end;
    }
  } else {
    auto point = [&](const HostRealPoint& p) { w.pathNumber(double(p.h)).pathNumber(w.svgY(p.v)); };
    w.command('M');
    point(seg[0].p);
    for (size_t i = 0; i < curves; ++i) {
      const HostPathSegment& from = seg[i];
      const HostPathSegment& to = seg[(i + 1) % n];
      if (straight(from, to)) {
        if (i + 1 == n) break;
        w.command('L');
      } else {
        w.command('C');
        point(from.out);
        point(to.in);
      }
      point(to.p);
    }
  }
  if (art.closed) w.command('Z');
}

// A paint as a key: its colour on screen as 0xRRGGBB, or kNoPaint.
constexpr uint32_t kNoPaint = 1u << 24;
uint32_t paintKey(bool paint, const HostColor& color) {
  if (!paint) return kNoPaint;
  Rgb d = toRgb(color);
  uint32_t key = 0;
  for (float v : {d.r, d.g, d.b}) key = key << 8 | static_cast<uint32_t>(std::lround(v * 255.0f));
  return key;
}

// "none", or the colour in its shortest hex form ("#fff" for "#ffffff").
void appendPaint(SvgWriter& w, uint32_t key) {
  if (key == kNoPaint) {
    w.raw("none");
    return;
  }
  static const char kHex[] = "0123456789abcdef";
  char text[7] = {'#'};
  for (int i = 0; i < 6; ++i) text[1 + i] = kHex[key >> (20 - 4 * i) & 15];
  if (text[1] == text[2] && text[3] == text[4] && text[5] == text[6]) {
    text[2] = text[3];
    text[3] = text[5];
    w.raw(std::string_view(text, 4));
  } else {
    w.raw(std::string_view(text, 7));
  }
}

// The stroke width as written, in thousandths of a point.
int64_t widthMillis(const HostPathStyle& st) {
  float width = std::isfinite(st.strokeWidth) ? std::max(st.strokeWidth, 0.0f) : 0.0f;
  return std::llround(std::min(width, 1e12f) * 1000.0);
}

// The paint the design's group gives every art, each the one most arts have; an art writes only
// where it differs.
struct GroupPaint {
  uint32_t fill = kNoPaint, stroke = kNoPaint;
  int64_t width = 1000;
};

void writePath(SvgWriter& w, const ArtView& art, std::string_view idPrefix, size_t number, const GroupPaint& group) {
  w.raw("<path id=\"").raw(idPrefix).raw("art-").whole(number).raw("\" d=\"");
  writePathData(w, art);
  w.raw("\"");
  const HostPathStyle& st = art.style;
  if (uint32_t fill = paintKey(st.fillPaint, st.fillColor); fill != group.fill) {
    w.raw(" fill=\"");
    appendPaint(w, fill);
    w.raw("\"");
  }
  if (st.fillPaint && st.evenOddFill) w.raw(" fill-rule=\"evenodd\"");
  if (uint32_t stroke = paintKey(st.strokePaint, st.strokeColor); stroke != group.stroke) {
    w.raw(" stroke=\"");
    appendPaint(w, stroke);
    w.raw("\"");
  }
  if (st.strokePaint) {
    if (int64_t width = widthMillis(st); width != group.width) {
      w.raw(" stroke-width=\"");
      w.millis(width);
      w.raw("\"");
    }
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
      if (!std::isfinite(d.dash[i]) || d.dash[i] < 0)
        dashesDrawable = false;
      else
        dashSum += d.dash[i];
    }
    // SVG draws a solid line for an all-zero or negative dash list; say so explicitly.
    if (dashesDrawable && dashSum > 0) {
      w.raw(" stroke-dasharray=\"");
      for (int i = 0; i < dashes; ++i) w.raw(i ? "," : "").num(d.dash[i]);
      w.raw("\"");
      if (std::isfinite(d.dashOffset) && d.dashOffset != 0) w.raw(" stroke-dashoffset=\"").num(d.dashOffset).raw("\"");
    }
  }
  if (std::isfinite(art.opacity) && art.opacity < 1.0f) w.raw(" opacity=\"").num(std::max(art.opacity, 0.0f)).raw("\"");
  w.raw("/>\n");
}

}  // namespace

float shownStrokeWidth(const HostPathStyle& style) {
  return style.strokePaint && std::isfinite(style.strokeWidth) ? std::max(style.strokeWidth, 0.0f) : 0.0f;
}

ShownStyle shownStyle(const ArtView& art) {
  const HostPathStyle& st = art.style;
  ShownStyle shown;
  if (st.fillPaint) {
    shown.fill = hexColor(st.fillColor);
    shown.evenOdd = st.evenOddFill;
  }
  if (st.strokePaint) {
    shown.stroke = hexColor(st.strokeColor);
    shown.width = shownStrokeWidth(st);
    const HostStrokeDetails& d = st.stroke;
    shown.cap = d.cap == 1 || d.cap == 2 ? d.cap : 0;
    shown.join = d.join == 1 || d.join == 2 ? d.join : 0;
    if (std::isfinite(d.miterLimit) && d.miterLimit >= 1.0f) shown.miterLimit = d.miterLimit;
    int dashes = std::clamp(d.dashCount, 0, 6);
    bool drawable = dashes > 0;
    float sum = 0;
    for (int i = 0; i < dashes; ++i) {
      if (!std::isfinite(d.dash[i]) || d.dash[i] < 0)
        drawable = false;
      else
        sum += d.dash[i];
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

void appendMillis(std::string& out, int64_t thousandths) {
  char text[24];
  out.append(text, writeMillis(text, thousandths, false));
}

void appendThousandths(std::string& out, double v) {
  double scaled = std::round(v * 1000.0);
  if (std::fabs(scaled) < 1e15) {
    appendMillis(out, static_cast<int64_t>(scaled));
    return;
  }
  // Beyond what an int64 holds exactly: the long way, then the zeros trimmed.
  char text[400];
  auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 3);
  (void)ec;
  std::string_view s(text, static_cast<size_t>(end - text));
  while (s.back() == '0') s.remove_suffix(1);
  if (s.back() == '.') s.remove_suffix(1);
  out += s;
}

namespace {

struct Area {
  double left, top, right, bottom;
};

// What a picture needs to know of the whole document before its first art: the area it shows
// and, for SVG, the paint most arts share.
struct Survey {
  Area area;
  GroupPaint paint;
};

// Counts keys to find the most common; runs of one key (most arts of a design share their paint
// with the art before) cost one comparison each.
template <class Key>
class Tally {
 public:
  void add(Key key) {
    if (run_ > 0 && key == last_) {
      ++run_;
      return;
    }
    flushRun();
    last_ = key;
    run_ = 1;
  }
  // The most common key (the smallest of equals), or `otherwise` when none was added.
  Key most(Key otherwise) {
    flushRun();
    Key best = otherwise;
    size_t most = 0;
    for (const auto& [key, count] : counts_)
      if (count > most || (count == most && key < best)) {
        best = key;
        most = count;
      }
    return best;
  }

 private:
  void flushRun() {
    if (run_ > 0) counts_[last_] += run_;
    run_ = 0;
  }
  std::unordered_map<Key, size_t> counts_;
  Key last_{};
  size_t run_ = 0;
};

// In doubles: the sums cannot overflow whatever floats the arts hold, and the view box's numbers
// come out as written rather than as float sums.
Survey survey(const Document& doc, Frame frame, bool tallyPaint) {
  double left = INFINITY, right = -INFINITY, bottom = INFINITY, top = -INFINITY, widestStroke = 0;
  Tally<uint32_t> fills, strokes;
  Tally<int64_t> widths;
  doc.forEachArt([&](const ArtView& art) {
    if (art.segments.empty() || !finiteArt(art)) return;
    // A curve lies within its control points: an art whose points all lie inside the area found
    // so far cannot widen it, and its exact bounds are not needed.
    bool inside = true;
    for (const HostPathSegment& s : art.segments)
      for (const HostRealPoint* p : {&s.p, &s.in, &s.out})
        inside = inside && p->h >= left && p->h <= right && p->v >= bottom && p->v <= top;
    if (!inside) {
      const HostRealRect& b = art.bounds;
      left = std::min(left, double(b.left));
      right = std::max(right, double(b.right));
      bottom = std::min(bottom, double(b.bottom));
      top = std::max(top, double(b.top));
    }
    const HostPathStyle& st = art.style;
    if (st.strokePaint && std::isfinite(st.strokeWidth)) widestStroke = std::max(widestStroke, double(st.strokeWidth));
    if (tallyPaint) {
      fills.add(paintKey(st.fillPaint, st.fillColor));
      strokes.add(paintKey(st.strokePaint, st.strokeColor));
      if (st.strokePaint) widths.add(widthMillis(st));
    }
  });
  Survey result;
  result.paint = {fills.most(kNoPaint), strokes.most(kNoPaint), widths.most(int64_t{1000})};
  if (frame == Frame::Art && left <= right) {
    // Square, centred on the art, so that a design fits a square tile whatever its proportions.
    double half = 0.52 * std::max({right - left, top - bottom, 1.0}) + widestStroke / 2;
    double cx = (left + right) / 2, cy = (bottom + top) / 2;
    result.area = {cx - half, cy + half, cx + half, cy - half};
  } else if (frame != Frame::All) {
    // The page, as an editor's artboard shows it; also the art frame of a document with no art.
    result.area = {0, doc.pageHeight(), doc.pageWidth(), 0};
  } else {
    Area a{std::min(left, 0.0), std::max(top, double(doc.pageHeight())), std::max(right, double(doc.pageWidth())),
           std::min(bottom, 0.0)};
    double margin = 0.02 * std::max(a.right - a.left, a.top - a.bottom) + widestStroke / 2;
    result.area = {a.left - margin, a.top + margin, a.right + margin, a.bottom - margin};
  }
  return result;
}

// The page (unless framed on the art) and the design, each a group; ids start with idPrefix. The
// design's group holds the paint most of its arts share, and first `metadata` when given.
void writeBody(SvgWriter& w, const Document& doc, std::string_view idPrefix, Frame frame, const GroupPaint& paint,
               std::string_view metadata) {
  if (frame != Frame::Art) {
    w.raw("<g id=\"").raw(idPrefix).raw("page\">\n<rect x=\"0\" y=\"0\" width=\"").coord(doc.pageWidth());
    w.raw("\" height=\"")
        .coord(doc.pageHeight())
        .raw("\" fill=\"#ffffff\" stroke=\"#a0a0a0\" stroke-width=\"0.5\"/>\n</g>\n");
  }
  w.raw("<g id=\"").raw(idPrefix).raw("design\" fill=\"");
  appendPaint(w, paint.fill);
  w.raw("\" stroke=\"");
  appendPaint(w, paint.stroke);
  w.raw("\" stroke-width=\"").millis(paint.width).raw("\">\n");
  if (!metadata.empty()) w.raw("<metadata>").raw(metadata).raw("</metadata>\n");
  // Every art keeps its number: one with nothing to draw is a path with empty data.
  size_t number = 0;
  doc.forEachArt([&](const ArtView& art) {
    if (!finiteArt(art)) {
      w.raw("<!-- an art with a non-finite coordinate is left out -->\n<path id=\"").raw(idPrefix).raw("art-");
      w.whole(++number).raw("\" d=\"\"/>\n");
      return;
    }
    writePath(w, art, idPrefix, ++number, paint);
  });
  w.raw("</g>\n");
}

}  // namespace

HostRealRect exportArea(const Document& doc, Frame frame) {
  Area a = survey(doc, frame, false).area;
  return {static_cast<float>(a.left), static_cast<float>(a.top), static_cast<float>(a.right),
          static_cast<float>(a.bottom)};
}

double shareInFrame(const Document& doc, Frame frame) {
  // The other frames are made to hold every art with half its stroke.
  if (frame != Frame::Page) return 1.0;
  const Area f{0, doc.pageHeight(), doc.pageWidth(), 0};
  double total = 0, inside = 0;
  doc.forEachArt([&](const ArtView& art) {
    if (art.segments.empty() || !finiteArt(art)) return;
    const HostPathStyle& st = art.style;
    double half = st.strokePaint && std::isfinite(st.strokeWidth) ? std::max(0.0, double(st.strokeWidth) / 2) : 0;
    const HostRealRect& b = art.bounds;
    double left = b.left - half, right = b.right + half, bottom = b.bottom - half, top = b.top + half;
    total += (right - left) * (top - bottom);
    double w = std::min(right, f.right) - std::max(left, f.left), h = std::min(top, f.top) - std::max(bottom, f.bottom);
    if (w > 0 && h > 0) inside += w * h;
  });
  return total > 0 ? inside / total : 1.0;
}

void writeDocumentSvg(const Document& doc, std::ostream& out, Frame frame, std::string_view metadata) {
  SvgWriter w(out, doc.pageHeight());
  Survey found = survey(doc, frame, true);
  const Area& area = found.area;
  double width = area.right - area.left, height = area.top - area.bottom;
  w.raw("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n");
  w.raw("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"").coord(width);
  w.raw("pt\" height=\"").coord(height).raw("pt\" viewBox=\"");
  // The view box's top left is the artwork's top left, turned like every other point.
  w.coord(area.left).raw(" ").coord(double(doc.pageHeight()) - area.top);
  w.raw(" ").coord(width).raw(" ").coord(height).raw("\">\n");
  w.raw("<title>Flarimond design</title>\n");
  writeBody(w, doc, "", frame, found.paint, metadata);
  w.raw("</svg>\n");
  w.flush();
}

void writeSvgGroup(const Document& doc, std::ostream& out, std::string_view idPrefix, Frame frame, SvgBox box,
                   std::string_view metadata) {
  SvgWriter w(out, doc.pageHeight());
  Survey found = survey(doc, frame, true);
  const Area& area = found.area;
  double width = area.right - area.left, height = area.top - area.bottom;
  double scale = box.size / std::max(width, height);
  // The frame's top left, in SVG's y, lands at the box's top left plus what centres it.
  double x = box.x + (box.size - width * scale) / 2 - area.left * scale;
  double y = box.y + (box.size - height * scale) / 2 - (double(doc.pageHeight()) - area.top) * scale;
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, scale);
  (void)ec;
  w.raw("<g transform=\"translate(").coord(x).raw(" ").coord(y);
  w.raw(") scale(").raw(std::string_view(text, static_cast<size_t>(end - text))).raw(")\">\n");
  writeBody(w, doc, idPrefix, frame, found.paint, metadata);
  w.raw("</g>\n");
  w.flush();
}

void writeDesignGroup(const Document& doc, std::ostream& out, std::string_view idPrefix, std::string_view metadata) {
  SvgWriter w(out, doc.pageHeight());
  writeBody(w, doc, idPrefix, Frame::Art, survey(doc, Frame::Art, true).paint, metadata);
  w.flush();
}

}  // namespace flhost
