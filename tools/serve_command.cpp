// serve: the subcommand's options; serve.h does the serving.
#include <CLI/CLI.hpp>

#include <iostream>

#include "command_options.h"
#include "host_run.h"
#include "param_file.h"
#include "serve.h"
#include "serve_open.h"

namespace fltools {

namespace {

int runServe(const ServeArgs& args, const char* argv0) {
#ifdef FLARIMOND_HAVE_SERVE
  ServeStart start;
  HostConfig given = parseHostOptions(args.run.host, argv0);
  if (!args.run.from.empty()) {
    if (!args.run.params.empty()) throw ToolError("--from and --params both give the record: choose one");
    std::optional<int> tile;
    if (!args.run.tile.empty()) {
      char* end = nullptr;
      long n = std::strtol(args.run.tile.c_str(), &end, 10);
      if (*end != 0 || n < 1 || n > 100000)
        throw ToolError("--tile \"" + args.run.tile + "\": expected a tile number from 1");
      tile = static_cast<int>(n);
    }
    std::optional<std::string> id;
    if (!args.run.design.empty()) id = args.run.design;
    KeptStart kept;
    try {
      kept = readKeptFile(args.run.from, displayPath(args.run.from), given, id, tile);
    } catch (const KeptSheet& e) {
      throw ToolError(displayPath(args.run.from) + ": a sheet of " + std::to_string(e.tiles.size()) +
                      " designs: choose one with --tile N");
    }
    for (const std::string& w : kept.warnings) std::cerr << "flarimond: " << w << "\n";
    start.config = std::move(kept.config);
    start.record = kept.record;
  } else {
    if (!args.run.tile.empty()) throw ToolError("--tile picks a tile of the sheet --from names");
    if (!args.run.design.empty()) throw ToolError("--design picks one of the designs --from names");
    start.config = given;
    if (!args.run.params.empty()) start.record = recordFromFile(args.run.params, start.config);
  }
  // A file the page opens gives its own document options; the module is the server's.
  HostConfig forOpen;
  forOpen.module = given.module;
  return serveDialog(args, start,
                     [forOpen](const std::filesystem::path& file, const std::string& name, std::optional<int> tile,
                               const flhost::DocumentOptions& into) {
                       return readKeptFile(file, name, forOpen, std::nullopt, tile, &into);
                     });
#else
  (void)args;
  (void)argv0;
  throw ToolError("serve is not in this build: it needs cpp-httplib");
#endif
}

}  // namespace

Command addServeCommand(CLI::App& app) {
  auto serve = std::make_shared<ServeArgs>();
  CLI::App* cmd = app.add_subcommand("serve",
                                     "Show the filter dialog in a web browser: serve it on\n"
                                     "127.0.0.1 and print the address to open");
  cmd->add_option("--port", serve->port, "Port on 127.0.0.1 (default 8150; 0 picks a free one)")->type_name("N");
  cmd->add_option("--params", serve->run.params, "Record the host holds before the first dialog (.bin or .json)")
      ->type_name("FILE");
  cmd->add_option("--from", serve->run.from,
                  "Open the first dialog on a kept design (a flarimond .svg,\n"
                  ".png or .json: its record, document options and random\n"
                  "source, so that OK draws it again) or a parameter file")
      ->type_name("FILE");
  cmd->add_option("--design", serve->run.design,
                  "With --from: which of the file's designs, by the id\n"
                  "'flarimond inspect' shows")
      ->type_name("ID");
  cmd->add_option("--tile", serve->run.tile, "With --from: which tile of a sheet, by its own number")->type_name("N");
  cmd->add_option("--idle-timeout", serve->idleTimeout,
                  "Seconds without a word from the browser tab that drives\n"
                  "the dialog before the dialog is cancelled (default 90)")
      ->type_name("SECONDS");
  cmd->add_option("--web-dir", serve->webDir,
                  "Serve the page's files from this folder (web/ of the\n"
                  "sources) instead of the copies built in")
      ->type_name("DIR");
  addHostOptions(cmd, serve->run.host);
  addPictureOptions(cmd, serve->run);
  cmd->footer(std::string("The host sends Startup and Get Parameters: the dialog waits for the browser. After OK it\n"
                          "sends Go; the page can open the dialog again, apply again and download the\n"
                          "document. Ctrl-C (or SIGTERM) cancels an open dialog and stops.\n\n") +
              kSwatchHelp + "\n" + kFailHelp + "\n" + kModuleHelp + "\n" + kExitCodesHelp);
  return {cmd, [serve](const char* argv0) { return runServe(*serve, argv0); }};
}

}  // namespace fltools
