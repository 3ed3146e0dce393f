// The dialog manager's model of a modal dialog and its items.
//
// - A spin edit holds its value exactly, as a double, and keeps it inside [minimum, maximum]:
//   setting the value or either limit clamps the value held, so the next reading is in range.
//   Both limits start unbounded. When the limits cross, the maximum wins.
// - Readings: a float reading is the held value rounded (half away from zero) to the item's
//   decimal places; an integer reading truncates the held value toward zero (saturating at the
//   32-bit limits). Because the exact value is kept, setting a value before the decimal places
//   loses nothing.
// - A new spin edit has 0 decimal places and no units. A check box holds 0 or 1. A popup list's
//   value is the position of its selected entry (-1 when none is), and setting it selects.
#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adm_types.h"
#include "dialog_placement.h"
#include "host_types.h"

namespace flhost {

class DialogManager;
class Dialog;
class Item;

enum class ItemKind { SpinEdit, StaticText, PopupList, CheckBox, PushButton, PictureButton };

// v truncated toward zero, or rounded half away from zero, and saturated to the 32-bit limits
// (NaN gives 0).
int32_t saturatingTrunc(double v);
int32_t saturatingRound(double v);

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

// One dialog item. Its value and range are private: the member functions keep a spin edit's
// value inside its range. The other fields are the item's plain state.
class Item {
 public:
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
  // The value as held (exact; a check box 0 or 1; other kinds 0) and the range limits, which are
  // infinite while unbounded.
  double value() const { return value_; }
  double minimum() const { return minimum_; }
  double maximum() const { return maximum_; }
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

 private:
  double value_ = 0;
  double minimum_ = -std::numeric_limits<double>::infinity();
  double maximum_ = std::numeric_limits<double>::infinity();
};

// A modal dialog while it runs; it exists only for the length of its modal call.
class Dialog {
 public:
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

  // The first item with that id, or null.
  Item* find(int32_t id) const;
  int64_t width() const { return rectWidth(bounds); }
  int64_t height() const { return rectHeight(bounds); }
  // Whether the dialog has ended, and with which item id (the first ending stands).
  bool ended() const { return ended_; }
  int32_t endingId() const { return endingId_; }

 private:
  friend class DialogManager;
  std::map<int32_t, Item*> byId_;
  bool ended_ = false;
  int32_t endingId_ = 0;
};

}  // namespace flhost
