#include "dialogs.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "adm_dialog_suite.h"
#include "resources.h"

namespace flhost {
namespace {

DialogManager* gCurrent = nullptr;

// Deeper nesting than this is a plug-in calling itself round in circles; refusing beats
// overflowing the stack.
constexpr size_t kMaxModalDepth = 16;
constexpr int kMaxCallbackDepth = 64;

// Decimal places beyond this are finer than a double can tell apart.
constexpr int32_t kMaxDecimals = 15;

// Base units of the 8-point dialog font: a dialog unit is a quarter of the width and an eighth
// of the height of an average character.
constexpr double kBaseUnitX = 6;
constexpr double kBaseUnitY = 13;

// Button styles (the low four bits of a BUTTON's style).
constexpr uint32_t kButtonTypeMask = 0xF;
constexpr uint32_t kDefPushButton = 0x1;
constexpr uint32_t kCheckBox = 0x2;
constexpr uint32_t kAutoCheckBox = 0x3;
constexpr uint32_t kRadioButton = 0x4;
constexpr uint32_t kThreeState = 0x5;
constexpr uint32_t kAutoThreeState = 0x6;
constexpr uint32_t kGroupBox = 0x7;
constexpr uint32_t kAutoRadioButton = 0x9;
constexpr uint32_t kWindowVisible = 0x10000000;
constexpr uint32_t kWindowDisabled = 0x08000000;

struct KindNames {
  ItemKind kind;
  std::string_view typeName;
  std::string_view label;
};

constexpr std::array<KindNames, 6> kKindNames = {{
    {ItemKind::SpinEdit, kItemSpinEdit, "spin edit"},
    {ItemKind::StaticText, kItemTextStatic, "static text"},
    {ItemKind::PopupList, kItemPopupList, "popup list"},
    {ItemKind::CheckBox, kItemCheckBox, "check box"},
    {ItemKind::PushButton, kItemPushButton, "push button"},
    {ItemKind::PictureButton, kItemPicturePushButton, "picture button"},
}};

const KindNames& namesOf(ItemKind kind) {
  for (const auto& names : kKindNames) {
    if (names.kind == kind) return names;
  }
  return kKindNames[1];
}

int32_t saturatingTrunc(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

int32_t saturatingRound(double v) { return saturatingTrunc(std::round(v)); }

double roundTo(double v, int32_t decimals) {
  if (!std::isfinite(v)) return v;
  const double scale = std::pow(10.0, std::clamp(decimals, 0, kMaxDecimals));
  const double scaled = v * scale;
  // Past 2^52 every double is already a whole number of the last place.
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 4503599627370496.0) return v;
  return std::round(scaled) / scale;
}

std::string number(double v) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

int toPixelsX(int dialogUnits) { return saturatingRound(dialogUnits * kBaseUnitX / 4); }
int toPixelsY(int dialogUnits) { return saturatingRound(dialogUnits * kBaseUnitY / 8); }

ItemKind kindOfTemplateItem(const DialogItemTemplate& t) {
  if (t.className == "BUTTON") {
    switch (t.style & kButtonTypeMask) {
      case kCheckBox:
      case kAutoCheckBox:
      case kRadioButton:
      case kThreeState:
      case kAutoThreeState:
      case kAutoRadioButton:
        return ItemKind::CheckBox;
      case kGroupBox:
        return ItemKind::StaticText;
      default:
        return ItemKind::PushButton;
    }
  }
  if (t.className == "COMBOBOX" || t.className == "LISTBOX") return ItemKind::PopupList;
  return ItemKind::StaticText;
}

HostViewPoint roundedPoint(HostRealPoint p) {
  return HostViewPoint{saturatingRound(p.h), saturatingRound(p.v)};
}

}  // namespace

std::string_view itemTypeName(ItemKind kind) { return namesOf(kind).typeName; }

std::string_view itemKindLabel(ItemKind kind) { return namesOf(kind).label; }

std::optional<ItemKind> itemKindFromTypeName(std::string_view typeName) {
  for (const auto& names : kKindNames) {
    if (names.typeName == typeName) return names.kind;
  }
  return std::nullopt;
}

// ---- Item

HostErr Item::setValue(double v) {
  if (std::isnan(v)) return kHostBadParameterErr;
  switch (kind) {
    case ItemKind::SpinEdit:
      value = std::min(std::max(v, minValue), maxValue);
      return kHostNoErr;
    case ItemKind::CheckBox:
      value = v != 0 ? 1 : 0;
      return kHostNoErr;
    case ItemKind::PopupList:
      if (v < 0 || v >= static_cast<double>(entries.size()) || v != std::trunc(v))
        return kHostBadParameterErr;
      select(*entries[static_cast<size_t>(v)], true);
      return kHostNoErr;
    default:
      return kHostBadParameterErr;
  }
}

HostErr Item::setMinimum(double v) {
  if (std::isnan(v)) return kHostBadParameterErr;
  minValue = v;
  if (kind == ItemKind::SpinEdit) value = std::min(std::max(value, minValue), maxValue);
  return kHostNoErr;
}

HostErr Item::setMaximum(double v) {
  if (std::isnan(v)) return kHostBadParameterErr;
  maxValue = v;
  if (kind == ItemKind::SpinEdit) value = std::min(std::max(value, minValue), maxValue);
  return kHostNoErr;
}

double Item::reading() const {
  switch (kind) {
    case ItemKind::SpinEdit:
      return roundTo(value, decimals);
    case ItemKind::CheckBox:
      return value;
    case ItemKind::PopupList:
      return selectedIndex();
    default:
      return 0;
  }
}

int32_t Item::intReading() const {
  switch (kind) {
    case ItemKind::SpinEdit:
    case ItemKind::CheckBox:
      return saturatingTrunc(value);
    case ItemKind::PopupList:
      return selectedIndex();
    default:
      return 0;
  }
}

std::string Item::displayText() const {
  if (kind != ItemKind::SpinEdit) return text;
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", static_cast<int>(std::clamp(decimals, 0, kMaxDecimals)),
                reading());
  return buffer;
}

