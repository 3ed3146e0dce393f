// Writing a cairo image surface as a PNG file with text chunks, for pictures composed from several
// exports (contact sheets). Available when the host is built with cairo (FLARIMOND_HAVE_CAIRO).
#pragma once

#include <cairo.h>

#include <iosfwd>
#include <string>
#include <vector>

#include "export.h"

namespace flhost {

// Writes an image surface (CAIRO_FORMAT_ARGB32 or RGB24) as an 8-bit PNG: RGBA when `alpha`, else
// RGB; premultiplied colours are turned straight as cairo's own writer does. `text` goes into iTXt
// chunks before the image data. False, with the reason in *error, when libpng or the stream fails.
bool writeSurfacePng(cairo_surface_t* surface, bool alpha, const std::vector<PngText>& text, std::ostream& out,
                     std::string* error);

}  // namespace flhost
