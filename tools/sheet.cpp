// sheet: a contact sheet, one design drawn once per value of one or two --vary, tiles in a grid,
// as a PNG or as an SVG with a group per tile. Each tile is a host run of its own, in a worker
// process (worker_pool.h); the sheet is put together here, in tile order.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "command_options.h"
#include "design_file.h"
#include "dialog_actions.h"
#include "export.h"
#include "host_run.h"
#include "param_file.h"
#include "progress.h"
#include "sheet_plan.h"
#include "text_format.h"
#include "worker_pool.h"

#ifdef FLARIMOND_HAVE_CAIRO
#include <cairo.h>

#include "export_png.h"
#endif
#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace fltools {

namespace fs = std::filesystem;

namespace {

// The band under each tile that holds its values.
constexpr int kLabelHeight = 18;

int wholeOption(const std::string& text, const char* option, int lo, int hi) {
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != 0 || v < lo || v > hi)
    throw ToolError(std::string(option) + " \"" + text + "\": expected a whole number from " + std::to_string(lo) +
                    " to " + std::to_string(hi));
  return static_cast<int>(v);
}

// Everything a worker needs to draw any tile of the sheet.
struct SheetJob {
  HostConfig config;  // its seed is every tile's unless the seed is varied
  BurstParams base;
  std::vector<Variation> vary;
  SheetGrid grid;
  std::vector<flhost::DialogAction> userActions;
  std::vector<std::string> locks;  // held through Tumble and Shuffle
  bool dialog = false;             // the tiles go through the filter dialog (Get Parameters) before Go
  flhost::Frame frame = flhost::Frame::Art;
  OutputFormat format = OutputFormat::Png;
  int tileSize = 240;
  bool each = false;  // a whole document per tile, as render writes it, instead of the sheet's parts
  std::optional<flhost::PlotOptions> plot;  // each tile's file as plotter line art
};

std::string tileLabel(const SheetJob& job, const std::vector<size_t>& steps) {
  std::string text;
  for (size_t k = 0; k < steps.size(); ++k) text += (k ? ", " : "") + valueLabel(job.vary[k], steps[k]);
  return text;
}

