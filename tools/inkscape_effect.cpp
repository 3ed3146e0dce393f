// The program Inkscape runs for the extension's effects: called as Inkscape calls an effect (each
// parameter as --name=value, --id=ID per selected object, the document's path last), it writes
// the new document on stdout. Anything wrong goes to stderr with a non-zero status, which
// Inkscape shows, and nothing to stdout, so the document stays as it was.
#include "inkscape_effect.h"

#include <cstring>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "design_file.h"
#include "dialog/dialog_layout.h"
#include "dialog_actions.h"
#include "export.h"
#include "host_run.h"
#include "inkscape_inx.h"
#include "inkscape_svg.h"
#include "input_file.h"
#include "param_file.h"

#ifdef FLARIMOND_HAVE_SERVE
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include "serve.h"
#include "serve_open.h"
extern char** environ;
#endif

namespace fltools {

namespace {

struct EffectCall {
  std::map<std::string, std::string> params;
  std::vector<std::string> ids;
  std::filesystem::path document;
};

EffectCall readCall(const std::vector<std::string>& args) {
  EffectCall call;
  for (const std::string& a : args) {
    if (a.starts_with("--")) {
      size_t eq = a.find('=');
      std::string name = a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
      std::string value = eq == std::string::npos ? "" : a.substr(eq + 1);
      if (name == "id")
        call.ids.push_back(value);
      else
        call.params[name] = value;
    } else {
      if (!call.document.empty()) throw ToolError("one document at a time: " + call.document.string() + " and " + a);
      call.document = a;
    }
  }
  if (call.document.empty()) throw ToolError("no document: Inkscape gives the document's path last");
  return call;
}

// What Inkscape passes that is no field: the notebook's page on show, the selected nodes of a path.
bool ignored(const std::string& name) { return name == "tab" || name == "selected-nodes"; }

uint64_t wholeParam(const std::string& name, const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 18)
    throw ToolError("--" + name + "=" + text + ": expected a whole number");
  return std::stoull(text);
}

// The record New design draws: the parameters Inkscape gives, each read as a parameter file's
// member; the fields they leave out from the plug-in's defaults.
BurstParams recordFromParams(const std::map<std::string, std::string>& params, const HostConfig& config) {
  nlohmann::json fields = nlohmann::json::object();
  for (const auto& [name, value] : params) {
    if (name == "effect" || name == kPresetParam || name == kSeedParam || ignored(name)) continue;
    const BurstField* field = fieldNamed(name);
    if (!field) {
      const char* close = closestFieldName(name);
      throw ToolError("--" + name + ": no such parameter" +
                      (close ? std::string(" (did you mean ") + close + "?)" : ""));
    }
    if (value == "true" || value == "false") {
      fields[name] = value == "true" ? 1 : 0;
      continue;
    }
    char* end = nullptr;
    double v = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != 0) throw ToolError("--" + name + "=" + value + ": expected a number");
    if (field->kind == FieldKind::Float)
      fields[name] = v;
    else if (v == static_cast<double>(static_cast<long long>(v)))
      fields[name] = static_cast<long long>(v);
    else
      throw ToolError("--" + name + "=" + value + ": expected a whole number");
  }
  const flhost::DocumentOptions document = documentOptions(config.document);
  ParamRecord given = paramsFromJson(fields.dump(), "the effect's parameters");
  BurstParams record = given.over(defaultRecord(document));
  std::vector<std::string> problems =
      checkParams(record, static_cast<int32_t>(document.swatches.size()), "the effect's parameters");
  if (!problems.empty()) throw ParamFileError(problems);
  return storedRecord(record);
}

// The design's group, its ids after `prefix`, with its description first.
std::string designGroup(const flhost::Document& doc, const DesignRecord& design, const std::string& prefix) {
  std::ostringstream out;
  flhost::writeDesignGroup(doc, out, prefix, designSvgMetadata(design));
  return out.str();
}

