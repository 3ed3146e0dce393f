// The extension's .inx files, from the dialog as the host shows it: each page's controls (those
// the page shows when its tab is pressed), in reading order, with the labels beside them.
#include "inkscape_inx.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>

#include "dialog/dialog_layout.h"
#include "dialog_actions.h"
#include "param_file.h"
#include "host_run.h"
#include "text_format.h"

namespace fltools {

namespace {

using nlohmann::json;

// The dialog's dump with each page shown in turn; [0] is the dialog as it opens.
std::vector<json> dialogPages(const HostConfig& config) {
  std::vector<json> pages;
  std::string refused;
  RunPlan plan;
  plan.getParameters = true;
  plan.acceptCancel = true;
  plan.noteUnfiredFaults = false;
  plan.prepareDriver = [&](flhost::ScriptDriver& driver) {
    driver.confirmWhenDone = false;
    driver.beforeEnd = [&](flhost::ModalSession& s) {
      pages.push_back(dialogDump(s));
      pages[0]["record"] = json::parse(paramsToJson(*static_cast<const BurstParams*>(s.dialog().userData)));
      for (int page = 1; page <= fl::kPageCount; ++page) {
        flhost::DialogAction press;
        press.kind = flhost::DialogAction::Kind::Press;
        press.id = fl::pageTab(page);
        if (std::string why = s.apply(press); !why.empty()) refused = why;
        pages.push_back(dialogDump(s));
      }
    };
  };
  HostRun run = runPlugin(config, plan);
  if (!run.ok || pages.size() != fl::kPageCount + 1 || !refused.empty())
    throw ToolError("the filter dialog did not show its pages" + (refused.empty() ? "" : ": " + refused));
  return pages;
}

std::string trimmedText(const std::string& s) {
  size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// "initialGapX" → "initial gap x": the host's own words for a control the dialog leaves unlabelled.
std::string fieldWords(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (std::isupper(static_cast<unsigned char>(c))) {
      if (!out.empty()) out += ' ';
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else {
      out += c;
    }
  }
  return out;
}

std::string capitalised(std::string s) {
  if (!s.empty()) s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
  return s;
}

// A number as the schema's integer or float wants it.
std::string numberText(double v, int decimals) {
  if (decimals == 0) return std::to_string(static_cast<long long>(std::llround(v)));
  return floatText(static_cast<float>(v));
}

const json* itemIn(const json& dump, int32_t id) {
  for (const json& item : dump["items"])
    if (item["id"] == id) return &item;
  return nullptr;
}

bool sameRow(const json& a, const json& b) {
  return a["rect"][1].get<int>() < b["rect"][3].get<int>() && b["rect"][1].get<int>() < a["rect"][3].get<int>();
}

// One parameter of a control's field: what the .inx says of it.
std::string param(const json& item, const BurstField& field, const std::string& label, double value) {
  const std::string kind = item["kind"];
  std::string name = field.name;
  std::string line = "<param name=\"" + name + "\" gui-text=\"" + xmlAttributeEscaped(label) + "\" ";
  if (kind.find("Spin Edit") != std::string::npos) {
    int decimals = item["decimals"];
    line += decimals == 0 ? "type=\"int\"" : "type=\"float\" precision=\"" + std::to_string(decimals) + "\"";
    if (!item["min"].is_null()) line += " min=\"" + numberText(item["min"].get<double>(), decimals) + "\"";
    if (!item["max"].is_null()) line += " max=\"" + numberText(item["max"].get<double>(), decimals) + "\"";
    return line + ">" + numberText(value, decimals) + "</param>\n";
  }
  if (kind.find("Check Box") != std::string::npos)
    return line + "type=\"bool\">" + (value != 0 ? "true" : "false") + "</param>\n";
  // A popup: its entries in order, each by its position (the value the field takes).
  line += "type=\"optiongroup\" appearance=\"combo\">";
  const json& entries = item["entries"];
  for (size_t i = 0; i < entries.size(); ++i)
    line += "\n  <option value=\"" + std::to_string(i) + "\">" + xmlEscaped(trimmedText(entries[i])) + "</option>";
  // An option group's default is its first option: the field's default must be that entry.
  if (value != 0) throw ToolError(std::string("the default of ") + field.name + " is not its list's first entry");
  return line + "\n</param>\n";
}

bool editsField(const fl::DialogItem& row) {
  if (row.field == fl::kNoField || row.kind == fl::DialogItemKind::PictureButton) return false;
  // The preview, the view's zoom and the factor mode only change what the dialog shows: Inkscape
  // has its own live preview and view, and a factor's two members are two parameters here.
  return row.id != fl::kPreviewItem && row.id != fl::kZoomItem && row.id != fl::kFactorModeItem &&
         row.id != fl::kPresetItem;
}

// Start x and y follow the view the design is drawn in (the view's centre), which Inkscape's
// stored parameter values could not: the design is placed as the dialog places a new one.
bool placedByView(const BurstField& f) {
  return f.defaultKind == FieldDefault::ViewCentreX || f.defaultKind == FieldDefault::ViewCentreY;
}

std::string pageParams(const json& dump, const json& record) {
  // The page's controls in reading order: by row, then left to right.
  std::vector<const json*> controls, labels;
  for (const json& item : dump["items"]) {
    if (!item["visible"]) continue;
    const fl::DialogItem* row = fl::findDialogItem(item["id"]);
    if (!row || row->page == 0) continue;
    if (item["kind"].get<std::string>().find("Static") != std::string::npos)
      labels.push_back(&item);
    else if (editsField(*row) && !placedByView(fl::fieldOf(*row)))
      controls.push_back(&item);
  }
  std::sort(controls.begin(), controls.end(), [](const json* a, const json* b) {
    int ta = (*a)["rect"][1], tb = (*b)["rect"][1], la = (*a)["rect"][0], lb = (*b)["rect"][0];
    return ta != tb ? ta < tb : la < lb;
  });
  std::string out;
  for (const json* item : controls) {
    const fl::DialogItem& row = *fl::findDialogItem((*item)["id"]);
    const BurstField& field = fl::fieldOf(row);
    std::string label;
    if ((*item).contains("text")) label = (*item)["text"];
    // Controls sharing a row share its label; each adds the words of its field the others lack
    // ("Initial gap (p): x").
    std::string own = fieldWords(field.name);
    size_t onRow = 0;
    for (const json* other : controls) {
      if (other == item || !sameRow(*other, *item)) continue;
      ++onRow;
      std::string theirs = fieldWords(fl::fieldOf(*fl::findDialogItem((*other)["id"])).name);
      size_t common = 0;
      while (common < own.size() && common < theirs.size() && own[common] == theirs[common]) ++common;
      common = own.rfind(' ', common) == std::string::npos ? 0 : own.rfind(' ', common) + 1;
      own = own.substr(std::min(common, own.size()));
    }
    const bool ownText = !label.empty();  // a check box's own text names it alone
    if (label.empty())
      for (const json* l : labels)
        if (sameRow(*l, *item) && (*l)["rect"][0].get<int>() < (*item)["rect"][0].get<int>()) label = (*l)["text"];
    if (label.empty())
      label = capitalised(fieldWords(field.name));
    else if (onRow > 0 && !ownText)
      label += ": " + own;
    if (row.factorPair) {
      const BurstField& perElement = kBurstFields[field.offset / 4 + 1];
      out += param(*item, field, label + " per star", record[field.name].get<double>());
      out += param(*item, perElement, label + " per element", record[perElement.name].get<double>());
    } else {
      out += param(*item, field, label, record[field.name].get<double>());
    }
  }
  return out;
}

std::string indented(const std::string& text, int spaces) {
  std::string out, pad(static_cast<size_t>(spaces), ' ');
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    out += pad + text.substr(start, end - start) + "\n";
    start = end + 1;
  }
  return out;
}

std::string inxFile(const std::string& id, const std::string& name, const std::string& params,
                    const std::string& effect, const std::string& tip) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  s += "<!-- Made by the flarimond program from the filter's dialog (flarimond inkscape, option inx): do not edit. "
       "-->\n";
  s += "<inkscape-extension xmlns=\"http://www.inkscape.org/namespace/inkscape/extension\">\n";
  s += "  <name>" + xmlEscaped(name) + "</name>\n";
  s += "  <id>" + id + "</id>\n";
  s += "  <dependency type=\"executable\" location=\"inx\">" + std::string(kInkscapeCommand) + "</dependency>\n";
  s += indented(params, 2);
  s += "  " + effect + "\n";
  s += "    <object-type>all</object-type>\n";
  s += "    <effects-menu>\n      <submenu name=\"Render\">\n        <submenu name=\"Flarimond\"/>\n"
       "      </submenu>\n    </effects-menu>\n";
  s += "    <menu-tip>" + xmlEscaped(tip) + "</menu-tip>\n";
  s += "  </effect>\n";
  s += "  <script>\n    <command location=\"inx\">" + std::string(kInkscapeCommand) + "</command>\n  </script>\n";
  s += "</inkscape-extension>\n";
  return s;
}

std::string hidden(const char* effect) {
  return "<param name=\"effect\" type=\"string\" gui-hidden=\"true\">" + std::string(effect) + "</param>\n";
}

}  // namespace

