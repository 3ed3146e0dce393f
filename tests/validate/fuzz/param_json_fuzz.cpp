// The JSON parameter file reader: any text is either a record or a ParamFileError, and a record
// it accepts writes back to JSON that reads as the same bytes.
#include <cstring>

#include "fuzz_input.h"
#include "param_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr int32_t kSwatches = 28;  // the default swatch list
  BurstParams record;
  try {
    record = fltools::paramsFromJson(flfuzz::text(data, size), kSwatches, "fuzz.json");
  } catch (const fltools::ParamFileError& e) {
    if (e.problems().empty()) flfuzz::broken("a refusal that names no problem");
    return 0;
  }
  BurstParams again = fltools::paramsFromJson(fltools::paramsToJson(record), kSwatches, "again.json");
  if (std::memcmp(&record, &again, sizeof record) != 0) flfuzz::broken("an accepted record does not survive writing");
  return 0;
}
