// How a user works a running modal dialog: the actions a user takes, the session a driver works
// the dialog through, and the driver interface a script (or an interactive front end) implements.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dialog_dump.h"
#include "dialog_model.h"

namespace flhost {

// One thing a user does to a running dialog.
struct DialogAction {
  enum class Kind { Set, Check, Choose, Press, Pick, Confirm, Cancel } kind = Kind::Confirm;
  int32_t id = 0;           // item id
  double value = 0;         // Set: the value; Check: 0 or 1; Choose: the position
  double x = 0, y = 0;      // Pick: artwork point
  int line = 0;             // where the action came from (script line), 0 when not from a script
  std::string origin = {};  // where it came from when not a script line ("--set burstCount=20")
  // How the user put it when that was not as a plain action ("page 3" for a press on that page's
  // tab); describeAction gives this instead of its own wording.
  std::string wording = {};
};

// The action as a script line ("set 5 12.5", "press 110", "confirm"), or its wording when it has one.
std::string describeAction(const DialogAction& action);

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
  // Sets an item's value as apply does for a user's Set, Check or Choose (a spin edit's value, a
  // check box's 0 or 1, a popup list's entry at that position) and sends the item its
  // user-changed notification, whether or not the item is showing or enabled: the host putting
  // back a value the item has held. Returns "" or why not, as apply does.
  std::string putBack(int32_t id, double value);
  // Ends the dialog with that id (as the host's own confirm or cancel would).
  void end(int32_t id);
  bool ended() const { return dialog_.ended(); }
  int32_t endingId() const { return dialog_.endingId(); }

 private:
  // apply, and with asUser false putBack: an item need not be showing or enabled.
  std::string act(const DialogAction& action, bool asUser);

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

}  // namespace flhost
