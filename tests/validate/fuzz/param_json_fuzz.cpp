// The JSON parameter file reader: any text is either a record or a ParamFileError, and a record
// it accepts writes back to JSON that reads as the same bytes and the same random start.
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
      fltools::paramsFromJson(fltools::paramsToJson(record.params, "record", &record.random), "again.json");
  if (std::memcmp(&record.params, &again.params, sizeof record.params) != 0)
    flfuzz::broken("an accepted record does not survive writing");
  const fltools::RandomStart &a = record.random, &b = again.random;
  bool sameDraws = a.firstDraws.size() == b.firstDraws.size() &&
                   (a.firstDraws.empty() ||
                    std::memcmp(a.firstDraws.data(), b.firstDraws.data(), a.firstDraws.size() * sizeof(float)) == 0);
  if (a.seed != b.seed || a.drawsBefore != b.drawsBefore || !sameDraws)
    flfuzz::broken("an accepted random start does not survive writing");
  if (!again.complete()) flfuzz::broken("a written record leaves out a field");
  return 0;
}
