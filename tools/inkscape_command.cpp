// inkscape: writes the extension's .inx files, installs the extension where Inkscape finds user
// extensions, or takes it away.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "command_options.h"
#include "inkscape_effect.h"
#include "inkscape_inx.h"
#include "output_file.h"

namespace fltools {

namespace fs = std::filesystem;

namespace {

struct InkscapeArgs {
  HostArgs host;  // --module: the module whose dialog the .inx files describe
  fs::path inx;   // write the .inx files into this folder
  bool install = false;
  bool uninstall = false;
  fs::path into;  // where to install (default: Inkscape's user extensions, in a folder of ours)
};

// Inkscape's user extensions: $INKSCAPE_PROFILE_DIR/extensions, else
// $XDG_CONFIG_HOME/inkscape/extensions, else ~/.config/inkscape/extensions; ours in "flarimond".
fs::path extensionFolder() {
  fs::path profile;
  if (const char* p = std::getenv("INKSCAPE_PROFILE_DIR"); p && *p)
    profile = p;
  else if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
    profile = fs::path(x) / "inkscape";
  else if (const char* h = std::getenv("HOME"); h && *h)
    profile = fs::path(h) / ".config" / "inkscape";
  else
    throw ToolError("cannot tell where Inkscape keeps user extensions: HOME is not set (use --into DIR)");
  return profile / "extensions" / "flarimond";
}

void writeInxFiles(const std::map<std::string, std::string>& files, const fs::path& folder) {
  fs::create_directories(folder);
  for (const auto& [name, text] : files) {
    OutputFile out(folder / name);
    out.stream() << text;
    out.commit();
  }
}

// The files that run the effect: the program, its module and the module's resources, copied
// beside the .inx files, and the name Inkscape calls the program by, a link to it.
void install(const HostConfig& config, const fs::path& folder, const char* argv0) {
  std::error_code ec;
  fs::path program = fs::read_symlink("/proc/self/exe", ec);
  if (program.empty()) program = fs::absolute(argv0 ? argv0 : "flarimond");
  writeInxFiles(inkscapeInxFiles(config), folder);
  fs::path module = config.module;
  fs::path resources = fs::path(module).replace_extension(".res");
  for (const fs::path& f : {program, module, resources})
    fs::copy_file(f, folder / f.filename(), fs::copy_options::overwrite_existing);
  fs::path link = folder / kInkscapeCommand;
  fs::remove(link);
  fs::create_symlink(program.filename(), link);
  std::cout << "flarimond: installed the Inkscape extension in " << folder.string()
            << "\nRestart Inkscape: Extensions > Render > Flarimond has New design, Edit selected design and Vary "
               "selected design.\n";
}

int runInkscape(const InkscapeArgs& args, const char* argv0) {
  if (int(!args.inx.empty()) + int(args.install) + int(args.uninstall) != 1)
    throw ToolError("inkscape: give one of --inx DIR, --install or --uninstall");
  fs::path folder = args.into.empty() ? extensionFolder() : args.into;
  if (args.uninstall) {
    if (!fs::exists(fs::symlink_status(folder))) {
      std::cout << "flarimond: the Inkscape extension is not installed in " << folder.string() << "\n";
      return kExitOk;
    }
    // Only a folder this command made: it holds the link Inkscape calls.
    if (!fs::is_symlink(folder / kInkscapeCommand))
      throw ToolError(folder.string() + " does not hold the Flarimond extension: left alone");
    fs::remove_all(folder);
    std::cout << "flarimond: removed the Inkscape extension from " << folder.string() << "\n";
    return kExitOk;
  }
  HostConfig config = parseHostOptions(args.host, argv0);
  if (!args.inx.empty()) {
    writeInxFiles(inkscapeInxFiles(config), args.inx);
    return kExitOk;
  }
  install(config, folder, argv0);
  return kExitOk;
}

}  // namespace

bool calledAsEffect(const char* argv0) {
  if (!argv0) return false;
  return fs::path(argv0).stem().string() == kInkscapeCommand;
}

Command addInkscapeCommand(CLI::App& app) {
  auto args = std::make_shared<InkscapeArgs>();
  CLI::App* cmd = app.add_subcommand("inkscape", "Install the Inkscape extension (Extensions > Render > Flarimond)");
  cmd->add_flag("--install", args->install, "Put the extension where Inkscape finds user extensions");
  cmd->add_flag("--uninstall", args->uninstall, "Take the installed extension away");
  cmd->add_option("--into", args->into, "Install into (or uninstall from) this folder instead")->type_name("DIR");
  cmd->add_option("--inx", args->inx, "Only write the extension's .inx files into this folder")->type_name("DIR");
  cmd->add_option("--module", args->host.module, "The plug-in module whose dialog the extension shows")
      ->type_name("PATH");
  cmd->footer(
      "The .inx files are made from the module's own dialog: its pages, labels, ranges and lists.\n"
      "--install copies them, the program and the module into\n"
      "~/.config/inkscape/extensions/flarimond (or $INKSCAPE_PROFILE_DIR/extensions/flarimond), with\n"
      "the name Inkscape runs, flarimond-inkscape, a link to the program. Called by that name the\n"
      "program is the effect: each parameter as --name=value, --id=ID per selected object, the\n"
      "document's path last; the new document goes to standard output.\n"
      "Edit selected design opens the dialog in the browser ($FLARIMOND_BROWSER, else xdg-open).");
  return {cmd, [args](const char* argv0) { return runInkscape(*args, argv0); }};
}

}  // namespace fltools
