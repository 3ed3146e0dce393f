// The one progress line a command may keep on stderr ("tile 3 of 12", rewritten in place), and the
// stream every message goes through so that none lands in the middle of that line.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace fltools {

// Rewrites the progress line with `text`.
void showProgress(std::string_view text);
// Ends the progress line, if one is showing, with a newline.
void endProgress();
// std::cerr, after ending any progress line: write every message on stderr through this.
std::ostream& diagnostics();
// A progress line for work that takes a while: shown only when stderr is a terminal and the work
// has run for a second, and cleared when it is done (told 1). Empty (nothing to call) when stderr
// is not a terminal.
std::function<void(double)> terminalProgress(std::string what);

}  // namespace fltools