std::map<std::string, std::string> inkscapeInxFiles(const HostConfig& config) {
  std::vector<json> pages = dialogPages(config);
  const json& record = pages[0]["record"];
  std::map<std::string, std::string> files;

  std::string params = hidden(kEffectNew);
  const json* presets = itemIn(pages[0], fl::kPresetItem);
  if (!presets) throw ToolError("the filter dialog has no preset list");
  params += "<param name=\"" + std::string(kPresetParam) +
            "\" gui-text=\"Preset\" type=\"optiongroup\" appearance=\"combo\">\n  <option value=\"" + kNoPreset +
            "\">(the fields below)</option>";
  const json& entries = (*presets)["entries"];
  for (size_t i = 0; i < entries.size(); ++i)
    params += "\n  <option value=\"" + std::to_string(i) + "\">" + xmlEscaped(trimmedText(entries[i])) + "</option>";
  params += "\n</param>\n";
  params += "<param name=\"" + std::string(kSeedParam) +
            "\" gui-text=\"Seed\" type=\"int\" min=\"0\" max=\"2147483647\">1</param>\n";
  params += "<param name=\"tab\" type=\"notebook\">\n";
  for (int page = 1; page <= fl::kPageCount; ++page) {
    const json* label = itemIn(pages[static_cast<size_t>(page)], fl::pageLabel(page));
    std::string text =
        label && label->contains("text") ? (*label)["text"].get<std::string>() : "Page " + std::to_string(page);
    params += "  <page name=\"page" + std::to_string(page) + "\" gui-text=\"" + xmlAttributeEscaped(text) + "\">\n";
    params += indented(pageParams(pages[static_cast<size_t>(page)], record), 4);
    params += "  </page>\n";
  }
  params += "</param>\n";
  files["flarimond_new.inx"] = inxFile("org.flarimond.new", "New design…", params, "<effect>",
                                       "Draw a new Flarimond design in the current layer");

  files["flarimond_edit.inx"] = inxFile("org.flarimond.edit", "Edit selected design…", hidden(kEffectEdit),
                                        "<effect needs-live-preview=\"false\" implements-custom-gui=\"true\">",
                                        "Open the selected Flarimond design in the filter's dialog, in the browser");

  std::string vary = hidden(kEffectVary);
  vary += "<param name=\"" + std::string(kVaryParam) +
          "\" gui-text=\"Change\" type=\"optiongroup\" appearance=\"radio\">\n"
          "  <option value=\"seed\">A new seed</option>\n"
          "  <option value=\"shuffle\">Shuffle</option>\n"
          "  <option value=\"tumble\">Tumble</option>\n"
          "</param>\n";
  files["flarimond_vary.inx"] = inxFile("org.flarimond.vary", "Vary selected design", vary, "<effect>",
                                        "Draw the selected Flarimond design again with a new seed, Shuffle or Tumble");
  return files;
}

}  // namespace fltools
