#include "swatch_file.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli_options.h"
#include "input_file.h"
#include "output_file.h"

namespace fltools {

std::vector<flhost::Swatch> parseSwatches(const std::string& text, const std::string& name) {
  nlohmann::json doc;
  try {
    doc = nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception& e) {  // a syntax error, or a number past a double (1e400)
    throw ToolError(name + ": not JSON: " + e.what());
  }
  if (!doc.is_array()) throw ToolError(name + ": expected an array of swatches");
  if (doc.size() > 10000) throw ToolError(name + ": more than 10000 swatches");
  std::vector<flhost::Swatch> swatches;
  for (size_t i = 0; i < doc.size(); ++i) {
    const nlohmann::json& entry = doc[i];
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
    swatches.push_back(std::move(s));
  }
  return swatches;
}

std::vector<flhost::Swatch> readSwatchFile(const std::filesystem::path& path, std::string* text) {
  std::string contents = readInputFile(path);
  std::vector<flhost::Swatch> swatches = parseSwatches(contents, displayPath(path));
  if (text) *text = nlohmann::json::parse(contents).dump();
  return swatches;
}

}  // namespace fltools
