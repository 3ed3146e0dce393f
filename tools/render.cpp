// render and apply: one run of the filter, with or without its parameters dialog, and the
// document it leaves written to a file with what made it inside.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <optional>

#include "command_options.h"
#include "design_file.h"
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
  cmd->add_option("-o,--output", r.output, "The document to write: .svg, .json, .png or .pdf")
      ->type_name("FILE")
      ->required();
  cmd->add_option("--save-params", r.saveParams,
                  "Also write the record the host holds after the run and where\n"
                  "the random source stood when its drawing began (.json; or\n"
                  ".bin, with that in FILE.random beside it)")
      ->type_name("FILE");
}

// What render --from draws: the design a file carries, with what the command line gives on top
// (designToDraw): --seed starts the random source afresh (the design then is what `render
// --seed` would draw with the same record).
std::optional<DesignToDraw> designFromFile(const RenderArgs& args, const HostConfig& given) {
  if (!args.params.empty()) throw ToolError("--from and --params both give the record: choose one");
  if (args.cancel) throw ToolError("--from draws the design without a dialog to cancel: leave out --cancel");
  std::optional<int> tile;
  if (!args.tile.empty()) {
    char* end = nullptr;
    long n = std::strtol(args.tile.c_str(), &end, 10);
    if (*end != 0 || n < 1 || n > 100000)
      throw ToolError("--tile \"" + args.tile + "\": expected a tile number from 1");
    tile = static_cast<int>(n);
  }
  std::optional<std::string> id;
  if (!args.design.empty()) id = args.design;
  std::string file = displayPath(args.from);
  std::vector<FoundDesign> designs = readDesigns(args.from, diagnostics());
  const FoundDesign& found = chooseDesign(designs, id, tile, file);
  const DesignRecord& design = found.design;
  if (found.artMatches == false)
    diagnostics() << "flarimond: " << designSource(file, found.id, designs.size())
                  << ": the art in the file is no longer the art this design drew (moved, recoloured or edited "
                     "since); drawing the design as it was made\n";
  std::vector<flhost::DialogAction> actions = dialogActions(args);
  std::vector<std::string> locks = dialogLocks(args, actions);
  return designToDraw(design, given, std::move(actions), std::move(locks), args.script.empty());
}

}  // namespace

std::optional<DesignToDraw> designToDraw(const DesignRecord& design, const HostConfig& given,
                                         std::vector<flhost::DialogAction> actions, std::vector<std::string> locks,
                                         bool keepPage) {
  DesignToDraw from{configToDraw(design, given), design.record};
  if (!actions.empty()) {
    HostConfig editing = from.config;
    editing.fails.clear();
    editing.random.drawsBefore = 0;  // the dialog's own draws start with the seed
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
    if (keepPage) edited->currentPage = from.record.currentPage;
    from.record = *edited;
  }
  from.record = storedRecord(from.record);
  return from;
}

namespace {

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
  picture.plot = parsePlotOptions(args.plot, args.pens, args.tolerance, args.output);
  std::optional<ParamFormat> saveFormat;
  if (!args.saveParams.empty()) {
    saveFormat = paramFormatOf(args.saveParams);
    if (!saveFormat)
      throw ToolError(displayPath(args.saveParams) + ": unknown parameter file type (use .bin or .json)");
  }
  // A .bin keeps its random start in a file of its own beside it.
  std::filesystem::path savedStart;
  if (saveFormat == ParamFormat::Bin) savedStart = randomStartFile(args.saveParams);
  refuseSharedFiles({{"-o", args.output}, {"--save-params", args.saveParams}, {"--save-params", savedStart}},
                    {{"--params", args.params},
                     {"--from", args.from},
                     {"--dialog-script", args.script},
                     {"--swatches", args.host.swatches}});
  if (!args.tile.empty() && args.from.empty()) throw ToolError("--tile picks a tile of the sheet --from names");
  if (!args.design.empty() && args.from.empty()) throw ToolError("--design picks one of the designs --from names");
  HostConfig config = parseHostOptions(args.host, argv0);
  RunPlan plan;
  if (!args.from.empty()) {
    std::optional<DesignToDraw> from = designFromFile(args, config);
    if (!from) return kExitPluginError;
    config = std::move(from->config);
    plan.record = from->record;
    withDialog = false;
  } else {
    if (!args.params.empty()) {
      plan.record = recordFromFile(args.params, config);
    } else if (!withDialog) {
      throw ToolError("apply needs a parameter record (--params FILE)");
    }
    plan.actions = dialogActions(args);
    plan.locks = dialogLocks(args, plan.actions);
    if (!withDialog && !plan.actions.empty())
      throw ToolError("apply runs no dialog: --preset, --set and --dialog-script need render");
    plan.announceSeed = !config.random.seed;
  }
  // All outputs are put in place together, or none.
  OutputTransaction outputs;
  std::ostream& output = outputs.add(args.output);
  std::ostream* saved = saveFormat ? &outputs.add(args.saveParams) : nullptr;
  std::ostream* savedRandom = savedStart.empty() ? nullptr : &outputs.add(savedStart);

