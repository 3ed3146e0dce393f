// PNG export through cairo: the same picture as the SVG export, rasterised.
#include <cairo.h>

#include <cmath>
#include <ostream>

#include "color.h"
#include "export.h"
#include "geometry.h"

#include <algorithm>

namespace flhost {

namespace {

cairo_status_t toStream(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::ostream*>(closure);
  out->write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(length));
  return out->good() ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

bool finite(const HostRealPoint& p) { return std::isfinite(p.h) && std::isfinite(p.v); }

void tracePath(cairo_t* cr, const Art& art) {
  const auto& s = art.segments;
  cairo_new_path(cr);
  cairo_move_to(cr, s[0].p.h, s[0].p.v);
  size_t n = s.size();
  size_t curves = art.closed ? n : n - 1;
  for (size_t i = 0; i < curves; ++i) {
    const HostPathSegment& a = s[i];
    const HostPathSegment& b = s[(i + 1) % n];
    cairo_curve_to(cr, a.out.h, a.out.v, b.in.h, b.in.v, b.p.h, b.p.v);
  }
  if (art.closed) cairo_close_path(cr);
}

void setSource(cairo_t* cr, const HostColor& color, double opacity) {
  Rgb c = toRgb(color);
  cairo_set_source_rgba(cr, c.r, c.g, c.b, opacity);
}

}  // namespace

bool writeDocumentPng(const Document& doc, std::ostream& out, int widthPixels, bool transparent, std::string* error,
                      bool artOnly) {
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
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, widthPixels, heightPixels);
  cairo_t* cr = cairo_create(surface);
  if (!transparent) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
  }
  // Artwork y grows upwards: flip it so the picture looks as the host shows it.
  cairo_scale(cr, scale, -scale);
  cairo_translate(cr, -area.left, -area.top);

  if (!artOnly) {
    // The page: a white sheet with a thin grey border, beneath the art.
    cairo_rectangle(cr, 0, 0, doc.pageWidth(), doc.pageHeight());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 160 / 255.0, 160 / 255.0, 160 / 255.0);
    cairo_set_line_width(cr, 0.5);
    cairo_stroke(cr);
  }

  doc.forEachArt([&](const Art& art) {
    if (art.segments.empty()) return;
    for (const HostPathSegment& s : art.segments)
      if (!finite(s.p) || !finite(s.in) || !finite(s.out)) return;
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
  });

  cairo_destroy(cr);
  cairo_status_t status = cairo_surface_write_to_png_stream(surface, toStream, &out);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    if (error) *error = cairo_status_to_string(status);
    return false;
  }
  return true;
}

}  // namespace flhost
