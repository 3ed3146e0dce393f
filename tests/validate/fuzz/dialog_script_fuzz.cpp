// The dialog-script reader: any text gives actions or one error naming a line.
#include <string>

#include "dialog_actions.h"
#include "dialog_script.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  auto actions = flhost::parseDialogScript(flfuzz::text(data, size), &error, fltools::scriptKeywords());
  if (!actions) {
    if (error.empty()) flfuzz::broken("a refused script with no reason");
    return 0;
  }
  for (const flhost::DialogAction& a : *actions)
    if (a.line < 1) flfuzz::broken("an action that names no script line");
  // Each action reads back as itself.
  for (const flhost::DialogAction& a : *actions) {
    std::string line = flhost::describeAction(a);
    std::string why;
    auto back = flhost::parseDialogScript(line, &why, fltools::scriptKeywords());
    if (!back || back->size() != 1 || (*back)[0].kind != a.kind || (*back)[0].id != a.id)
      flfuzz::broken("an action does not read back from its own description");
  }
  return 0;
}
