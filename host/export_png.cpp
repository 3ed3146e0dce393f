// PNG export: the same picture as the SVG export, rasterised by cairo on every core (in layers of
// consecutive arts, or in horizontal bands; see drawPiece) and written by libpng (which, unlike
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
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <system_error>
#include <thread>
#include <vector>

#include "color.h"
#include "export.h"
#include "export_cairo.h"
#include "export_png.h"
#include "geometry.h"
#include "hairline.h"

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
               alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (chunkCount > 0) png_set_text(png, info, chunks, chunkCount);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    unpremultiplyRow(pixels + static_cast<size_t>(y) * stride, width, alpha, row);
    png_write_row(png, row);
  }
  png_write_end(png, info);
  return true;
}

// What every piece needs to draw the document: the image, the view, and the arts in paint order.
struct Picture {
  const Document& doc;
  std::vector<uint32_t> slots;  // the arts' slots, bottom to top
  HostRealRect area;
  double scale;
  bool transparent, artOnly;
  int width, height;
  std::atomic<uint64_t> artsVisited{0};  // progress, across all pieces
};

// How far past its curve bounds an art can mark the picture: half its stroke (with miter joins
// at their limit) and a pixel or two of antialiasing, in artwork units.
double reachOf(const ArtView& art, double scale) {
  const HostPathStyle& st = art.style;
  double reach = 2 / scale;
  if (st.strokePaint && std::isfinite(st.strokeWidth)) {
    double width = std::max<double>(st.strokeWidth, 0.8 / scale);
    double miter = st.stroke.miterLimit > 1 && std::isfinite(st.stroke.miterLimit) ? st.stroke.miterLimit : 4.0;
    reach += width * std::max(miter, 1.5) / 2;
  }
  return reach;
}

// The pixels of the picture an art can mark, as [x0, x1) x [y0, y1); empty (x0 >= x1) when it marks
// none or has nothing to draw.
struct PixelBox {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
  void add(const PixelBox& b) {
    if (b.empty()) return;
    if (empty()) {
      *this = b;
      return;
    }
    x0 = std::min(x0, b.x0), y0 = std::min(y0, b.y0), x1 = std::max(x1, b.x1), y1 = std::max(y1, b.y1);
  }
};

PixelBox pixelsOf(const Picture& pic, const ArtView& art) {
  const HostRealRect& b = art.bounds;
  if (art.segments.empty() || !(b.left <= b.right) || !(b.bottom <= b.top)) return {};
  const double reach = reachOf(art, pic.scale);
  const double x0 = (b.left - reach - pic.area.left) * pic.scale, x1 = (b.right + reach - pic.area.left) * pic.scale;
  const double y0 = (pic.area.top - b.top - reach) * pic.scale, y1 = (pic.area.top - b.bottom + reach) * pic.scale;
  if (!(x1 > 0 && y1 > 0 && x0 < pic.width && y0 < pic.height)) return {};  // also NaN
  return {static_cast<int>(std::max(0.0, std::floor(x0))), static_cast<int>(std::max(0.0, std::floor(y0))),
          static_cast<int>(std::min<double>(pic.width, std::ceil(x1))),
          static_cast<int>(std::min<double>(pic.height, std::ceil(y1)))};
}

// A part of the drawing: the arts slots[first, last) drawn onto `surface`, limited to the picture's
// pixels `box`. A layer above the base has a surface of its own, whose pixel (0, 0) is the
// picture's (box.x0, box.y0); any other piece draws into the picture. The base piece, which holds
// the bottom of the paint order, first lays the background and the page.
struct Piece {
  size_t first, last;
  PixelBox box;
  bool base;
  cairo_surface_t* surface;
  bool ownSurface() const { return !base; }
};

void drawPiece(Picture& pic, const Piece& piece) {
  if (piece.ownSurface()) cairo_surface_set_device_offset(piece.surface, -piece.box.x0, -piece.box.y0);
  cairo_t* cr = cairo_create(piece.surface);
  const PixelBox& box = piece.box;
  cairo_rectangle(cr, box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0);
  cairo_clip(cr);
  if (piece.base && !pic.transparent) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
  }
  const double scale = pic.scale;
  // Artwork y grows upwards: flip it so the picture looks as the host shows it.
  cairo_scale(cr, scale, -scale);
  cairo_translate(cr, -pic.area.left, -pic.area.top);
  if (piece.base && !pic.artOnly) {
    // The page: a white sheet with a thin grey border, beneath the art.
    cairo_rectangle(cr, 0, 0, pic.doc.pageWidth(), pic.doc.pageHeight());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 160 / 255.0, 160 / 255.0, 160 / 255.0);
    cairo_set_line_width(cr, 0.5);
    cairo_stroke(cr);
  }
  // The same view for hairlines, on the surface's pixels.
  const int originX = piece.ownSurface() ? box.x0 : 0, originY = piece.ownSurface() ? box.y0 : 0;
  const HairlineTarget hairlines{cairo_image_surface_get_data(piece.surface),
                                 cairo_image_surface_get_stride(piece.surface),
                                 box.x0 - originX,
                                 box.y0 - originY,
                                 box.x1 - originX,
                                 box.y1 - originY,
                                 scale,
                                 -pic.area.left * scale - originX,
                                 -scale,
                                 pic.area.top * scale - originY};
  uint64_t visited = 0;
  for (size_t i = piece.first; i < piece.last; ++i) {
    if ((++visited & 4095) == 0) pic.artsVisited.fetch_add(4096, std::memory_order_relaxed);
    std::optional<ArtView> art = pic.doc.artAt(pic.slots[i]);
    PixelBox marks = pixelsOf(pic, *art);
    if (marks.empty() || marks.x0 >= box.x1 || marks.x1 <= box.x0 || marks.y0 >= box.y1 || marks.y1 <= box.y0) continue;
    if (drawable(*art)) drawArt(cr, *art, scale, pic.artOnly, &hairlines);
  }
  pic.artsVisited.fetch_add(visited & 4095, std::memory_order_relaxed);
  cairo_destroy(cr);
  cairo_surface_flush(piece.surface);
  if (piece.ownSurface()) cairo_surface_set_device_offset(piece.surface, 0, 0);
}

