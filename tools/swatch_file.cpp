#include "swatch_file.h"

#include <cstdio>

#include "cli_options.h"
#include "input_file.h"
#include "output_file.h"

namespace fltools {

SwatchList swatchListFromJson(const Json& doc, std::string_view source) {
  std::string name(source);
  if (!doc.is_array()) throw ToolError(name + ": expected an array of swatches");
  if (doc.size() > 10000) throw ToolError(name + ": more than 10000 swatches");
  SwatchList list;
  list.json = doc;
  for (size_t i = 0; i < doc.size(); ++i) {
    const Json& entry = doc[i];
    std::string where = name + ": swatch " + std::to_string(i);
    if (!entry.is_object() || !entry.contains("name") || !entry["name"].is_string() || !entry.contains("color") ||
        !entry["color"].is_string())
      throw ToolError(where + ": expected {\"name\": TEXT, \"color\": COLOUR}");
    flhost::Swatch s;
    s.name = entry["name"].get<std::string>();
    std::string colour = entry["color"].get<std::string>();
    if (colour == "registration" || colour == "none") {
      // Not process colours: a named ink, at full tint for registration and none for no paint.
      s.color = HostColor{};
      s.color.kind = kHostColorSpot;
      bool registration = colour == "registration";
      s.color.c.spot = {registration ? 1.0f : 0.0f, 1, 1, 1, 1, {}};
      std::snprintf(s.color.c.spot.name, sizeof s.color.c.spot.name, "%s", registration ? "Registration" : "None");
    } else {
      s.color = parseColour(colour, where + " \"" + s.name + "\"").color;
    }
    list.swatches.push_back(std::move(s));
  }
  return list;
}

SwatchList readSwatchFile(const std::filesystem::path& path) {
  std::string name = displayPath(path);
  return swatchListFromJson(readJson(readInputFile(path), name), name);
}

}  // namespace fltools
