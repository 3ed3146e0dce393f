// The server's event parser: any body is an event or a refusal with a reason; never an exception.
#include <cmath>
#include <string>

#include "fuzz_input.h"
#include "serve_events.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string why;
  auto event = fltools::parseBrowserEvent(flfuzz::text(data, size), &why);
  if (!event) {
    if (why.empty()) flfuzz::broken("a refused event with no reason");
    return 0;
  }
  const flhost::DialogAction& a = event->action;
  if (!std::isfinite(a.value) || !std::isfinite(a.x) || !std::isfinite(a.y))
    flfuzz::broken("an accepted event carries a non-finite number");
  return 0;
}
