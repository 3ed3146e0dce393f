// The stand-in host's dialog manager: the model of modal dialogs and their items, the modal run,
// and the driver interface through which a script (or later an interactive front end) acts as
// the user while a dialog runs.
//
// Behaviour chosen for the stand-in (the plug-in only relies on part of it):
// - A spin edit holds its value exactly, as a double, and keeps it inside [minimum, maximum]:
//   setting the value or either limit clamps the value held, so the next reading is in range.
//   Both limits start unbounded. When the limits cross, the maximum wins.
// - Readings: a float reading is the held value rounded (half away from zero) to the item's
//   decimal places; an integer reading truncates the held value toward zero (saturating at the
//   32-bit limits). Because the exact value is kept, setting a value before the decimal places
//   loses nothing.
// - A new spin edit has 0 decimal places and no units. A check box holds 0 or 1. A popup list's
//   value is the position of its selected entry (-1 when none is), and setting it selects.
// - Default notify: a push button whose id is the confirm id (1) or the cancel id (2), or the
//   template's default push button, ends the modal dialog with its own id when the user changes
//   it. Other push buttons do nothing by default: "Shuffle"-like buttons pass their
//   notifications on to the default handling and must not close the dialog. Other kinds do
//   nothing. Default track handles the event (returns true).
// - The first ending of a dialog stands; later endings of the same dialog change nothing.
// - Dialog templates are in dialog units; items built from them are converted to pixels with
//   the base units of the 8-point dialog font (6 by 13 pixels), the unit createItem works in.
//   Template classes: BUTTON push buttons become push buttons (the default push button is
//   marked), check boxes and radio buttons check boxes, group boxes static texts; STATIC static
//   texts; COMBOBOX and LISTBOX popup lists; any other class a static text (shown, never worked).
// - Handles name a slot and its generation; a freed slot is reused only after many others have
//   been freed, so a stale handle stays refused for a long time.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adm_types.h"
#include "dialog_placement.h"
#include "handles.h"
#include "host_types.h"

namespace flhost {

class Faults;
class ResourceSet;
class DialogManager;
struct Dialog;
struct Item;

enum class ItemKind { SpinEdit, StaticText, PopupList, CheckBox, PushButton, PictureButton };

// The host's item type name ("ADM Spin Edit Type", ...).
std::string_view itemTypeName(ItemKind kind);
// The kind created for a type name, or nullopt for a name the host does not know.
std::optional<ItemKind> itemKindFromTypeName(std::string_view typeName);
// Words for messages: "spin edit", "static text", ...
std::string_view itemKindLabel(ItemKind kind);

// One entry of a popup list.
struct ListEntry {
  Item* owner = nullptr;
  uint32_t slot = 0;  // handle slot
  std::string text;
  int32_t id = 0;
  bool selected = false;
};

// One dialog item. Fields are for reading; change values through the member functions, which keep
// a spin edit's value inside its range.
struct Item {
  Dialog* dialog = nullptr;
  uint32_t slot = 0;  // handle slot; a popup's list handle shares it
  int32_t id = 0;
  ItemKind kind = ItemKind::StaticText;
  bool fromTemplate = false;
  bool defaultButton = false;  // the template's default push button
  HostIntRect rect{};          // dialog coordinates, pixels
  std::string text;
  int32_t font = kFontDialog;
  bool visible = true;
  bool enabled = true;
  HostNotifyProc notifyProc = nullptr;
  HostTrackProc trackProc = nullptr;
  void* userData = nullptr;

  double value = 0;
  double minValue = -std::numeric_limits<double>::infinity();
  double maxValue = std::numeric_limits<double>::infinity();
  int32_t units = 0;
  int32_t decimals = 0;
  std::vector<std::unique_ptr<ListEntry>> entries;  // popup lists only

  // Sets the value by kind: a spin edit clamps it, a check box takes non-zero as 1, a popup list
  // selects the entry at that position. kHostBadParameterErr for NaN, a position out of range or
  // a kind without a value.
  HostErr setValue(double v);
  // Range limits of a spin edit (any kind accepts them; only a spin edit clamps). NaN refused.
  HostErr setMinimum(double v);
  HostErr setMaximum(double v);
  // The value as read: spin edit rounded to its decimal places, check box 0 or 1, popup list the
  // selected position or -1, other kinds 0.
  double reading() const;
  // The held value truncated toward zero and saturated to 32 bits (popup: selected position).
  int32_t intReading() const;
  // A spin edit's text: its reading with its decimal places; other kinds their text.
  std::string displayText() const;
  // The selected entry of a popup list, or null; and its position, or -1.
  ListEntry* selectedEntry() const;
  int32_t selectedIndex() const;
  // Selects the entry (deselecting the others) or deselects it.
  void select(ListEntry& entry, bool selected);
  // The entry's position in this list, or -1.
  int32_t indexOf(const ListEntry& entry) const;
};

// A modal dialog while it runs; it exists only for the length of its modal call.
struct Dialog {
  uint32_t slot = 0;  // handle slot
  int32_t resourceId = 0;
  int32_t style = 0;
  std::string name;
  std::string caption;
  std::string fontName;
  int fontSize = 0;
  HostIntRect bounds{};  // screen coordinates, pixels
  void* userData = nullptr;
  std::vector<std::unique_ptr<Item>> items;  // template items first, then in creation order
  bool ended = false;
  int32_t endingId = 0;

