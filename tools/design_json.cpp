// The JSON carrier: the document's member "design", read in the same pass as the document.
#include "design_file.h"

namespace fltools {

std::optional<DesignRecord> jsonDescription(std::string_view bytes, std::string_view name) {
  DesignReader design{std::string(name)};
  JsonSkipper arts;  // the document's arts only have to be JSON: nothing of them is kept
  bool sawDesign = false;
  (void)readJson(bytes, name, kMaxJsonDepth,
                 [&](const std::vector<std::string>& path, const std::string& key) -> JsonEvents* {
                   if (!path.empty()) return nullptr;
                   if (key == "design") {
                     sawDesign = true;
                     return &design;
                   }
                   return key == "arts" ? &arts : nullptr;
                 });
  if (!sawDesign) return std::nullopt;
  return design.result();
}

}  // namespace fltools
