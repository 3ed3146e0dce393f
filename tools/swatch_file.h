// A user's own swatch list for the document (--swatches FILE).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"
#include "json_reader.h"

namespace fltools {

// A swatch list with the JSON array it was read from, kept so that a design's description holds
// the list exactly as given.
struct SwatchList {  // NOLINT(bugprone-exception-escape): the JSON value's moves do not throw
  std::vector<flhost::Swatch> swatches;
  Json json;
};

// Reads a JSON array of swatches, in the order the document lists them:
//   [{"name": "[None]", "color": "none"}, {"name": "[Registration]", "color": "registration"},
//    {"name": "Brick", "color": "rgb:0.7,0.2,0.1"}, ...]
// Colours are written as on the command line (none, grey:G, rgb:R,G,B, cmyk:C,M,Y,K) or
// "registration" (the ink that prints on every plate). The file is read as json_reader.h reads
// JSON (nesting limited, no repeated keys). Throws ToolError naming the file and the entry.
SwatchList readSwatchFile(const std::filesystem::path& path);
// The same from the array itself; `source` names it in messages.
SwatchList swatchListFromJson(const Json& array, std::string_view source);

}  // namespace fltools
