#include "hairline.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace flhost {

namespace {

struct Point {
  double x, y;
};

// a * b / 255 for both 8-bit channels of a pair (the bytes 0 and 2 of x), rounded as cairo does.
uint32_t scalePair(uint32_t x, uint32_t a) {
  uint32_t t = (x & 0x00FF00FFu) * a + 0x00800080u;
  return ((t + ((t >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
}

// Sum of two channel pairs, each channel at most 255.
uint32_t addPairs(uint32_t a, uint32_t b) {
  uint32_t t = a + b;
  t |= 0x01000100u - ((t >> 8) & 0x00FF00FFu);
  return t & 0x00FF00FFu;
}

// src at coverage a over dst: src * a + dst * (255 - a), per channel.
uint32_t mix(uint32_t src, uint32_t a, uint32_t dst) {
  return addPairs(scalePair(src, a), scalePair(dst, 255 - a)) |
         addPairs(scalePair(src >> 8, a), scalePair(dst >> 8, 255 - a)) << 8;
}

// The integral of clamp(u, 0, 1) from 0 to u.
inline double rampIntegral(double u) { return u <= 0 ? 0 : u >= 1 ? u - 0.5 : u * u / 2; }

// The mean of clamp(u, 0, 1) as u goes evenly from u0 to u1.
inline double meanRamp(double u0, double u1) {
  if (std::fabs(u1 - u0) < 1e-9) return std::clamp((u0 + u1) / 2, 0.0, 1.0);
  return (rampIntegral(u1) - rampIntegral(u0)) / (u1 - u0);
}

// Walks the pixels under a polyline, adding up the stroke's area in each: each piece of the centre
// line inside a pixel brings width x length, shared with the pixel beside it (above or below a
// line nearer horizontal, left or right of one nearer vertical) as the stroke's band straddles
// their edge. What the pieces near each other put into one pixel is mixed in once, as one.
class Painter {
 public:
  Painter(const HairlineTarget& t, double width, Rgb8 color)
      : t_(t), width_(width), pixel_(0xFF000000u | uint32_t{color.r} << 16 | uint32_t{color.g} << 8 | color.b) {}
  ~Painter() { flush(); }

  void line(Point a, Point b) {
    // The pixels just outside the target are walked too, for what their pieces share into it.
    if (!clip(a, b, t_.x0 - 1, t_.y0 - 1, t_.x1 + 1, t_.y1 + 1)) return;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = std::sqrt(dx * dx + dy * dy);  // the line is cut to the pixels: no overflow
    if (!(length > 0)) return;
    const bool flat = std::fabs(dx) >= std::fabs(dy);
    // Half the band's thickness across the major axis (at most 0.36 pixel for the widths drawn
    // here, so that it reaches one neighbour at most).
    const double half = std::min(0.5, width_ / 2 * length / std::max(std::fabs(dx), std::fabs(dy)));
    const double perThickness = 1 / (2 * half);
    // The pixel the line starts in, and where along it (0..1) it next crosses a column's and a
    // row's edge.
    int ix = std::clamp(static_cast<int>(std::floor(a.x)), t_.x0 - 1, t_.x1);
    int iy = std::clamp(static_cast<int>(std::floor(a.y)), t_.y0 - 1, t_.y1);
    const int stepX = dx > 0 ? 1 : -1, stepY = dy > 0 ? 1 : -1;
    const double inf = HUGE_VAL;
    double nextX = dx != 0 ? ((dx > 0 ? ix + 1 : ix) - a.x) / dx : inf;
    double nextY = dy != 0 ? ((dy > 0 ? iy + 1 : iy) - a.y) / dy : inf;
    const double everyX = dx != 0 ? std::fabs(1 / dx) : inf, everyY = dy != 0 ? std::fabs(1 / dy) : inf;
    double at = 0;
    for (;;) {
      const double to = std::min({nextX, nextY, 1.0});
      const double area = width_ * (to - at) * length;
      // Where the band lies across the major axis along the piece, against the pixel's edges:
      // the share of it beyond each, on average over the piece.
      const double from = flat ? a.y + at * dy : a.x + at * dx, until = flat ? a.y + to * dy : a.x + to * dx;
      const int cell = flat ? iy : ix;
      const double low = std::min(from, until) - half, high = std::max(from, until) + half;
      const double before =
          low < cell ? meanRamp((cell + half - from) * perThickness, (cell + half - until) * perThickness) : 0;
      const double after =
          high > cell + 1 ? meanRamp((from + half - cell - 1) * perThickness, (until + half - cell - 1) * perThickness)
                          : 0;
      add(ix, iy, area * (1 - before - after));
      if (before > 0) add(flat ? ix : ix - 1, flat ? iy - 1 : iy, area * before);
      if (after > 0) add(flat ? ix : ix + 1, flat ? iy + 1 : iy, area * after);
      if (to >= 1) break;
      at = to;
      if (nextX <= nextY) {
        ix += stepX;
        nextX += everyX;
      } else {
        iy += stepY;
        nextY += everyY;
      }
      if (ix < t_.x0 - 1 || ix > t_.x1 || iy < t_.y0 - 1 || iy > t_.y1) break;  // rounding at the edge
    }
  }

 private:
  // Cuts the line to [x0, x1] x [y0, y1]; false when none of it is inside. A cut end is put on the
  // edge exactly, so that a line from far outside keeps its place on the pixels.
  static bool clip(Point& a, Point& b, double x0, double y0, double x1, double y1) {
    auto atX = [](Point& p, const Point& q, double x) {
      p.y += (x - p.x) * (q.y - p.y) / (q.x - p.x);
      p.x = x;
    };
    auto atY = [](Point& p, const Point& q, double y) {
      p.x += (y - p.y) * (q.x - p.x) / (q.y - p.y);
      p.y = y;
    };
    if (a.x < x0 && b.x < x0) return false;
    if (a.x > x1 && b.x > x1) return false;
    if (a.x < x0) atX(a, b, x0);
    if (b.x < x0) atX(b, a, x0);
    if (a.x > x1) atX(a, b, x1);
    if (b.x > x1) atX(b, a, x1);
    if (a.y < y0 && b.y < y0) return false;
    if (a.y > y1 && b.y > y1) return false;
    if (a.y < y0) atY(a, b, y0);
    if (b.y < y0) atY(b, a, y0);
    if (a.y > y1) atY(a, b, y1);
    if (b.y > y1) atY(b, a, y1);
    // Cut across y, an end can stray past x by a rounding.
    a.x = std::clamp(a.x, x0, x1), b.x = std::clamp(b.x, x0, x1);
    return true;
  }

  // Adds to a pixel's area. The pixels met lately are held back, so that the pieces a line puts
  // into one pixel, in turn or beside each other, are mixed in together.
  void add(int x, int y, double area) {
    for (int i = 0, at = last_; i < kRecent; ++i, at = (at + kRecent - 1) % kRecent)
      if (recent_[at].x == x && recent_[at].y == y) {
        recent_[at].area += area;
        return;
      }
    last_ = (last_ + 1) % kRecent;
    Cell& out = recent_[last_];
    mixIn(out.x, out.y, out.area);
    out = {x, y, area};
  }

  void flush() {
    for (Cell& c : recent_) {
      mixIn(c.x, c.y, c.area);
      c.area = 0;
    }
  }

  // Mixes the colour into pixel (x, y), when it is one of the target's, at the coverage `area`.
  void mixIn(int x, int y, double area) {
    if (x < t_.x0 || x >= t_.x1 || y < t_.y0 || y >= t_.y1 || !(area > 0)) return;
    const auto a = static_cast<uint32_t>(std::min(1.0, area) * 255 + 0.5);
    if (a == 0) return;
    uint32_t dst;
    unsigned char* at = t_.pixels + static_cast<ptrdiff_t>(y) * t_.stride + 4 * static_cast<ptrdiff_t>(x);
    std::memcpy(&dst, at, 4);
    dst = a == 255 ? pixel_ : mix(pixel_, a, dst);
    std::memcpy(at, &dst, 4);
  }

  struct Cell {
    int x = 0, y = 0;
    double area = 0;
  };
  static constexpr int kRecent = 4;

  const HairlineTarget& t_;
  double width_;
  uint32_t pixel_;
  Cell recent_[kRecent];
  int last_ = 0;  // the entry added last
};

Point toPixel(const HairlineTarget& t, const HostRealPoint& p) { return {p.h * t.sx + t.tx, p.v * t.sy + t.ty}; }

// The cubic from p0 to p3 as straight pieces within kHairlineTolerance of it: as many as the
// largest second difference of its control points asks for (a bound on how far a chord strays).
template <class Line>
void flatten(Point p0, Point p1, Point p2, Point p3, Line&& line) {
  const double ddx = std::max(std::fabs(p0.x - 2 * p1.x + p2.x), std::fabs(p1.x - 2 * p2.x + p3.x));
  const double ddy = std::max(std::fabs(p0.y - 2 * p1.y + p2.y), std::fabs(p1.y - 2 * p2.y + p3.y));
  const double pieces = std::ceil(std::sqrt(0.75 * std::hypot(ddx, ddy) / kHairlineTolerance));
  // A curve that wide is mostly outside the picture, whose pixels cut it.
  const int n = static_cast<int>(std::clamp(pieces, 1.0, 4096.0));
  Point from = p0;
  for (int i = 1; i <= n; ++i) {
    const double t = static_cast<double>(i) / n, u = 1 - t;
    const Point to = i == n ? p3
                            : Point{u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
                                    u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y};
    line(from, to);
    from = to;
  }
}

bool same(const HostRealPoint& a, const HostRealPoint& b) { return a.h == b.h && a.v == b.v; }

}  // namespace

Rgb8 toRgb8(double r, double g, double b) {
  auto channel = [](double c) {
    return static_cast<uint8_t>(static_cast<uint16_t>(std::clamp(c, 0.0, 1.0) * 65535.0 + 0.5) >> 8);
  };
  return {channel(r), channel(g), channel(b)};
}

void strokeHairline(const HairlineTarget& target, std::span<const HostPathSegment> segments, bool closed, double width,
                    Rgb8 color) {
  if (segments.empty() || target.x0 >= target.x1 || target.y0 >= target.y1) return;
  Painter painter(target, width, color);
  const size_t n = segments.size();
  const size_t pieces = closed ? n : n - 1;
  for (size_t i = 0; i < pieces; ++i) {
    const HostPathSegment& a = segments[i];
    const HostPathSegment& b = segments[(i + 1) % n];
    if (same(a.out, a.p) && same(b.in, b.p))
      painter.line(toPixel(target, a.p), toPixel(target, b.p));
    else
      flatten(toPixel(target, a.p), toPixel(target, a.out), toPixel(target, b.in), toPixel(target, b.p),
              [&](Point from, Point to) { painter.line(from, to); });
  }
}

}  // namespace flhost
