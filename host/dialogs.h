// The stand-in host's dialog manager: it builds modal dialogs from their templates, runs them
// through the driver (dialog_driver.h) and hands out the checked handles the dialog suites work
// on. The dialog and item model is in dialog_model.h.
//
// Behaviour chosen for the stand-in (the plug-in only relies on part of it):
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
//   been freed (handle_table.h), so a stale handle stays refused for a long time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "adm_types.h"
#include "dialog_driver.h"
#include "dialog_model.h"
#include "handle_table.h"
#include "host_types.h"

namespace flhost {

class Faults;
class ResourceSet;

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
  // Told as each of the plug-in's notify or track procedures begins (true) and ends (false), so
  // that a test can see what changes outside them. Empty: nobody is told.
  std::function<void(const Item&, bool begins)> procedureWatch;
  // Turns a picked artwork point into the view point a tracker reports. Default: rounding.
  std::function<HostViewPoint(HostRealPoint)> artworkToView;
  // The view point a pick at this artwork point reports (rounding when artworkToView is empty).
  HostViewPoint viewPointOf(HostRealPoint artwork) const;

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
  HostErr modal(HostPluginRef plugin, const char* name, int32_t resourceId, int32_t style, HostDialogInitProc initProc,
                void* userData, int32_t* itemId);
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
  HandleTable<Dialog> dialogs_;
  HandleTable<Item> items_;
  HandleTable<ListEntry> entries_;
  HandleTable<Notification> notifications_;
  HandleTable<Tracking> trackingTable_;
};

}  // namespace flhost