// Runs draw(i) for i in [0, count) on every core, each core taking the next i when done with its
// last, while the calling thread reports progress() a few times a second; on the calling thread
// alone when no other can be started.
void onEveryCore(size_t count, const std::function<void(size_t)>& draw, const std::function<void()>& progress) {
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t i; (i = next.fetch_add(1)) < count;) draw(i);
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
  const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 64u);
  std::vector<std::thread> threads;
  if (cores > 1 && count > 1) {
    for (unsigned i = 0; i < std::min<size_t>(cores, count); ++i) {
      std::lock_guard<std::mutex> lock(m);
      try {
        threads.emplace_back(worker);
        ++running;
      } catch (const std::system_error&) {
        break;  // fewer threads: those started, or this one below, draw every piece
      }
    }
  }
  if (!threads.empty()) {
    std::unique_lock<std::mutex> lock(m);
    while (!finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return running == 0; })) progress();
  }
  for (std::thread& t : threads) t.join();
  work();
}

// The design is drawn in pieces on every core, cut the same way whatever the machine, so a design
// gives the same picture everywhere.
//  - Many arts: layers of consecutive arts in paint order, each on a clear surface of its own over
//    the pixels its arts reach, then laid over one another in order (over a layer below, a layer
//    is what its arts drawn straight onto it would have made, to a rounding). Each art is drawn
//    once, and cairo's cost is in the art's outline, not in its pixels.
//  - Few arts, or layers too large to hold: horizontal bands of the picture drawn straight into
//    it, each clipped to its rows and drawing the arts that reach them. An art that crosses a
//    band's edge is traced in each band it reaches, and its antialiased edge there can move by a
//    fraction of a pixel against a picture drawn in one piece.
constexpr size_t kMaxLayers = 8;
constexpr size_t kLeastArtsPerLayer = 2048;
constexpr int kBands = 6;
constexpr int kLeastBandRows = 16;
constexpr uint64_t kLayerBytes = 512ull << 20;

// Splits the arts into up to kMaxLayers runs of about equal cost (cairo's cost grows with the
// outline: an art's size in pixels stands in for it), each with the pixels its arts reach.
std::vector<Piece> layersOf(const Picture& pic) {
  const size_t n = pic.slots.size();
  const size_t count = std::min(kMaxLayers, n / kLeastArtsPerLayer);
  if (count < 2) return {};
  auto costOf = [](const PixelBox& marks, const ArtView& art) {
    return marks.empty()
               ? 1.0
               : 9.0 + static_cast<double>(art.segments.size()) + (marks.x1 - marks.x0) + (marks.y1 - marks.y0);
  };
  double total = 0;
  for (uint32_t slot : pic.slots) {
    std::optional<ArtView> art = pic.doc.artAt(slot);
    total += costOf(pixelsOf(pic, *art), *art);
  }
  std::vector<Piece> layers;
  size_t runs = 0, first = 0;
  double sum = 0;
  PixelBox box;
  uint64_t bytes = 0;
  for (size_t i = 0; i < n; ++i) {
    std::optional<ArtView> art = pic.doc.artAt(pic.slots[i]);
    const PixelBox marks = pixelsOf(pic, *art);
    sum += costOf(marks, *art);
    box.add(marks);
    if (i + 1 == n || sum >= total * static_cast<double>(runs + 1) / static_cast<double>(count)) {
      ++runs;
      const bool base = layers.empty();
      if (base) box = {0, 0, pic.width, pic.height};
      if (!box.empty()) {
        if (!base) bytes += 4ull * static_cast<uint64_t>(box.x1 - box.x0) * static_cast<uint64_t>(box.y1 - box.y0);
        layers.push_back({first, i + 1, box, base, nullptr});
      } else {
        layers.back().last = i + 1;  // arts that mark nothing, drawn (skipped) with the layer below
      }
      first = i + 1;
      box = {};
    }
  }
  if (bytes > kLayerBytes) return {};
  return layers;
}

}  // namespace

