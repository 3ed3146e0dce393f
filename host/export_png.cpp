// PNG export: the same picture as the SVG export, rasterised by cairo in horizontal bands on every
// core (a band draws only the arts whose bounds reach it) and written by libpng (which, unlike
// cairo, writes text chunks).
#include <cairo.h>
#include <png.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csetjmp>
#include <cstring>
#include <mutex>
#include <ostream>
#include <system_error>
#include <thread>
#include <vector>

#include "color.h"
#include "export.h"
#include "export_png.h"
#include "geometry.h"

#include <algorithm>

namespace flhost {

namespace {

void toStream(png_structp png, png_bytep data, size_t length) {
  auto* out = static_cast<std::ostream*>(png_get_io_ptr(png));
  out->write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
  if (!out->good()) png_error(png, "cannot write the picture");
}

void noFlush(png_structp) {}

void onPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  if (error) *error = message;
  png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// One row of cairo's premultiplied native-endian ARGB as PNG's straight RGB (opaque) or RGBA,
// rounded as cairo's own PNG writer does.
void unpremultiplyRow(const unsigned char* from, int width, bool alpha, unsigned char* to) {
  for (int x = 0; x < width; ++x) {
    uint32_t pixel;
    std::memcpy(&pixel, from + 4 * x, 4);
    unsigned a = pixel >> 24, r = (pixel >> 16) & 255, g = (pixel >> 8) & 255, b = pixel & 255;
    if (a != 0 && a != 255) {
      r = (r * 255 + a / 2) / a;
      g = (g * 255 + a / 2) / a;
      b = (b * 255 + a / 2) / a;
    }
    if (a == 0) r = g = b = 0;
    *to++ = static_cast<unsigned char>(r);
    *to++ = static_cast<unsigned char>(g);
    *to++ = static_cast<unsigned char>(b);
    if (alpha) *to++ = static_cast<unsigned char>(a);
  }
}

// The libpng calls, in a function of their own with no object that has a destructor, so that
// libpng's longjmp on an error skips none.
bool writePngStruct(png_structp png, png_infop info, cairo_surface_t* surface, bool alpha, png_text* chunks,
                    int chunkCount, unsigned char* row) {
  if (setjmp(png_jmpbuf(png))) return false;
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* pixels = cairo_image_surface_get_data(surface);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (chunkCount > 0) png_set_text(png, info, chunks, chunkCount);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    unpremultiplyRow(pixels + static_cast<size_t>(y) * stride, width, alpha, row);
    png_write_row(png, row);
  }
  png_write_end(png, info);
  return true;
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

bool writeSurfacePng(cairo_surface_t* surface, bool alpha, const std::vector<PngText>& text, std::ostream& out,
               std::string* error) {
  cairo_surface_flush(surface);
  std::vector<unsigned char> row(static_cast<size_t>(cairo_image_surface_get_width(surface)) * (alpha ? 4 : 3));
  std::vector<png_text> chunks(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    chunks[i] = png_text{};
    chunks[i].compression = PNG_ITXT_COMPRESSION_NONE;
    chunks[i].key = const_cast<char*>(text[i].keyword.c_str());
    chunks[i].text = const_cast<char*>(text[i].text.c_str());
    chunks[i].itxt_length = text[i].text.size();
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, onPngError, onPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    if (error) *error = "out of memory";
    return false;
  }
  png_set_write_fn(png, &out, toStream, noFlush);
  bool ok = writePngStruct(png, info, surface, alpha, chunks.data(), static_cast<int>(chunks.size()), row.data());
  png_destroy_write_struct(&png, &info);
  return ok;
}

bool writeDocumentPng(const Document& doc, std::ostream& out, int widthPixels, bool transparent, std::string* error,
                      bool artOnly, const std::vector<PngText>& text, const std::function<void(double)>& progress) {
  // Working out the area also settles every art's bounds, so the bands below only read the
  // document.
  HostRealRect area = exportArea(doc, artOnly ? Frame::Art : Frame::Page);
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

  cairo_status_t status = cairo_surface_status(image);
  bool ok = status == CAIRO_STATUS_SUCCESS && writeSurfacePng(image, transparent, text, out, error);
  if (status != CAIRO_STATUS_SUCCESS && error) *error = cairo_status_to_string(status);
  cairo_surface_destroy(image);
  return ok;
}

}  // namespace flhost
