// The stored record's reader and checks: any bytes are refused or give a record whose every
// field passes its check, which the JSON form then holds exactly.
#include <cstring>
#include <span>
#include <string>

#include "fuzz_input.h"
#include "param_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr int32_t kSwatches = 28;
  BurstParams record;
  try {
    record = fltools::paramsFromBytes(std::span<const uint8_t>(data, size), "fuzz.bin");
  } catch (const fltools::ParamFileError& e) {
    // Of the right size, only a real that is not finite is refused.
    if (size == sizeof(BurstParams) && std::string(e.what()).find("is not a finite number") == std::string::npos)
      flfuzz::broken("a record of the right size refused for another reason");
    return 0;
  }
  if (!fltools::checkParams(record, kSwatches, "fuzz.bin").empty()) return 0;
  // Passed every check: JSON must be able to hold it (no NaN or infinity slipped through).
  BurstParams again = fltools::paramsFromJson(fltools::paramsToJson(record), "again.json").params;
  if (std::memcmp(&record, &again, sizeof record) != 0) flfuzz::broken("a checked record does not survive JSON");
  return 0;
}
