// The swatch file reader: any text gives a swatch list or a ToolError naming the file.
#include <string>

#include "fuzz_input.h"
#include "output_file.h"
#include "swatch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    fltools::SwatchList list =
        fltools::swatchListFromJson(fltools::readJson(flfuzz::text(data, size), "fuzz.json"), "fuzz.json");
    if (list.swatches.size() > 10000) flfuzz::broken("more swatches than the reader allows");
  } catch (const fltools::ToolError& e) {
    if (std::string_view(e.what()).rfind("fuzz.json", 0) != 0) flfuzz::broken("a refusal that does not name the file");
  }
  return 0;
}
