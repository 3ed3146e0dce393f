// A user's own swatch list for the document (--swatches FILE).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "document.h"

namespace fltools {

// Reads a JSON array of swatches, in the order the document lists them:
//   [{"name": "[None]", "color": "none"}, {"name": "[Registration]", "color": "registration"},
//    {"name": "Brick", "color": "rgb:0.7,0.2,0.1"}, ...]
// Colours are written as on the command line (none, grey:G, rgb:R,G,B, cmyk:C,M,Y,K) or
// "registration" (the ink that prints on every plate). Throws ToolError naming the entry.
std::vector<flhost::Swatch> readSwatchFile(const std::filesystem::path& path, std::string* text = nullptr);
std::vector<flhost::Swatch> parseSwatches(const std::string& text, const std::string& name);
// With `text`, readSwatchFile also gives the list as compact JSON of the same form.

}  // namespace fltools