// Draws tile i in a host run of its own; the output is the tile's PNG, or its SVG group.
JobResult drawTile(const SheetJob& job, size_t i) {
  JobResult result;
  std::vector<size_t> steps = tileSteps(job.vary, job.grid, i);
  HostConfig config = job.config;
  RunPlan plan;
  plan.record = job.base;
  std::vector<flhost::DialogAction> before, presses, after;
  for (size_t k = 0; k < steps.size(); ++k) {
    const Variation& v = job.vary[k];
    if (v.kind == Variation::Kind::Seed) {
      config.random.seed = v.seeds[steps[k]];
      config.random.drawsBefore = 0;  // a position counts the draws of one seed
    } else if (v.kind == Variation::Kind::Preset) {
      // Presets live in the dialog, not in the record: a tile chooses its preset there first.
      before.push_back(presetAction(static_cast<int32_t>(v.values[steps[k]]), "--vary " + v.name));
    } else if (v.kind == Variation::Kind::Presses) {
      // Pressed one by one after the user's own actions, as a user would: tile k is the design
      // after k presses.
      flhost::DialogAction press;
      press.kind = flhost::DialogAction::Kind::Press;
      press.id = v.button;
      press.origin = "--vary " + v.name + ", press " + valueText(v, steps[k]);
      presses.assign(static_cast<size_t>(v.values[steps[k]]), press);
    } else if (job.dialog) {
      // After the user's own actions, so that a preset chosen there does not undo the value.
      std::vector<flhost::DialogAction> set = setFieldActions(v.name + "=" + valueText(v, steps[k]));
      after.insert(after.end(), set.begin(), set.end());
    } else {
      setField(*plan.record, *v.field, v.values[steps[k]]);
    }
  }
  plan.actions = before;
  plan.actions.insert(plan.actions.end(), job.userActions.begin(), job.userActions.end());
  plan.actions.insert(plan.actions.end(), presses.begin(), presses.end());
  plan.actions.insert(plan.actions.end(), after.begin(), after.end());
  plan.locks = job.locks;
  plan.getParameters = job.dialog;
  plan.go = true;
  plan.noteUnfiredFaults = false;
  HostRun run;
  try {
    run = runPlugin(config, plan);
  } catch (const ToolError& e) {
    result.status = kExitBadInput;
    result.error = e.what();
    return result;
  }
  std::optional<BurstParams> held = run.ok ? heldRecord(*run.session) : std::nullopt;
  if (!held) {
    result.status = kExitPluginError;
    return result;
  }
  const flhost::Document& doc = run.session->document();
  if (std::string note = frameWarning(doc, job.frame); !note.empty())
    diagnostics() << "flarimond: warning: tile " << i + 1 << ": " << note << "\n";
  // What made the tile travels with it: in its SVG group, or as a text chunk of the sheet's PNG.
  DesignRecord design = describeDesign(config, *run.session, *held);
  std::ostringstream out;
  if (job.each) {
    // The tile's own file, as render writes the same design.
    PictureOptions picture;
    picture.frame = job.frame;
    picture.plot = job.plot;
    try {
      writeDesignDocument(doc, design, job.format, picture, out, "tile " + std::to_string(i + 1));
    } catch (const ToolError& e) {
      result.status = kExitPluginError;
      std::cerr << "flarimond: " << e.what() << "\n";
      return result;
    }
    result.output = out.str();
    return result;
  }
  design.tile = static_cast<int>(i + 1);
  result.design = designPngText(design).text;
  if (job.format == OutputFormat::Svg) {
    double size = job.tileSize;
    double x = static_cast<double>(job.grid.columnOf(i)) * size;
    double y = static_cast<double>(job.grid.rowOf(i)) * (size + kLabelHeight);
    std::string id = "tile-" + std::to_string(i + 1);
    out << "<g id=\"" << id << "\">\n";
    flhost::writeSvgGroup(doc, out, id + "-", job.frame, {x, y, size}, designSvgMetadata(design));
    std::string number;
    flhost::appendThousandths(number, x + size / 2);
    out << "<text x=\"" << number << "\" y=\"";
    number.clear();
    flhost::appendThousandths(number, y + size + 13);
    out << number << "\" font-family=\"sans-serif\" font-size=\"12\" text-anchor=\"middle\" fill=\"#404040\">"
        << xmlEscaped(tileLabel(job, steps)) << "</text>\n</g>\n";
  } else {
#ifdef FLARIMOND_HAVE_CAIRO
    // The frame fitted into the square tile: its longer side fills the tile.
    HostRealRect area = flhost::exportArea(doc, job.frame);
    double w = static_cast<double>(area.right) - area.left, h = static_cast<double>(area.top) - area.bottom;
    int width = std::max(1, static_cast<int>(std::lround(job.tileSize * w / std::max(w, h))));
    std::string why;
    if (!flhost::writeDocumentPng(doc, out, width, true, &why, job.frame)) {
      result.status = kExitPluginError;
      std::cerr << "flarimond: tile " << i + 1 << ": " << why << "\n";
      return result;
    }
#endif
  }
  result.output = out.str();
  return result;
}

// Progress on stderr: a bar redrawn in place on a terminal, otherwise a line a tile. end() closes
// the bar's line, so whatever is printed next starts on a line of its own.
class Progress {
 public:
  Progress(size_t total, bool terminal) : total_(total), terminal_(terminal) {}
  ~Progress() { end(); }

  void update(size_t done) {
    if (!terminal_) {
      std::cerr << "tile " << done << " of " << total_ << "\n";
      return;
    }
    constexpr size_t kWidth = 30;
    size_t filled = total_ ? done * kWidth / total_ : kWidth;
    std::cerr << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, ' ') << "] " << done << "/" << total_
              << " tiles" << std::flush;
    open_ = true;
  }
  void end() {
    if (open_) std::cerr << "\n";
    open_ = false;
  }

 private:
  size_t total_;
  bool terminal_;
  bool open_ = false;
};

#ifdef FLARIMOND_HAVE_CAIRO
using CairoHolder = std::unique_ptr<cairo_t, decltype(&cairo_destroy)>;
using SurfaceHolder = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

struct PngSource {
  const std::string* data;
  size_t at = 0;
};

cairo_status_t readPng(void* closure, unsigned char* data, unsigned int length) {
  auto* in = static_cast<PngSource*>(closure);
  if (in->data->size() - in->at < length) return CAIRO_STATUS_READ_ERROR;
  std::copy_n(in->data->data() + in->at, length, data);
  in->at += length;
  return CAIRO_STATUS_SUCCESS;
}

