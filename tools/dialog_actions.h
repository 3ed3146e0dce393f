// What the command line does in the filter dialog, as a user would: choose a preset, set fields on
// their controls, play a dialog script; and how it shows the dialog (the --dump format).
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "burst_fields.h"
#include "commands.h"
#include "dialog_script.h"
#include "dialogs.h"
#include "params/burst_params.h"

namespace fltools {

// The preset popup's position for N (0..35) or a preset's name without its leading space, in any
// case ("star20", "3D Cut"). ToolError for anything else.
int32_t presetPosition(const std::string& text);
// The presets' names as listed, without the leading space.
std::vector<std::string> presetNames();

// The action that chooses the preset at `position` in the preset list; `origin` names it in messages.
flhost::DialogAction presetAction(int32_t position, const std::string& origin);

// Makes `action` bring page N (1 to 7) up as a user does: a press on its tab, worded "page N" in
// messages. Returns "" or why N names no page (the action is then left as it was).
std::string pageAction(int32_t page, flhost::DialogAction& action);
// The keywords the command line adds to dialog scripts: "page N".
const std::vector<flhost::ScriptKeyword>& scriptKeywords();

// Why a field of the record is not a setting of the design, as a sentence that starts with its
// name; empty for a setting. The run state the host and the plug-in keep (previewValid,
// finalRun) and the dialog's saved place on screen are no one's to give: a design drawn with them
// changed would not be the one its description names.
std::string notASetting(const BurstField& field);

// The actions that set FIELD=VALUE on its control: show its page, then set the spin edit, tick the
// check box or choose the popup entry; a factor field first chooses its member in the factor
// popup. ToolError for an unknown field, a field that is not a setting (notASetting), a field with
// no control, or a value of the wrong type.
std::vector<flhost::DialogAction> setFieldActions(const std::string& assignment);

// The user's actions in the filter dialog, in this order: --preset, each --set, the script, then
// a cancel when --cancel asks for one.
std::vector<flhost::DialogAction> dialogActions(const RenderArgs& args);

// --lock FIELD,...: the fields the host holds still through Tumble and Shuffle, sorted, without
// repeats. ToolError naming the field for one that has no lock (lockRefusal), and when nothing
// presses Tumble or Shuffle (none of `actions` does, and `pressedElsewhere` is false), where a lock
// would hold nothing.
std::vector<std::string> dialogLocks(const RenderArgs& args, const std::vector<flhost::DialogAction>& actions,
                                     bool pressedElsewhere = false);

// A dialog script file's actions; ToolError naming the file and line for a bad line.
std::vector<flhost::DialogAction> readDialogScript(const std::filesystem::path& path);

// {"size": [w, h], "items": [...]}: every item in creation order with the keys its kind has (id,
// kind, text, rect, value, min, max, decimals, visible, enabled, font, entries, selected).
nlohmann::json dialogDump(const flhost::ModalSession& s);

// The dump as text, with "record": {...}, the record the dialog is editing.
std::string dialogDumpJson(const flhost::ModalSession& s, const BurstParams& record);

}  // namespace fltools