  plan.getParameters = withDialog;
  plan.acceptCancel = true;
  plan.go = true;
  HostRun run = runPlugin(config, plan);
  if (!run.ok) return kExitPluginError;

  std::optional<BurstParams> held = heldRecord(*run.session);
  if (!held) return kExitPluginError;
  DesignRecord design = describeDesign(config, *run.session, *held);
  if (saved) writeParams(*saved, *saveFormat, *held, displayPath(args.saveParams), &design.random);
  if (savedRandom) *savedRandom << randomStartJson(design.random);
  if (format != OutputFormat::Json && !picture.plot)
    if (std::string note = frameWarning(run.session->document(), picture.frame); !note.empty())
      diagnostics() << "flarimond: warning: " << displayPath(args.output) << ": " << note << "\n";
  try {
    writeDesignDocument(run.session->document(), design, format, picture, output, displayPath(args.output));
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
  CLI::App* cmd = app.add_subcommand("render",
                                     "Run the filter as a user would: the parameters dialog, then\n"
                                     "the drawing; write the document");
  addOutputOptions(cmd, *render);
  cmd->add_option("--params", render->params,
                  "Record the host holds before the run (.bin or .json; a\n"
                  ".json may name only some fields); without it the plug-in\n"
                  "makes its defaults")
      ->type_name("FILE");
  cmd->add_option("--from", render->from,
                  "Draw again the design a flarimond .svg, .png, .pdf or .json\n"
                  "carries; other options change only what they name")
      ->type_name("FILE");
  cmd->add_option("--design", render->design,
                  "With --from: which of the file's designs, by the id\n"
                  "'flarimond inspect' shows")
      ->type_name("ID");
  cmd->add_option("--tile", render->tile, "With --from: which tile of a sheet, by its own number")->type_name("N");
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
                          "first, in a dialog of its own); --seed starts the random source afresh. --design ID\n"
                          "or --tile N chooses one of the file's designs ('flarimond inspect' lists them); when\n"
                          "the art beside it in an SVG is no longer the art it drew, stderr says so.\n"
                          "With --params the random source starts where the file says the design's drawing\n"
                          "began (its seed and draws before, when it has them), so the output is the one\n"
                          "saved with it.\n\n") +
              kFormatsHelp + "\n" + kScriptHelp + "\n" + kSwatchHelp + "\n" + kFailHelp + "\n" + kModuleHelp + "\n" +
              kExitCodesHelp);
  return {cmd, [render](const char* argv0) { return runRender(*render, argv0); }};
}

Command addApplyCommand(CLI::App& app) {
  auto apply = std::make_shared<RenderArgs>();
  CLI::App* cmd = app.add_subcommand("apply",
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
                          "belongs to the document it was drawn in, not to this new one. The random source\n"
                          "starts where the file says the design's drawing began (its seed and draws before,\n"
                          "when it has them; a .bin's in FILE.random beside it), so the document is the one\n"
                          "saved with the record; --seed or --draws start it afresh.\n\n") +
              kFormatsHelp + "\n" + kSwatchHelp + "\n" + kFailHelp + "\n" + kModuleHelp + "\n" + kExitCodesHelp);
  return {cmd, [apply](const char* argv0) { return runApply(*apply, argv0); }};
}

}  // namespace fltools
