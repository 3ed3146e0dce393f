#include "dialog_actions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "dialog/dialog_layout.h"
#include "dialog/popup_lists.h"
#include "dialog_script.h"
#include "input_file.h"
#include "output_file.h"
#include "param_file.h"
#include "params/burst_fields.h"
#include "suggest.h"
#include "variant_history.h"

namespace fltools {

namespace {

using Kind = flhost::DialogAction::Kind;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

flhost::DialogAction action(Kind kind, int32_t id, double value, const std::string& origin) {
  flhost::DialogAction a;
  a.kind = kind;
  a.id = id;
  a.value = value;
  a.origin = origin;
  return a;
}

}  // namespace

std::vector<std::string> presetNames() {
  std::vector<std::string> names;
  for (const char* text : fl::lists::kPresets) names.emplace_back(text + 1);
  return names;
}

int32_t presetPosition(const std::string& text) {
  std::vector<std::string> names = presetNames();
  char* end = nullptr;
  long n = std::strtol(text.c_str(), &end, 10);
  if (!text.empty() && *end == 0) {
    if (n >= 0 && n < static_cast<long>(names.size())) return static_cast<int32_t>(n);
    throw ToolError("--preset " + text + ": expected 0 to " + std::to_string(names.size() - 1) +
                    " or a name ('flarimond presets' lists them)");
  }
  for (size_t i = 0; i < names.size(); ++i)
    if (lower(names[i]) == lower(text)) return static_cast<int32_t>(i);
  throw ToolError("--preset \"" + text + "\": no preset of that name" + didYouMean(text, names) +
                  " ('flarimond presets' lists them)");
}

std::string notASetting(const BurstField& field) {
  const std::string name = field.name;
  if (field.offset == offsetof(BurstParams, previewValid))
    return name +
           " is not a setting of the design but run state: whether the dialog's preview is in the document "
           "(a new document starts without one)";
  if (field.offset == offsetof(BurstParams, finalRun))
    return name + " is not a setting of the design but run state: whether the plug-in's last drawing was final";
  if (field.range == FieldRange::Unchecked || field.offset == offsetof(BurstParams, dialogBoundsSaved))
    return name + " is not a setting of the design but part of the dialog's saved place on screen";
  return "";
}

std::vector<flhost::DialogAction> setFieldActions(const std::string& assignment) {
  const std::string origin = "--set " + assignment;
  size_t eq = assignment.find('=');
  if (eq == std::string::npos) throw ToolError(origin + ": expected FIELD=VALUE");
  std::string name = assignment.substr(0, eq), text = assignment.substr(eq + 1);
  const BurstField* field = nullptr;
  for (const BurstField& f : kBurstFields)
    if (name == f.name) field = &f;
  if (!field) throw ToolError(origin + ": " + unknownFieldText(name));

  if (std::string why = notASetting(*field); !why.empty()) throw ToolError(origin + ": " + why);
  const fl::DialogItem* control = fl::controlOf(field->offset);
  if (!control)
    throw ToolError(origin + ": " + name + " has no control in the dialog; set it in a parameter file (--params)");
  const int member = (field->offset - control->field) / 4;  // of a factor pair: 0 per star, 1 per element

  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != 0 || !std::isfinite(value))
    throw ToolError(origin + ": \"" + text + "\" is not a number");
  bool whole = value == std::floor(value);
  if (field->kind != FieldKind::Float && !whole)
    throw ToolError(origin + ": " + name + " takes a whole number, not " + text);

  std::vector<flhost::DialogAction> actions;
  // A user works only the controls of the page on screen.
  if (control->page != 0) {
    flhost::DialogAction page = action(Kind::Press, 0, 0, origin);
    pageAction(control->page, page);
    actions.push_back(page);
  }
  if (control->factorPair) actions.push_back(action(Kind::Choose, fl::kFactorModeItem, member, origin));
  switch (control->kind) {
    case fl::DialogItemKind::CheckBox:
      if (value != 0 && value != 1) throw ToolError(origin + ": " + name + " is a check box: 0 or 1");
      actions.push_back(action(Kind::Check, control->id, value, origin));
      break;
    case fl::DialogItemKind::PopupList:
      actions.push_back(action(Kind::Choose, control->id, value, origin));
      break;
    default:
      actions.push_back(action(Kind::Set, control->id, value, origin));
      break;
  }
  return actions;
}

