#include "adm_suites.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "dialogs.h"
#include "faults.h"
#include "host_context.h"
#include "resources.h"

namespace flhost {
namespace {

// Runs an operation that returns a code: counts it, honours an injected fault, and turns any
// exception into a code.
template <class F>
HostErr call(HostOp op, F&& body) noexcept {
  return guarded([&]() -> HostErr {
    DialogManager* m = DialogManager::current();
    if (!m) return kHostNotInCallErr;
    if (const HostErr injected = m->faults().enter(op)) return injected;
    return body(*m);
  });
}

// The same for an operation that returns a value: every failure gives `failure`.
template <class R, class F>
R answer(HostOp op, R failure, F&& body) noexcept {
  try {
    DialogManager* m = DialogManager::current();
    if (!m || m->faults().enter(op) != kHostNoErr) return failure;
    return body(*m);
  } catch (...) {
    return failure;
  }
}

// Copies text into a caller's buffer of `size` bytes, zero-terminated, cut to fit without
// splitting a UTF-8 character.
void copyOut(std::string_view text, char* buffer, int32_t size) {
  size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
  if (n < text.size()) {
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

// A text call: a usable buffer always comes back terminated, so a caller that ignores the code
// still reads "" rather than stale bytes.
template <class F>
HostErr textCall(HostOp op, char* buffer, int32_t size, F&& body) noexcept {
  if (buffer == nullptr || size <= 0) {
    return call(op, [](DialogManager&) { return kHostBadParameterErr; });
  }
  buffer[0] = '\0';
  return call(op, [&](DialogManager& m) { return body(m); });
}

HostReal toHostReal(double v) {
  if (v > FLT_MAX) return HUGE_VALF;
  if (v < -FLT_MAX) return -HUGE_VALF;
  return static_cast<HostReal>(v);
}

// ---- ADM Basic Suite

HostErr basicGetIndexString(HostPluginRef plugin, int32_t listId, int32_t index, char* buffer, int32_t maxLength) {
  return textCall("admBasic.getIndexString", buffer, maxLength, [&](DialogManager& m) -> HostErr {
    if (plugin == nullptr || plugin != m.pluginRef()) return kHostBadHandleErr;
    const int64_t id = int64_t{listId} + index;
    if (id < 0 || id > 0xFFFF || m.resources() == nullptr) return kHostNoErr;
    if (const auto text = m.resources()->string(static_cast<uint16_t>(id))) copyOut(*text, buffer, maxLength);
    return kHostNoErr;
  });
}

HostErr basicMessageAlert(const char* text) {
  return call("admBasic.messageAlert", [&](DialogManager& m) -> HostErr {
    if (text == nullptr) return kHostBadParameterErr;
    m.alert(text);
    return kHostNoErr;
  });
}

// ---- ADM Dialog Suite

HostErr dialogModal(HostPluginRef plugin, const char* name, int32_t resourceId, int32_t style,
                    HostDialogInitProc initProc, void* userData, int32_t* itemId) {
  return call("dialog.modal",
              [&](DialogManager& m) { return m.modal(plugin, name, resourceId, style, initProc, userData, itemId); });
}

HostErr dialogEndModal(HostDialog dialog, int32_t itemId) {
  return call("dialog.endModal", [&](DialogManager& m) -> HostErr {
    Dialog* d = m.dialog(dialog);
    if (!d) return kHostBadHandleErr;
    m.endModal(*d, itemId);
    return kHostNoErr;
  });
}

void* dialogGetUserData(HostDialog dialog) {
  return answer("dialog.getUserData", static_cast<void*>(nullptr), [&](DialogManager& m) -> void* {
    Dialog* d = m.dialog(dialog);
    return d ? d->userData : nullptr;
  });
}

HostErr dialogSetUserData(HostDialog dialog, void* userData) {
  return call("dialog.setUserData", [&](DialogManager& m) -> HostErr {
    Dialog* d = m.dialog(dialog);
    if (!d) return kHostBadHandleErr;
    d->userData = userData;
    return kHostNoErr;
  });
}

HostItem dialogGetItem(HostDialog dialog, int32_t itemId) {
  return answer("dialog.getItem", HostItem{}, [&](DialogManager& m) -> HostItem {
    Dialog* d = m.dialog(dialog);
    Item* item = d ? d->find(itemId) : nullptr;
    return item ? m.handle(*item) : nullptr;
  });
}

HostItem dialogCreateItem(HostDialog dialog, int32_t itemId, const char* typeName, const HostIntRect* rect,
                          HostItemInitProc initProc, void* userData) {
  return answer("dialog.createItem", HostItem{}, [&](DialogManager& m) -> HostItem {
    Dialog* d = m.dialog(dialog);
    if (!d || typeName == nullptr || rect == nullptr) return nullptr;
    const auto kind = itemKindFromTypeName(typeName);
    if (!kind) return nullptr;
    Item* item = m.createItem(*d, itemId, *kind, *rect);
    if (!item) return nullptr;
    item->userData = userData;
    const HostItem h = m.handle(*item);
    if (initProc) initProc(h);
    return h;
  });
}

HostErr dialogSetSize(HostDialog dialog, int32_t width, int32_t height) {
  return call("dialog.setSize", [&](DialogManager& m) -> HostErr {
    Dialog* d = m.dialog(dialog);
    if (!d) return kHostBadHandleErr;
    if (width < 0 || height < 0) return kHostBadParameterErr;
    d->bounds =
        placeOnScreen(HostIntRect{d->bounds.left, d->bounds.top,
                                  static_cast<int32_t>(std::min<int64_t>(int64_t{d->bounds.left} + width, INT32_MAX)),
                                  static_cast<int32_t>(std::min<int64_t>(int64_t{d->bounds.top} + height, INT32_MAX))});
    return kHostNoErr;
  });
}

HostErr dialogSetBounds(HostDialog dialog, const HostIntRect* bounds) {
  return call("dialog.setBounds", [&](DialogManager& m) -> HostErr {
    Dialog* d = m.dialog(dialog);
    if (!d) return kHostBadHandleErr;
    if (bounds == nullptr) return kHostBadParameterErr;
    d->bounds = placeOnScreen(*bounds);
    return kHostNoErr;
  });
}

HostErr dialogGetBounds(HostDialog dialog, HostIntRect* bounds) {
  return call("dialog.getBounds", [&](DialogManager& m) -> HostErr {
    Dialog* d = m.dialog(dialog);
    if (!d) return kHostBadHandleErr;
    if (bounds == nullptr) return kHostBadParameterErr;
    *bounds = d->bounds;
    return kHostNoErr;
  });
}

// ---- ADM Item Suite

// An item operation returning a code: the handle is checked before `body` sees the item.
template <class F>
HostErr onItem(HostOp op, HostItem item, F&& body) noexcept {
  return call(op, [&](DialogManager& m) -> HostErr {
    Item* i = m.item(item);
    if (!i) return kHostBadHandleErr;
    return body(m, *i);
  });
}

template <class R, class F>
R itemAnswer(HostOp op, HostItem item, R failure, F&& body) noexcept {
  return answer(op, failure, [&](DialogManager& m) -> R {
    Item* i = m.item(item);
    return i ? body(m, *i) : failure;
  });
}

HostDialog itemGetDialog(HostItem item) {
  return itemAnswer("item.getDialog", item, HostDialog{},
                    [](DialogManager& m, Item& i) { return m.handle(*i.dialog); });
}

int32_t itemGetID(HostItem item) {
  return itemAnswer("item.getID", item, int32_t{0}, [](DialogManager&, Item& i) { return i.id; });
}

HostErr itemSetNotifyProc(HostItem item, HostNotifyProc proc) {
  return onItem("item.setNotifyProc", item, [&](DialogManager&, Item& i) {
    i.notifyProc = proc;
    return kHostNoErr;
  });
}

HostErr itemSetTrackProc(HostItem item, HostTrackProc proc) {
  return onItem("item.setTrackProc", item, [&](DialogManager&, Item& i) {
    i.trackProc = proc;
    return kHostNoErr;
  });
}

HostErr itemDefaultNotify(HostItem item, HostNotifier notifier) {
  return onItem("item.defaultNotify", item, [&](DialogManager& m, Item& i) -> HostErr {
    Notification* n = m.notification(notifier);
    if (!n) return kHostBadHandleErr;
    m.defaultNotify(i, *n);
    return kHostNoErr;
  });
}

HostBool itemDefaultTrack(HostItem item, HostTracker tracker) {
  return itemAnswer("item.defaultTrack", item, HostBool{0},
                    [&](DialogManager& m, Item&) { return HostBool{m.tracking(tracker) != nullptr}; });
}

HostErr itemSendNotify(HostItem item, const char* notifierType) {
  return onItem("item.sendNotify", item, [&](DialogManager& m, Item& i) -> HostErr {
    if (notifierType == nullptr) return kHostBadParameterErr;
    return m.sendNotify(i, notifierType);
  });
}

HostBool itemGetBooleanValue(HostItem item) {
  return itemAnswer("item.getBooleanValue", item, HostBool{0},
                    [](DialogManager&, Item& i) { return HostBool{i.intReading() != 0}; });
}

HostErr itemSetBooleanValue(HostItem item, HostBool value) {
  return onItem("item.setBooleanValue", item, [&](DialogManager&, Item& i) { return i.setValue(value != 0 ? 1 : 0); });
}

int32_t itemGetIntValue(HostItem item) {
  return itemAnswer("item.getIntValue", item, int32_t{0}, [](DialogManager&, Item& i) { return i.intReading(); });
}

HostErr itemSetIntValue(HostItem item, int32_t value) {
  return onItem("item.setIntValue", item, [&](DialogManager&, Item& i) { return i.setValue(value); });
}

HostReal itemGetFloatValue(HostItem item) {
  return itemAnswer("item.getFloatValue", item, HostReal{0},
                    [](DialogManager&, Item& i) { return toHostReal(i.reading()); });
}

HostErr itemSetFloatValue(HostItem item, HostReal value) {
  return onItem("item.setFloatValue", item, [&](DialogManager&, Item& i) { return i.setValue(value); });
}

HostErr itemSetMinIntValue(HostItem item, int32_t value) {
  return onItem("item.setMinIntValue", item, [&](DialogManager&, Item& i) { return i.setMinimum(value); });
}

HostErr itemSetMaxIntValue(HostItem item, int32_t value) {
  return onItem("item.setMaxIntValue", item, [&](DialogManager&, Item& i) { return i.setMaximum(value); });
}

HostErr itemSetMinFloatValue(HostItem item, HostReal value) {
  return onItem("item.setMinFloatValue", item, [&](DialogManager&, Item& i) { return i.setMinimum(value); });
}

HostErr itemSetMaxFloatValue(HostItem item, HostReal value) {
  return onItem("item.setMaxFloatValue", item, [&](DialogManager&, Item& i) { return i.setMaximum(value); });
}

HostReal itemGetMinFloatValue(HostItem item) {
  return itemAnswer("item.getMinFloatValue", item, HostReal{0},
                    [](DialogManager&, Item& i) { return toHostReal(i.minimum()); });
}

HostReal itemGetMaxFloatValue(HostItem item) {
  return itemAnswer("item.getMaxFloatValue", item, HostReal{0},
                    [](DialogManager&, Item& i) { return toHostReal(i.maximum()); });
}

HostErr itemSetUnits(HostItem item, int32_t units) {
  return onItem("item.setUnits", item, [&](DialogManager&, Item& i) -> HostErr {
    if (units < 0) return kHostBadParameterErr;
    i.units = units;
    return kHostNoErr;
  });
}

HostErr itemSetPrecision(HostItem item, int32_t places) {
  return onItem("item.setPrecision", item, [&](DialogManager&, Item& i) -> HostErr {
    if (places < 0 || places > 15) return kHostBadParameterErr;
    i.decimals = places;
    return kHostNoErr;
  });
}

HostErr itemSetText(HostItem item, const char* text) {
  return onItem("item.setText", item, [&](DialogManager&, Item& i) -> HostErr {
    if (text == nullptr) return kHostBadParameterErr;
    if (i.kind != ItemKind::SpinEdit) {
      i.text = text;
      return kHostNoErr;
    }
    // A spin edit's text is its value, as if the user had typed it.
    const char* end = text + std::strlen(text);
    double v = 0;
    const auto parsed = std::from_chars(text, end, v);
    if (parsed.ec != std::errc() || parsed.ptr != end) return kHostBadParameterErr;
    return i.setValue(v);
  });
}

HostErr itemGetText(HostItem item, char* buffer, int32_t size) {
  return textCall("item.getText", buffer, size, [&](DialogManager& m) -> HostErr {
    Item* i = m.item(item);
    if (!i) return kHostBadHandleErr;
    copyOut(i->displayText(), buffer, size);
    return kHostNoErr;
  });
}

HostErr itemSetFont(HostItem item, int32_t font) {
  return onItem("item.setFont", item, [&](DialogManager&, Item& i) -> HostErr {
    if (font < 0) return kHostBadParameterErr;
    i.font = font;
    return kHostNoErr;
  });
}

int32_t itemGetFont(HostItem item) {
  return itemAnswer("item.getFont", item, int32_t{0}, [](DialogManager&, Item& i) { return i.font; });
}

HostErr itemShow(HostItem item, HostBool visible) {
  return onItem("item.show", item, [&](DialogManager&, Item& i) {
    i.visible = visible != 0;
    return kHostNoErr;
  });
}

HostBool itemIsVisible(HostItem item) {
  return itemAnswer("item.isVisible", item, HostBool{0}, [](DialogManager&, Item& i) { return HostBool{i.visible}; });
}

HostErr itemEnable(HostItem item, HostBool enabled) {
  return onItem("item.enable", item, [&](DialogManager&, Item& i) {
    i.enabled = enabled != 0;
    return kHostNoErr;
  });
}

HostBool itemIsEnabled(HostItem item) {
  return itemAnswer("item.isEnabled", item, HostBool{0}, [](DialogManager&, Item& i) { return HostBool{i.enabled}; });
}

HostList itemGetList(HostItem item) {
  return itemAnswer("item.getList", item, HostList{}, [](DialogManager& m, Item& i) { return m.listHandle(i); });
}

// ---- ADM List Suite

template <class R, class F>
R listAnswer(HostOp op, HostList list, R failure, F&& body) noexcept {
  return answer(op, failure, [&](DialogManager& m) -> R {
    Item* popup = m.list(list);
    return popup ? body(m, *popup) : failure;
  });
}

HostEntry listInsertEntry(HostList list, int32_t index) {
  return listAnswer("list.insertEntry", list, HostEntry{}, [&](DialogManager& m, Item& popup) {
    ListEntry* e = m.insertEntry(popup, index);
    return e ? m.handle(*e) : nullptr;
  });
}

HostEntry listGetEntry(HostList list, int32_t index) {
  return listAnswer("list.getEntry", list, HostEntry{}, [&](DialogManager& m, Item& popup) {
    if (index < 0 || static_cast<size_t>(index) >= popup.entries.size()) return HostEntry{};
    return m.handle(*popup.entries[static_cast<size_t>(index)]);
  });
}

HostEntry listGetSelectedEntry(HostList list) {
  return listAnswer("list.getSelectedEntry", list, HostEntry{}, [](DialogManager& m, Item& popup) {
    const ListEntry* e = popup.selectedEntry();
    return e ? m.handle(*e) : nullptr;
  });
}

int32_t listNumberOfEntries(HostList list) {
  return listAnswer("list.numberOfEntries", list, int32_t{0},
                    [](DialogManager&, Item& popup) { return static_cast<int32_t>(popup.entries.size()); });
}

// ---- ADM Entry Suite

template <class F>
HostErr onEntry(HostOp op, HostEntry entry, F&& body) noexcept {
  return call(op, [&](DialogManager& m) -> HostErr {
    ListEntry* e = m.entry(entry);
    if (!e) return kHostBadHandleErr;
    return body(*e);
  });
}

template <class R, class F>
R entryAnswer(HostOp op, HostEntry entry, R failure, F&& body) noexcept {
  return answer(op, failure, [&](DialogManager& m) -> R {
    ListEntry* e = m.entry(entry);
    return e ? body(*e) : failure;
  });
}

HostErr entrySetText(HostEntry entry, const char* text) {
  return onEntry("entry.setText", entry, [&](ListEntry& e) -> HostErr {
    if (text == nullptr) return kHostBadParameterErr;
    e.text = text;
    return kHostNoErr;
  });
}

HostErr entryGetText(HostEntry entry, char* buffer, int32_t size) {
  return textCall("entry.getText", buffer, size, [&](DialogManager& m) -> HostErr {
    ListEntry* e = m.entry(entry);
    if (!e) return kHostBadHandleErr;
    copyOut(e->text, buffer, size);
    return kHostNoErr;
  });
}

HostErr entrySetID(HostEntry entry, int32_t id) {
  return onEntry("entry.setID", entry, [&](ListEntry& e) {
    e.id = id;
    return kHostNoErr;
  });
}

int32_t entryGetID(HostEntry entry) {
  return entryAnswer("entry.getID", entry, int32_t{0}, [](ListEntry& e) { return e.id; });
}

int32_t entryGetIndex(HostEntry entry) {
  return entryAnswer("entry.getIndex", entry, int32_t{-1}, [](ListEntry& e) { return e.owner->indexOf(e); });
}

HostErr entrySelect(HostEntry entry, HostBool selected) {
  return onEntry("entry.select", entry, [&](ListEntry& e) {
    e.owner->select(e, selected != 0);
    return kHostNoErr;
  });
}

HostBool entryIsSelected(HostEntry entry) {
  return entryAnswer("entry.isSelected", entry, HostBool{0}, [](ListEntry& e) { return HostBool{e.selected}; });
}

// ---- ADM Notifier Suite

HostItem notifierGetItem(HostNotifier notifier) {
  return answer("notifier.getItem", HostItem{}, [&](DialogManager& m) -> HostItem {
    Notification* n = m.notification(notifier);
    return n ? m.handle(*n->item) : nullptr;
  });
}

HostBool notifierIsNotifierType(HostNotifier notifier, const char* notifierType) {
  return answer("notifier.isNotifierType", HostBool{0}, [&](DialogManager& m) -> HostBool {
    Notification* n = m.notification(notifier);
    return n && notifierType != nullptr && n->type == notifierType;
  });
}

// ---- ADM Tracker Suite

HostErr trackerGetPoint(HostTracker tracker, HostViewPoint* point) {
  return call("tracker.getPoint", [&](DialogManager& m) -> HostErr {
    Tracking* t = m.tracking(tracker);
    if (!t) return kHostBadHandleErr;
    if (point == nullptr) return kHostBadParameterErr;
    *point = t->point;
    return kHostNoErr;
  });
}

int32_t trackerGetAction(HostTracker tracker) {
  return answer("tracker.getAction", int32_t{0}, [&](DialogManager& m) -> int32_t {
    Tracking* t = m.tracking(tracker);
    return t ? t->action : 0;
  });
}

uint32_t trackerGetModifiers(HostTracker tracker) {
  return answer("tracker.getModifiers", uint32_t{0}, [&](DialogManager& m) -> uint32_t {
    Tracking* t = m.tracking(tracker);
    return t ? t->modifiers : 0;
  });
}

// ---- ADM Icon Suite

// Icons are drawn at one size.
constexpr int32_t kIconSize = 32;

HostErr iconGetIconSize(HostPluginRef plugin, int32_t iconId, int32_t* width, int32_t* height) {
  return call("icon.getIconSize", [&](DialogManager& m) -> HostErr {
    if (plugin == nullptr || plugin != m.pluginRef()) return kHostBadHandleErr;
    if (width == nullptr || height == nullptr) return kHostBadParameterErr;
    if (iconId < 0 || iconId > 0xFFFF || m.resources() == nullptr ||
        m.resources()->find(kResGroupIcon, static_cast<uint16_t>(iconId)) == nullptr)
      return kHostNotFoundErr;
    *width = kIconSize;
    *height = kIconSize;
    return kHostNoErr;
  });
}

// ---- Tables

const AdmBasicSuite kBasic = {
    .getIndexString = basicGetIndexString,
    .messageAlert = basicMessageAlert,
};

const AdmDialogSuite kDialog = {
    .modal = dialogModal,
    .endModal = dialogEndModal,
    .getUserData = dialogGetUserData,
    .setUserData = dialogSetUserData,
    .getItem = dialogGetItem,
    .createItem = dialogCreateItem,
    .setSize = dialogSetSize,
    .setBounds = dialogSetBounds,
    .getBounds = dialogGetBounds,
};

const AdmItemSuite kItem = {
    .getDialog = itemGetDialog,
    .getID = itemGetID,
    .setNotifyProc = itemSetNotifyProc,
    .setTrackProc = itemSetTrackProc,
    .defaultNotify = itemDefaultNotify,
    .defaultTrack = itemDefaultTrack,
    .sendNotify = itemSendNotify,
    .getBooleanValue = itemGetBooleanValue,
    .setBooleanValue = itemSetBooleanValue,
    .getIntValue = itemGetIntValue,
    .setIntValue = itemSetIntValue,
    .getFloatValue = itemGetFloatValue,
    .setFloatValue = itemSetFloatValue,
    .setMinIntValue = itemSetMinIntValue,
    .setMaxIntValue = itemSetMaxIntValue,
    .setMinFloatValue = itemSetMinFloatValue,
    .setMaxFloatValue = itemSetMaxFloatValue,
    .getMinFloatValue = itemGetMinFloatValue,
    .getMaxFloatValue = itemGetMaxFloatValue,
    .setUnits = itemSetUnits,
    .setPrecision = itemSetPrecision,
    .setText = itemSetText,
    .getText = itemGetText,
    .setFont = itemSetFont,
    .getFont = itemGetFont,
    .show = itemShow,
    .isVisible = itemIsVisible,
    .enable = itemEnable,
    .isEnabled = itemIsEnabled,
    .getList = itemGetList,
};

const AdmIconSuite kIcon = {
    .getIconSize = iconGetIconSize,
};

const AdmNotifierSuite kNotifier = {
    .getItem = notifierGetItem,
    .isNotifierType = notifierIsNotifierType,
};

const AdmListSuite kList = {
    .insertEntry = listInsertEntry,
    .getEntry = listGetEntry,
    .getSelectedEntry = listGetSelectedEntry,
    .numberOfEntries = listNumberOfEntries,
};

const AdmEntrySuite kEntry = {
    .setText = entrySetText,
    .getText = entryGetText,
    .setID = entrySetID,
    .getID = entryGetID,
    .getIndex = entryGetIndex,
    .select = entrySelect,
    .isSelected = entryIsSelected,
};

const AdmTrackerSuite kTracker = {
    .getPoint = trackerGetPoint,
    .getAction = trackerGetAction,
    .getModifiers = trackerGetModifiers,
};

}  // namespace

const AdmBasicSuite& admBasicSuite() { return kBasic; }
const AdmDialogSuite& admDialogSuite() { return kDialog; }
const AdmItemSuite& admItemSuite() { return kItem; }
const AdmIconSuite& admIconSuite() { return kIcon; }
const AdmNotifierSuite& admNotifierSuite() { return kNotifier; }
const AdmListSuite& admListSuite() { return kList; }
const AdmEntrySuite& admEntrySuite() { return kEntry; }
const AdmTrackerSuite& admTrackerSuite() { return kTracker; }

const void* findAdmSuite(std::string_view name, int32_t version) {
  struct Offer {
    std::string_view name;
    int32_t version;
    const void* table;
  };
  static const Offer kOffers[] = {
      {kAdmBasicSuiteName, kAdmBasicSuiteVersion, &kBasic},
      {kAdmDialogSuiteName, kAdmDialogSuiteVersion, &kDialog},
      {kAdmItemSuiteName, kAdmItemSuiteVersion, &kItem},
      {kAdmIconSuiteName, kAdmIconSuiteVersion, &kIcon},
      {kAdmNotifierSuiteName, kAdmNotifierSuiteVersion, &kNotifier},
      {kAdmListSuiteName, kAdmListSuiteVersion, &kList},
      {kAdmEntrySuiteName, kAdmEntrySuiteVersion, &kEntry},
      {kAdmTrackerSuiteName, kAdmTrackerSuiteVersion, &kTracker},
  };
  for (const Offer& offer : kOffers) {
    if (offer.name == name && offer.version == version) return offer.table;
  }
  return nullptr;
}

const std::vector<std::string_view>& admOperationNames() {
  static const std::vector<std::string_view> kNames = {
      "admBasic.getIndexString",
      "admBasic.messageAlert",

      "dialog.modal",
      "dialog.endModal",
      "dialog.getUserData",
      "dialog.setUserData",
      "dialog.getItem",
      "dialog.createItem",
      "dialog.setSize",
      "dialog.setBounds",
      "dialog.getBounds",

      "item.getDialog",
      "item.getID",
      "item.setNotifyProc",
      "item.setTrackProc",
      "item.defaultNotify",
      "item.defaultTrack",
      "item.sendNotify",
      "item.getBooleanValue",
      "item.setBooleanValue",
      "item.getIntValue",
      "item.setIntValue",
      "item.getFloatValue",
      "item.setFloatValue",
      "item.setMinIntValue",
      "item.setMaxIntValue",
      "item.setMinFloatValue",
      "item.setMaxFloatValue",
      "item.getMinFloatValue",
      "item.getMaxFloatValue",
      "item.setUnits",
      "item.setPrecision",
      "item.setText",
      "item.getText",
      "item.setFont",
      "item.getFont",
      "item.show",
      "item.isVisible",
      "item.enable",
      "item.isEnabled",
      "item.getList",

      "icon.getIconSize",

      "notifier.getItem",
      "notifier.isNotifierType",

      "list.insertEntry",
      "list.getEntry",
      "list.getSelectedEntry",
      "list.numberOfEntries",

      "entry.setText",
      "entry.getText",
      "entry.setID",
      "entry.getID",
      "entry.getIndex",
      "entry.select",
      "entry.isSelected",

      "tracker.getPoint",
      "tracker.getAction",
      "tracker.getModifiers",
  };
  return kNames;
}

}  // namespace flhost