// The sheet's picture in pixels: the tiles' grid and a label band under each row.
std::pair<int64_t, int64_t> sheetPixels(const SheetJob& job) {
  return {int64_t{job.grid.columns} * job.tileSize, int64_t{job.grid.rows} * (job.tileSize + kLabelHeight)};
}

void writeSheetPng(const SheetJob& job, const std::vector<JobResult>& tiles, std::ostream& out) {
  int tile = job.tileSize;
  const auto [width, height] = sheetPixels(job);
  SurfaceHolder sheet(cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width), static_cast<int>(height)),
                      &cairo_surface_destroy);
  if (cairo_status_t status = cairo_surface_status(sheet.get()); status != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error(std::string("the sheet's picture cannot be made: ") + cairo_status_to_string(status));
  CairoHolder cr(cairo_create(sheet.get()), &cairo_destroy);
  cairo_set_source_rgb(cr.get(), 1, 1, 1);
  cairo_paint(cr.get());
  cairo_select_font_face(cr.get(), "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr.get(), 12);
  for (size_t i = 0; i < tiles.size(); ++i) {
    PngSource source{&tiles[i].output};
    SurfaceHolder picture(cairo_image_surface_create_from_png_stream(readPng, &source), &cairo_surface_destroy);
    if (cairo_surface_status(picture.get()) != CAIRO_STATUS_SUCCESS)
      throw std::runtime_error("tile " + std::to_string(i + 1) + ": its picture cannot be read back");
    double x = static_cast<double>(job.grid.columnOf(i)) * tile;
    double y = static_cast<double>(job.grid.rowOf(i)) * (tile + kLabelHeight);
    int w = cairo_image_surface_get_width(picture.get()), h = cairo_image_surface_get_height(picture.get());
    cairo_set_source_surface(cr.get(), picture.get(), x + (tile - std::min(w, tile)) / 2.0,
                             y + (tile - std::min(h, tile)) / 2.0);
    cairo_rectangle(cr.get(), x, y, tile, tile);
    cairo_fill(cr.get());
    std::string text = tileLabel(job, tileSteps(job.vary, job.grid, i));
    cairo_set_source_rgb(cr.get(), 0.25, 0.25, 0.25);
    cairo_text_extents_t extents;
    cairo_text_extents(cr.get(), text.c_str(), &extents);
    cairo_move_to(cr.get(), x + (tile - extents.width) / 2, y + tile + 13);
    cairo_show_text(cr.get(), text.c_str());
  }
  cr.reset();
  // What made each tile, a text chunk a tile, in tile order.
  std::vector<flhost::PngText> designs;
  designs.reserve(tiles.size());
  for (const JobResult& t : tiles) designs.push_back({"flarimond:design", t.design});
  std::string why;
  if (!flhost::writeSurfacePng(sheet.get(), false, designs, out, &why))
    throw std::runtime_error("the sheet's PNG cannot be written: " + why);
}
#endif

void writeSheetSvg(const SheetJob& job, const std::vector<JobResult>& tiles, std::ostream& out) {
  int width = job.grid.columns * job.tileSize, height = job.grid.rows * (job.tileSize + kLabelHeight);
  std::string title = "Flarimond sheet:";
  for (const Variation& v : job.vary) title += " " + valueLabel(v, 0) + " to " + valueLabel(v, v.count() - 1);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" << width << "pt\" height=\"" << height
      << "pt\" viewBox=\"0 0 " << width << " " << height << "\">\n<title>" << xmlEscaped(title) << "</title>\n"
      << "<rect id=\"background\" x=\"0\" y=\"0\" width=\"" << width << "\" height=\"" << height
      << "\" fill=\"#ffffff\"/>\n";
  for (const JobResult& t : tiles) out << t.output;
  out << "</svg>\n";
}

// The files --each writes: one a tile in the folder, named by the tile's values.
std::vector<fs::path> tileFiles(const SheetJob& job, const fs::path& folder) {
  const char* ext = job.format == OutputFormat::Svg   ? ".svg"
                    : job.format == OutputFormat::Png ? ".png"
                    : job.format == OutputFormat::Pdf ? ".pdf"
                                                      : ".json";
  std::vector<fs::path> files;
  for (size_t i = 0; i < job.grid.count; ++i)
    files.push_back(folder / (tileFileStem(job.vary, tileSteps(job.vary, job.grid, i)) + ext));
  return files;
}

// Refuses, unless --force, to replace any file (or link, or anything else) already there.
void refuseExisting(const std::vector<fs::path>& files, bool force) {
  if (force) return;
  std::vector<std::string> there;
  for (const fs::path& f : files) {
    std::error_code ec;
    if (fs::symlink_status(f, ec).type() != fs::file_type::not_found) there.push_back(displayPath(f));
  }
  if (there.empty()) return;
  std::string list;
  for (size_t i = 0; i < there.size() && i < 3; ++i) list += (i ? ", " : "") + there[i];
  if (there.size() > 3) list += ", ...";
  throw ToolError("--each: " + std::to_string(there.size()) + (there.size() == 1 ? " file is" : " files are") +
                  " there already (" + list + "); nothing was written: give --force to replace them");
}

int runSheet(const SheetArgs& args, const char* argv0) {
  // Everything given is checked, and the output claimed, before the first tile is drawn.
  const RenderArgs& run = args.run;
  SheetJob job;
  job.each = !args.each.empty();
  if (job.each == !run.output.empty())
    throw ToolError("sheet: give -o FILE for one sheet, or --each FOLDER for a file per tile");
  if (job.each) {
    if (args.format != "svg" && args.format != "png" && args.format != "pdf" && args.format != "json")
      throw ToolError("--format \"" + args.format + "\": expected svg, png, pdf or json");
    job.format = outputFormatOf("tile." + args.format);
    if (run.plot && job.format != OutputFormat::Svg) throw ToolError("--plot writes SVG files: give --format svg");
    job.plot = parsePlotOptions(run.plot, run.pens, run.tolerance, "");
    std::error_code ec;
    if (fs::exists(args.each, ec) && !fs::is_directory(args.each, ec))
      throw ToolError("--each " + displayPath(args.each) + ": not a folder");
  } else {
    if (args.format != "svg") throw ToolError("--format is for the files of --each; a sheet's type is -o's extension");
    if (args.force) throw ToolError("--force is for --each; -o replaces its file as every output does");
    if (run.plot) throw ToolError("--plot makes a file of each tile: give --each FOLDER");
    job.format = outputFormatOf(run.output);
    if (job.format == OutputFormat::Json || job.format == OutputFormat::Pdf)
      throw ToolError(displayPath(run.output) + ": a sheet is a picture: use .png or .svg");
    refuseSharedFiles({{"-o", run.output}},
                      {{"--params", run.params}, {"--dialog-script", run.script}, {"--swatches", run.host.swatches}});
  }
  // A tile's own file shows the page, as render's does, unless --frame says otherwise.
  job.frame = parseFrame(job.each && !args.frameGiven ? "page" : run.frame);
  job.tileSize = wholeOption(args.tile, "--tile", 32, 2000);
  if (args.vary.empty() || args.vary.size() > 2)
    throw ToolError("sheet: give --vary once (a row of tiles) or twice (a grid: rows x columns)");
  if (args.vary.size() == 2 && !args.columns.empty())
    throw ToolError("--columns: two --vary make the grid's columns; --columns is for one --vary");
  int columns = args.columns.empty() ? 6 : wholeOption(args.columns, "--columns", 1, 50);
  int jobs = args.jobs.empty() ? processorCount() : wholeOption(args.jobs, "--jobs", 1, 256);
  job.config = parseHostOptions(run.host, argv0);
  auto swatches = static_cast<int32_t>(documentOptions(job.config.document).swatches.size());
  for (const std::string& text : args.vary) job.vary.push_back(parseVariation(text, swatches));
  if (job.vary.size() == 2 && job.vary[0].name == job.vary[1].name)
    throw ToolError("--vary: " + job.vary[0].name + " is varied twice");
  job.grid = sheetGrid(job.vary, columns);
#ifdef FLARIMOND_HAVE_CAIRO
  // The sheet's picture is made whole once every tile is drawn: a size it cannot have is refused
  // before the first.
  if (job.format == OutputFormat::Png && !job.each) {
    const auto [width, height] = sheetPixels(job);
    if (std::string why = flhost::pictureSizeProblem(width, height); !why.empty())
      throw ToolError(displayPath(run.output) + ": " + why + ": use fewer or smaller tiles (--tile), or .svg");
  }
#endif
  bool seedVaried = false, pressed = false;
  for (const Variation& v : job.vary) {
    if (v.kind == Variation::Kind::Seed && run.host.seedGiven)
      throw ToolError("--seed and --vary seed=...: give the seeds one way");
    if (v.kind == Variation::Kind::Preset && !run.preset.empty())
      throw ToolError("--preset and --vary preset=...: give the presets one way");
    if (v.kind == Variation::Kind::Presses && pressed)
      throw ToolError(
          "--vary tumble and --vary shuffle: a tile is the design after presses of one of them; vary one "
          "(a --dialog-script can press the other first)");
    if (v.kind == Variation::Kind::Preset || v.kind == Variation::Kind::Presses) job.dialog = true;
    seedVaried = seedVaried || v.kind == Variation::Kind::Seed;
    pressed = pressed || v.kind == Variation::Kind::Presses;
  }
  job.userActions = dialogActions(run);
  job.locks = dialogLocks(run, job.userActions, pressed);
  for (const Variation& v : job.vary)
    if (v.kind == Variation::Kind::Field && std::binary_search(job.locks.begin(), job.locks.end(), v.name))
      throw ToolError("--lock " + v.name + ": " + v.name + " is varied from tile to tile (--vary " + v.name +
                      " is set after the presses); lock other fields");
  job.dialog = job.dialog || !job.userActions.empty();
  // A field varied in the dialog must have a control there: found out now, not at the first tile.
  for (const Variation& v : job.vary)
    if (v.kind == Variation::Kind::Field && job.dialog) setFieldActions(v.name + "=" + valueText(v, 0));
  std::vector<fs::path> files;
  if (job.each) {
    files = tileFiles(job, args.each);
    std::vector<NamedFile> outputs;
    outputs.reserve(files.size());
    for (const fs::path& f : files) outputs.push_back({"--each", f});
    refuseSharedFiles(outputs,
                      {{"--params", run.params}, {"--dialog-script", run.script}, {"--swatches", run.host.swatches}});
    refuseExisting(files, args.force);
  }
  std::optional<OutputFile> output;
  if (!job.each) output.emplace(run.output);

  // The record every tile starts from: the given one (which may carry a seed), or the defaults the
  // plug-in makes. (Once designs can be read back from the files they made, --from gives the
  // record, the seed and the document options here, as for render.)
  job.base =
      run.params.empty() ? defaultRecord(documentOptions(job.config.document)) : recordFromFile(run.params, job.config);
  if (!seedVaried) {
    if (!job.config.random.seed) job.config.random.seed = flhost::RandomSource::freshSeed();
    diagnostics() << "seed: " << *job.config.random.seed << "\n";
  } else {
    job.config.random.seed = 0;  // each tile sets its own
  }

  Progress progress(job.grid.count, isatty(2) != 0);
  std::vector<JobResult> tiles = runJobs(
      job.grid.count, jobs, [&job](size_t i) { return drawTile(job, i); },
      [&progress](size_t done) { progress.update(done); });
  progress.end();
  // What the tiles said, in tile order; the first failure ends the sheet.
  for (const JobResult& t : tiles) {
    std::cerr << t.messages;
    if (t.status == kExitBadInput) throw ToolError(t.error);
    if (t.status != 0) return kExitPluginError;
  }

  if (job.each) {
    // Every file of the batch is put in place together, or none; one that appeared while the
    // tiles were drawn is not replaced either.
    refuseExisting(files, args.force);
    std::error_code ec;
    fs::create_directories(args.each, ec);
    if (ec) throw ToolError("--each " + displayPath(args.each) + ": " + ec.message());
    OutputTransaction outputs;
    for (size_t i = 0; i < files.size(); ++i) outputs.add(files[i]) << tiles[i].output;
    outputs.commit();
    diagnostics() << "flarimond: wrote " << files.size() << (files.size() == 1 ? " file" : " files") << " in "
                  << displayPath(args.each) << "\n";
    return kExitOk;
  }
  if (job.format == OutputFormat::Svg) {
    writeSheetSvg(job, tiles, output->stream());
  } else {
#ifdef FLARIMOND_HAVE_CAIRO
    try {
      writeSheetPng(job, tiles, output->stream());
    } catch (const std::runtime_error&) {
      output->throwIfWriteFailed();  // the system's reason, when the file is what failed
      throw;
    }
#endif
  }
  output->commit();
  return kExitOk;
}

}  // namespace

