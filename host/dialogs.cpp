#include "dialogs.h"

#include <algorithm>
#include <cmath>
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

HostViewPoint roundedPoint(HostRealPoint p) { return HostViewPoint{saturatingRound(p.h), saturatingRound(p.v)}; }

}  // namespace

// ---- DialogManager

DialogManager::DialogManager(Faults& faults) : artworkToView(roundedPoint), faults_(faults) {}

DialogManager::~DialogManager() {
  while (!stack_.empty()) closeInnermost();
  if (gCurrent == this) gCurrent = nullptr;
}

DialogManager* DialogManager::current() { return gCurrent; }

DialogManager::Scope::Scope(DialogManager& manager) : previous_(gCurrent) { gCurrent = &manager; }

DialogManager::Scope::~Scope() { gCurrent = previous_; }

HostViewPoint DialogManager::viewPointOf(HostRealPoint artwork) const {
  return artworkToView ? artworkToView(artwork) : roundedPoint(artwork);
}

const Dialog* DialogManager::runningDialog() const { return stack_.empty() ? nullptr : stack_.back().get(); }

size_t DialogManager::liveHandles() const {
  return dialogs_.live() + items_.live() + entries_.live() + notifications_.live() + trackingTable_.live();
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

HostErr DialogManager::modal(HostPluginRef plugin, const char* name, int32_t resourceId, int32_t style,
                             HostDialogInitProc initProc, void* userData, int32_t* itemId) {
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
  dialog.bounds =
      HostIntRect{toPixelsX(tmpl->x), toPixelsY(tmpl->y), toPixelsX(tmpl->x + tmpl->cx), toPixelsY(tmpl->y + tmpl->cy)};
  for (const DialogItemTemplate& t : tmpl->items) {
    const HostIntRect rect{toPixelsX(t.x), toPixelsY(t.y), toPixelsX(t.x + t.cx), toPixelsY(t.y + t.cy)};
    const ItemKind kind = kindOfTemplateItem(t);
    // Templates may repeat an id (-1 for every unnamed static text); the first one answers to it.
    auto item = std::make_unique<Item>();
    item->dialog = &dialog;
    item->id = t.id;
    item->kind = kind;
    item->fromTemplate = true;
    item->defaultButton = kind == ItemKind::PushButton && (t.style & kButtonTypeMask) == kDefPushButton;
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
  if (!dialog.ended_) {
    ModalSession session(*this, dialog);
    if (driver_) driver_->run(session);
    if (!dialog.ended_) endModal(dialog, kDialogOkId);
  }
  if (itemId) *itemId = dialog.endingId_;
  return kHostNoErr;
}

void DialogManager::endModal(Dialog& dialog, int32_t itemId) {
  if (dialog.ended_) return;
  dialog.ended_ = true;
  dialog.endingId_ = itemId;
}

Dialog* DialogManager::dialog(HostDialog h) const { return dialogs_.find(decodeHandle(h, kSaltDialog)); }

Item* DialogManager::item(HostItem h) const { return items_.find(decodeHandle(h, kSaltItem)); }

Item* DialogManager::list(HostList h) const {
  Item* item = items_.find(decodeHandle(h, kSaltList));
  return item && item->kind == ItemKind::PopupList ? item : nullptr;
}

ListEntry* DialogManager::entry(HostEntry h) const { return entries_.find(decodeHandle(h, kSaltEntry)); }

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
    if (procedureWatch) procedureWatch(item, true);
    item.notifyProc(handle(item), handle(notification));
    if (procedureWatch) procedureWatch(item, false);
  } else {
    defaultNotify(item, notification);
  }
  return kHostNoErr;
}

void DialogManager::defaultNotify(Item& item, const Notification& notification) {
  if (item.kind != ItemKind::PushButton || notification.type != kUserChangedNotifier) return;
  if (item.id == kDialogOkId || item.id == kDialogCancelId || item.defaultButton) endModal(*item.dialog, item.id);
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
  if (!item.trackProc) return true;
  if (procedureWatch) procedureWatch(item, true);
  const bool handled = item.trackProc(handle(item), handle(tracking)) != 0;
  if (procedureWatch) procedureWatch(item, false);
  return handled;
}

void DialogManager::alert(std::string_view text) {
  if (driver_) driver_->alert(text);
}

}  // namespace flhost
