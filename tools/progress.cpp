#include "progress.h"

#include <unistd.h>

#include <chrono>
#include <iostream>

namespace fltools {

std::function<void(double)> terminalProgress(std::string what) {
  if (!isatty(STDERR_FILENO)) return {};
  const auto start = std::chrono::steady_clock::now();
  return [what = std::move(what), start, shown = false](double done) mutable {
    if (done >= 1.0) {
      if (shown) std::cerr << "\r\033[K" << std::flush;
      return;
    }
    if (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) return;
    std::cerr << "\r" << what << ": " << static_cast<int>(done * 100) << " %" << std::flush;
    shown = true;
  };
}

}  // namespace fltools
