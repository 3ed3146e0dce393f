// One art drawn with cairo, for the PNG and PDF exports.
#include "export_cairo.h"

#include <algorithm>
#include <cmath>

#include "color.h"

namespace flhost {

namespace {

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

}  // namespace

bool drawable(const ArtView& art) {
  for (const HostPathSegment& s : art.segments)
    if (!finite(s.p) || !finite(s.in) || !finite(s.out)) return false;
  return true;
}

void drawArt(cairo_t* cr, const ArtView& art, double scale, bool artOnly, const HairlineTarget* hairlines) {
  const HostPathStyle& st = art.style;
  double opacity = std::isfinite(art.opacity) ? std::fmin(1.0, std::fmax(0.0, art.opacity)) : 1.0;
  // A translucent art's fill and stroke go through one group so that its opacity applies to
  // them together, as in the SVG; an opaque art is drawn straight (a group per art would cost a
  // whole-picture composite each).
  const bool translucent = opacity < 1.0;
  const bool stroked = st.strokePaint && st.strokeWidth > 0 && std::isfinite(st.strokeWidth);
  // Framed to the art alone, a design is drawn small: keep every stroke at least a hairline.
  const double strokeWidth = artOnly ? std::max<double>(st.strokeWidth, 0.8 / scale) : st.strokeWidth;
  const bool hairline = hairlines && stroked && !translucent && strokeWidth * scale <= kHairlineWidth;
  if (st.fillPaint || (stroked && !hairline)) tracePath(cr, art);
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
  if (hairline) {
    cairo_surface_t* target = cairo_get_target(cr);
    cairo_surface_flush(target);
    Rgb c = toRgb(st.strokeColor);
    strokeHairline(*hairlines, art.segments, art.closed, strokeWidth * scale, toRgb8(c.r, c.g, c.b));
    cairo_surface_mark_dirty(target);
  } else if (stroked) {
    setSource(cr, st.strokeColor, 1.0);
    cairo_set_line_width(cr, strokeWidth);
    cairo_set_line_join(cr, st.stroke.join == 1   ? CAIRO_LINE_JOIN_ROUND
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

}  // namespace flhost