  // The first item with that id, or null.
  Item* find(int32_t id) const;
  int64_t width() const { return rectWidth(bounds); }
  int64_t height() const { return rectHeight(bounds); }

 private:
  friend class DialogManager;
  std::map<int32_t, Item*> byId_;
};

// A notification while its notify procedure runs.
struct Notification {
  Item* item = nullptr;
  std::string type;
  uint32_t slot = 0;
};

// A tracking of the pointer while a track procedure runs.
struct Tracking {
  Item* item = nullptr;
  HostViewPoint point{};  // view coordinates
  uint32_t modifiers = 0;
  int32_t action = 0;  // the stand-in reports no pointer action codes
  uint32_t slot = 0;
};

// One thing a user does to a running dialog.
struct DialogAction {
  enum class Kind { Set, Check, Choose, Press, Pick, Confirm, Cancel } kind = Kind::Confirm;
  int32_t id = 0;     // item id
  double value = 0;   // Set: the value; Check: 0 or 1; Choose: the position
  double x = 0, y = 0;  // Pick: artwork point
  int line = 0;       // where the action came from (script line), 0 when not from a script
  std::string origin = {};  // where it came from when not a script line ("--set burstCount=20")
  // How the user put it when that was not as a plain action ("page 3" for a press on that page's
  // tab); describeAction gives this instead of its own wording.
  std::string wording = {};
};

// The action as a script line ("set 5 12.5", "press 110", "confirm"), or its wording when it has one.
std::string describeAction(const DialogAction& action);

// Plain copies of a running dialog, for exports and front ends.
struct EntryDump {
  std::string text;
  int32_t id = 0;
  bool selected = false;
};

struct ItemDump {
  int32_t id = 0;
  ItemKind kind = ItemKind::StaticText;
  std::string typeName;
  std::string text;  // as displayed (a spin edit's formatted reading)
  HostIntRect rect{};
  bool visible = true;
  bool enabled = true;
  int32_t font = kFontDialog;
  double value = 0;                 // Item::reading()
  std::optional<double> minValue;   // none when unbounded
  std::optional<double> maxValue;
  int32_t decimals = 0;
  int32_t units = 0;
  bool hasNotifyProc = false;
  bool hasTrackProc = false;
  std::vector<EntryDump> entries;
  int32_t selectedIndex = -1;
};

struct DialogDump {
  int32_t resourceId = 0;
  std::string name;
  std::string caption;
  std::string fontName;
  int fontSize = 0;
  HostIntRect bounds{};
  bool ended = false;
  int32_t endingId = 0;
  std::vector<ItemDump> items;
};

// What a driver sees and does while a dialog runs. Valid only during DialogDriver::run.
class ModalSession {
 public:
  ModalSession(DialogManager& manager, Dialog& dialog) : manager_(manager), dialog_(dialog) {}

  int32_t resourceId() const { return dialog_.resourceId; }
  const std::string& name() const { return dialog_.name; }
  const std::string& caption() const { return dialog_.caption; }
  int64_t width() const { return dialog_.width(); }
  int64_t height() const { return dialog_.height(); }
  HostIntRect bounds() const { return dialog_.bounds; }
  const Dialog& dialog() const { return dialog_; }
  const Item* item(int32_t id) const { return dialog_.find(id); }
  std::vector<const Item*> items() const;
  DialogDump dump() const;

  // Works the dialog as a user would. Returns "" on success, else why the action was refused;
  // a refused action changes nothing.
  std::string apply(const DialogAction& action);
  // Ends the dialog with that id (as the host's own confirm or cancel would).
  void end(int32_t id);
  bool ended() const { return dialog_.ended; }
  int32_t endingId() const { return dialog_.endingId; }

 private:
  DialogManager& manager_;
  Dialog& dialog_;
};

// Acts as the user of modal dialogs.
class DialogDriver {
 public:
  virtual ~DialogDriver() = default;
  // Acts as the user until s.ended(); a driver that returns without ending confirms (id 1).
  // Called again, nested, when a dialog opens while another runs.
  virtual void run(ModalSession& s) = 0;
  // Shows an alert (ADM Basic messageAlert) and returns when the user has seen it.
  virtual void alert(std::string_view text) = 0;
};

namespace detail {
// Slots for one kind of handle. Objects are owned elsewhere; the table only maps handles to them.
template <class T>
class HandleTable {
 public:
  uint32_t insert(T* object);
  void erase(uint32_t index);
  T* find(std::optional<HandleBits> bits) const;
  uint8_t generation(uint32_t index) const { return slots_[index].generation; }
  size_t live() const { return slots_.size() - free_.size(); }

