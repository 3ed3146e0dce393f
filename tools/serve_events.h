// The events a browser page sends to `flarimond serve`, read and checked before they reach the
// plug-in thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dialogs.h"

namespace fltools {

// What the browser asks the host to do, checked and ready for the plug-in thread.
struct BrowserEvent {
  enum class Op { Action, Open, Apply, About, Undo, Redo, New, Variant, Lock } op = Op::Action;
  // Op::Action: what the user did in the dialog. Op::Variant: action.id is the variant to bring
  // back. Op::Lock: action.id is the control whose field is locked (action.value 1) or let go (0).
  flhost::DialogAction action;
};

// One event as JSON: {"type": "set", "id": 5, "value": 20}. Types and their keys:
//   set {id, value}, check {id, value 0|1}, choose {id, value: position}, press {id},
//   page {page: 1..7}, pick {id, x, y: artwork point}, confirm, cancel, open, apply, about, undo, redo,
//   new, variant {id: a variant of the history}, lock {id: a control, value 0|1}.
// Malformed JSON (invalid UTF-8 included), unknown types and keys, a key given twice, missing
// keys, ids outside 32 bits and numbers that are not finite or too large for a double (1e400)
// are refused with the reason in *why; whether the item exists is for the dialog to say.
std::optional<BrowserEvent> parseBrowserEvent(std::string_view body, std::string* why);

}  // namespace fltools
