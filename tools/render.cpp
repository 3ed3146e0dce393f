// render and apply: one run of the filter, with or without its parameters dialog, and the
// document it leaves written to a file.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <optional>

#include "command_options.h"
#include "dialog_actions.h"
#include "export.h"
#include "host_run.h"
#include "param_file.h"

namespace fltools {

namespace fs = std::filesystem;

namespace {

bool samePath(const fs::path& a, const fs::path& b) {
  std::error_code ea, eb;
  fs::path ca = fs::weakly_canonical(a, ea), cb = fs::weakly_canonical(b, eb);
  return !ea && !eb && ca == cb;
}

// Render and apply: the same flow, with or without the parameters dialog.
int runFilter(const RenderArgs& args, const char* argv0, bool withDialog) {
  // Everything the user gave is checked, and the output files claimed, before any work starts.
  OutputFormat format = outputFormatOf(args.output);
  [[maybe_unused]] int pixelWidth = parsePixelWidth(args.width);  // PNG only, which needs cairo
  if (args.background != "white" && args.background != "transparent")
    throw ToolError("--background \"" + args.background + "\": expected white or transparent");
  flhost::Frame frame = parseFrame(args.frame);
  std::optional<ParamFormat> saveFormat;
  if (!args.saveParams.empty()) {
    saveFormat = paramFormatOf(args.saveParams);
    if (!saveFormat)
      throw ToolError(displayPath(args.saveParams) + ": unknown parameter file type (use .bin or .json)");
    if (samePath(args.saveParams, args.output))
      throw ToolError("--save-params and -o name the same file " + displayPath(args.output));
  }
  HostSetup setup = prepareHost(args.host, argv0);
  RunPlan plan;
  if (!args.params.empty())
    plan.record = readParamFile(args.params, static_cast<int32_t>(setup.options.document.swatches.size()));
  else if (!withDialog)
    throw ToolError("apply needs a parameter record (--params FILE)");
  OutputFile output(args.output);
  std::unique_ptr<OutputFile> saved;
  if (saveFormat) saved = std::make_unique<OutputFile>(args.saveParams);

  plan.actions = dialogActions(args);
  if (!withDialog && !plan.actions.empty())
    throw ToolError("apply runs no dialog: --preset, --set and --dialog-script need render");
  plan.getParameters = withDialog;
  plan.acceptCancel = true;
  plan.go = true;
  plan.announceSeed = !args.host.seedGiven;
  HostRun run = runPlugin(setup, plan);
  if (!run.ok) return kExitPluginError;

  if (saved) {
    std::optional<BurstParams> held = heldRecord(*run.session);
    if (!held) return kExitPluginError;
    writeParams(saved->stream(), *saveFormat, *held, displayPath(args.saveParams));
  }
  const flhost::Document& document = run.session->document();
  if (format == OutputFormat::Svg) {
    flhost::writeDocumentSvg(document, output.stream(), frame);
  } else if (format == OutputFormat::Json) {
    flhost::writeDocumentJson(document, output.stream());
  } else {
#ifdef FLARIMOND_HAVE_CAIRO
    std::string why;
    if (!flhost::writeDocumentPng(document, output.stream(), pixelWidth, args.background == "transparent", &why,
                                  frame == flhost::Frame::Art))
      throw ToolError(displayPath(args.output) + ": " + why);
#endif
  }
  output.commit();
  if (saved) saved->commit();
  return kExitOk;
}

}  // namespace

int runRender(const RenderArgs& args, const char* argv0) { return runFilter(args, argv0, true); }

int runApply(const RenderArgs& args, const char* argv0) { return runFilter(args, argv0, false); }

Command addRenderCommand(CLI::App& app) {
  auto render = std::make_shared<RenderArgs>();
  CLI::Option* seed = nullptr;
  CLI::App* cmd = app.add_subcommand(
      "render",
      "Run the filter as a user would: the parameters dialog, then\n"
      "the drawing; write the document");
  cmd->add_option("-o,--output", render->output, "The document to write: .svg, .json or .png")
      ->type_name("FILE")
      ->required();
  cmd->add_option("--params", render->params,
                  "Record the host holds before the run (.bin or .json);\n"
                  "without it the plug-in makes its defaults")
      ->type_name("FILE");
  cmd->add_option("--save-params", render->saveParams,
                  "Also write the record the host holds after the run (.bin or .json)")
      ->type_name("FILE");
  cmd->add_flag("--cancel", render->cancel,
                "Cancel the parameters dialog: Go is not sent and the\n"
                "unchanged document is written (exit status 0)");
  addHostOptions(cmd, render->host, &seed);
  addPictureOptions(cmd, *render);
  addDialogOptions(cmd, *render);
  cmd->footer(std::string("The host sends Startup, Get Parameters (the dialog), Go (the drawing) and "
                          "Shutdown, then writes -o.\n\n") +
              kFormatsHelp + "\n" + kScriptHelp + "\n" + kSwatchHelp + "\n" + kFailHelp + "\n" + kModuleHelp + "\n" +
              kExitCodesHelp);
  return {cmd, [render, seed](const char* argv0) {
            render->host.seedGiven = seed->count() > 0;
            return runRender(*render, argv0);
          }};
}

Command addApplyCommand(CLI::App& app) {
  auto apply = std::make_shared<RenderArgs>();
  CLI::Option* seed = nullptr;
  CLI::App* cmd = app.add_subcommand(
      "apply",
      "Draw with a stored record and no dialog (the host's\n"
      "\"apply last filter\")");
  cmd->add_option("--params", apply->params, "The stored parameter record (.bin or .json)")
      ->type_name("FILE")
      ->required();
  cmd->add_option("-o,--output", apply->output, "The document to write: .svg, .json or .png")
      ->type_name("FILE")
      ->required();
  cmd->add_option("--save-params", apply->saveParams,
                  "Also write the record the host holds after the run (.bin or .json)")
      ->type_name("FILE");
  addHostOptions(cmd, apply->host, &seed);
  addPictureOptions(cmd, *apply);
  cmd->footer(std::string("The host sends Startup and Go on the stored record, then Shutdown, and writes\n"
                          "-o. The record is used as stored: when its previewValid is 1 the plug-in\n"
                          "takes the art already in the document as the result and draws nothing.\n\n") +
              kFormatsHelp + "\n" + kSwatchHelp + "\n" + kFailHelp + "\n" + kModuleHelp + "\n" + kExitCodesHelp);
  return {cmd, [apply, seed](const char* argv0) {
            apply->host.seedGiven = seed->count() > 0;
            return runApply(*apply, argv0);
          }};
}

}  // namespace fltools
