// The entries of the dialog's popup lists, as the user reads them. Every entry's id is its
// position, and the list's field in BurstParams holds the position of the chosen entry.
//
// The texts start with a space on purpose: the lists are drawn flush against the popup's edge.
#pragma once

#include <cstdint>

#include "dialog/dialog_layout.h"

namespace fl {

struct PopupList {
  int32_t itemId;
  const char* heading;  // the first entry, when it only names the list; null otherwise
  const char* const* entries;
  int32_t entryCount;  // of `entries`, the heading not counted

  constexpr int32_t count() const { return (heading ? 1 : 0) + entryCount; }
  constexpr const char* text(int32_t position) const {
    if (heading) {
      if (position == 0) return heading;
      --position;
    }
    return entries[position];
  }
};

namespace lists {

// clang-format off
inline constexpr const char* kBurstTypes[] = {
    " Burst 01", " Burst 02", " Burst 03", " Burst 04", " Burst 05", " Burst 06",
    " Burst 07", " Burst 08", " Burst 09", " Burst 10", " Burst 11", " Burst 12",
    " Burst 13", " Burst 14", " Burst 15", " Burst 16", " Burst 17", " Burst 18",
    " Burst 19", " Burst 20", " Burst 21", " Burst 22", " Burst 23", " Burst 24",
    " Burst 25", " Burst 26", " Burst 27", " Burst 28", " Burst 29", " Burst 30",
};
// clang-format on

// clang-format off
inline constexpr const char* kReverseOptions[] = {
    " Reverse options - Ignore", " Basic reverse", " Reverse random / star",
    " Alternate random / star", " Alternate3 / star", " Alternate4 / star",
    " Alternate5 / star", " Alternate4/2 / star", " Alternate3",
};
// clang-format on

// clang-format off
inline constexpr const char* kScalings[] = {
    " Scaling 1", " Scaling 2", " Scaling 3", " Scaling 4", " Scaling 5", " Scaling 6",
    " Scaling 7", " Scaling 8", " Scaling 9", " Scaling 10", " Scaling 11", " Scaling 12",
    " Scaling 13", " Scaling 14", " Scaling 15", " Scaling 16", " Scaling 17", " Scaling 18",
    " Scaling 19", " Scaling 20", " Scaling 21", " Scaling 22", " Scaling 23", " Scaling 24",
    " Scaling 25", " Scaling 26", " Scaling 27", " Scaling 28", " Scaling 29", " Scaling 30",
    " Scaling 31", " Scaling 32", " Scaling 33", " Scaling 34", " Scaling 35", " Scaling 36",
    " Scaling 37", " Scaling 38", " Scaling 39", " Scaling 40", " Scaling 41", " Scaling 42",
};
// clang-format on

// clang-format off
inline constexpr const char* kShapeOptions[] = {
    " Shape options - Triangle", " Block", " Chisel", " Triangle2", " Triangle3",
    " Spike", " Triangle4", " Block2", " Block3", " Scalpel", " Zag", " Diamond",
    " Triangle5", " Triangle6",
};
// clang-format on

// clang-format off
inline constexpr const char* kFactorModes[] = {" Factor per star", " Factor per element"};

// The colour schemes fill and stroke share, after the heading that names each list.
inline constexpr const char* kColourSchemes[] = {
    " To white", " To black", " Random colors", " Random swatches", " To white / midpoint",
    " To swatch", " To half color", " To inverted", " Alternate white", " Alternate black",
    " Alternate swatch", " Alternate inverted", " To half color inverted", " 10% reduction",
};
// clang-format on

// clang-format off
inline constexpr const char* kPatternCentres[] = {
    " Pattern center 1", " Pattern center 2", " Pattern center 3", " Pattern center 4",
    " Pattern center 5", " Pattern center 6", " Pattern center 7", " Pattern center 8",
    " Pattern center 9", " Pattern center 10",
};
// clang-format on

// clang-format off
inline constexpr const char* kPresets[] = {
    " Reset", " Star20", " Random burst shapes", " Random burst alternate", " 3D Star 1",
    " 3D Star 2", " 3D Star faded", " Skip 2", " Skip 2 3D", " 3D Star curve", " 3D Star gap",
    " 3D Emblem", " 3D Cut", " 3D Colorful Cut", " 3D Smear", " Subtle", " Fine star",
    " Thinner", " Edged", " Different Edge", " Break away", " Crystal", " Kite", " Reversed",
    " Blade", " MultiBackground", " Background1", " Background2", " Swatched",
    " Styled (slow)", " Emboss", " Mixed shapes", " Mixed shapes alternate",
    " Mixed shapes curve", " 3D Angled", " Tile",
};
// clang-format on

// clang-format off
inline constexpr const char* kSketchColours[] = {
    " Sketch color options - Use black", " Use same color as original path",
    " Use random color", " Use random swatch color", " Reduced", " Random reduced",
    " Random black / color", " Use shift (otherwise black)", " Use black + random opacity",
    " Use random color + random opacity", " Reducing opacity", " Use white + random opacity",
};
// clang-format on

template <int32_t N>
constexpr PopupList list(int32_t itemId, const char* heading, const char* const (&entries)[N]) {
  return {itemId, heading, entries, N};
}

}  // namespace lists

// In the order the init procedure fills them.
// clang-format off
inline constexpr PopupList kPopupLists[] = {
    lists::list(120, nullptr, lists::kBurstTypes),
    lists::list(121, nullptr, lists::kReverseOptions),
    lists::list(31, " Scaling - ignore", lists::kScalings),
    lists::list(122, nullptr, lists::kShapeOptions),
    lists::list(kFactorModeItem, nullptr, lists::kFactorModes),
    lists::list(180, " Fill color - Ignore", lists::kColourSchemes),
    lists::list(183, " Stroke color - Ignore", lists::kColourSchemes),
    lists::list(186, " Pattern - ignore", lists::kPatternCentres),
    lists::list(kPresetItem, nullptr, lists::kPresets),
    lists::list(124, nullptr, lists::kSketchColours),
};
// clang-format on

namespace lists {

// Every popup of the layout has exactly one list, and each list offers exactly the positions its
// field's range allows.
constexpr bool listsMatchTheLayout() {
  int popups = 0;
  for (const DialogItem& item : kDialogItems) popups += item.kind == DialogItemKind::PopupList ? 1 : 0;
  if (popups != static_cast<int>(sizeof kPopupLists / sizeof kPopupLists[0])) return false;
  for (const PopupList& l : kPopupLists) {
    const int at = dialogItemIndex(l.itemId);
    if (at < 0 || kDialogItems[at].kind != DialogItemKind::PopupList) return false;
    const BurstField& f = fieldOf(kDialogItems[at]);
    if (f.min != 0 || f.max + 1 != l.count()) return false;
  }
  return true;
}
static_assert(listsMatchTheLayout());

}  // namespace lists

}  // namespace fl
