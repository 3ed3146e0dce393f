#include "commands.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>

#include "cli_options.h"
#include "dialog_script.h"
#include "export.h"
#include "faults.h"
#include "param_file.h"
#include "session.h"
#include "swatch_file.h"
#include "dialog_actions.h"
#include "burst_fields.h"
#include "serve.h"

#ifdef FLARIMOND_HAVE_CAIRO
#include <cairo.h>
#endif
#include <sstream>

namespace fltools {

namespace fs = std::filesystem;
using flhost::Session;

namespace {

constexpr int32_t kAboutDialogId = 16050;
constexpr int32_t kErrorDialogId = 16051;
constexpr HostErr kUserCancelled = HOST_FOURCC('S', 'T', 'O', 'P');

// Acts as the user in front of the host: answers the filter dialog (confirms it, or cancels it
// when asked to), reads the plug-in's error dialog out on stderr and, when wanted, its About box on
// stdout.
class User {
 public:
  User(std::vector<flhost::DialogAction> actions, bool printAbout)
      : driver_(std::move(actions)), printAbout_(printAbout) {
    driver_.onOtherDialog = [this](flhost::ModalSession& s) { seen(s); };
    driver_.onAlert = [](std::string_view text) { std::cerr << "Plug-in Alert: " << text << "\n"; };
  }

  flhost::ScriptDriver& driver() { return driver_; }
  // A dialog action the dialog refused is bad input, like a bad argument.
  void checkScript() const {
    if (driver_.failed()) throw ToolError(driver_.error());
  }
  int aboutBoxesShown() const { return aboutBoxes_; }

  // Sends one message and says whether it succeeded. A failure the plug-in did not show in its
  // error dialog (it leaves some codes to the host, such as a suite it could not get) is said
  // here, so that no failure passes without a word.
  bool send(const char* message, const std::function<HostErr()>& call) {
    int before = errors_;
    HostErr result = call();
    if (result == 0) return true;
    if (errors_ == before)
      std::cerr << "flarimond: the plug-in answered " << message << " with " << codeText(result) << "\n";
    return false;
  }

 private:
  void seen(flhost::ModalSession& s) {
    if (s.resourceId() == kErrorDialogId) {
      ++errors_;
      const flhost::Item* message = s.item(2);
      const flhost::Item* code = s.item(3);
      std::cerr << "Plug-in Error: " << (message ? message->text : std::string()) << " ("
                << (code ? code->text : std::string()) << ")\n";
    } else if (s.resourceId() == kAboutDialogId) {
      ++aboutBoxes_;
      if (!printAbout_) return;
      for (const flhost::Item* item : s.items())
        if (item->kind == flhost::ItemKind::StaticText && !item->text.empty()) std::cout << item->text << "\n";
    }
  }