ListEntry* Item::selectedEntry() const {
  for (const auto& e : entries) {
    if (e->selected) return e.get();
  }
  return nullptr;
}

int32_t Item::selectedIndex() const {
  const ListEntry* selected = selectedEntry();
  return selected ? indexOf(*selected) : -1;
}

void Item::select(ListEntry& entry, bool selected) {
  if (!selected) {
    entry.selected = false;
    return;
  }
  for (auto& e : entries) e->selected = e.get() == &entry;
}

int32_t Item::indexOf(const ListEntry& entry) const {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].get() == &entry) return static_cast<int32_t>(i);
  }
  return -1;
}

Item* Dialog::find(int32_t id) const {
  const auto it = byId_.find(id);
  return it == byId_.end() ? nullptr : it->second;
}

// ---- Actions and sessions

std::string describeAction(const DialogAction& a) {
  using K = DialogAction::Kind;
  if (!a.wording.empty()) return a.wording;
  const std::string id = std::to_string(a.id);
  switch (a.kind) {
    case K::Set:
      return "set " + id + " " + number(a.value);
    // Whole numbers written out: the shortest form of 1000000 is "1e+06", which these do not take.
    case K::Check:
      return "check " + id + " " + std::to_string(static_cast<int64_t>(a.value));
    case K::Choose:
      return "choose " + id + " " + std::to_string(static_cast<int64_t>(a.value));
    case K::Press:
      return "press " + id;
    case K::Pick:
      return "pick " + id + " " + number(a.x) + " " + number(a.y);
    case K::Confirm:
      return "confirm";
    case K::Cancel:
      return "cancel";
  }
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
  d.ended = dialog_.ended;
  d.endingId = dialog_.endingId;
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
    if (std::isfinite(item->minValue)) i.minValue = item->minValue;
    if (std::isfinite(item->maxValue)) i.maxValue = item->maxValue;
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

std::string ModalSession::apply(const DialogAction& a) {
  using K = DialogAction::Kind;
  auto refuse = [&](const std::string& why) { return describeAction(a) + ": " + why; };
  if (dialog_.ended) return refuse("the dialog has already ended");
  if (manager_.runningDialog() != &dialog_) return refuse("another dialog is open in front of it");
  if (a.kind == K::Confirm) {
    end(kDialogOkId);
    return {};
  }
  if (a.kind == K::Cancel) {
    end(kDialogCancelId);
    return {};
  }

  Item* item = dialog_.find(a.id);
  if (!item) return refuse("no item " + std::to_string(a.id) + " in this dialog");
  const std::string label = std::string(itemKindLabel(item->kind));
  const std::string named = label + " " + std::to_string(item->id);
  auto wrongKind = [&](std::string_view wanted) {
    return refuse("item " + std::to_string(item->id) + " is a " + label + ", not a " +
                  std::string(wanted));
  };
  const bool isButton =
      item->kind == ItemKind::PushButton || item->kind == ItemKind::PictureButton;

  switch (a.kind) {
    case K::Set:
      if (item->kind != ItemKind::SpinEdit) return wrongKind("spin edit");
      if (!std::isfinite(a.value)) return refuse("the value must be a finite number");
      if (item->decimals == 0 && a.value != std::trunc(a.value))
        return refuse(named + " takes whole numbers");
      break;
    case K::Check:
      if (item->kind != ItemKind::CheckBox) return wrongKind("check box");
      if (a.value != 0 && a.value != 1) return refuse("a check box takes 0 or 1");
      break;
    case K::Choose:
      if (item->kind != ItemKind::PopupList) return wrongKind("popup list");
      if (a.value < 0 || a.value >= static_cast<double>(item->entries.size()) ||
          a.value != std::trunc(a.value))
        return refuse(named + " has " + std::to_string(item->entries.size()) +
                      " entries; positions run from 0");
      break;
    case K::Press:
      if (!isButton) return wrongKind("push button or picture button");
      break;
    case K::Pick:
      if (!isButton) return wrongKind("push button or picture button");
      if (!(std::fabs(a.x) <= FLT_MAX) || !(std::fabs(a.y) <= FLT_MAX))
        return refuse("the point must have finite coordinates");
      break;
    default:
      break;
  }
  if (!item->visible) return refuse(named + " is hidden");
  if (!item->enabled) return refuse(named + " is disabled");

  switch (a.kind) {
    case K::Set:
    case K::Check:
      item->setValue(a.value);
      manager_.sendNotify(*item, kUserChangedNotifier);
      break;
    case K::Choose:
      item->select(*item->entries[static_cast<size_t>(a.value)], true);
      manager_.sendNotify(*item, kUserChangedNotifier);
      break;
    case K::Press:
      manager_.sendNotify(*item, kUserChangedNotifier);
      break;
    case K::Pick: {
      const HostRealPoint artwork{static_cast<HostReal>(a.x), static_cast<HostReal>(a.y)};
      const HostViewPoint view =
          manager_.artworkToView ? manager_.artworkToView(artwork) : roundedPoint(artwork);
      manager_.track(*item, view, kTrackerPickDone);
      break;
    }
    default:
      break;
  }
  return {};
}

// ---- Handle tables

namespace detail {

template <class T>
uint32_t HandleTable<T>::insert(T* object) {
  if (free_.size() > kQuarantine) {
    const uint32_t index = free_.front();
    free_.pop_front();
    slots_[index].object = object;
    return index;
  }
  if (slots_.size() >= kMaxHandleSlots) throw std::length_error("handle slots exhausted");
  slots_.push_back(Slot{object, 0});
  return static_cast<uint32_t>(slots_.size() - 1);
}

template <class T>
void HandleTable<T>::erase(uint32_t index) {
  Slot& slot = slots_[index];
  slot.object = nullptr;
  ++slot.generation;
  try {
    free_.push_back(index);
  } catch (...) {
    // Out of memory: the slot is simply never reused.
  }
}

template <class T>
T* HandleTable<T>::find(std::optional<HandleBits> bits) const {
  if (!bits || bits->index >= slots_.size()) return nullptr;
  const Slot& slot = slots_[bits->index];
  return slot.generation == bits->generation ? slot.object : nullptr;
}

}  // namespace detail

// ---- DialogManager

DialogManager::DialogManager(Faults& faults) : artworkToView(roundedPoint), faults_(faults) {}

DialogManager::~DialogManager() {
  while (!stack_.empty()) closeInnermost();
  if (gCurrent == this) gCurrent = nullptr;
}

DialogManager* DialogManager::current() { return gCurrent; }

DialogManager::Scope::Scope(DialogManager& manager) : previous_(gCurrent) { gCurrent = &manager; }

DialogManager::Scope::~Scope() { gCurrent = previous_; }

const Dialog* DialogManager::runningDialog() const {
  return stack_.empty() ? nullptr : stack_.back().get();
}

size_t DialogManager::liveHandles() const {
  return dialogs_.live() + items_.live() + entries_.live() + notifications_.live() +
         trackingTable_.live();
}

Dialog& DialogManager::openDialog() {
  auto dialog = std::make_unique<Dialog>();
  stack_.reserve(stack_.size() + 1);
  dialog->slot = dialogs_.insert(dialog.get());
  stack_.push_back(std::move(dialog));
  return *stack_.back();
}

void DialogManager::release(Item& item) {
  for (const auto& e : item.entries) entries_.erase(e->slot);
  items_.erase(item.slot);
}

void DialogManager::closeInnermost() {
  Dialog& dialog = *stack_.back();
  for (const auto& item : dialog.items) release(*item);
  dialogs_.erase(dialog.slot);
  stack_.pop_back();
}

HostErr DialogManager::modal(HostPluginRef plugin, const char* name, int32_t resourceId,
                             int32_t style, HostDialogInitProc initProc, void* userData,
                             int32_t* itemId) {
  if (plugin == nullptr || plugin != plugin_) return kHostBadHandleErr;
  if (resourceId < 0 || resourceId > 0xFFFF || resources_ == nullptr) return kHostNotFoundErr;
  const std::optional<DialogTemplate> tmpl = resources_->dialog(static_cast<uint16_t>(resourceId));
  if (!tmpl) return kHostNotFoundErr;
  if (stack_.size() >= kMaxModalDepth) return kHostBadParameterErr;

  Dialog& dialog = openDialog();
  struct Closer {
    DialogManager& manager;
    ~Closer() { manager.closeInnermost(); }
  } closer{*this};

  dialog.resourceId = resourceId;
  dialog.style = style;
  dialog.name = name ? name : "";
  dialog.caption = tmpl->caption;
  dialog.fontName = tmpl->fontName;
  dialog.fontSize = tmpl->fontSize;
  dialog.userData = userData;
  dialog.bounds = HostIntRect{toPixelsX(tmpl->x), toPixelsY(tmpl->y), toPixelsX(tmpl->x + tmpl->cx),
                              toPixelsY(tmpl->y + tmpl->cy)};
  for (const DialogItemTemplate& t : tmpl->items) {
    const HostIntRect rect{toPixelsX(t.x), toPixelsY(t.y), toPixelsX(t.x + t.cx),
                           toPixelsY(t.y + t.cy)};
    const ItemKind kind = kindOfTemplateItem(t);
    // Templates may repeat an id (-1 for every unnamed static text); the first one answers to it.
    auto item = std::make_unique<Item>();
    item->dialog = &dialog;
    item->id = t.id;
    item->kind = kind;
    item->fromTemplate = true;
    item->defaultButton =
        kind == ItemKind::PushButton && (t.style & kButtonTypeMask) == kDefPushButton;
    item->rect = rect;
    item->text = t.text;
    item->visible = (t.style & kWindowVisible) != 0;
    item->enabled = (t.style & kWindowDisabled) == 0;
    dialog.items.reserve(dialog.items.size() + 1);
    const bool named = dialog.byId_.try_emplace(t.id, item.get()).second;
    try {
      item->slot = items_.insert(item.get());
    } catch (...) {
      if (named) dialog.byId_.erase(t.id);
      throw;
    }
    dialog.items.push_back(std::move(item));
  }

  ++modalRuns_;
  if (initProc) initProc(handle(dialog));
  if (!dialog.ended) {
    ModalSession session(*this, dialog);
    if (driver_) driver_->run(session);
    if (!dialog.ended) endModal(dialog, kDialogOkId);
  }
  if (itemId) *itemId = dialog.endingId;
  return kHostNoErr;
}

void DialogManager::endModal(Dialog& dialog, int32_t itemId) {
  if (dialog.ended) return;
  dialog.ended = true;
  dialog.endingId = itemId;
}

Dialog* DialogManager::dialog(HostDialog h) const { return dialogs_.find(decodeHandle(h, kSaltDialog)); }

Item* DialogManager::item(HostItem h) const { return items_.find(decodeHandle(h, kSaltItem)); }

Item* DialogManager::list(HostList h) const {
  Item* item = items_.find(decodeHandle(h, kSaltList));
  return item && item->kind == ItemKind::PopupList ? item : nullptr;
}

ListEntry* DialogManager::entry(HostEntry h) const {
  return entries_.find(decodeHandle(h, kSaltEntry));
}

Notification* DialogManager::notification(HostNotifier h) const {
  return notifications_.find(decodeHandle(h, kSaltNotifier));
}

Tracking* DialogManager::tracking(HostTracker h) const {
  if (h == nullptr) return trackings_.empty() ? nullptr : trackings_.back();
  return trackingTable_.find(decodeHandle(h, kSaltTracker));
}

HostDialog DialogManager::handle(const Dialog& d) const {
  return encodeHandle<HostDialog>(d.slot, dialogs_.generation(d.slot), kSaltDialog);
}

HostItem DialogManager::handle(const Item& i) const {
  return encodeHandle<HostItem>(i.slot, items_.generation(i.slot), kSaltItem);
}

HostList DialogManager::listHandle(const Item& popup) const {
  if (popup.kind != ItemKind::PopupList) return nullptr;
  return encodeHandle<HostList>(popup.slot, items_.generation(popup.slot), kSaltList);
}

HostEntry DialogManager::handle(const ListEntry& e) const {
  return encodeHandle<HostEntry>(e.slot, entries_.generation(e.slot), kSaltEntry);
}

HostNotifier DialogManager::handle(const Notification& n) const {
  return encodeHandle<HostNotifier>(n.slot, notifications_.generation(n.slot), kSaltNotifier);
}

HostTracker DialogManager::handle(const Tracking& t) const {
  return encodeHandle<HostTracker>(t.slot, trackingTable_.generation(t.slot), kSaltTracker);
}

Item* DialogManager::createItem(Dialog& dialog, int32_t id, ItemKind kind, const HostIntRect& rect) {
  if (dialog.byId_.count(id) != 0) return nullptr;
  auto item = std::make_unique<Item>();
  item->dialog = &dialog;
  item->id = id;
  item->kind = kind;
  item->rect = rect;
  dialog.items.reserve(dialog.items.size() + 1);
  dialog.byId_.emplace(id, item.get());
  try {
    item->slot = items_.insert(item.get());
  } catch (...) {
    dialog.byId_.erase(id);
    throw;
  }
  dialog.items.push_back(std::move(item));
  return dialog.items.back().get();
}

ListEntry* DialogManager::insertEntry(Item& popup, int32_t index) {
  if (popup.kind != ItemKind::PopupList) return nullptr;
  if (index < 0 || static_cast<size_t>(index) > popup.entries.size()) return nullptr;
  auto entry = std::make_unique<ListEntry>();
  entry->owner = &popup;
  popup.entries.reserve(popup.entries.size() + 1);
  entry->slot = entries_.insert(entry.get());
  ListEntry* raw = entry.get();
  popup.entries.insert(popup.entries.begin() + index, std::move(entry));
  return raw;
}

HostErr DialogManager::sendNotify(Item& item, std::string_view type) {
  if (callbackDepth_ >= kMaxCallbackDepth) return kHostBadParameterErr;
  Notification notification{&item, std::string(type), 0};
  notification.slot = notifications_.insert(&notification);
  struct Done {
    DialogManager& manager;
    uint32_t slot;
    ~Done() {
      manager.notifications_.erase(slot);
      --manager.callbackDepth_;
    }
  } done{*this, notification.slot};
  ++callbackDepth_;
  if (item.notifyProc) {
    item.notifyProc(handle(item), handle(notification));
  } else {
    defaultNotify(item, notification);
  }
  return kHostNoErr;
}

void DialogManager::defaultNotify(Item& item, const Notification& notification) {
  if (item.kind != ItemKind::PushButton || notification.type != kUserChangedNotifier) return;
  if (item.id == kDialogOkId || item.id == kDialogCancelId || item.defaultButton)
    endModal(*item.dialog, item.id);
}

bool DialogManager::track(Item& item, HostViewPoint point, uint32_t modifiers) {
  if (callbackDepth_ >= kMaxCallbackDepth) return false;
  Tracking tracking{&item, point, modifiers, 0, 0};
  trackings_.reserve(trackings_.size() + 1);
  tracking.slot = trackingTable_.insert(&tracking);
  trackings_.push_back(&tracking);
  struct Done {
    DialogManager& manager;
    uint32_t slot;
    ~Done() {
      manager.trackings_.pop_back();
      manager.trackingTable_.erase(slot);
      --manager.callbackDepth_;
    }
  } done{*this, tracking.slot};
  ++callbackDepth_;
  if (item.trackProc) return item.trackProc(handle(item), handle(tracking)) != 0;
  return true;
}

void DialogManager::alert(std::string_view text) {
  if (driver_) driver_->alert(text);
}

}  // namespace flhost
