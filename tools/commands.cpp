// The command line as a whole: the program's subcommands, parsing and the reporting of errors.
#include "commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <iostream>

#include "command_options.h"
#include "design_file.h"
#include "inkscape_effect.h"
#include "output_file.h"
#include "progress.h"
#include "suggest.h"

namespace fltools {

namespace {

std::vector<std::string> optionNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::Option* opt : app.get_options()) {
    for (const std::string& n : opt->get_lnames()) names.push_back("--" + n);
    for (const std::string& n : opt->get_snames()) names.push_back("-" + n);
  }
  return names;
}

// A command or an option the program does not know, said with the name it most likely meant;
// "" when every word is known. CLI11 would only say "A subcommand is required" or list the words.
std::string unknownWords(CLI::App& app, const std::vector<Command>& commands, int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') return {};
  std::string word = argv[1];
  std::vector<std::string> names;
  CLI::App* command = nullptr;
  for (const Command& c : commands) {
    names.push_back(c.app->get_name());
    if (c.app->get_name() == word) command = c.app;
  }
  if (!command)
    return "flarimond: unknown command \"" + word + "\"" + didYouMean(word, names) +
           "\nRun 'flarimond --help' for the commands.\n";
  std::vector<std::string> options = optionNames(*command);
  for (const std::string& n : optionNames(app)) options.push_back(n);
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--") break;
    // Options, not values: a negative number is a value.
    if (arg.size() < 2 || arg[0] != '-' || std::isdigit(static_cast<unsigned char>(arg[1])) || arg[1] == '.') continue;
    std::string name = arg.substr(0, arg.find('='));
    if (name.size() > 2 && name[1] != '-') name = name.substr(0, 2);  // -oFILE
    if (std::find(options.begin(), options.end(), name) != options.end()) continue;
    return "flarimond " + word + ": unknown option " + name + didYouMean(name, options) + "\nRun 'flarimond " + word +
           " --help' for its options.\n";
  }
  return {};
}

// Runs a command; what it throws is said on stderr and becomes the exit status.
int reportingErrors(const std::function<int()>& run) {
  try {
    return run();
  } catch (const ToolError& e) {
    std::string text = e.what();
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      diagnostics() << "flarimond: " << text.substr(start, end - start) << "\n";
      start = end + 1;
    }
    return kExitBadInput;
  } catch (const std::bad_alloc&) {
    diagnostics() << "flarimond: out of memory\n";
    return kExitPluginError;
  } catch (const std::exception& e) {
    // The file system's own errors (a path it cannot resolve, say) are problems with the input.
    diagnostics() << "flarimond: " << e.what() << "\n";
    return kExitBadInput;
  }
}

}  // namespace

int runFlarimond(int argc, char** argv) {
  // Inkscape runs the extension's effects by a name of their own.
  if (argc > 0 && calledAsEffect(argv[0])) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return reportingErrors([&] { return runInkscapeEffect(args, argv[0]); });
  }

  CLI::App app{
      "flarimond: draws radial starburst designs with the Flarimond filter plug-in, which it loads\n"
      "into a stand-in for its host application and drives through the host's whole protocol.",
      "flarimond"};
  app.require_subcommand(1);
  app.set_version_flag("--version", programVersion());
  app.footer(std::string("Run 'flarimond SUBCOMMAND --help' for each subcommand's options.\n\n") + kExitCodesHelp);
  app.get_formatter()->column_width(30);

  const std::vector<Command> commands = {
      addRenderCommand(app),  addApplyCommand(app),    addDialogCommand(app), addPresetsCommand(app),
      addSheetCommand(app),   addServeCommand(app),    addInfoCommand(app),   addAboutCommand(app),
      addInspectCommand(app), addInkscapeCommand(app),
  };

  if (std::string unknown = unknownWords(app, commands, argc, argv); !unknown.empty()) {
    diagnostics() << unknown;
    return kExitBadInput;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e);
    return status == 0 ? kExitOk : kExitBadInput;
  }

  const char* argv0 = argc > 0 ? argv[0] : nullptr;
  return reportingErrors([&] {
    for (const Command& c : commands)
      if (c.app->parsed()) return c.run(argv0);
    return kExitBadInput;
  });
}

}  // namespace fltools