  flhost::ScriptDriver driver_;
  bool printAbout_;
  int errors_ = 0;
  int aboutBoxes_ = 0;
};

struct HostSetup {
  flhost::SessionOptions options;
  std::vector<FailSpec> fails;
};

HostSetup prepareHost(const HostArgs& a, const char* argv0) {
  HostSetup h;
  h.options.modulePath = resolveModulePath(a.module, argv0);
  flhost::DocumentOptions& doc = h.options.document;
  int16_t model = parseColorModel(a.colorModel);
  if (model != doc.colorModel) {
    // Swatches and the paint of new paths are colours of the model, so they change with it.
    doc.colorModel = model;
    doc.swatches = flhost::defaultSwatches(model);
    doc.newPathStyle = flhost::defaultNewPathStyle(model);
  }
  if (!a.page.empty()) {
    PageSize page = parsePageSize(a.page);
    doc.pageWidth = page.width;
    doc.pageHeight = page.height;
  }
  if (!a.swatches.empty()) doc.swatches = readSwatchFile(a.swatches);
  if (!a.fill.empty()) {
    PaintColour fill = parseColour(a.fill, "--fill");
    doc.newPathStyle.fillPaint = fill.paint;
    if (fill.paint) doc.newPathStyle.fillColor = fill.color;
  }
  if (!a.stroke.empty()) {
    StrokeSpec stroke = parseStroke(a.stroke);
    doc.newPathStyle.strokePaint = stroke.colour.paint;
    if (stroke.colour.paint) doc.newPathStyle.strokeColor = stroke.colour.color;
    if (stroke.widthGiven) doc.newPathStyle.strokeWidth = stroke.width;
  }
  if (a.seedGiven) h.options.seed = parseSeed(a.seed);
  if (!a.draws.empty()) h.options.draws = parseDraws(a.draws);
  for (const std::string& f : a.fails) h.fails.push_back(parseFailSpec(f));
  return h;
}

// A --fail whose call never came is easy to mistake for a failure path that works; say so. The
// faults are set before the first message, so fewer than N calls means the Nth never came.
void noteUnfiredFaults(Session& session, const std::vector<FailSpec>& fails) {
  for (const FailSpec& f : fails) {
    uint64_t calls = session.faults().count(f.operation);
    if (calls < f.nth)
      std::cerr << "flarimond: note: --fail " << f.operation << "@" << f.nth << " never fired ("
                << f.operation << " was called " << calls << (calls == 1 ? " time)\n" : " times)\n");
  }
}

std::unique_ptr<Session> openSession(const HostSetup& h) {
  std::string why;
  std::unique_ptr<Session> session = Session::open(h.options, &why);
  if (!session) {
    std::error_code ec;
    if (!fs::exists(h.options.modulePath, ec)) why += " (give its path with --module or FLARIMOND_MODULE)";
    throw ToolError(why);
  }
  for (const FailSpec& f : h.fails) session->faults().failOn(f.operation, f.nth, f.code);
  return session;
}

std::vector<uint8_t> hostBytes(const BurstParams& p) {
  std::vector<uint8_t> bytes(sizeof p);
  std::memcpy(bytes.data(), &p, sizeof p);
  return bytes;
}

bool samePath(const fs::path& a, const fs::path& b) {
  std::error_code ea, eb;
  fs::path ca = fs::weakly_canonical(a, ea), cb = fs::weakly_canonical(b, eb);
  return !ea && !eb && ca == cb;
}

// The user's actions in the filter dialog: the preset, then the fields, then the script, then a
// cancel when asked for.
std::vector<flhost::DialogAction> dialogActions(const RenderArgs& args) {
  std::vector<flhost::DialogAction> actions;
  if (!args.preset.empty()) {
    flhost::DialogAction a;
    a.kind = flhost::DialogAction::Kind::Choose;
    a.id = 123;
    a.value = presetPosition(args.preset);
    a.origin = "--preset " + args.preset;
    actions.push_back(a);
  }
  for (const std::string& set : args.sets) {
    std::vector<flhost::DialogAction> more = setFieldActions(set);
    actions.insert(actions.end(), more.begin(), more.end());
  }
  if (!args.script.empty()) {
    std::vector<flhost::DialogAction> more = readDialogScript(args.script);
    actions.insert(actions.end(), more.begin(), more.end());
  }
  if (args.cancel) {
    flhost::DialogAction a;
    a.kind = flhost::DialogAction::Kind::Cancel;
    a.origin = "--cancel";
    actions.push_back(a);
  }
  return actions;
}

// Render and apply: the same flow, with or without the parameters dialog.
// A progress line on stderr for work that takes a while: shown only when stderr is a terminal
// and the work has run for a second, and cleared when it is done.
std::function<void(double)> terminalProgress(std::string what) {
  if (!isatty(STDERR_FILENO)) return {};
  const auto start = std::chrono::steady_clock::now();
  return [what = std::move(what), start, shown = false](double done) mutable {
    if (done >= 1.0) {
      if (shown) std::cerr << "\r\033[K" << std::flush;
      return;
    }
    if (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) return;
    std::cerr << "\r" << what << ": " << static_cast<int>(done * 100) << " %" << std::flush;
    shown = true;
  };
}

int runFilter(const RenderArgs& args, const char* argv0, bool withDialog) {
  // Everything the user gave is checked, and the output files claimed, before any work starts.
  OutputFormat format = outputFormatOf(args.output);
  [[maybe_unused]] int pixelWidth = parsePixelWidth(args.width);  // PNG only, which needs cairo
  if (args.background != "white" && args.background != "transparent")
    throw ToolError("--background \"" + args.background + "\": expected white or transparent");
  std::optional<ParamFormat> saveFormat;
  if (!args.saveParams.empty()) {
    saveFormat = paramFormatOf(args.saveParams);
    if (!saveFormat)
      throw ToolError(displayPath(args.saveParams) + ": unknown parameter file type (use .bin or .json)");
    if (samePath(args.saveParams, args.output))
      throw ToolError("--save-params and -o name the same file " + displayPath(args.output));
  }
  HostSetup setup = prepareHost(args.host, argv0);
  std::optional<BurstParams> record;
  if (!args.params.empty())
    record = readParamFile(args.params, static_cast<int32_t>(setup.options.document.swatches.size()));
  else if (!withDialog)
    throw ToolError("apply needs a parameter record (--params FILE)");
  OutputFile output(args.output);
  std::unique_ptr<OutputFile> saved;
  if (saveFormat) saved = std::make_unique<OutputFile>(args.saveParams);

  std::vector<flhost::DialogAction> actions = dialogActions(args);
  if (!withDialog && !actions.empty()) throw ToolError("apply runs no dialog: --preset, --set and --dialog-script need render");
  std::unique_ptr<Session> session = openSession(setup);
  User user(std::move(actions), false);
  session->dialogs().setDriver(&user.driver());
  if (!args.host.seedGiven) std::cerr << "seed: " << session->random().seed() << "\n";

  bool ok = user.send("Startup", [&] { return session->startup(); });
  if (ok) {
    if (record) session->setParameters(hostBytes(*record));
    bool confirmed = true;
    if (withDialog) {
      HostErr e = 0;
      ok = user.send("Get Parameters", [&] {
        e = session->getParameters();
        return e == kUserCancelled ? 0 : e;  // a cancelled dialog is the user's choice, not a failure
      });
      confirmed = e == 0;
    }
    if (ok && confirmed) ok = user.send("Go", [&] { return session->go(); });
  }
  // Shut down even after a failure: the plug-in frees at shutdown what its startup took.
  ok = user.send("Shutdown", [&] { return session->shutdown(); }) && ok;
  noteUnfiredFaults(*session, setup.fails);
  user.checkScript();
  if (!ok) return kExitPluginError;

  std::optional<BurstParams> held;
  if (saved) {
    std::vector<uint8_t> bytes = session->parameters();
    if (bytes.size() != sizeof(BurstParams)) {
      std::cerr << "flarimond: the host holds no parameter record to save (" << bytes.size() << " bytes)\n";
      return kExitPluginError;
    }
    held.emplace();
    std::memcpy(&*held, bytes.data(), sizeof(BurstParams));
    writeParams(saved->stream(), *saveFormat, *held, displayPath(args.saveParams));
  }
  if (format == OutputFormat::Svg) {
    flhost::writeDocumentSvg(session->document(), output.stream());
  } else if (format == OutputFormat::Json) {
    flhost::writeDocumentJson(session->document(), output.stream());
  } else {
#ifdef FLARIMOND_HAVE_CAIRO
    std::string why;
    if (!flhost::writeDocumentPng(session->document(), output.stream(), pixelWidth, args.background == "transparent", &why,
                                  false, terminalProgress("drawing " + displayPath(args.output))))
      throw ToolError(displayPath(args.output) + ": " + why);
#endif
  }
  output.commit();
  if (saved) saved->commit();
  return kExitOk;
}

std::string fourChars(int32_t code) {
  auto u = static_cast<uint32_t>(code);
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    auto c = static_cast<unsigned char>(u >> shift);
    if (c >= ' ' && c < 127) {
      s += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      s += hex;
    }
  }
  return s;
}

}  // namespace