 private:
  // Freed slots wait in line behind this many others before reuse, so one handle's generation
  // comes round again only after thousands of frees.
  static constexpr size_t kQuarantine = 64;
  struct Slot {
    T* object = nullptr;
    uint8_t generation = 0;
  };
  std::vector<Slot> slots_;
  std::deque<uint32_t> free_;
};
}  // namespace detail

class DialogManager {
 public:
  explicit DialogManager(Faults& faults);
  ~DialogManager();
  DialogManager(const DialogManager&) = delete;
  DialogManager& operator=(const DialogManager&) = delete;

  // The manager the suite functions (adm_suites.h) work on; null when none is installed.
  static DialogManager* current();
  // Installs a manager as current for its lifetime, restoring the previous one after.
  class Scope {
   public:
    explicit Scope(DialogManager& manager);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    DialogManager* previous_;
  };

  Faults& faults() const { return faults_; }
  // Where dialog templates, strings and icons come from; not owned. Null: none.
  void setResources(const ResourceSet* resources) { resources_ = resources; }
  const ResourceSet* resources() const { return resources_; }
  // The one plug-in reference that modal, string and icon calls accept.
  void setPluginRef(HostPluginRef plugin) { plugin_ = plugin; }
  HostPluginRef pluginRef() const { return plugin_; }
  // Who acts as the user; not owned. Without a driver a modal dialog confirms at once and
  // alerts go unseen.
  void setDriver(DialogDriver* driver) { driver_ = driver; }
  DialogDriver* driver() const { return driver_; }
  // Turns a picked artwork point into the view point a tracker reports. Default: rounding.
  std::function<HostViewPoint(HostRealPoint)> artworkToView;

  // Modal runs started (each modal call that got as far as building its dialog).
  uint64_t modalRuns() const { return modalRuns_; }
  // The innermost running dialog, or null; and how many are nested.
  const Dialog* runningDialog() const;
  size_t modalDepth() const { return stack_.size(); }
  // Live handles of each kind (a test can check nothing leaks past a dialog).
  size_t liveHandles() const;

  // --- Operations behind the suites. Handles are checked: a stale, foreign or null one resolves
  // to null. Nothing here counts calls or injects faults; the suite functions do.

  // Builds dialog resourceId from the resources, calls initProc, lets the driver run it and
  // writes the ending id into *itemId (when not null). kHostBadHandleErr for a plug-in other
  // than pluginRef(), kHostNotFoundErr when there is no such template.
  HostErr modal(HostPluginRef plugin, const char* name, int32_t resourceId, int32_t style,
                HostDialogInitProc initProc, void* userData, int32_t* itemId);
  void endModal(Dialog& dialog, int32_t itemId);

  Dialog* dialog(HostDialog handle) const;
  Item* item(HostItem handle) const;
  Item* list(HostList handle) const;  // the popup list item whose list it is
  ListEntry* entry(HostEntry handle) const;
  Notification* notification(HostNotifier handle) const;
  // A null handle means the tracking now running (null when none is).
  Tracking* tracking(HostTracker handle) const;

  HostDialog handle(const Dialog& dialog) const;
  HostItem handle(const Item& item) const;
  HostList listHandle(const Item& popup) const;
  HostEntry handle(const ListEntry& entry) const;
  HostNotifier handle(const Notification& notification) const;
  HostTracker handle(const Tracking& tracking) const;

  // A new item, or null when the id is already in use.
  Item* createItem(Dialog& dialog, int32_t id, ItemKind kind, const HostIntRect& rect);
  // A new empty entry at index (0..count), or null when the index is out of range.
  ListEntry* insertEntry(Item& popup, int32_t index);
  // Calls the item's notify procedure (or the default handling) with a notification valid for
  // the call. kHostBadParameterErr when notifications nest implausibly deep.
  HostErr sendNotify(Item& item, std::string_view type);
  void defaultNotify(Item& item, const Notification& notification);
  // Calls the item's track procedure (or the default tracking) with a tracking valid for the
  // call; returns what it returned.
  bool track(Item& item, HostViewPoint point, uint32_t modifiers);
  // Shows an alert through the driver.
  void alert(std::string_view text);

 private:
  friend class ModalSession;
  Dialog& openDialog();
  void closeInnermost();
  void release(Item& item);

  Faults& faults_;
  const ResourceSet* resources_ = nullptr;
  HostPluginRef plugin_ = nullptr;
  DialogDriver* driver_ = nullptr;
  uint64_t modalRuns_ = 0;
  int callbackDepth_ = 0;
  std::vector<std::unique_ptr<Dialog>> stack_;  // running dialogs, innermost last
  std::vector<Tracking*> trackings_;            // running trackings, innermost last
  detail::HandleTable<Dialog> dialogs_;
  detail::HandleTable<Item> items_;
  detail::HandleTable<ListEntry> entries_;
  detail::HandleTable<Notification> notifications_;
  detail::HandleTable<Tracking> trackingTable_;
};

}  // namespace flhost
