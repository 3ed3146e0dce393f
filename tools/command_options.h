// What several subcommands share on the command line: the help texts of their footers and the
// option groups (host, dialog, picture).
#pragma once

#include <CLI/CLI.hpp>

#include "commands.h"

namespace fltools {

extern const char* const kExitCodesHelp;
extern const char* const kModuleHelp;
extern const char* const kFormatsHelp;
extern const char* const kSwatchHelp;
extern const char* const kScriptHelp;
extern const char* const kFailHelp;

// The options of every command that loads the module (a --seed also sets h.seedGiven).
void addHostOptions(CLI::App* cmd, HostArgs& h);
// --preset, --set and --dialog-script: what the user does in the dialog.
void addDialogOptions(CLI::App* cmd, RenderArgs& r);
// --width and --background of PNG output, --frame of pictures.
void addPictureOptions(CLI::App* cmd, RenderArgs& r);
// --plot, --pens and --tolerance (render, apply, sheet --each).
void addPlotOptions(CLI::App* cmd, RenderArgs& r);

}  // namespace fltools
