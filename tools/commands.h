// The flarimond program: its subcommands, each one host flow through flhost::Session, each in a
// file of its own (render.cpp, sheet.cpp, ...).
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "host_config.h"

namespace CLI {
class App;
}

namespace fltools {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitPluginError = 1;  // the plug-in failed (its error dialog was shown)
inline constexpr int kExitBadInput = 2;     // bad arguments or files; the module cannot be used

struct RenderArgs {
  HostArgs host;
  std::filesystem::path output;
  std::filesystem::path params;
  std::filesystem::path from;  // a file flarimond wrote: the design it carries
  std::string design;          // which of the file's designs (as inspect names it)
  std::string tile;            // or which tile of a sheet, by its own number
  std::filesystem::path saveParams;
  bool cancel = false;
  std::string width = "1200";  // PNG width in pixels
  std::string background = "white";
  std::string frame = "page";  // the picture's view: page, art or all
  bool plot = false;           // plotter line art instead of the picture (SVG)
  std::string pens;            // --plot: colours mapped onto this many pens
  std::string tolerance;       // --plot: how far flattened curves may stray, in mm
  // What the user does in the dialog, in this order: the preset, the fields, the script.
  std::string preset;
  std::vector<std::string> sets;
  std::filesystem::path script;
  std::vector<std::string> locks;  // --lock: fields held still through Tumble and Shuffle
};

// The dialog as the user sees it after the same actions, dumped as JSON.
struct DialogArgs {
  RenderArgs run;
  std::filesystem::path dump;
};

// A contact sheet: the same design drawn once per value of one or two --vary, tiles in a grid.
// run holds what render takes: the host options, -o (.png or .svg), --params, the dialog's
// --preset, --set and --dialog-script, and --frame (default art).
struct SheetArgs {
  RenderArgs run;
  std::vector<std::string> vary;  // FIELD=FROM..TO[:STEP], once or twice
  std::string columns;            // tiles per row with one --vary (default 6)
  std::string tile = "240";       // tile width and height in pixels (points in an SVG)
  std::string jobs;               // worker processes (default: one a processor)
  std::string each;               // a folder for a file per tile instead of one sheet
  std::string format;             // the tiles' files with --each: svg (default), png, pdf or json
  bool force = false;             // --each may replace files that are there
  bool frameGiven = false;
};

// One subcommand: its place on the command line and what runs it once the line is parsed. run
// returns the exit status; bad input throws ToolError (status 2). `argv0` helps find the module
// when the system cannot say where the program is.
struct Command {
  CLI::App* app = nullptr;
  std::function<int(const char* argv0)> run;
};

// Each adds its subcommand, with its options and help, to the program's command line.
Command addRenderCommand(CLI::App& app);
Command addApplyCommand(CLI::App& app);
Command addDialogCommand(CLI::App& app);
Command addSheetCommand(CLI::App& app);
Command addServeCommand(CLI::App& app);
Command addPresetsCommand(CLI::App& app);
Command addInfoCommand(CLI::App& app);
Command addAboutCommand(CLI::App& app);
Command addInspectCommand(CLI::App& app);

// The whole command line: parses argv, runs the subcommand and returns the exit status. Bad
// arguments and ToolErrors are reported on stderr here.
int runFlarimond(int argc, char** argv);

}  // namespace fltools
