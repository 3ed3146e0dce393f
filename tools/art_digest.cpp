#include "art_digest.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "export.h"

namespace fltools {

namespace {

enum Tag : uint64_t { kPath = 1, kMove, kLine, kCurve, kClose, kPaint, kOther };

// The key of a colour as the SVG writes it.
uint32_t paintKey(bool paint, const HostColor& color) {
  if (!paint) return kNoPaint;
  std::string hex = flhost::hexColor(color);  // "#rrggbb"
  return static_cast<uint32_t>(std::stoul(hex.substr(1), nullptr, 16));
}

bool finitePoint(const HostRealPoint& p) { return std::isfinite(p.h) && std::isfinite(p.v); }

// The SVG export works each point out in doubles, y turned down from the page's top, to the
// nearest thousandth (halves away from zero); far from the origin it writes the double itself.
constexpr double kRelativeLimit = 1e12;

struct Rounder {
  double pageHeight;
  bool near;
  int64_t x(float h) const { return millis(static_cast<double>(h)); }
  int64_t y(float v) const { return millis(pageHeight - v); }
  int64_t millis(double v) const {
    if (near) return static_cast<int64_t>(v < 0 ? v * 1000.0 - 0.5 : v * 1000.0 + 0.5);
    std::string text;
    flhost::appendThousandths(text, v);
    int64_t m = 0;
    return svgMillis(text, &m) ? m : std::numeric_limits<int64_t>::max();
  }
};

bool straight(const HostPathSegment& from, const HostPathSegment& to) {
  auto same = [](const HostRealPoint& a, const HostRealPoint& b) { return a.h == b.h && a.v == b.v; };
  return same(from.out, from.p) && same(to.in, to.p);
}

ShownPaint shownPaint(const flhost::ArtView& art) {
  const HostPathStyle& st = art.style;
  ShownPaint p;
  p.fill = paintKey(st.fillPaint, st.fillColor);
  p.evenOdd = st.fillPaint && st.evenOddFill;
  p.stroke = paintKey(st.strokePaint, st.strokeColor);
  if (st.strokePaint) {
    float width = std::isfinite(st.strokeWidth) ? std::max(st.strokeWidth, 0.0f) : 0.0f;
    p.widthMillis = std::llround(std::min(width, 1e12f) * 1000.0);
    const HostStrokeDetails& d = st.stroke;
    p.cap = d.cap == 1 || d.cap == 2 ? d.cap : 0;
    p.join = d.join == 1 || d.join == 2 ? d.join : 0;
    if (d.join == 0 && std::isfinite(d.miterLimit) && d.miterLimit >= 1.0f) p.miterLimit = d.miterLimit;
    int dashes = std::clamp(d.dashCount, 0, 6);
    bool drawable = dashes > 0;
    float sum = 0;
    for (int i = 0; i < dashes; ++i) {
      if (!std::isfinite(d.dash[i]) || d.dash[i] < 0)
        drawable = false;
      else
        sum += d.dash[i];
    }
    if (drawable && sum > 0) {
      p.dash.assign(d.dash, d.dash + dashes);
      if (std::isfinite(d.dashOffset)) p.dashOffset = d.dashOffset;
    }
  }
  if (std::isfinite(art.opacity) && art.opacity < 1.0f) p.opacity = std::max(art.opacity, 0.0f);
  return p;
}

}  // namespace

void ArtDigest::word(uint64_t v) {
  // One multiply a word, then a final mix in hex(): plenty to tell edited art from the original.
  hash_ = (hash_ ^ v) * 0x100000001b3ull;
  hash_ ^= hash_ >> 29;
}

void ArtDigest::bits(float v) {
  uint32_t b;
  std::memcpy(&b, &v, 4);
  word(b);
}

void ArtDigest::path() {
  ++paths_;
  word(kPath);
}

void ArtDigest::move(int64_t x, int64_t y) {
  word(kMove);
  word(static_cast<uint64_t>(x));
  word(static_cast<uint64_t>(y));
}

void ArtDigest::line(int64_t x, int64_t y) {
  word(kLine);
  word(static_cast<uint64_t>(x));
  word(static_cast<uint64_t>(y));
}

void ArtDigest::curve(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t x, int64_t y) {
  word(kCurve);
  for (int64_t v : {x1, y1, x2, y2, x, y}) word(static_cast<uint64_t>(v));
}

void ArtDigest::close() { word(kClose); }

void ArtDigest::paint(const ShownPaint& p) {
  word(kPaint);
  word(p.fill);
  if (p.fill != kNoPaint) word(p.evenOdd);
  word(p.stroke);
  if (p.stroke != kNoPaint) {
    word(static_cast<uint64_t>(p.widthMillis));
    word(static_cast<uint64_t>(p.cap));
    word(static_cast<uint64_t>(p.join));
    if (p.join == 0) bits(p.miterLimit);
    word(p.dash.size());
    for (float d : p.dash) bits(d);
    if (!p.dash.empty()) bits(p.dashOffset);
  }
  bits(p.opacity);
}

void ArtDigest::other(std::string_view what) {
  word(kOther);
  word(what.size());
  for (unsigned char c : what) word(c);
}

std::string ArtDigest::hex() const {
  uint64_t h = hash_;
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ull;
  h ^= h >> 33;
  static const char kHex[] = "0123456789abcdef";
  std::string s(16, '0');
  for (int i = 0; i < 16; ++i) s[static_cast<size_t>(i)] = kHex[h >> (60 - 4 * i) & 15];
  return s;
}

ArtDigest digestOf(const flhost::Document& doc) {
  ArtDigest digest;
  const double pageHeight = doc.pageHeight();
  doc.forEachArt([&](const flhost::ArtView& art) {
    const auto& seg = art.segments;
    if (seg.empty()) return;
    bool finite = true, near = true;
    for (const HostPathSegment& s : seg)
      for (const HostRealPoint* p : {&s.p, &s.in, &s.out}) {
        finite = finite && finitePoint(*p);
        near = near && std::fabs(p->h) < kRelativeLimit && std::fabs(pageHeight - p->v) < kRelativeLimit;
      }
    if (!finite) return;
    Rounder r{pageHeight, near};
    digest.path();
    size_t n = seg.size(), curves = art.closed ? n : n - 1;
    digest.move(r.x(seg[0].p.h), r.y(seg[0].p.v));
    for (size_t i = 0; i < curves; ++i) {
      const HostPathSegment& from = seg[i];
      const HostPathSegment& to = seg[(i + 1) % n];
      if (straight(from, to)) {
        if (i + 1 == n) break;  // the close draws the closing line itself
        digest.line(r.x(to.p.h), r.y(to.p.v));
      } else {
        digest.curve(r.x(from.out.h), r.y(from.out.v), r.x(to.in.h), r.y(to.in.v), r.x(to.p.h), r.y(to.p.v));
      }
    }
    if (art.closed) digest.close();
    digest.paint(shownPaint(art));
  });
  return digest;
}

bool svgMillis(std::string_view text, int64_t* millis) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // The digits as one integer and where the point falls: value = digits * 10^exponent.
  uint64_t digits = 0;
  int exponent = 0, count = 0;
  bool any = false;
  auto digit = [&](char c, bool fraction) {
    any = true;
    if (digits == 0 && c == '0') {  // leading zeros add nothing
      if (fraction) --exponent;
      return true;
    }
    if (count >= 18) {  // beyond what a point needs: dropped, rounding down
      if (!fraction) ++exponent;
      return true;
    }
    digits = digits * 10 + static_cast<uint64_t>(c - '0');
    ++count;
    if (fraction) --exponent;
    return true;
  };
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') digit(text[i++], false);
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') digit(text[i++], true);
  }
  if (!any) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool minus = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) minus = text[i++] == '-';
    int e = 0;
    size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      e = std::min(e * 10 + (text[i++] - '0'), 10000);
    }
    if (i == start) return false;
    exponent += minus ? -e : e;
  }
  if (i != text.size()) return false;
  exponent += 3;  // thousandths
  int64_t result = 0;
  if (digits == 0) {
    result = 0;
  } else if (exponent >= 0) {
    if (exponent > 18) return false;
    uint64_t v = digits;
    for (int k = 0; k < exponent; ++k) {
      if (v > static_cast<uint64_t>(INT64_MAX) / 10) return false;
      v *= 10;
    }
    result = static_cast<int64_t>(v);
  } else if (exponent < -19) {
    result = 0;  // far below a thousandth
  } else {
    uint64_t scale = 1;
    for (int k = 0; k < -exponent; ++k) scale *= 10;
    uint64_t whole = digits / scale, rest = digits % scale;
    if (rest * 2 >= scale) ++whole;  // halves away from zero
    result = static_cast<int64_t>(whole);
  }
  *millis = negative ? -result : result;
  return true;
}

}  // namespace fltools