HostConfig hostFor(const char* argv0) { return parseHostOptions(HostArgs{}, argv0); }

// Draws the plan and writes the design's group; nullopt when the plug-in failed (said on stderr).
std::optional<std::string> drawGroup(const HostConfig& config, const RunPlan& plan, const std::string& prefix) {
  HostRun run = runPlugin(config, plan);
  if (!run.ok || !run.confirmed) return std::nullopt;
  std::optional<BurstParams> held = heldRecord(*run.session);
  if (!held) return std::nullopt;
  return designGroup(run.session->document(), describeDesign(config, *run.session, *held), prefix);
}

std::optional<std::string> newDesign(const EffectCall& call, const EditorDocument& doc, const char* argv0) {
  HostConfig config = hostFor(argv0);
  config.document.page = doc.page();
  auto seed = call.params.find(kSeedParam);
  config.random.seed = seed == call.params.end() ? 1 : wholeParam(kSeedParam, seed->second);
  RunPlan plan;
  plan.record = recordFromParams(call.params, config);
  // As render does: the dialog, confirmed (its previews take their draws), then Go.
  plan.getParameters = true;
  plan.go = true;
  if (auto preset = call.params.find(kPresetParam); preset != call.params.end() && preset->second != kNoPreset)
    plan.actions.push_back(presetAction(presetPosition(preset->second), "--preset=" + preset->second));
  const std::string id = doc.freeId();
  std::optional<std::string> inner = drawGroup(config, plan, id + "-");
  if (!inner) return std::nullopt;
  std::string group =
      "<g id=\"" + id + "\" transform=\"" + transformText(doc.pageToLayer()) + "\">\n" + *inner + "</g>\n";
  return doc.withNewGroup(group);
}

// The selected design as its description gives it; ToolError for a selection of anything else.
struct SelectedDesign {
  EditorDocument::Selected where;
  DesignRecord design;
};

SelectedDesign selectedDesign(const EffectCall& call, const EditorDocument& doc) {
  if (call.ids.size() != 1)
    throw ToolError(call.ids.empty()
                        ? "nothing is selected: select one Flarimond design"
                        : "select one Flarimond design, not " + std::to_string(call.ids.size()) + " objects");
  EditorDocument::Selected where = doc.selected(call.ids[0]);
  std::ostringstream warnings;  // values outside their ranges are the design's own, as it was drawn
  const std::string& bytes = doc.bytes();
  std::vector<FoundDesign> designs = designsIn(bytes, DesignFileKind::Svg, displayPath(call.document), warnings);
  return {where, chooseDesign(designs, where.designId, std::nullopt, displayPath(call.document)).design};
}

// The prefix of the ids inside a wrapper: the wrapper's id.
std::string innerPrefix(const EditorDocument::Selected& where) { return where.id + "-"; }

std::optional<std::string> varyDesign(const EffectCall& call, const EditorDocument& doc, const char* argv0) {
  SelectedDesign s = selectedDesign(call, doc);
  auto what = call.params.find(kVaryParam);
  std::string vary = what == call.params.end() ? "seed" : what->second;
  HostConfig given = hostFor(argv0);
  std::vector<flhost::DialogAction> actions;
  if (vary == "seed") {
    auto seed = call.params.find(kSeedParam);
    given.random.seed = seed != call.params.end() ? wholeParam(kSeedParam, seed->second) : std::random_device{}();
  } else if (vary == "shuffle" || vary == "tumble") {
    flhost::DialogAction press;
    press.kind = flhost::DialogAction::Kind::Press;
    press.id = vary == "shuffle" ? fl::kShuffle : fl::kTumble;
    press.origin = vary;
    actions.push_back(press);
  } else {
    throw ToolError("--" + std::string(kVaryParam) + "=" + vary + ": expected seed, shuffle or tumble");
  }
  // Shuffle and Tumble are the dialog's: opened on the design where its drawing began, its
  // preview is the design; the button draws anew from there, and OK keeps that drawing.
  HostConfig config = configToDraw(s.design, given);
  RunPlan plan;
  plan.record = storedRecord(s.design.record);
  plan.getParameters = !actions.empty();
  plan.actions = std::move(actions);
  plan.go = true;
  std::optional<std::string> inner = drawGroup(config, plan, innerPrefix(s.where));
  if (!inner) return std::nullopt;
  return doc.withReplaced(s.where, *inner);
}

