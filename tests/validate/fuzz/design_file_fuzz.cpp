// The design reader: any bytes, as an SVG, a JSON document or a PNG, give designs or a ToolError
// naming the file; a design it accepts writes back to a description that reads as the same.
#include <cstring>
#include <sstream>
#include <string>

#include "design_file.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the kind of file; the rest is the file.
  const fltools::DesignFileKind kinds[] = {fltools::DesignFileKind::Svg, fltools::DesignFileKind::Json,
                                           fltools::DesignFileKind::Png};
  fltools::DesignFileKind kind = kinds[data[0] % 3];
  std::ostringstream warnings;
  std::vector<fltools::FoundDesign> designs;
  try {
    designs = fltools::designsIn(std::string(flfuzz::text(data + 1, size - 1)), kind, "fuzz.svg", warnings);
  } catch (const fltools::ToolError& e) {
    if (std::string_view(e.what()).rfind("fuzz.svg", 0) != 0) flfuzz::broken("a refusal that does not name the file");
    return 0;
  }
  if (designs.empty()) flfuzz::broken("no design and no refusal");
  for (const fltools::FoundDesign& f : designs) {
    std::string text = fltools::designJson(f.design);
    fltools::DesignRecord again = fltools::designFromJson(text, "again.json");
    if (fltools::designJson(again) != text) flfuzz::broken("an accepted description does not survive writing");
    if (std::memcmp(&again.record, &f.design.record, sizeof again.record) != 0)
      flfuzz::broken("an accepted record does not survive writing");
  }
  return 0;
}