std::string pictureSizeProblem(int64_t width, int64_t height) {
  std::string size =
      "the picture would be too large (" + std::to_string(width) + " x " + std::to_string(height) + " pixels; ";
  if (width > kMaxPictureSide || height > kMaxPictureSide)
    return size + "at most " + std::to_string(kMaxPictureSide) + " a side)";
  if (width * height > kMaxPicturePixels) return size + "at most 400 million in all)";
  return "";
}

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
                      Frame frame, const std::vector<PngText>& text, const std::function<void(double)>& progress) {
  // Working out the area also settles every art's bounds, so the bands below only read the
  // document.
  HostRealRect area = exportArea(doc, frame);
  const bool artOnly = frame == Frame::Art;
  double areaWidth = static_cast<double>(area.right) - area.left;
  double areaHeight = static_cast<double>(area.top) - area.bottom;
  if (widthPixels <= 0 || !(areaWidth > 0) || !(areaHeight > 0)) {
    if (error) *error = "nothing to draw at that size";
    return false;
  }
  double scale = widthPixels / areaWidth;
  // In 64 bits, and bounded, so that no proportions overflow the count before it is checked.
  const double exact = std::round(areaHeight * scale);
  const int64_t rows =
      exact < 1e15 ? std::max<int64_t>(1, static_cast<int64_t>(exact)) : int64_t{1'000'000'000'000'000};
  if (std::string why = pictureSizeProblem(widthPixels, rows); !why.empty()) {
    if (error) *error = why;
    return false;
  }
  const int heightPixels = static_cast<int>(rows);
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, widthPixels, heightPixels);
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    if (error) *error = cairo_status_to_string(cairo_surface_status(image));
    cairo_surface_destroy(image);
    return false;
  }
  cairo_surface_flush(image);
  Picture pic{doc, {}, area, scale, transparent, artOnly, widthPixels, heightPixels};
  pic.slots.reserve(doc.artCount());
  doc.forEachSlot([&](uint32_t slot, const ArtView&) { pic.slots.push_back(slot); });

  std::vector<Piece> pieces = layersOf(pic);
  const bool layered = !pieces.empty();
  if (layered) {
    for (size_t i = 1; i < pieces.size(); ++i) {
      const PixelBox& box = pieces[i].box;
      pieces[i].surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, box.x1 - box.x0, box.y1 - box.y0);
    }
  } else {
    const int bands = std::clamp(heightPixels / kLeastBandRows, 1, kBands);
    for (int i = 0; i < bands; ++i) {
      int top = static_cast<int>(static_cast<int64_t>(heightPixels) * i / bands);
      int bottom = static_cast<int>(static_cast<int64_t>(heightPixels) * (i + 1) / bands);
      pieces.push_back(
          {0, pic.slots.size(), {0, top, widthPixels, bottom}, true, nullptr});  // each lays the background
    }
  }
  // Every other piece draws into the picture itself, each through a surface of its own over the
  // same pixels (bands never write each other's rows).
  for (Piece& piece : pieces)
    if (!piece.ownSurface())
      piece.surface =
          cairo_image_surface_create_for_data(cairo_image_surface_get_data(image), CAIRO_FORMAT_ARGB32, widthPixels,
                                              heightPixels, cairo_image_surface_get_stride(image));
  bool ok = true;
  for (Piece& piece : pieces) {
    cairo_status_t status = cairo_surface_status(piece.surface);
    if (status != CAIRO_STATUS_SUCCESS && ok) {
      ok = false;
      if (error) *error = cairo_status_to_string(status);
    }
  }
  if (ok) {
    // Each art is visited once in layers, once for each band in bands.
    const double total = static_cast<double>(pic.slots.size()) * (layered ? 1 : pieces.size());
    onEveryCore(
        pieces.size(), [&](size_t i) { drawPiece(pic, pieces[i]); },
        [&] {
          if (progress && total > 0) progress(std::min(1.0, static_cast<double>(pic.artsVisited.load()) / total));
        });
  }
  cairo_surface_mark_dirty(image);
  if (ok && layered) {
    cairo_t* cr = cairo_create(image);
    for (size_t i = 1; i < pieces.size(); ++i) {
      cairo_surface_mark_dirty(pieces[i].surface);
      cairo_set_source_surface(cr, pieces[i].surface, pieces[i].box.x0, pieces[i].box.y0);
      cairo_paint(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(image);
  }
  for (Piece& piece : pieces) cairo_surface_destroy(piece.surface);
  if (progress) progress(1.0);

  cairo_status_t status = cairo_surface_status(image);
  if (ok && status != CAIRO_STATUS_SUCCESS) {
    ok = false;
    if (error) *error = cairo_status_to_string(status);
  }
  ok = ok && writeSurfacePng(image, transparent, text, out, error);
  cairo_surface_destroy(image);
  return ok;
}

}  // namespace flhost