#ifdef FLARIMOND_HAVE_SERVE
// Opens the page in the user's browser: $FLARIMOND_BROWSER (a program given the address), else
// xdg-open. The page is the dialog: the effect waits for its OK or Cancel, not for the browser.
void openBrowser(const std::string& url) {
  const char* browser = std::getenv("FLARIMOND_BROWSER");
  std::string program = browser && *browser ? browser : "xdg-open";
  std::vector<char*> argv = {program.data(), const_cast<char*>(url.c_str()), nullptr};
  pid_t pid;
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  // The browser's chatter must not end up in the document Inkscape reads back.
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  int failed = posix_spawnp(&pid, program.c_str(), &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  if (failed) throw ToolError("cannot start " + program + " to show the dialog at " + url);
  // xdg-open hands over to the browser and ends; a browser given directly is left running.
  if (!browser || !*browser) waitpid(pid, nullptr, 0);
}
#endif

std::optional<std::string> editDesign(const EffectCall& call, const EditorDocument& doc, const char* argv0) {
  SelectedDesign s = selectedDesign(call, doc);
#ifdef FLARIMOND_HAVE_SERVE
  ServeArgs args;
  args.port = "0";
  if (const char* idle = std::getenv("FLARIMOND_IDLE_TIMEOUT")) args.idleTimeout = idle;
  HostConfig given = hostFor(argv0);
  ServeStart start;
  start.config = configToDraw(s.design, given);
  start.record = storedRecord(s.design.record);
  start.announce = openBrowser;
  std::optional<std::string> result;
  const std::string id = innerPrefix(s.where);
  start.finished = [&](const flhost::Document& drawn, const std::optional<DesignRecord>& design) {
    if (design) result = doc.withReplaced(s.where, designGroup(drawn, *design, id));
  };
  HostConfig forOpen;
  forOpen.module = given.module;
  int status = serveDialog(args, start,
                           [forOpen](const std::filesystem::path& file, const std::string& name,
                                     std::optional<int> tile, const flhost::DocumentOptions& into) {
                             return readKeptFile(file, name, forOpen, std::nullopt, tile, &into);
                           });
  if (status != kExitOk) return std::nullopt;
  // Cancel, or a page closed before OK: the document as it was.
  return result ? *result : doc.bytes();
#else
  (void)argv0;
  (void)s;
  throw ToolError("Edit selected design needs the dialog in a browser, which this build lacks (cpp-httplib)");
#endif
}

}  // namespace

int runInkscapeEffect(const std::vector<std::string>& args, const char* argv0) {
  EffectCall call = readCall(args);
  EditorDocument doc(readInputFile(call.document), displayPath(call.document));
  auto effect = call.params.find("effect");
  std::string what = effect == call.params.end() ? kEffectNew : effect->second;
  std::optional<std::string> out;
  if (what == kEffectNew)
    out = newDesign(call, doc, argv0);
  else if (what == kEffectEdit)
    out = editDesign(call, doc, argv0);
  else if (what == kEffectVary)
    out = varyDesign(call, doc, argv0);
  else
    throw ToolError("--effect=" + what + ": expected new, edit or vary");
  if (!out) return kExitPluginError;
  std::cout.write(out->data(), static_cast<std::streamsize>(out->size()));
  std::cout.flush();
  if (!std::cout) throw ToolError("cannot write the document to standard output");
  return kExitOk;
}

}  // namespace fltools
