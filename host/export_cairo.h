// Drawing one art with cairo as the SVG export shows it: what the PNG and PDF exports share.
// Available when the host is built with cairo (FLARIMOND_HAVE_CAIRO).
#pragma once

#include <cairo.h>

#include "document.h"
#include "hairline.h"

namespace flhost {

// Whether every point of the art is finite (an art with a non-finite one is not drawn).
bool drawable(const ArtView& art);

// Draws one art (with segments, all finite) in cr's current user space, which is artwork space.
// scale is device units a point: framed to the art alone (artOnly) every stroke is kept at least
// 0.8 device units wide. With `hairlines` (an image target), an opaque stroke no wider than a
// hairline goes straight into its pixels; without, cairo strokes everything (vector surfaces).
void drawArt(cairo_t* cr, const ArtView& art, double scale, bool artOnly, const HairlineTarget* hairlines);

}  // namespace flhost
