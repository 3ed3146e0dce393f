// Progress of long work, told to a person at a terminal.
#pragma once

#include <functional>
#include <string>

namespace fltools {

// A progress line on stderr for work that takes a while: shown only when stderr is a terminal
// and the work has run for a second, and cleared when it is done (told 1). Empty (nothing to
// call) when stderr is not a terminal.
std::function<void(double)> terminalProgress(std::string what);

}  // namespace fltools
