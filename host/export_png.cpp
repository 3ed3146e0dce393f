// PNG export through cairo: the same picture as the SVG export, rasterised in horizontal bands
// on every core; a band draws only the arts whose bounds reach it.
#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <system_error>
#include <thread>
#include <vector>

#include "color.h"
#include "export.h"

namespace flhost {

namespace {

cairo_status_t toStream(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::ostream*>(closure);
  out->write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
  return out->good() ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

bool finite(const HostRealPoint& p) { return std::isfinite(p.h) && std::isfinite(p.v); }

bool same(const HostRealPoint& a, const HostRealPoint& b) { return a.h == b.h && a.v == b.v; }

void tracePath(cairo_t* cr, const ArtView& art) {
  const auto& s = art.segments;
  cairo_new_path(cr);
  cairo_move_to(cr, s[0].p.h, s[0].p.v);
  size_t n = s.size();
  size_t curves = art.closed ? n : n - 1;
  for (size_t i = 0; i < curves; ++i) {
    const HostPathSegment& a = s[i];
    const HostPathSegment& b = s[(i + 1) % n];
    // A cubic whose handles sit on its anchors is the straight line between them: drawn as a line
    // it is the same outline without flattening a curve (most arts of a design are lines).
    if (same(a.out, a.p) && same(b.in, b.p))
      cairo_line_to(cr, b.p.h, b.p.v);
    else
      cairo_curve_to(cr, a.out.h, a.out.v, b.in.h, b.in.v, b.p.h, b.p.v);
  }
  if (art.closed) cairo_close_path(cr);
}

void setSource(cairo_t* cr, const HostColor& color, double opacity) {
  Rgb c = toRgb(color);
  cairo_set_source_rgba(cr, c.r, c.g, c.b, opacity);
}

// A square around every art's curves, widened by half the widest stroke and a 2 % margin; the page
// when there is no art.
HostRealRect artArea(const Document& doc) {
  double left = INFINITY, right = -INFINITY, bottom = INFINITY, top = -INFINITY, stroke = 0;
  doc.forEachArt([&](const ArtView& art) {
    if (art.segments.empty()) return;
    const HostRealRect& b = art.bounds;
    if (!std::isfinite(b.left) || !std::isfinite(b.right) || !std::isfinite(b.top) || !std::isfinite(b.bottom)) return;
    left = std::min<double>(left, b.left);
    right = std::max<double>(right, b.right);
    bottom = std::min<double>(bottom, b.bottom);
    top = std::max<double>(top, b.top);
    if (art.style.strokePaint && std::isfinite(art.style.strokeWidth)) stroke = std::max<double>(stroke, art.style.strokeWidth);
  });
  if (!(left <= right)) return {0, doc.pageHeight(), doc.pageWidth(), 0};
  // Square, centred on the art, so that a design fits a square tile whatever its proportions.
  double half = 0.52 * std::max({right - left, top - bottom, 1.0}) + stroke / 2;
  double cx = (left + right) / 2, cy = (bottom + top) / 2;
  return {static_cast<float>(cx - half), static_cast<float>(cy + half), static_cast<float>(cx + half),
          static_cast<float>(cy - half)};
}

// Draws one art (with segments, all finite) as the SVG shows it.
void drawArt(cairo_t* cr, const ArtView& art, double scale, bool artOnly) {
  const HostPathStyle& st = art.style;
  double opacity = std::isfinite(art.opacity) ? std::fmin(1.0, std::fmax(0.0, art.opacity)) : 1.0;
  // A translucent art's fill and stroke go through one group so that its opacity applies to
  // them together, as in the SVG; an opaque art is drawn straight (a group per art would cost a
  // whole-picture composite each).
  bool translucent = opacity < 1.0;
  tracePath(cr, art);
  if (translucent) {
    // The group covers only what the art can touch.
    double x1, y1, x2, y2;
    cairo_set_line_width(cr, std::isfinite(st.strokeWidth) ? std::max<double>(st.strokeWidth, 0.8 / scale) : 1.0);
    cairo_set_miter_limit(cr, st.stroke.miterLimit > 1 ? st.stroke.miterLimit : 4.0);
    cairo_stroke_extents(cr, &x1, &y1, &x2, &y2);
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, x1 - 1 / scale, y1 - 1 / scale, x2 - x1 + 2 / scale, y2 - y1 + 2 / scale);
    cairo_clip(cr);
    cairo_push_group(cr);
    tracePath(cr, art);
  }
  if (st.fillPaint) {
    cairo_set_fill_rule(cr, st.evenOddFill ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    setSource(cr, st.fillColor, 1.0);
    cairo_fill_preserve(cr);
  }
  if (st.strokePaint && st.strokeWidth > 0 && std::isfinite(st.strokeWidth)) {
    setSource(cr, st.strokeColor, 1.0);
    // Framed to the art alone, a design is drawn small: keep every stroke at least a hairline.
    cairo_set_line_width(cr, artOnly ? std::max<double>(st.strokeWidth, 0.8 / scale) : st.strokeWidth);
    cairo_set_line_join(cr, st.stroke.join == 1 ? CAIRO_LINE_JOIN_ROUND
                            : st.stroke.join == 2 ? CAIRO_LINE_JOIN_BEVEL
                                                  : CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(cr, st.stroke.miterLimit > 1 ? st.stroke.miterLimit : 4.0);
    cairo_stroke_preserve(cr);
  }
  cairo_new_path(cr);
  if (translucent) {
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, opacity);
    cairo_restore(cr);
  }
}

// One horizontal band of the picture: rows [top, top + height) of the image.
struct Band {
  int top, height;
};

// What every band needs to draw the document: the image, the view, and what to draw.
struct Picture {
  const Document& doc;
  HostRealRect area;
  double scale;
  bool transparent, artOnly;
  unsigned char* pixels;
  int width, height, stride;
  std::atomic<uint64_t>* artsVisited;  // progress, across all bands
};

// Whether an art can touch the artwork rows [bottom, top] or columns [left, right]: its curve
// bounds widened by the most its stroke (with miter joins at its limit) and a pixel reach.
bool mayTouch(const ArtView& art, double left, double right, double bottom, double top, double scale) {
  const HostPathStyle& st = art.style;
  double reach = 2 / scale;
  if (st.strokePaint && std::isfinite(st.strokeWidth)) {
    double width = std::max<double>(st.strokeWidth, 0.8 / scale);
    double miter = st.stroke.miterLimit > 1 && std::isfinite(st.stroke.miterLimit) ? st.stroke.miterLimit : 4.0;
    reach += width * std::max(miter, 1.5) / 2;
  }
  const HostRealRect& b = art.bounds;
  return b.left - reach <= right && b.right + reach >= left && b.bottom - reach <= top && b.top + reach >= bottom;
}

// Draws a band through a surface of its own over the picture's pixels, clipped to the band's
// rows, so bands drawn at once never write each other's rows. The clip cuts the outlines of arts
// that cross the band's edges, which can move their antialiased edges by a fraction of a pixel
// against a picture drawn in one piece.
void drawBand(const Picture& pic, Band band) {
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(pic.pixels, CAIRO_FORMAT_ARGB32, pic.width, pic.height, pic.stride);
  cairo_t* cr = cairo_create(surface);
  cairo_rectangle(cr, 0, band.top, pic.width, band.height);
  cairo_clip(cr);
  if (!pic.transparent) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
  }
  const double scale = pic.scale;
  // Artwork y grows upwards: flip it so the picture looks as the host shows it.
  cairo_scale(cr, scale, -scale);
  cairo_translate(cr, -pic.area.left, -pic.area.top);
  // The band in artwork units.
  const double bandTop = pic.area.top - band.top / scale;
  const double bandBottom = pic.area.top - (band.top + band.height) / scale;
  const double left = pic.area.left, right = pic.area.left + pic.width / scale;

  if (!pic.artOnly) {
    // The page: a white sheet with a thin grey border, beneath the art.
    cairo_rectangle(cr, 0, 0, pic.doc.pageWidth(), pic.doc.pageHeight());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 160 / 255.0, 160 / 255.0, 160 / 255.0);
    cairo_set_line_width(cr, 0.5);
    cairo_stroke(cr);
  }

