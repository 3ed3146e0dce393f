// The extension's effects, run as Inkscape runs them: New design, Edit selected design and Vary
// selected design (inkscape_effect.cpp), and `flarimond inkscape`, which writes and installs the
// extension (inkscape_command.cpp).
#pragma once

#include <string>
#include <vector>

#include "commands.h"

namespace fltools {

// One effect: `args` as Inkscape gives them (after the program's name). Writes the new document
// on stdout; ToolError (or a plug-in failure, said on stderr) leaves stdout empty.
int runInkscapeEffect(const std::vector<std::string>& args, const char* argv0);

// Whether the program was started by the name Inkscape calls it by (kInkscapeCommand).
bool calledAsEffect(const char* argv0);

Command addInkscapeCommand(CLI::App& app);

}  // namespace fltools
