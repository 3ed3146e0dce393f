// Dialog scripts: the command line's way of acting as the user of a dialog.
//
// One action per line:
//   set ID VALUE        type a value into a spin edit
//   check ID 0|1        set a check box
//   choose ID POSITION  choose the entry at POSITION (from 0) of a popup list
//   press ID            press a push button or picture button
//   pick ID X Y         complete a pick with the button ID at artwork point (X, Y)
//   confirm             the host's confirm action (ends the dialog with 1)
//   cancel              the host's cancel action, like Escape (ends the dialog with 2)
// A front end may add keywords of its own that take one whole number (the command line's
// "page N"). Keywords are case-insensitive; blank lines and lines whose first word starts with '#'
// are skipped.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs.h"

namespace flhost {

// A keyword a front end adds to the script: KEYWORD N, turned into an action by `make`, which
// returns "" or what is wrong with N. It is tried before the built-in keywords.
struct ScriptKeyword {
  std::string_view keyword;   // lower case
  std::string_view usage;     // "page N"
  std::string_view argument;  // what N is, for messages: "a page number"
  std::function<std::string(int32_t n, DialogAction& action)> make;
};

// The actions of a script, each carrying its line number. On the first bad line returns nullopt
// and, if `error` is given, says which line, what it holds and what is wrong with it.
std::optional<std::vector<DialogAction>> parseDialogScript(std::string_view text, std::string* error,
                                                           const std::vector<ScriptKeyword>& extra = {});

// Plays a script to one dialog (the filter dialog, by its resource id); answers every other dialog
// with its default button.
//
// The actions go to the filter dialog in order; when they run out the dialog is confirmed. An
// action the dialog refuses stops the script: the dialog is cancelled (so the document is left
// as it was) and error() names the script line; later filter dialogs are cancelled at once.
// Actions left when the dialog ends by its own buttons wait for the next filter dialog.
// Any other dialog (the error dialog, the About box) is shown to onOtherDialog and then closed by
// pressing its button 1.
class ScriptDriver : public DialogDriver {
 public:
  ScriptDriver(int32_t filterDialogId, std::vector<DialogAction> actions)
      : filterDialogId_(filterDialogId), actions_(std::move(actions)) {}

  int32_t filterDialogId() const { return filterDialogId_; }

  // Sees each dialog other than the filter dialog before it is closed.
  std::function<void(ModalSession&)> onOtherDialog;
  // Sees the filter dialog once its actions are done, just before the script ends it (by a
  // confirm or cancel action, or by running out); not called when the dialog ends by itself.
  std::function<void(ModalSession&)> beforeEnd;
  // Sees each action just before the filter dialog applies it (the action may still be refused).
  std::function<void(ModalSession&, const DialogAction&)> beforeAction;
  // Sees each action the filter dialog took, just after it (and its notifier) ran, while the
  // dialog is still open; not called for a refused action nor for one that ended the dialog.
  std::function<void(ModalSession&, const DialogAction&)> afterAction;
  // What running out of actions does: confirm (true, the default) or cancel.
  bool confirmWhenDone = true;
  // Sees each alert; alerts are also kept in alerts().
  std::function<void(std::string_view)> onAlert;

  void run(ModalSession& s) override;
  void alert(std::string_view text) override;

  bool failed() const { return !error_.empty(); }
  // "script line N: <action>: <why>", or "" while nothing failed.
  const std::string& error() const { return error_; }
  // The script line of the failed action (0 while nothing failed).
  int errorLine() const { return errorLine_; }
  size_t applied() const { return next_; }
  size_t remaining() const { return actions_.size() - next_; }
  const std::vector<std::string>& alerts() const { return alerts_; }

 private:
  int32_t filterDialogId_;
  std::vector<DialogAction> actions_;
  size_t next_ = 0;
  std::string error_;
  int errorLine_ = 0;
  std::vector<std::string> alerts_;
};

}  // namespace flhost