Command addSheetCommand(CLI::App& app) {
  auto sheet = std::make_shared<SheetArgs>();
  sheet->run.frame = "art";
  sheet->format = "svg";
  CLI::App* cmd = app.add_subcommand("sheet",
                                     "Draw a contact sheet: one tile per value of a field, the\n"
                                     "seed, the preset or presses of Tumble or Shuffle (or a grid of\n"
                                     "two), as a PNG or an SVG");
  cmd->add_option("--vary", sheet->vary,
                  "What changes from tile to tile: FIELD=FROM..TO[:STEP] for a\n"
                  "field of the record (STEP needed for a real), seed=A..B,\n"
                  "preset=A..B, tumble=A..B or shuffle=A..B (tile k: the design\n"
                  "after k presses); twice for a grid, the first down the rows")
      ->type_name("FIELD=RANGE")
      ->required()
      ->allow_extra_args(false);
  cmd->add_option("-o,--output", sheet->run.output, "The sheet to write (.png or .svg)")->type_name("FILE");
  cmd->add_option("--each", sheet->each,
                  "Instead of a sheet, a file per tile in FOLDER (made when\n"
                  "missing), named by the tile's values: burstCount-12_seed-3.svg")
      ->type_name("FOLDER");
  cmd->add_option("--format", sheet->format, "The files of --each: svg (default), png, pdf or json")
      ->type_name("svg|png|pdf|json");
  cmd->add_flag("--force", sheet->force, "Let --each replace files that are there already");
  addPlotOptions(cmd, sheet->run);
  cmd->add_option("--params", sheet->run.params,
                  "The record every tile starts from (.bin or .json);\nwithout it the plug-in's defaults")
      ->type_name("FILE");
  cmd->add_option("--columns", sheet->columns, "Tiles per row with one --vary (default 6)")->type_name("N");
  cmd->add_option("--tile", sheet->tile, "Tile size in pixels, points in an SVG (default 240)")->type_name("SIZE");
  cmd->add_option("--frame", sheet->run.frame,
                  "What a tile shows: art (default), a square around the\n"
                  "design; page, the page as render draws it (the default of\n"
                  "--each); or all, the page and all the art")
      ->type_name("art|page|all")
      ->each([sheet](const std::string&) { sheet->frameGiven = true; });
  cmd->add_option("--jobs", sheet->jobs, "Worker processes drawing tiles (default: one a processor)")->type_name("N");
  addHostOptions(cmd, sheet->run.host);
  addDialogOptions(cmd, sheet->run);
  cmd->footer(std::string("Each tile is a host run of its own: Startup, Go on the record with the tile's value\n"
                          "(with --preset, --set, --dialog-script or --vary preset, tumble or shuffle, first Get\n"
                          "Parameters with the dialog worked in this order: the varied preset, --preset, each\n"
                          "--set, the script, the tile's presses of Tumble or Shuffle one by one, the varied\n"
                          "field), Shutdown; with one seed for all tiles unless the seed is varied. --lock sets\n"
                          "the fields it names back after each press, as the page's locks do. Every\n"
                          "range is checked before the first tile is drawn. Tiles are drawn in worker processes\n"
                          "and put together in order: the sheet is the same whatever --jobs. Progress is shown\n"
                          "on stderr. An SVG sheet holds a group \"tile-N\" per tile (N from 1, row by row) with\n"
                          "what made the tile in its <metadata>, and a PNG sheet a text chunk a tile: render --from\n"
                          "SHEET --tile N draws tile N again.\n"
                          "With --each FOLDER each tile is instead a file of its own, the document render writes for\n"
                          "the same design (with its description: render --from FILE draws it again), in --format;\n"
                          "all are put in place together once every tile is drawn, or none. A file already there\n"
                          "is not replaced without --force.\n\n") +
              kScriptHelp + "\n" + kSwatchHelp + "\n" + kFailHelp + "\n" + kModuleHelp + "\n" + kExitCodesHelp);
  return {cmd, [sheet](const char* argv0) { return runSheet(*sheet, argv0); }};
}

}  // namespace fltools
