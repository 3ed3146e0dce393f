// render and apply: one run of the filter, with or without its parameters dialog, and the
// document it leaves written to a file with what made it inside.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <optional>

#include "command_options.h"
#include "design_meta.h"
#include "dialog_actions.h"
#include "host_run.h"
#include "param_file.h"
#include "progress.h"
#include "text_format.h"

namespace fltools {

namespace fs = std::filesystem;

namespace {

// -o and --save-params, which render and apply share.
void addOutputOptions(CLI::App* cmd, RenderArgs& r) {
  cmd->add_option("-o,--output", r.output, "The document to write: .svg, .json or .png")->type_name("FILE")->required();
  cmd->add_option("--save-params", r.saveParams,
                  "Also write the record the host holds after the run (.bin or\n"
                  ".json, which keeps the seed too)")
      ->type_name("FILE");
}

// What render --from draws: the design a file carries, with what the command line gives on top.
struct FromDesign {
  HostSetup setup;
  BurstParams record;
};

// The design's own host options, seed and random position, unless the command line gives them:
// --seed starts the random source afresh (the design then is what `render --seed` would draw with
// the same record). The dialog's actions, when given, edit the record in a session of their own,
// so that they change only what they name and the drawing still starts where the design's did.
std::optional<FromDesign> designToDraw(const RenderArgs& args, const char* argv0) {
  if (!args.params.empty()) throw ToolError("--from and --params both give the record: choose one");
  if (args.cancel) throw ToolError("--from draws the design without a dialog to cancel: leave out --cancel");
  std::optional<int> tile;
  if (!args.tile.empty()) {
    char* end = nullptr;
    long n = std::strtol(args.tile.c_str(), &end, 10);
    if (*end != 0 || n < 1 || n > 100000) throw ToolError("--tile \"" + args.tile + "\": expected a tile number from 1");
    tile = static_cast<int>(n);
  }
  std::vector<DesignMeta> designs = readDesigns(args.from);
  const DesignMeta& design = pickDesign(designs, tile, displayPath(args.from));
  HostArgs host = hostArgsFor(design, args.host);
  uint64_t skip = 0;
  if (!args.host.seedGiven) {
    host.seed = std::to_string(design.seed);
    host.seedGiven = true;
    if (host.draws.empty()) host.draws = drawsText(design.firstDraws);
    skip = design.drawsBefore;
  }
  FromDesign from{prepareHost(host, argv0), design.record};
  std::vector<flhost::DialogAction> actions = dialogActions(args);
  std::vector<std::string> locks = dialogLocks(args, actions);
  if (!actions.empty()) {
    HostSetup editing = from.setup;
    editing.fails.clear();
    RunPlan plan;
    plan.record = from.record;
    plan.actions = std::move(actions);
    plan.locks = std::move(locks);
    plan.getParameters = true;
    plan.noteUnfiredFaults = false;
    HostRun run = runPlugin(editing, plan);
    std::optional<BurstParams> edited = run.ok ? heldRecord(*run.session) : std::nullopt;
    if (!edited) return std::nullopt;
    // --set and --preset show a page on their way, as a user would; the page was not what they
    // named, so the design keeps its own (a script's page presses are the user's own).
    if (args.script.empty()) edited->currentPage = from.record.currentPage;
    from.record = *edited;
  }
  from.record = storedRecord(from.record);
  from.setup.options.skipDraws = skip;
  return from;
}

// Render and apply: the same flow, with or without the parameters dialog.
int runFilter(const RenderArgs& args, const char* argv0, bool withDialog) {
  // Everything the user gave is checked, and the output files claimed, before any work starts.
  OutputFormat format = outputFormatOf(args.output);
  PictureOptions picture;
  picture.pixelWidth = parsePixelWidth(args.width);
  if (args.background != "white" && args.background != "transparent")
    throw ToolError("--background \"" + args.background + "\": expected white or transparent");
  picture.transparent = args.background == "transparent";
  picture.frame = parseFrame(args.frame);
  std::optional<ParamFormat> saveFormat;
  if (!args.saveParams.empty()) {
    saveFormat = paramFormatOf(args.saveParams);
    if (!saveFormat)
      throw ToolError(displayPath(args.saveParams) + ": unknown parameter file type (use .bin or .json)");
  }
  refuseSharedFiles({{"-o", args.output}, {"--save-params", args.saveParams}},
                    {{"--params", args.params}, {"--from", args.from}, {"--dialog-script", args.script},
                     {"--swatches", args.host.swatches}});
  if (!args.tile.empty() && args.from.empty()) throw ToolError("--tile picks a tile of the sheet --from names");
  RunPlan plan;
  HostSetup setup;
  if (!args.from.empty()) {
    std::optional<FromDesign> from = designToDraw(args, argv0);
    if (!from) return kExitPluginError;
    setup = std::move(from->setup);
    plan.record = from->record;
    withDialog = false;
  } else {
    setup = prepareHost(args.host, argv0);
    if (!args.params.empty()) {
      plan.record = recordFromFile(args.params, setup, args.host.seedGiven);
      if (!plan.record) return kExitPluginError;
    } else if (!withDialog) {
      throw ToolError("apply needs a parameter record (--params FILE)");
    }
    plan.actions = dialogActions(args);
    plan.locks = dialogLocks(args, plan.actions);
    if (!withDialog && !plan.actions.empty())
      throw ToolError("apply runs no dialog: --preset, --set and --dialog-script need render");
    plan.announceSeed = !setup.options.seed;
  }
  // Both outputs are put in place together, or neither.
  OutputTransaction outputs;
  std::ostream& output = outputs.add(args.output);
  std::ostream* saved = saveFormat ? &outputs.add(args.saveParams) : nullptr;

  plan.getParameters = withDialog;
  plan.acceptCancel = true;
  plan.go = true;
  HostRun run = runPlugin(setup, plan);
  if (!run.ok) return kExitPluginError;

  std::optional<BurstParams> held = heldRecord(*run.session);
  if (!held) return kExitPluginError;
  uint64_t seed = run.session->random().seed();
  if (saved) writeParams(*saved, *saveFormat, *held, displayPath(args.saveParams), seed);
  if (format != OutputFormat::Json)
    if (std::string note = frameWarning(run.session->document(), picture.frame); !note.empty())
      diagnostics() << "flarimond: warning: " << displayPath(args.output) << ": " << note << "\n";
  try {
    writeDesignDocument(run.session->document(), describeDesign(setup, *run.session, *held), format, picture,
                        output, displayPath(args.output));
  } catch (const ToolError&) {
    outputs.throwIfWriteFailed();  // the system's reason, when the file is what failed
    throw;
  }
  outputs.commit();
  return kExitOk;
}

}  // namespace

int runRender(const RenderArgs& args, const char* argv0) { return runFilter(args, argv0, true); }

int runApply(const RenderArgs& args, const char* argv0) { return runFilter(args, argv0, false); }

Command addRenderCommand(CLI::App& app) {
  auto render = std::make_shared<RenderArgs>();
  CLI::App* cmd = app.add_subcommand(
      "render",
      "Run the filter as a user would: the parameters dialog, then\n"
      "the drawing; write the document");
  addOutputOptions(cmd, *render);
  cmd->add_option("--params", render->params,
                  "Record the host holds before the run (.bin or .json; a\n"
                  ".json may name only some fields); without it the plug-in\n"
                  "makes its defaults")
      ->type_name("FILE");
  cmd->add_option("--from", render->from,
                  "Draw again the design a flarimond .svg, .png or .json\n"
                  "carries; other options change only what they name")
      ->type_name("FILE");
  cmd->add_option("--tile", render->tile, "With --from: which tile of a sheet (from 1)")->type_name("N");
  cmd->add_flag("--cancel", render->cancel,
                "Cancel the parameters dialog: Go is not sent and the\n"
                "unchanged document is written (exit status 0)");
  addHostOptions(cmd, render->host);
  addPictureOptions(cmd, *render);
  addDialogOptions(cmd, *render);
  cmd->footer(std::string("The host sends Startup, Get Parameters (the dialog), Go (the drawing) and "
                          "Shutdown, then writes -o.\n"
                          "With --from the host sends Go on the design's record with the random source where\n"
                          "the design's drawing began (a --preset, --set or --dialog-script edits the record\n"
                          "first, in a dialog of its own); --seed starts the random source afresh.\n\n") +
              kFormatsHelp + "\n" + kScriptHelp + "\n" + kSwatchHelp + "\n" + kFailHelp + "\n" + kModuleHelp + "\n" +
              kExitCodesHelp);
  return {cmd, [render](const char* argv0) { return runRender(*render, argv0); }};
}

Command addApplyCommand(CLI::App& app) {
  auto apply = std::make_shared<RenderArgs>();
  CLI::App* cmd = app.add_subcommand(
      "apply",
      "Draw with a stored record and no dialog (the host's\n"
      "\"apply last filter\")");
  cmd->add_option("--params", apply->params, "The stored parameter record (.bin or .json)")
      ->type_name("FILE")
      ->required();
  addOutputOptions(cmd, *apply);
  addHostOptions(cmd, apply->host);
  addPictureOptions(cmd, *apply);
  cmd->footer(std::string("The host sends Startup and Go on the stored record, then Shutdown, and writes\n"
                          "-o. The record's previewValid is cleared first: a preview drawn by a dialog\n"
                          "belongs to the document it was drawn in, not to this new one.\n\n") +
              kFormatsHelp + "\n" + kSwatchHelp + "\n" + kFailHelp + "\n" + kModuleHelp + "\n" + kExitCodesHelp);
  return {cmd, [apply](const char* argv0) { return runApply(*apply, argv0); }};
}

}  // namespace fltools
