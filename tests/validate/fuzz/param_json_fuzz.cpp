// The JSON parameter file reader: any text is either a record or a ParamFileError, and a record
// it accepts writes back to JSON that reads as the same bytes and the same seed.
#include <cstring>

#include "fuzz_input.h"
#include "param_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fltools::ParamRecord record;
  try {
    record = fltools::paramsFromJson(flfuzz::text(data, size), "fuzz.json");
  } catch (const fltools::ParamFileError& e) {
    if (e.problems().empty()) flfuzz::broken("a refusal that names no problem");
    return 0;
  }
  // Fields the file leaves out are 0 in the record, and written back as 0.
  fltools::ParamRecord again =
      fltools::paramsFromJson(fltools::paramsToJson(record.params, "record", record.seed), "again.json");
  if (std::memcmp(&record.params, &again.params, sizeof record.params) != 0)
    flfuzz::broken("an accepted record does not survive writing");
  if (record.seed != again.seed) flfuzz::broken("an accepted seed does not survive writing");
  if (!again.complete()) flfuzz::broken("a written record leaves out a field");
  return 0;
}
