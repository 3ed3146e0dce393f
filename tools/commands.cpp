// The command line as a whole: the program's subcommands, parsing and the reporting of errors.
#include "commands.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "command_options.h"
#include "output_file.h"

namespace fltools {

int runFlarimond(int argc, char** argv) {
  CLI::App app{
      "flarimond: draws radial starburst designs with the Flarimond filter plug-in, which it loads\n"
      "into a stand-in for its host application and drives through the host's whole protocol.",
      "flarimond"};
  app.require_subcommand(1);
  app.footer(std::string("Run 'flarimond SUBCOMMAND --help' for each subcommand's options.\n\n") + kExitCodesHelp);
  app.get_formatter()->column_width(30);

  const std::vector<Command> commands = {
      addRenderCommand(app),  addApplyCommand(app), addDialogCommand(app), addPresetsCommand(app),
      addSheetCommand(app),   addServeCommand(app), addInfoCommand(app),   addAboutCommand(app),
  };

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e);
    return status == 0 ? kExitOk : kExitBadInput;
  }

  const char* argv0 = argc > 0 ? argv[0] : nullptr;
  try {
    for (const Command& c : commands)
      if (c.app->parsed()) return c.run(argv0);
  } catch (const ToolError& e) {
    std::string text = e.what();
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::cerr << "flarimond: " << text.substr(start, end - start) << "\n";
      start = end + 1;
    }
    return kExitBadInput;
  } catch (const std::bad_alloc&) {
    std::cerr << "flarimond: out of memory\n";
    return kExitPluginError;
  } catch (const std::exception& e) {
    // The file system's own errors (a path it cannot resolve, say) are problems with the input.
    std::cerr << "flarimond: " << e.what() << "\n";
    return kExitBadInput;
  }
  return kExitBadInput;
}

}  // namespace fltools
