#include "dialog_driver.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>

#include "adm_dialog_suite.h"
#include "dialogs.h"

namespace flhost {
namespace {

using K = DialogAction::Kind;

std::string number(double v) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

// "spin edit 5": how refusals name an item.
std::string named(const Item& item) { return std::string(itemKindLabel(item.kind)) + " " + std::to_string(item.id); }

// What an action on an item asks of it, and what it then does. `check` returns "" or why the
// action's value does not suit the item; nothing is done before every check has passed.
struct ActionRule {
  K kind;
  std::array<ItemKind, 2> works;  // the item kinds the action works (a kind repeated when only one)
  const char* wanted;             // those kinds in words, for the refusal
  std::string (*check)(const DialogAction&, const Item&);
  void (*act)(DialogManager&, Item&, const DialogAction&);
};

std::string noCheck(const DialogAction&, const Item&) { return {}; }

std::string checkSet(const DialogAction& a, const Item& item) {
  if (!std::isfinite(a.value)) return "the value must be a finite number";
  if (item.decimals == 0 && a.value != std::trunc(a.value)) return named(item) + " takes whole numbers";
  return {};
}

std::string checkCheck(const DialogAction& a, const Item&) {
  return a.value != 0 && a.value != 1 ? "a check box takes 0 or 1" : "";
}

std::string checkChoose(const DialogAction& a, const Item& item) {
  if (a.value >= 0 && a.value < static_cast<double>(item.entries.size()) && a.value == std::trunc(a.value)) return {};
  return named(item) + " has " + std::to_string(item.entries.size()) + " entries; positions run from 0";
}

std::string checkPick(const DialogAction& a, const Item&) {
  if (std::fabs(a.x) <= FLT_MAX && std::fabs(a.y) <= FLT_MAX) return {};
  return "the point must have finite coordinates";
}

void setAndNotify(DialogManager& manager, Item& item, const DialogAction& a) {
  item.setValue(a.value);
  manager.sendNotify(item, kUserChangedNotifier);
}

void chooseAndNotify(DialogManager& manager, Item& item, const DialogAction& a) {
  item.select(*item.entries[static_cast<size_t>(a.value)], true);
  manager.sendNotify(item, kUserChangedNotifier);
}

void notify(DialogManager& manager, Item& item, const DialogAction&) { manager.sendNotify(item, kUserChangedNotifier); }

void completePick(DialogManager& manager, Item& item, const DialogAction& a) {
  const HostRealPoint artwork{static_cast<HostReal>(a.x), static_cast<HostReal>(a.y)};
  manager.track(item, manager.viewPointOf(artwork), kTrackerPickDone);
}

constexpr std::array<ItemKind, 2> kButtons = {ItemKind::PushButton, ItemKind::PictureButton};
constexpr const char* kButtonWords = "push button or picture button";

constexpr std::array<ActionRule, 5> kActionRules = {{
    {K::Set, {ItemKind::SpinEdit, ItemKind::SpinEdit}, "spin edit", checkSet, setAndNotify},
    {K::Check, {ItemKind::CheckBox, ItemKind::CheckBox}, "check box", checkCheck, setAndNotify},
    {K::Choose, {ItemKind::PopupList, ItemKind::PopupList}, "popup list", checkChoose, chooseAndNotify},
    {K::Press, kButtons, kButtonWords, noCheck, notify},
    {K::Pick, kButtons, kButtonWords, checkPick, completePick},
}};

}  // namespace

std::string describeAction(const DialogAction& a) {
  using K = DialogAction::Kind;
  if (!a.wording.empty()) return a.wording;
  const std::string id = std::to_string(a.id);
  // clang-format off
  switch (a.kind) {
    case K::Set: return "set " + id + " " + number(a.value);
    // Whole numbers written out: the shortest form of 1000000 is "1e+06", which these do not take.
    case K::Check: return "check " + id + " " + std::to_string(static_cast<int64_t>(a.value));
    case K::Choose: return "choose " + id + " " + std::to_string(static_cast<int64_t>(a.value));
    case K::Press: return "press " + id;
    case K::Pick: return "pick " + id + " " + number(a.x) + " " + number(a.y);
    case K::Confirm: return "confirm";
    case K::Cancel: return "cancel";
  }
  // clang-format on
  return "?";
}

std::vector<const Item*> ModalSession::items() const {
  std::vector<const Item*> out;
  out.reserve(dialog_.items.size());
  for (const auto& item : dialog_.items) out.push_back(item.get());
  return out;
}

DialogDump ModalSession::dump() const {
  DialogDump d;
  d.resourceId = dialog_.resourceId;
  d.name = dialog_.name;
  d.caption = dialog_.caption;
  d.fontName = dialog_.fontName;
  d.fontSize = dialog_.fontSize;
  d.bounds = dialog_.bounds;
  d.ended = dialog_.ended();
  d.endingId = dialog_.endingId();
  for (const auto& item : dialog_.items) {
    ItemDump i;
    i.id = item->id;
    i.kind = item->kind;
    i.typeName = std::string(itemTypeName(item->kind));
    i.text = item->displayText();
    i.rect = item->rect;
    i.visible = item->visible;
    i.enabled = item->enabled;
    i.font = item->font;
    i.value = item->reading();
    if (std::isfinite(item->minimum())) i.minValue = item->minimum();
    if (std::isfinite(item->maximum())) i.maxValue = item->maximum();
    i.decimals = item->decimals;
    i.units = item->units;
    i.hasNotifyProc = item->notifyProc != nullptr;
    i.hasTrackProc = item->trackProc != nullptr;
    for (const auto& e : item->entries) i.entries.push_back({e->text, e->id, e->selected});
    i.selectedIndex = item->selectedIndex();
    d.items.push_back(std::move(i));
  }
  return d;
}

void ModalSession::end(int32_t id) { manager_.endModal(dialog_, id); }

std::string ModalSession::apply(const DialogAction& a) { return act(a, true); }

std::string ModalSession::putBack(int32_t id, double value) {
  const Item* item = dialog_.find(id);
  DialogAction a;
  a.kind = !item || item->kind == ItemKind::SpinEdit ? K::Set : item->kind == ItemKind::CheckBox ? K::Check : K::Choose;
  a.id = id;
  a.value = value;
  return act(a, false);
}

std::string ModalSession::act(const DialogAction& a, bool asUser) {
  auto refuse = [&](const std::string& why) { return describeAction(a) + ": " + why; };
  if (dialog_.ended()) return refuse("the dialog has already ended");
  if (manager_.runningDialog() != &dialog_) return refuse("another dialog is open in front of it");
  if (a.kind == K::Confirm || a.kind == K::Cancel) {
    end(a.kind == K::Confirm ? kDialogOkId : kDialogCancelId);
    return {};
  }
  const ActionRule* rule = nullptr;
  for (const ActionRule& r : kActionRules)
    if (r.kind == a.kind) rule = &r;
  if (!rule) return refuse("not an action on an item");

  Item* item = dialog_.find(a.id);
  if (!item) return refuse("no item " + std::to_string(a.id) + " in this dialog");
  if (item->kind != rule->works[0] && item->kind != rule->works[1])
    return refuse("item " + std::to_string(item->id) + " is a " + std::string(itemKindLabel(item->kind)) + ", not a " +
                  rule->wanted);
  if (std::string why = rule->check(a, *item); !why.empty()) return refuse(why);
  if (asUser && !item->visible) return refuse(named(*item) + " is hidden");
  if (asUser && !item->enabled) return refuse(named(*item) + " is disabled");
  rule->act(manager_, *item, a);
  return {};
}

}  // namespace flhost
