#include "control_notes.h"

#include <charconv>

#include "dialog/dialog_layout.h"
#include "params/burst_fields.h"
#include "text_format.h"

namespace fltools {

std::string controlFieldName(int32_t id, int32_t factorMode) {
  const fl::DialogItem* item = fl::findDialogItem(id);
  if (!item || item->field == fl::kNoField || item->kind == fl::DialogItemKind::PictureButton) return {};
  int offset = item->field + (item->factorPair && factorMode == 1 ? 4 : 0);
  return kBurstFields[offset / 4].name;
}

std::string enablingCondition(int32_t id) {
  for (const fl::EnablingRule& rule : fl::kEnablingRules)
    for (int32_t item : rule.items)
      if (item == id) return rule.condition;
  return {};
}

std::string refusalReason(const flhost::Item& item, int32_t factorMode) {
  std::string name = controlFieldName(item.id, factorMode);
  if (name.empty()) name = "item " + std::to_string(item.id);
  if (!item.visible) {
    const fl::DialogItem* row = fl::findDialogItem(item.id);
    if (row && row->page != 0)
      return name + " is on page " + std::to_string(row->page) + ", which is not showing (press its tab first: page " +
             std::to_string(row->page) + ")";
    return name + " is hidden";
  }
  if (!item.enabled) {
    std::string condition = enablingCondition(item.id);
    return name + " is disabled" + (condition.empty() ? std::string() : ": " + condition);
  }
  return {};
}

std::string clampNote(const flhost::DialogAction& action, const flhost::Item& item, int32_t factorMode) {
  if (action.kind != flhost::DialogAction::Kind::Set || item.kind != flhost::ItemKind::SpinEdit) return {};
  std::string name = controlFieldName(item.id, factorMode);
  if (name.empty()) name = "spin edit " + std::to_string(item.id);
  if (action.value > item.maximum())
    return name + " " + realText(action.value) + " is above the control's maximum: " + realText(item.maximum()) +
           " used";
  if (action.value < item.minimum())
    return name + " " + realText(action.value) + " is below the control's minimum: " + realText(item.minimum()) +
           " used";
  return {};
}

}  // namespace fltools