std::vector<flhost::DialogAction> readDialogScript(const std::filesystem::path& path) {
  std::string why;
  auto actions = flhost::parseDialogScript(readInputFile(path), &why, scriptKeywords());
  if (!actions) throw ToolError(displayPath(path) + ": " + why);
  return *actions;
}

nlohmann::json dialogDump(const flhost::ModalSession& s) {
  using nlohmann::json;
  flhost::DialogDump dump = s.dump();
  json items = json::array();
  for (const flhost::ItemDump& d : dump.items) {
    json j;
    j["id"] = d.id;
    j["kind"] = d.typeName;
    bool hasText = d.kind == flhost::ItemKind::StaticText || d.kind == flhost::ItemKind::CheckBox ||
                   d.kind == flhost::ItemKind::PushButton;
    if (hasText) j["text"] = d.text;
    j["rect"] = {d.rect.left, d.rect.top, d.rect.right, d.rect.bottom};
    if (d.kind == flhost::ItemKind::SpinEdit) {
      j["value"] = d.value;
      j["min"] = d.minValue ? json(*d.minValue) : json(nullptr);
      j["max"] = d.maxValue ? json(*d.maxValue) : json(nullptr);
      j["decimals"] = d.decimals;
    } else if (d.kind == flhost::ItemKind::CheckBox) {
      j["value"] = d.value;
    }
    j["visible"] = d.visible;
    j["enabled"] = d.enabled;
    j["font"] = d.font;
    if (d.kind == flhost::ItemKind::PopupList) {
      json entries = json::array();
      for (const flhost::EntryDump& e : d.entries) entries.push_back(e.text);
      j["entries"] = entries;
      j["selected"] = d.selectedIndex;
    }
    items.push_back(std::move(j));
  }
  json out;
  out["size"] = {s.width(), s.height()};
  out["items"] = std::move(items);
  return out;
}

std::string dialogDumpJson(const flhost::ModalSession& s, const BurstParams& record) {
  nlohmann::json out = dialogDump(s);
  out["record"] = nlohmann::json::parse(paramsToJson(record));
  return out.dump(1) + "\n";
}

// The user's actions in the filter dialog: the preset, then the fields, then the script, then a
// cancel when asked for.
flhost::DialogAction presetAction(int32_t position, const std::string& origin) {
  return action(Kind::Choose, fl::kPresetItem, position, origin);
}

std::string pageAction(int32_t page, flhost::DialogAction& a) {
  if (page < 1) return "pages are numbered from 1";
  if (page > fl::kPageCount)
    return "no tab item for page " + std::to_string(page) + ": pages run from 1 to " + std::to_string(fl::kPageCount);
  a.kind = Kind::Press;
  a.id = fl::pageTab(page);
  a.wording = "page " + std::to_string(page);
  return {};
}

const std::vector<flhost::ScriptKeyword>& scriptKeywords() {
  static const std::vector<flhost::ScriptKeyword> keywords = {
      {"page", "page N", "a page number", pageAction},
  };
  return keywords;
}

std::vector<flhost::DialogAction> dialogActions(const RenderArgs& args) {
  std::vector<flhost::DialogAction> actions;
  if (!args.preset.empty()) actions.push_back(presetAction(presetPosition(args.preset), "--preset " + args.preset));
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

std::vector<std::string> dialogLocks(const RenderArgs& args, const std::vector<flhost::DialogAction>& actions,
                                     bool pressedElsewhere) {
  std::vector<std::string> locks;
  for (const std::string& name : args.locks) {
    if (std::string why = lockRefusal(name); !why.empty()) throw ToolError("--lock " + name + ": " + why);
    locks.push_back(name);
  }
  if (locks.empty()) return locks;
  if (!pressedElsewhere && std::none_of(actions.begin(), actions.end(), pressesTumbleOrShuffle))
    throw ToolError("--lock " + locks.front() +
                    ": a lock holds a field still through Tumble and Shuffle, and nothing here presses either "
                    "(press 111 or 110 in --dialog-script; a sheet can --vary tumble=1..N or shuffle=1..N)");
  std::sort(locks.begin(), locks.end());
  locks.erase(std::unique(locks.begin(), locks.end()), locks.end());
  return locks;
}

}  // namespace fltools
