// Prints the record's field table as JSON, so the validate probes draw records and out-of-range
// values from the same ranges the readers check:
//   [{"name", "kind": "flag"|"int"|"index"|"float", "range": "fixed"|"swatches"|"unchecked",
//     "min", "max"}, ...] in record order.
#include <iostream>
#include <nlohmann/json.hpp>

#include "burst_fields.h"

int main() {
  nlohmann::json fields = nlohmann::json::array();
  for (const BurstField& f : kBurstFields) {
    const char* kind = f.kind == FieldKind::Flag    ? "flag"
                       : f.kind == FieldKind::Int   ? "int"
                       : f.kind == FieldKind::Index ? "index"
                                                    : "float";
    const char* range = f.range == FieldRange::Fixed      ? "fixed"
                        : f.range == FieldRange::Swatches ? "swatches"
                                                          : "unchecked";
    fields.push_back({{"name", f.name}, {"kind", kind}, {"range", range}, {"min", f.min}, {"max", f.max}});
  }
  std::cout << fields.dump(1) << "\n";
}
