#include "progress.h"

#include <iostream>

namespace fltools {

namespace {
bool gProgressShowing = false;
}

void showProgress(std::string_view text) {
  std::cerr << '\r' << text << std::flush;
  gProgressShowing = true;
}

void endProgress() {
  if (gProgressShowing) std::cerr << '\n';
  gProgressShowing = false;
}

std::ostream& diagnostics() {
  endProgress();
  return std::cerr;
}

}  // namespace fltools
