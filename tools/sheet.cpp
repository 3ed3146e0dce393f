// sheet: a contact sheet, the same record drawn once per value of one field, tiles in a grid.
#include <CLI/CLI.hpp>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>

#include "burst_fields.h"
#include "command_options.h"
#include "design_meta.h"
#include "dialog_actions.h"
#include "export.h"
#include "host_run.h"
#include "param_file.h"
#include "progress.h"

#ifdef FLARIMOND_HAVE_CAIRO
#include <cairo.h>

#include "export_png.h"
#endif

namespace fltools {

#ifdef FLARIMOND_HAVE_CAIRO
namespace {

using CairoHolder = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;
using SurfaceHolder = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

constexpr int32_t kPresetPopup = 123;

struct Variation {
  const BurstField* field;
  int from, to;
};

Variation parseVariation(const std::string& text) {
  size_t eq = text.find('=');
  size_t dots = text.find("..", eq == std::string::npos ? 0 : eq);
  if (eq == std::string::npos || dots == std::string::npos)
    throw ToolError("--vary \"" + text + "\": expected FIELD=FROM..TO, such as burstType=0..29");
  std::string name = text.substr(0, eq);
  const BurstField* field = nullptr;
  for (const BurstField& f : kBurstFields)
    if (name == f.name) field = &f;
  if (!field) {
    const char* near = closestFieldName(name);
    throw ToolError("--vary: unknown field \"" + name + "\"" + (near ? std::string(" (did you mean ") + near + "?)" : ""));
  }
  if (field->kind == FieldKind::Float)
    throw ToolError("--vary: " + name + " is a real; vary a whole-number field (a list position, a count or a flag)");
  auto number = [&](const std::string& part) {
    char* end = nullptr;
    long v = std::strtol(part.c_str(), &end, 10);
    if (part.empty() || *end != 0) throw ToolError("--vary \"" + text + "\": \"" + part + "\" is not a whole number");
    return static_cast<int>(v);
  };
  Variation v{field, number(text.substr(eq + 1, dots - eq - 1)), number(text.substr(dots + 2))};
  if (v.to < v.from) throw ToolError("--vary \"" + text + "\": the range is empty");
  if (v.to - v.from >= 400) throw ToolError("--vary \"" + text + "\": at most 400 tiles");
  return v;
}

int wholeOption(const std::string& text, const char* option, int lo, int hi) {
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != 0 || v < lo || v > hi)
    throw ToolError(std::string(option) + " \"" + text + "\": expected a whole number from " + std::to_string(lo) +
                    " to " + std::to_string(hi));
  return static_cast<int>(v);
}

cairo_status_t readPng(void* closure, unsigned char* data, unsigned int length) {
  auto* in = static_cast<std::istream*>(closure);
  in->read(reinterpret_cast<char*>(data), length);
  return in->gcount() == static_cast<std::streamsize>(length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_READ_ERROR;
}

}  // namespace

int runSheet(const SheetArgs& args, const char* argv0) {
  if (outputFormatOf(args.output) != OutputFormat::Png) throw ToolError("sheet writes .png pictures only");
  Variation vary = parseVariation(args.vary);
  int columns = wholeOption(args.columns, "--columns", 1, 50);
  int tile = wholeOption(args.tile, "--tile", 32, 2000);
  refuseSharedFiles({{"-o", args.output}}, {{"--params", args.params}, {"--swatches", args.host.swatches}});
  HostSetup setup = prepareHost(args.host, argv0);
  int32_t swatches = static_cast<int32_t>(setup.options.document.swatches.size());

  // The record every tile starts from: the given one, or the defaults the plug-in makes.
  std::optional<BurstParams> start =
      args.params.empty() ? pluginDefaults(setup) : recordFromFile(args.params, setup, args.host.seedGiven);
  if (!start) return kExitPluginError;
  BurstParams base = *start;
  if (!setup.options.seed) setup.options.seed = flhost::RandomSource::freshSeed();
  diagnostics() << "seed: " << *setup.options.seed << "\n";

  OutputFile output(args.output);
  std::vector<flhost::PngText> designs;
  int count = vary.to - vary.from + 1;
  int rows = (count + columns - 1) / columns;
  const int label = 18;
  SurfaceHolder sheet(cairo_image_surface_create(CAIRO_FORMAT_RGB24, columns * tile, rows * (tile + label)),
                      &cairo_surface_destroy);
  CairoHolder cr(cairo_create(sheet.get()), &cairo_destroy);
  cairo_set_source_rgb(cr.get(), 1, 1, 1);
  cairo_paint(cr.get());
  bool isPreset = std::string(vary.field->name) == "preset";
  for (int i = 0; i < count; ++i) {
    int32_t value = vary.from + i;
    RunPlan plan;
    plan.record = base;
    std::memcpy(reinterpret_cast<unsigned char*>(&*plan.record) + vary.field->offset, &value, 4);
    std::string problem = rangeProblem(*plan.record, *vary.field, swatches, "--vary");
    if (!problem.empty()) throw ToolError(problem);
    // Presets live in the dialog, not in the record: their tiles choose the preset there and
    // confirm, as a user would.
    if (isPreset) {
      flhost::DialogAction choose;
      choose.kind = flhost::DialogAction::Kind::Choose;
      choose.id = kPresetPopup;
      choose.value = value;
      plan.actions.push_back(choose);
      plan.getParameters = true;
    }
    plan.go = true;
    plan.noteUnfiredFaults = false;
    HostRun run = runPlugin(setup, plan);
    if (!run.ok) return kExitPluginError;
    // Each tile carries what made it, so `render --from SHEET --tile N` draws it again.
    std::optional<BurstParams> held = heldRecord(*run.session);
    if (!held) return kExitPluginError;
    DesignMeta design = describeDesign(setup, *run.session, *held);
    design.tile = i + 1;
    designs.push_back(designPngText(design));
    std::stringstream png;
    std::string why;
    if (!flhost::writeDocumentPng(run.session->document(), png, tile, true, &why, true)) {
      diagnostics() << "flarimond: tile " << value << ": " << why << "\n";
      return kExitPluginError;
    }
    SurfaceHolder picture(cairo_image_surface_create_from_png_stream(readPng, &png), &cairo_surface_destroy);
    double x = (i % columns) * tile, y = (i / columns) * (tile + label);
    int h = cairo_image_surface_get_height(picture.get());
    cairo_set_source_surface(cr.get(), picture.get(), x, y + (tile - std::min(h, tile)) / 2.0);
    cairo_rectangle(cr.get(), x, y, tile, tile);
    cairo_fill(cr.get());
    std::string text = isPreset ? presetNames()[static_cast<size_t>(value)]
                                : std::string(vary.field->name) + " " + std::to_string(value);
    cairo_set_source_rgb(cr.get(), 0.25, 0.25, 0.25);
    cairo_select_font_face(cr.get(), "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr.get(), 12);
    cairo_text_extents_t extents;
    cairo_text_extents(cr.get(), text.c_str(), &extents);
    cairo_move_to(cr.get(), x + (tile - extents.width) / 2, y + tile + 13);
    cairo_show_text(cr.get(), text.c_str());
    showProgress("tile " + std::to_string(i + 1) + " of " + std::to_string(count));
  }
  endProgress();
  cr.reset();
  std::string why;
  if (!flhost::writeSurfacePng(sheet.get(), false, designs, output.stream(), &why))
    throw ToolError(displayPath(args.output) + ": " + why);
  output.commit();
  return kExitOk;
}
#else
int runSheet(const SheetArgs&, const char*) {
  throw ToolError("sheet needs PNG export, which is not available in this build");
}
#endif

Command addSheetCommand(CLI::App& app) {
  auto sheet = std::make_shared<SheetArgs>();
  CLI::App* cmd = app.add_subcommand(
      "sheet",
      "Draw a contact sheet: one tile per value of a field\n"
      "(such as every burst type), as a PNG");
  cmd->add_option("--vary", sheet->vary,
                  "The field and its values: FIELD=FROM..TO, such as\nburstType=0..29 or shapeOption=0..13")
      ->type_name("FIELD=FROM..TO")
      ->required();
  cmd->add_option("-o,--output", sheet->output, "The sheet to write (.png)")->type_name("FILE")->required();
  cmd->add_option("--params", sheet->params,
                  "The record every tile starts from (.bin or .json);\nwithout it the plug-in's defaults")
      ->type_name("FILE");
  cmd->add_option("--columns", sheet->columns, "Tiles per row (default 6)")->type_name("N");
  cmd->add_option("--tile", sheet->tile, "Tile size in pixels (default 240)")->type_name("PIXELS");
  addHostOptions(cmd, sheet->host);
  cmd->footer(std::string("Each tile is its own host run (Startup, Go on the record with the field set,\n"
                          "Shutdown) with the same seed, framed to the design's art.\n\n") +
              kSwatchHelp + "\n" + kModuleHelp + "\n" + kExitCodesHelp);
  return {cmd, [sheet](const char* argv0) { return runSheet(*sheet, argv0); }};
}

}  // namespace fltools