int runRender(const RenderArgs& args, const char* argv0) { return runFilter(args, argv0, true); }

int runApply(const RenderArgs& args, const char* argv0) { return runFilter(args, argv0, false); }

#ifdef FLARIMOND_HAVE_CAIRO
namespace {

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
  if (!field) throw ToolError("--vary: unknown field \"" + name + "\"");
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

cairo_status_t writePng(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::ostream*>(closure)->write(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

int runSheet(const SheetArgs& args, const char* argv0) {
  if (outputFormatOf(args.output) != OutputFormat::Png) throw ToolError("sheet writes .png pictures only");
  Variation vary = parseVariation(args.vary);
  int columns = wholeOption(args.columns, "--columns", 1, 50);
  int tile = wholeOption(args.tile, "--tile", 32, 2000);
  HostSetup setup = prepareHost(args.host, argv0);
  int32_t swatches = static_cast<int32_t>(setup.options.document.swatches.size());
  if (!args.host.seedGiven) setup.options.seed = flhost::RandomSource::freshSeed();
  std::cerr << "seed: " << *setup.options.seed << "\n";

  // The record every tile starts from: the given one, or the defaults the plug-in makes.
  BurstParams base;
  if (!args.params.empty()) {
    base = readParamFile(args.params, swatches);
  } else {
    std::unique_ptr<Session> session = openSession(setup);
    User user({}, false);
    session->dialogs().setDriver(&user.driver());
    bool ok = user.send("Startup", [&] { return session->startup(); }) &&
              user.send("Get Parameters", [&] { return session->getParameters(); });
    user.send("Shutdown", [&] { return session->shutdown(); });
    if (!ok) return kExitPluginError;
    std::memcpy(&base, session->parameters().data(), sizeof base);
  }
  base.previewValid = 0;

  OutputFile output(args.output);
  int count = vary.to - vary.from + 1;
  int rows = (count + columns - 1) / columns;
  const int label = 18;
  cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, columns * tile, rows * (tile + label));
  cairo_t* cr = cairo_create(sheet);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  bool ok = true;
  for (int i = 0; i < count && ok; ++i) {
    BurstParams p = base;
    int32_t value = vary.from + i;
    std::memcpy(reinterpret_cast<unsigned char*>(&p) + vary.field->offset, &value, 4);
    std::vector<std::string> problems = checkParams(p, swatches, "--vary");
    if (!problems.empty()) {
      cairo_destroy(cr);
      cairo_surface_destroy(sheet);
      throw ToolError(problems.front());
    }
    // Presets live in the dialog, not in the record: their tiles choose the preset there and
    // confirm, as a user would.
    bool viaDialog = std::string(vary.field->name) == "preset";
    std::vector<flhost::DialogAction> actions;
    if (viaDialog) {
      flhost::DialogAction choose;
      choose.kind = flhost::DialogAction::Kind::Choose;
      choose.id = 123;
      choose.value = value;
      actions.push_back(choose);
    }
    std::unique_ptr<Session> session = openSession(setup);
    User user(std::move(actions), false);
    session->dialogs().setDriver(&user.driver());
    ok = user.send("Startup", [&] { return session->startup(); });
    if (ok) {
      session->setParameters(hostBytes(p));
      if (viaDialog) ok = user.send("Get Parameters", [&] { return session->getParameters(); });
      if (ok) ok = user.send("Go", [&] { return session->go(); });
    }
    user.checkScript();
    ok = user.send("Shutdown", [&] { return session->shutdown(); }) && ok;
    std::stringstream png;
    std::string why;
    if (ok && !flhost::writeDocumentPng(session->document(), png, tile, true, &why, true)) {
      std::cerr << "flarimond: tile " << value << ": " << why << "\n";
      ok = false;
    }
    if (!ok) break;
    cairo_surface_t* picture = cairo_image_surface_create_from_png_stream(readPng, &png);
    double x = (i % columns) * tile, y = (i / columns) * (tile + label);
    int h = cairo_image_surface_get_height(picture);
    cairo_set_source_surface(cr, picture, x, y + (tile - std::min(h, tile)) / 2.0);
    cairo_rectangle(cr, x, y, tile, tile);
    cairo_fill(cr);
    cairo_surface_destroy(picture);
    std::string text = std::string(vary.field->name) == "preset" ? presetNames()[static_cast<size_t>(value)]
                                                                  : std::string(vary.field->name) + " " + std::to_string(value);
    cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_move_to(cr, x + (tile - extents.width) / 2, y + tile + 13);
    cairo_show_text(cr, text.c_str());
    std::cerr << "\rtile " << i + 1 << " of " << count << std::flush;
  }
  std::cerr << "\n";
  cairo_destroy(cr);
  if (ok) cairo_surface_write_to_png_stream(sheet, writePng, &output.stream());
  cairo_surface_destroy(sheet);
  if (!ok) return kExitPluginError;
  output.commit();
  return kExitOk;
}
#else
int runSheet(const SheetArgs&, const char*) {
  throw ToolError("sheet needs PNG export, which is not available in this build");
}
#endif

int runDialog(const DialogArgs& args, const char* argv0) {
  const RenderArgs& run = args.run;
  if (fs::path(args.dump).extension() != ".json") throw ToolError("--dump " + displayPath(args.dump) + ": the dump is JSON (.json)");
  HostSetup setup = prepareHost(run.host, argv0);
  std::optional<BurstParams> record;
  if (!run.params.empty())
    record = readParamFile(run.params, static_cast<int32_t>(setup.options.document.swatches.size()));
  std::vector<flhost::DialogAction> actions = dialogActions(run);
  OutputFile output(args.dump);
  std::unique_ptr<Session> session = openSession(setup);
  User user(std::move(actions), false);
  // The dialog is cancelled unless the script confirms it, and shown just before it ends.
  user.driver().confirmWhenDone = false;
  std::string dump;
  user.driver().beforeEnd = [&](flhost::ModalSession& s) {
    dump = dialogDumpJson(s, *static_cast<const BurstParams*>(s.dialog().userData));
  };
  session->dialogs().setDriver(&user.driver());
  if (!run.host.seedGiven) std::cerr << "seed: " << session->random().seed() << "\n";
  bool ok = user.send("Startup", [&] { return session->startup(); });
  if (ok) {
    if (record) session->setParameters(hostBytes(*record));
    ok = user.send("Get Parameters", [&] {
      HostErr e = session->getParameters();
      return e == kUserCancelled ? 0 : e;
    });
  }
  ok = user.send("Shutdown", [&] { return session->shutdown(); }) && ok;
  user.checkScript();
  if (!ok) return kExitPluginError;
  if (dump.empty()) {
    std::cerr << "flarimond: the dialog ended before the script was done\n";
    return kExitPluginError;
  }
  output.stream() << dump;
  output.commit();
  return kExitOk;
}

int runPresets() {
  std::vector<std::string> names = presetNames();
  for (size_t i = 0; i < names.size(); ++i) std::cout << i << "  " << names[i] << "\n";
  return kExitOk;
}

int runInfo(const std::string& module, const char* argv0) {
  HostArgs a;
  a.module = module;
  HostSetup setup = prepareHost(a, argv0);
  std::unique_ptr<Session> session = openSession(setup);
  User user({}, false);
  session->dialogs().setDriver(&user.driver());

  const flhost::PluginPropertyList& pipl = session->propertyList();
  std::cout << "module: " << displayPath(setup.options.modulePath) << "\n";
  std::cout << "property list: kind '" << fourChars(pipl.kind) << "', interface version " << pipl.interfaceVersion
            << ", entry \"" << pipl.entryName << "\"\n";
  bool ok = user.send("Startup", [&] { return session->startup(); });
  if (session->filters().empty()) std::cout << "filter: none registered\n";
  for (const flhost::RegisteredFilter& f : session->filters())
    std::cout << "filter: category \"" << f.category << "\", title \"" << f.title << "\", name \"" << f.name
              << "\"\n";
  const std::vector<std::string>& suites = session->suitesEverAcquired();
  std::cout << "suites acquired during startup (" << suites.size() << "):\n";
  for (const std::string& key : suites) {
    size_t slash = key.rfind('/');
    if (slash == std::string::npos)
      std::cout << "  " << key << "\n";
    else
      std::cout << "  " << key.substr(0, slash) << " (version " << key.substr(slash + 1) << ")\n";
  }
  ok = user.send("Shutdown", [&] { return session->shutdown(); }) && ok;
  const auto& names = flhost::operationNames();
  std::cout << "host operations for --fail (" << names.size() << "):\n";
  for (std::string_view name : names) std::cout << "  " << name << "\n";
  return ok ? kExitOk : kExitPluginError;
}

int runAbout(const std::string& module, const char* argv0) {
  HostArgs a;
  a.module = module;
  HostSetup setup = prepareHost(a, argv0);
  std::unique_ptr<Session> session = openSession(setup);
  User user({}, true);
  session->dialogs().setDriver(&user.driver());
  bool ok = user.send("Startup", [&] { return session->startup(); });
  if (ok) ok = user.send("About", [&] { return session->about(); });
  ok = user.send("Shutdown", [&] { return session->shutdown(); }) && ok;
  if (ok && user.aboutBoxesShown() == 0) {
    std::cerr << "flarimond: the plug-in showed no About box\n";
    return kExitPluginError;
  }
  return ok ? kExitOk : kExitPluginError;
}

// ---- serve: the dialog in a browser (serve.h does the serving)
namespace {

int runServe(const ServeArgs& args, const char* argv0) {
#ifdef FLARIMOND_HAVE_SERVE
  HostSetup setup = prepareHost(args.run.host, argv0);
  std::optional<BurstParams> record;
  if (!args.run.params.empty())
    record = readParamFile(args.run.params, static_cast<int32_t>(setup.options.document.swatches.size()));
  return serveDialog(args, record, args.run.host.seedGiven, [&] { return openSession(setup); });
#else
  (void)args;
  (void)argv0;
  throw ToolError("serve is not in this build: it needs cpp-httplib");
#endif
}

}  // namespace

namespace {

const char* const kExitCodesHelp =
    "Exit status:\n"
    "  0  success\n"
    "  1  the plug-in failed: its error dialog is printed on stderr as\n"
    "     \"Plug-in Error: MESSAGE (CODE)\"; no output file is written\n"
    "  2  bad arguments or a bad file, or the module cannot be loaded; no output file is written\n";

const char* const kModuleHelp =
    "The plug-in module is --module, else $FLARIMOND_MODULE, else flarimond.so (flarimond.aip on\n"
    "Windows) in the directory of this program; its compiled resources are read before it is loaded.\n";

const char* const kFormatsHelp =
    "Output (by the extension of -o, written whole or not at all):\n"
    "  .svg   a picture: SVG 1.1 in points, the page as a white sheet, the art on it as the host shows\n"
    "         it (y up turned to SVG's y down), the view covering the page and all the art\n"
    "  .json  the document as data: {\"page\": {\"width\", \"height\"}, \"colorModel\", \"arts\": [...]},\n"
    "         the arts bottom to top, each with its segments (\"p\", \"in\", \"out\", \"corner\"),\n"
    "         \"closed\", \"fill\" and \"stroke\" (paint flag, colour kind, components; stroke width),\n"
    "         \"opacity\" and \"artStyle\"; numbers as the shortest text of the float the host holds\n"
    "  .png   the same picture as the SVG, --width pixels wide, on white or transparent\n"
    "Parameter files (by extension; read files are checked field by field, every problem named):\n"
    "  .bin   the 336-byte record exactly as the host stores it (84 little-endian 4-byte fields)\n"
    "  .json  an object with all 84 fields by name: flags 0/1, integers, list positions, reals\n";

const char* const kSwatchHelp =
    "--swatches FILE reads the document's swatch list, in order, from a JSON array such as\n"
    "  [{\"name\": \"[None]\", \"color\": \"none\"}, {\"name\": \"[Registration]\", \"color\": \"registration\"},\n"
    "   {\"name\": \"White\", \"color\": \"grey:0\"}, {\"name\": \"Brick\", \"color\": \"rgb:0.7,0.2,0.1\"}]\n"
    "Colours: none, registration, grey:G (ink, 0 white), rgb:R,G,B, cmyk:C,M,Y,K, components 0..1.\n"
    "The default list is [None], [Registration], White, Black and 24 colours of the colour model.\n";

const char* const kScriptHelp =
    "In the dialog the user's actions come in this order: --preset, each --set, the script. A\n"
    "--set shows the field's page, then sets its spin edit, check box or popup (a factor field\n"
    "first chooses its member in the factor popup). A dialog script has one action a line:\n"
    "  page N              press the tab of page N (1-7)\n"
    "  set ID VALUE        type a value into spin edit ID\n"
    "  check ID 0|1        set check box ID\n"
    "  choose ID POSITION  choose an entry (from 0) of popup list ID\n"
    "  press ID            press a button (111 Tumble, 110 Shuffle, 2 Cancel)\n"
    "  pick ID X Y         complete a pick with button ID at artwork point (X, Y)\n"
    "  confirm | cancel    end the dialog\n"
    "Blank lines and lines starting with # are skipped. An action the dialog refuses (an unknown\n"
    "item, a hidden or disabled control) names its line and ends the run with exit status 2.\n";

const char* const kFailHelp =
    "--fail OPERATION[@N][=CODE] makes the host's OPERATION (such as art.newArt) return CODE on its\n"
    "Nth call (default the first): CODE is a number (-108, 0x5345474D) or four characters (SEGM,\n"
    "!MEM); without it -108 (out of memory). It may be given several times; 'flarimond info' lists\n"
    "the operations.\n";

void addHostOptions(CLI::App* cmd, HostArgs& h, CLI::Option** seed) {
  *seed = cmd->add_option("--seed", h.seed,
                          "Seed of the host's random source, a whole number; without it\n"
                          "a fresh seed is chosen and printed on stderr as 'seed: N'\n"
                          "so that the design can be made again")
              ->type_name("N");
  cmd->add_option("--draws", h.draws,
                  "The random source's first draws, exactly: comma-separated\n"
                  "numbers in [0, 1); the seeded generator follows them")
      ->type_name("LIST");
  cmd->add_option("--color-model", h.colorModel, "The document's colour model: rgb (default), cmyk or grey")
      ->type_name("MODEL");
  cmd->add_option("--page", h.page,
                  "Page size in points (default 612x792); the view is centred\n"
                  "on the page")
      ->type_name("WxH");
  cmd->add_option("--fail", h.fails,
                  "Make a host operation fail: OPERATION[@N][=CODE]; may be\n"
                  "given several times (see below)")
      ->type_name("OP[@N][=CODE]")
      ->allow_extra_args(false);
  cmd->add_option("--module", h.module, "The plug-in module to load (see below)")->type_name("PATH");
  cmd->add_option("--swatches", h.swatches,
                  "The document's swatch list from a JSON file instead of the\n"
                  "default one (see below)")
      ->type_name("FILE");
  cmd->add_option("--fill", h.fill,
                  "Fill of new paths: none, grey:G, rgb:R,G,B or cmyk:C,M,Y,K\n"
                  "(components 0..1); default white")
      ->type_name("COLOUR");
  cmd->add_option("--stroke", h.stroke,
                  "Stroke of new paths, COLOUR[@WIDTH] as for --fill with the\n"
                  "width in points; default black at 1 point")
      ->type_name("COLOUR");
}

void addDialogOptions(CLI::App* cmd, RenderArgs& r) {
  cmd->add_option("--preset", r.preset,
                  "Choose a preset in the dialog's preset list, by position\n"
                  "(0-35) or name ('flarimond presets' lists them)")
      ->type_name("N|NAME");
  cmd->add_option("--set", r.sets,
                  "Set a field on its control as a user would, firing its\n"
                  "notifier; repeatable, applied in order")
      ->type_name("FIELD=VALUE")
      ->allow_extra_args(false);
  cmd->add_option("--dialog-script", r.script, "Work the dialog from a script file (see below)")
      ->type_name("FILE");
}

void addPictureOptions(CLI::App* cmd, RenderArgs& r) {
  cmd->add_option("--width", r.width,
                  "PNG width in pixels (default 1200); the height follows. Drawn on every\n"
                  "core; on a terminal, a drawing longer than a second shows its progress")
      ->type_name("PIXELS");
  cmd->add_option("--background", r.background,
                  "PNG background outside the page: white (default) or\n"
                  "transparent")
      ->type_name("KIND");
}

}  // namespace

int runFlarimond(int argc, char** argv) {
  CLI::App app{
      "flarimond: draws radial starburst designs with the Flarimond filter plug-in, which it loads\n"
      "into a stand-in for its host application and drives through the host's whole protocol.",
      "flarimond"};
  app.require_subcommand(1);
  app.footer(std::string("Run 'flarimond SUBCOMMAND --help' for each subcommand's options.\n\n") + kExitCodesHelp);
  app.get_formatter()->column_width(30);

  RenderArgs render;
  CLI::Option* renderSeed = nullptr;
  CLI::App* renderCmd = app.add_subcommand(
      "render",
      "Run the filter as a user would: the parameters dialog, then\n"
      "the drawing; write the document");
  renderCmd->add_option("-o,--output", render.output, "The document to write: .svg, .json or .png")
      ->type_name("FILE")
      ->required();
  renderCmd->add_option("--params", render.params,
                        "Record the host holds before the run (.bin or .json);\n"
                        "without it the plug-in makes its defaults")
      ->type_name("FILE");
  renderCmd->add_option("--save-params", render.saveParams,
                        "Also write the record the host holds after the run (.bin or .json)")
      ->type_name("FILE");
  renderCmd->add_flag("--cancel", render.cancel,
                      "Cancel the parameters dialog: Go is not sent and the\n"
                      "unchanged document is written (exit status 0)");
  addHostOptions(renderCmd, render.host, &renderSeed);
  addPictureOptions(renderCmd, render);
  addDialogOptions(renderCmd, render);
  renderCmd->footer(std::string("The host sends Startup, Get Parameters (the dialog), Go (the drawing) and "
                                "Shutdown, then writes -o.\n\n") +
                    kFormatsHelp + "\n" + kScriptHelp + "\n" + kSwatchHelp + "\n" + kFailHelp + "\n" + kModuleHelp +
                    "\n" + kExitCodesHelp);

  RenderArgs apply;
  CLI::Option* applySeed = nullptr;
  CLI::App* applyCmd = app.add_subcommand(
      "apply", "Draw with a stored record and no dialog (the host's\n"
      "\"apply last filter\")");
  applyCmd->add_option("--params", apply.params, "The stored parameter record (.bin or .json)")
      ->type_name("FILE")
      ->required();
  applyCmd->add_option("-o,--output", apply.output, "The document to write: .svg, .json or .png")
      ->type_name("FILE")
      ->required();
  applyCmd->add_option("--save-params", apply.saveParams,
                       "Also write the record the host holds after the run (.bin or .json)")
      ->type_name("FILE");
  addHostOptions(applyCmd, apply.host, &applySeed);
  addPictureOptions(applyCmd, apply);
  applyCmd->footer(std::string("The host sends Startup and Go on the stored record, then Shutdown, and writes\n"
                               "-o. The record is used as stored: when its previewValid is 1 the plug-in\n"
                               "takes the art already in the document as the result and draws nothing.\n\n") +
                   kFormatsHelp + "\n" + kSwatchHelp + "\n" + kFailHelp + "\n" + kModuleHelp + "\n" + kExitCodesHelp);

  DialogArgs dialog;
  CLI::Option* dialogSeed = nullptr;
  CLI::App* dialogCmd = app.add_subcommand(
      "dialog", "Show the filter dialog as the user sees it after the\n"
      "given actions, as JSON");
  dialogCmd->add_option("--dump", dialog.dump, "Where to write the dialog (.json)")->type_name("FILE")->required();
  dialogCmd->add_option("--params", dialog.run.params,
                        "Record the host holds before the dialog (.bin or .json)")
      ->type_name("FILE");
  addHostOptions(dialogCmd, dialog.run.host, &dialogSeed);
  addDialogOptions(dialogCmd, dialog.run);
  dialogCmd->footer(std::string(
                        "The dialog is dumped when the actions are done, then cancelled unless the script\n"
                        "confirmed it. The dump: {\"size\": [w, h], \"items\": [{\"id\", \"kind\", \"text\", \"rect\",\n"
                        "\"value\", \"min\", \"max\", \"decimals\", \"visible\", \"enabled\", \"font\", \"entries\",\n"
                        "\"selected\"}], \"record\": {...}}, items in creation order with the keys their kind has.\n\n") +
                    kScriptHelp + "\n" + kModuleHelp + "\n" + kExitCodesHelp);

  CLI::App* presetsCmd = app.add_subcommand("presets", "List the dialog's style presets");

  SheetArgs sheet;
  CLI::Option* sheetSeed = nullptr;
  CLI::App* sheetCmd = app.add_subcommand(
      "sheet", "Draw a contact sheet: one tile per value of a field\n"
      "(such as every burst type), as a PNG");
  sheetCmd->add_option("--vary", sheet.vary, "The field and its values: FIELD=FROM..TO, such as\nburstType=0..29 or shapeOption=0..13")
      ->type_name("FIELD=FROM..TO")
      ->required();
  sheetCmd->add_option("-o,--output", sheet.output, "The sheet to write (.png)")->type_name("FILE")->required();
  sheetCmd->add_option("--params", sheet.params,
                       "The record every tile starts from (.bin or .json);\nwithout it the plug-in's defaults")
      ->type_name("FILE");
  sheetCmd->add_option("--columns", sheet.columns, "Tiles per row (default 6)")->type_name("N");
  sheetCmd->add_option("--tile", sheet.tile, "Tile size in pixels (default 240)")->type_name("PIXELS");
  addHostOptions(sheetCmd, sheet.host, &sheetSeed);
  sheetCmd->footer(std::string("Each tile is its own host run (Startup, Go on the record with the field set,\n"
                               "Shutdown) with the same seed, framed to the design's art.\n\n") +
                   kSwatchHelp + "\n" + kModuleHelp + "\n" + kExitCodesHelp);

  ServeArgs serve;
  CLI::Option* serveSeed = nullptr;
  CLI::App* serveCmd = app.add_subcommand(
      "serve", "Show the filter dialog in a web browser: serve it on\n"
      "127.0.0.1 and print the address to open");
  serveCmd->add_option("--port", serve.port, "Port on 127.0.0.1 (default 8150; 0 picks a free one)")->type_name("N");
  serveCmd->add_option("--params", serve.run.params,
                       "Record the host holds before the first dialog (.bin or .json)")
      ->type_name("FILE");
  serveCmd->add_option("--idle-timeout", serve.idleTimeout,
                       "Seconds without a word from the browser tab that drives\n"
                       "the dialog before the dialog is cancelled (default 90)")
      ->type_name("SECONDS");
  serveCmd->add_option("--web-dir", serve.webDir,
                       "Serve the page's files from this folder (web/ of the\n"
                       "sources) instead of the copies built in")
      ->type_name("DIR");
  addHostOptions(serveCmd, serve.run.host, &serveSeed);
  addPictureOptions(serveCmd, serve.run);
  serveCmd->footer(std::string("The host sends Startup and Get Parameters: the dialog waits for the browser. After OK it\n"
                               "sends Go; the page can open the dialog again, apply again and download the\n"
                               "document. Ctrl-C (or SIGTERM) cancels an open dialog and stops.\n\n") +
                   kSwatchHelp + "\n" + kFailHelp + "\n" + kModuleHelp + "\n" + kExitCodesHelp);

  std::string infoModule;
  CLI::App* infoCmd = app.add_subcommand(
      "info",
      "Show the module's property list, its filter, the suites it\n"
      "acquires at startup and the operations --fail can name");
  infoCmd->add_option("--module", infoModule, "The plug-in module to load (see below)")->type_name("PATH");
  infoCmd->footer(std::string(kModuleHelp) + "\n" + kExitCodesHelp);

  std::string aboutModule;
  CLI::App* aboutCmd = app.add_subcommand("about", "Show the texts of the plug-in's About box");
  aboutCmd->add_option("--module", aboutModule, "The plug-in module to load (see below)")->type_name("PATH");
  aboutCmd->footer(std::string(kModuleHelp) + "\n" + kExitCodesHelp);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e);
    return status == 0 ? kExitOk : kExitBadInput;
  }
  render.host.seedGiven = renderSeed->count() > 0;
  apply.host.seedGiven = applySeed->count() > 0;
  sheet.host.seedGiven = sheetSeed->count() > 0;
  dialog.run.host.seedGiven = dialogSeed->count() > 0;
  serve.run.host.seedGiven = serveSeed->count() > 0;

  const char* argv0 = argc > 0 ? argv[0] : nullptr;
  try {
    if (renderCmd->parsed()) return runRender(render, argv0);
    if (applyCmd->parsed()) return runApply(apply, argv0);
    if (sheetCmd->parsed()) return runSheet(sheet, argv0);
    if (dialogCmd->parsed()) return runDialog(dialog, argv0);
    if (presetsCmd->parsed()) return runPresets();
    if (serveCmd->parsed()) return runServe(serve, argv0);
    if (infoCmd->parsed()) return runInfo(infoModule, argv0);
    if (aboutCmd->parsed()) return runAbout(aboutModule, argv0);
  } catch (const ToolError& e) {
    std::string text = e.what();
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::cerr << "flarimond: " << text.substr(start, end - start) << "\n";
      start = end + 1;
    }
    return kExitBadInput;
  } catch (const std::bad_alloc&) {
    std::cerr << "flarimond: out of memory\n";
    return kExitPluginError;
  } catch (const std::exception& e) {
    // The file system's own errors (a path it cannot resolve, say) are problems with the input.
    std::cerr << "flarimond: " << e.what() << "\n";
    return kExitBadInput;
  }
  return kExitBadInput;
}

}  // namespace fltools