  uint64_t visited = 0;
  pic.doc.forEachArt([&](const ArtView& art) {
    if ((++visited & 4095) == 0) pic.artsVisited->fetch_add(4096, std::memory_order_relaxed);
    if (art.segments.empty() || !mayTouch(art, left, right, bandBottom, bandTop, scale)) return;
    for (const HostPathSegment& s : art.segments)
      if (!finite(s.p) || !finite(s.in) || !finite(s.out)) return;
    drawArt(cr, art, scale, pic.artOnly);
  });
  pic.artsVisited->fetch_add(visited & 4095, std::memory_order_relaxed);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
}

}  // namespace

bool writeDocumentPng(const Document& doc, std::ostream& out, int widthPixels, bool transparent, std::string* error,
                      bool artOnly, const std::function<void(double)>& progress) {
  // Working out the area also settles every art's bounds, so the bands below only read the
  // document.
  HostRealRect area = artOnly ? artArea(doc) : exportArea(doc);
  double areaWidth = static_cast<double>(area.right) - area.left;
  double areaHeight = static_cast<double>(area.top) - area.bottom;
  if (widthPixels <= 0 || !(areaWidth > 0) || !(areaHeight > 0)) {
    if (error) *error = "nothing to draw at that size";
    return false;
  }
  double scale = widthPixels / areaWidth;
  int heightPixels = std::max(1, static_cast<int>(std::lround(areaHeight * scale)));
  if (static_cast<int64_t>(widthPixels) * heightPixels > 400'000'000) {
    if (error) *error = "the picture would be too large (" + std::to_string(widthPixels) + " x " +
                        std::to_string(heightPixels) + " pixels)";
    return false;
  }
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, widthPixels, heightPixels);
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    if (error) *error = cairo_status_to_string(cairo_surface_status(image));
    cairo_surface_destroy(image);
    return false;
  }
  cairo_surface_flush(image);
  std::atomic<uint64_t> visited{0};
  Picture pic{doc, area, scale, transparent, artOnly, cairo_image_surface_get_data(image), widthPixels,
              heightPixels, cairo_image_surface_get_stride(image), &visited};

  // Bands of at least 16 rows, two for each core, so that a core done with a light band takes
  // another; not more, since an art that reaches several bands is traced again in each.
  const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 64u);
  const int bandCount = std::clamp(heightPixels / 16, 1, static_cast<int>(2 * cores));
  std::vector<Band> bands;
  for (int i = 0; i < bandCount; ++i) {
    int top = static_cast<int>(static_cast<int64_t>(heightPixels) * i / bandCount);
    int bottom = static_cast<int>(static_cast<int64_t>(heightPixels) * (i + 1) / bandCount);
    bands.push_back({top, bottom - top});
  }
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t b; (b = next.fetch_add(1)) < bands.size();) drawBand(pic, bands[b]);
  };
  std::mutex m;
  std::condition_variable finished;
  size_t running = 0;
  auto worker = [&] {
    work();
    std::lock_guard<std::mutex> lock(m);
    --running;
    finished.notify_one();
  };
  std::vector<std::thread> threads;
  if (cores > 1 && bandCount > 1) {
    for (unsigned i = 0; i < cores; ++i) {
      std::lock_guard<std::mutex> lock(m);
      try {
        threads.emplace_back(worker);
        ++running;
      } catch (const std::system_error&) {
        break;  // fewer threads: those started, or this one below, draw every band
      }
    }
  }
  if (!threads.empty()) {
    // Reports how far the drawing is, a few times a second, until every band is done.
    const double total = static_cast<double>(doc.artCount()) * bands.size();
    std::unique_lock<std::mutex> lock(m);
    while (!finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return running == 0; }))
      if (progress && total > 0) progress(std::min(1.0, static_cast<double>(visited.load()) / total));
  }
  for (std::thread& t : threads) t.join();
  work();  // every band, when no thread could be started
  if (progress) progress(1.0);
  cairo_surface_mark_dirty(image);

  cairo_status_t status = cairo_surface_write_to_png_stream(image, toStream, &out);
  cairo_surface_destroy(image);
  if (status != CAIRO_STATUS_SUCCESS) {
    if (error) *error = cairo_status_to_string(status);
    return false;
  }
  return true;
}

}  // namespace flhost
