// Writing a cairo image surface as a PNG file with text chunks, for pictures composed from several
// exports (contact sheets). Available when the host is built with cairo (FLARIMOND_HAVE_CAIRO).
#pragma once

#include <cairo.h>

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "export.h"

namespace flhost {

// The largest picture the PNG exports make: cairo's image surfaces are at most 32767 pixels a side
// (libpng's own limit, a million, lies beyond), and a picture is held whole while it is drawn, four
// bytes a pixel, so at most 400 million pixels (1.6 GB). Why a picture of width x height pixels
// cannot be made ("the picture would be too large (W x H pixels; ...)"), or "" when it can.
inline constexpr int64_t kMaxPictureSide = 32767;
inline constexpr int64_t kMaxPicturePixels = 400'000'000;
std::string pictureSizeProblem(int64_t width, int64_t height);

// Writes an image surface (CAIRO_FORMAT_ARGB32 or RGB24) as an 8-bit PNG: RGBA when `alpha`, else
// RGB; premultiplied colours are turned straight as cairo's own writer does. `text` goes into iTXt
// chunks before the image data. False, with the reason in *error, when libpng or the stream fails.
bool writeSurfacePng(cairo_surface_t* surface, bool alpha, const std::vector<PngText>& text, std::ostream& out,
                     std::string* error);

}  // namespace flhost
