#include "progress.h"

#include <unistd.h>

#include <chrono>
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

std::function<void(double)> terminalProgress(std::string what) {
  if (!isatty(STDERR_FILENO)) return {};
  const auto start = std::chrono::steady_clock::now();
  return [what = std::move(what), start, shown = false](double done) mutable {
    if (done >= 1.0) {
      if (shown) {
        std::cerr << "\r\033[K" << std::flush;
        gProgressShowing = false;
      }
      return;
    }
    if (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) return;
    showProgress(what + ": " + std::to_string(static_cast<int>(done * 100)) + " %");
    shown = true;
  };
}

}  // namespace fltools
