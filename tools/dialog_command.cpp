// dialog: the filter dialog as the user sees it after the given actions, dumped as JSON.
#include <CLI/CLI.hpp>
#include <iostream>

#include "command_options.h"
#include "dialog_actions.h"
#include "host_run.h"
#include "param_file.h"
#include "progress.h"

namespace fltools {

int runDialog(const DialogArgs& args, const char* argv0) {
  const RenderArgs& run = args.run;
  if (std::filesystem::path(args.dump).extension() != ".json")
    throw ToolError("--dump " + displayPath(args.dump) + ": the dump is JSON (.json)");
  refuseSharedFiles({{"--dump", args.dump}},
                    {{"--params", run.params}, {"--dialog-script", run.script}, {"--swatches", run.host.swatches}});
  HostConfig config = parseHostOptions(run.host, argv0);
  RunPlan plan;
  if (!run.params.empty()) plan.record = recordFromFile(run.params, config);
  plan.actions = dialogActions(run);
  plan.locks = dialogLocks(run, plan.actions);
  OutputFile output(args.dump);
  // The dialog is cancelled unless the script confirms it, and shown just before it ends.
  std::string dump;
  plan.prepareDriver = [&](flhost::ScriptDriver& driver) {
    driver.confirmWhenDone = false;
    driver.beforeEnd = [&](flhost::ModalSession& s) {
      dump = dialogDumpJson(s, *static_cast<const BurstParams*>(s.dialog().userData));
    };
  };
  plan.getParameters = true;
  plan.acceptCancel = true;
  plan.announceSeed = !config.random.seed;
  HostRun result = runPlugin(config, plan);
  if (!result.ok) return kExitPluginError;
  if (dump.empty()) {
    diagnostics() << "flarimond: the dialog ended before the script was done\n";
    return kExitPluginError;
  }
  output.stream() << dump;
  output.commit();
  return kExitOk;
}

Command addDialogCommand(CLI::App& app) {
  auto dialog = std::make_shared<DialogArgs>();
  CLI::App* cmd = app.add_subcommand("dialog",
                                     "Show the filter dialog as the user sees it after the\n"
                                     "given actions, as JSON");
  cmd->add_option("--dump", dialog->dump, "Where to write the dialog (.json)")->type_name("FILE")->required();
  cmd->add_option("--params", dialog->run.params, "Record the host holds before the dialog (.bin or .json)")
      ->type_name("FILE");
  addHostOptions(cmd, dialog->run.host);
  addDialogOptions(cmd, dialog->run);
  cmd->footer(
      std::string("The dialog is dumped when the actions are done, then cancelled unless the script\n"
                  "confirmed it. The dump: {\"size\": [w, h], \"items\": [{\"id\", \"kind\", \"text\", \"rect\",\n"
                  "\"value\", \"min\", \"max\", \"decimals\", \"visible\", \"enabled\", \"font\", \"entries\",\n"
                  "\"selected\"}], \"record\": {...}}, items in creation order with the keys their kind has.\n\n") +
      kScriptHelp + "\n" + kModuleHelp + "\n" + kExitCodesHelp);
  return {cmd, [dialog](const char* argv0) { return runDialog(*dialog, argv0); }};
}

}  // namespace fltools
