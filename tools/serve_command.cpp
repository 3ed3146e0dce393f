// serve: the subcommand's options; serve.h does the serving.
#include <CLI/CLI.hpp>

#include "command_options.h"
#include "design_file.h"
#include "host_run.h"
#include "param_file.h"
#include "serve.h"

namespace fltools {

namespace {

int runServe(const ServeArgs& args, const char* argv0) {
#ifdef FLARIMOND_HAVE_SERVE
  HostConfig config = parseHostOptions(args.run.host, argv0);
  std::optional<BurstParams> record;
  if (!args.run.params.empty()) record = recordFromFile(args.run.params, config);
  return serveDialog(
      args, record, config.random.seed.has_value(), [&] { return openSession(config); },
      [&](flhost::Session& session, const BurstParams& held) { return describeDesign(config, session, held); });
#else
  (void)args;
  (void)argv0;
  throw ToolError("serve is not in this build: it needs cpp-httplib");
#endif
}

}  // namespace

Command addServeCommand(CLI::App& app) {
  auto serve = std::make_shared<ServeArgs>();
  CLI::App* cmd = app.add_subcommand(
      "serve",
      "Show the filter dialog in a web browser: serve it on\n"
      "127.0.0.1 and print the address to open");
  cmd->add_option("--port", serve->port, "Port on 127.0.0.1 (default 8150; 0 picks a free one)")->type_name("N");
  cmd->add_option("--params", serve->run.params, "Record the host holds before the first dialog (.bin or .json)")
      ->type_name("FILE");
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
