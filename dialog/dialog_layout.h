// The filter dialog's items as data: one row per item, in the order the init procedure creates
// them. The init procedure, the notifiers, the page notifier and the pick tracker all work from
// this table, and so can anything outside the module that needs to know which control edits which
// field (the header depends only on the record's layout).
//
// A spin edit's format and range are those of its field in kBurstFields: an Int field makes an
// integer spin edit, a Float field a float spin edit with two decimal places.
#pragma once

#include <cstddef>
#include <cstdint>

#include "params/burst_fields.h"
#include "params/burst_params.h"
#include "shell/host/adm_types.h"

namespace fl {

// The host's item kinds (the type names of adm_types.h).
enum class DialogItemKind : uint8_t { SpinEdit, StaticText, PopupList, CheckBox, PushButton, PictureButton };

// The procedure the init procedure installs: a notify procedure, except Pick (a track procedure).
enum class DialogProc : uint8_t { None, Value, Zoom, Preset, Tumble, FactorMode, Page, Pick };

// What a pick button makes of the artwork point (x, y) it was given.
enum class PickValue : uint8_t {
  None,
  X,
  Y,
  TenthOfX,       // x * 0.1
  WholeTenthOfX,  // x * 0.1 truncated toward zero
  Angle           // degrees from the front view's centre to the point
};

constexpr int16_t kNoField = -1;

struct DialogItem {
  int32_t id;
  DialogItemKind kind;
  uint8_t page;  // 1 to 7; 0 for the items every page shows
  DialogProc proc;
  HostIntRect rect;
  const char* text;  // null: no text is set
  // Offset of the edited field in BurstParams, or kNoField. A factor spin edit names the per-star
  // member of its pair; factorMode chooses the member it edits.
  int16_t field;
  bool factorPair;
  int32_t target;  // pick button: the spin edit it fills (and whose field it sets)
  PickValue pick;
};

constexpr int kPageCount = 7;

// The items that code outside the table works by name (the table holds every other id once).
constexpr int32_t kCancelItem = 2;
constexpr int32_t kPreviewItem = 3;
constexpr int32_t kZoomItem = 25;
constexpr int32_t kShuffle = 110;
constexpr int32_t kTumble = 111;
constexpr int32_t kPresetItem = 123;
constexpr int32_t kFactorModeItem = 125;

// Page n (1 to 7) is worked through its tab and marked by the static text beneath it.
constexpr int32_t pageTab(int page) { return 129 + page; }
constexpr int32_t pageLabel(int page) { return 136 + page; }

namespace layout {

#define FL_FIELD(f) static_cast<int16_t>(offsetof(BurstParams, f))

constexpr DialogItem spin(int32_t id, uint8_t page, HostIntRect r, int16_t field, DialogProc proc = DialogProc::Value) {
  return {id, DialogItemKind::SpinEdit, page, proc, r, nullptr, field, false, 0, PickValue::None};
}
constexpr DialogItem factor(int32_t id, int pair, HostIntRect r) {
  return {id,
          DialogItemKind::SpinEdit,
          4,
          DialogProc::Value,
          r,
          nullptr,
          static_cast<int16_t>(kFactorPairsOffset + 8 * pair),
          true,
          0,
          PickValue::None};
}
constexpr DialogItem text(int32_t id, uint8_t page, const char* t, HostIntRect r) {
  return {id, DialogItemKind::StaticText, page, DialogProc::None, r, t, kNoField, false, 0, PickValue::None};
}
constexpr DialogItem pick(int32_t id, uint8_t page, HostIntRect r, int32_t target, PickValue value) {
  return {id, DialogItemKind::PictureButton, page, DialogProc::Pick, r, nullptr, kNoField, false, target, value};
}
constexpr DialogItem popup(int32_t id, uint8_t page, HostIntRect r, int16_t field,
                           DialogProc proc = DialogProc::Value) {
  return {id, DialogItemKind::PopupList, page, proc, r, nullptr, field, false, 0, PickValue::None};
}
constexpr DialogItem check(int32_t id, uint8_t page, const char* t, HostIntRect r, int16_t field) {
  return {id, DialogItemKind::CheckBox, page, DialogProc::Value, r, t, field, false, 0, PickValue::None};
}
constexpr DialogItem button(int32_t id, const char* t, HostIntRect r, DialogProc proc) {
  return {id, DialogItemKind::PushButton, 0, proc, r, t, kNoField, false, 0, PickValue::None};
}
constexpr DialogItem tab(int page, HostIntRect r) {
  return {pageTab(page),  DialogItemKind::PictureButton, 0, DialogProc::Page, r, nullptr, kNoField, false, 0,
          PickValue::None};
}
constexpr DialogItem label(int page, const char* t, HostIntRect r) { return text(pageLabel(page), 0, t, r); }

}  // namespace layout

// In creation order.
inline constexpr DialogItem kDialogItems[] = {
    // Spin edits.
    layout::spin(5, 1, {180, 82, 240, 102}, FL_FIELD(burstCount)),
    layout::spin(6, 1, {180, 104, 240, 124}, FL_FIELD(length)),
    layout::spin(7, 1, {180, 126, 240, 146}, FL_FIELD(angle)),
    layout::spin(19, 1, {180, 190, 240, 210}, FL_FIELD(initialGapX)),
    layout::spin(20, 1, {280, 190, 340, 210}, FL_FIELD(initialGapY)),
    layout::spin(kZoomItem, 0, {530, 235, 590, 255}, FL_FIELD(viewZoom), DialogProc::Zoom),
    layout::spin(4, 2, {180, 70, 240, 90}, FL_FIELD(starCount)),
    layout::spin(29, 2, {180, 190, 240, 210}, FL_FIELD(startX)),
    layout::spin(30, 2, {280, 190, 340, 210}, FL_FIELD(startY)),
    layout::spin(8, 3, {180, 60, 240, 80}, FL_FIELD(burstApplySkip)),
    layout::spin(9, 3, {280, 60, 340, 80}, FL_FIELD(burstApplyRun)),
    layout::spin(10, 3, {180, 82, 240, 102}, FL_FIELD(pathInterpolate)),
    layout::spin(16, 3, {180, 104, 240, 124}, FL_FIELD(spreadX)),
    layout::spin(17, 3, {280, 104, 340, 124}, FL_FIELD(spreadY)),
    layout::spin(23, 3, {180, 126, 240, 146}, FL_FIELD(starPulse)),
    layout::spin(24, 3, {280, 126, 340, 146}, FL_FIELD(elementPulse)),
    layout::spin(26, 3, {180, 175, 240, 195}, FL_FIELD(sketchWeight)),
    layout::spin(27, 3, {180, 197, 240, 217}, FL_FIELD(sketchShift)),
    layout::spin(28, 3, {180, 219, 240, 239}, FL_FIELD(sketchRepeats)),
    layout::factor(11, 0, {180, 60, 240, 80}),
    layout::factor(12, 1, {180, 82, 240, 102}),
    layout::factor(13, 2, {180, 104, 240, 124}),
    layout::factor(14, 3, {180, 126, 240, 146}),
    layout::factor(15, 4, {180, 148, 240, 168}),
    layout::factor(18, 5, {180, 170, 240, 190}),
    layout::factor(21, 6, {180, 192, 240, 212}),
    layout::factor(22, 7, {180, 214, 240, 234}),
    layout::spin(181, 5, {190, 70, 250, 90}, FL_FIELD(fillSwatch)),
    layout::spin(182, 5, {260, 70, 320, 90}, FL_FIELD(fillSteps)),
    layout::spin(184, 5, {190, 100, 250, 120}, FL_FIELD(strokeSwatch)),
    layout::spin(185, 5, {260, 100, 320, 120}, FL_FIELD(strokeSteps)),
    // Static texts.
    layout::text(41, 1, "Bursts", {10, 82, 178, 102}),
    layout::text(42, 1, "Length (p)", {10, 104, 178, 124}),
    layout::text(43, 1, "Angle (o)", {10, 126, 178, 146}),
    layout::text(47, 1, "Initial gap (p)", {10, 190, 178, 210}),
    layout::text(40, 2, "Stars", {10, 70, 178, 90}),
    layout::text(60, 2, "Start", {10, 190, 178, 210}),
    layout::text(44, 3, "Burst apply", {10, 60, 178, 80}),
    layout::text(46, 3, "Path interpolate", {10, 82, 178, 102}),
    layout::text(45, 3, "Spread (p)", {10, 104, 178, 124}),
    layout::text(48, 3, "Pulse / factor", {10, 126, 178, 146}),
    layout::text(57, 3, "Sketch weight (/10p)", {10, 175, 178, 195}),
    layout::text(58, 3, "Sketch shift (p)", {10, 197, 178, 217}),
    layout::text(59, 3, "Sketch repeats", {10, 219, 178, 239}),
    layout::text(49, 4, "Fan (%)", {10, 60, 178, 80}),
    layout::text(50, 4, "Length (%)", {10, 82, 178, 102}),
    layout::text(51, 4, "Fill (%)", {10, 104, 178, 124}),
    layout::text(52, 4, "Height (%)", {10, 126, 178, 146}),
    layout::text(53, 4, "Angle (%)", {10, 148, 178, 168}),
    layout::text(54, 4, "Spread (%)", {10, 170, 178, 190}),
    layout::text(55, 4, "Initial gap (%)", {10, 192, 178, 212}),
    layout::text(56, 4, "Opacity (%)", {10, 214, 178, 234}),
    // Pick buttons.
    layout::pick(150, 1, {250, 82, 270, 102}, 5, PickValue::WholeTenthOfX),
    layout::pick(151, 1, {250, 104, 270, 124}, 6, PickValue::X),
    layout::pick(152, 1, {250, 126, 270, 146}, 7, PickValue::Angle),
    layout::pick(153, 1, {250, 190, 270, 210}, 19, PickValue::X),
    layout::pick(154, 1, {350, 190, 370, 210}, 20, PickValue::Y),
    layout::pick(165, 2, {250, 190, 270, 210}, 29, PickValue::X),
    layout::pick(166, 2, {350, 190, 370, 210}, 30, PickValue::Y),
    layout::pick(155, 3, {250, 104, 270, 124}, 16, PickValue::X),
    layout::pick(156, 3, {350, 104, 370, 124}, 17, PickValue::Y),
    layout::pick(157, 4, {250, 60, 270, 80}, 11, PickValue::TenthOfX),
    layout::pick(158, 4, {250, 82, 270, 102}, 12, PickValue::TenthOfX),
    layout::pick(159, 4, {250, 104, 270, 124}, 13, PickValue::TenthOfX),
    layout::pick(160, 4, {250, 126, 270, 146}, 14, PickValue::TenthOfX),
    layout::pick(161, 4, {250, 148, 270, 168}, 15, PickValue::TenthOfX),
    layout::pick(162, 4, {250, 170, 270, 190}, 18, PickValue::TenthOfX),
    layout::pick(163, 4, {250, 192, 270, 212}, 21, PickValue::TenthOfX),
    layout::pick(164, 4, {250, 214, 270, 234}, 22, PickValue::TenthOfX),
    // Popup lists (their entries: popup_lists.h).
    layout::popup(kPresetItem, 0, {510, 150, 590, 170}, FL_FIELD(preset), DialogProc::Preset),
    layout::popup(120, 1, {10, 158, 240, 178}, FL_FIELD(burstType)),
    layout::popup(122, 2, {10, 100, 240, 120}, FL_FIELD(shapeOption)),
    layout::popup(121, 2, {10, 130, 240, 150}, FL_FIELD(reverseOption)),
    layout::popup(31, 2, {10, 160, 240, 180}, FL_FIELD(scaling)),
    layout::popup(124, 3, {10, 150, 160, 170}, FL_FIELD(sketchColor)),
    layout::popup(kFactorModeItem, 4, {290, 150, 390, 170}, FL_FIELD(factorMode), DialogProc::FactorMode),
    layout::popup(180, 5, {10, 70, 180, 90}, FL_FIELD(fillColor)),
    layout::popup(183, 5, {10, 100, 180, 120}, FL_FIELD(strokeColor)),
    layout::popup(186, 5, {10, 187, 180, 207}, FL_FIELD(pattern)),
    // Check boxes.
    layout::check(kPreviewItem, 0, "Preview", {510, 130, 590, 144}, FL_FIELD(preview)),
    layout::check(94, 5, "Apply to unique elements (if unique set)", {10, 130, 500, 144},
                  FL_FIELD(applyToUniqueElements)),
    layout::check(95, 5, "Apply to stars (if stars > 1)", {10, 147, 500, 161}, FL_FIELD(applyToStars)),
    layout::check(70, 6, "Opacity [R]", {10, 80, 249, 94}, FL_FIELD(randomOpacity)),
    layout::check(71, 6, "Width [R]", {10, 97, 249, 111}, FL_FIELD(randomWidth)),
    layout::check(79, 6, "Style [R]", {10, 114, 249, 128}, FL_FIELD(randomStyle)),
    layout::check(72, 6, "Apply [R]", {10, 131, 249, 145}, FL_FIELD(randomApply)),
    layout::check(73, 6, "Place below", {10, 148, 249, 162}, FL_FIELD(placeBelow)),
    layout::check(85, 6, "Spread [R]", {10, 165, 249, 179}, FL_FIELD(randomSpread)),
    layout::check(82, 6, "BurstType [R]", {10, 182, 249, 196}, FL_FIELD(randomBurstType)),
    layout::check(78, 6, "Burst [R]", {10, 199, 249, 213}, FL_FIELD(randomBurstCount)),
    layout::check(83, 6, "Shape [R]", {10, 216, 249, 230}, FL_FIELD(randomShape)),
    layout::check(74, 6, "Height [R]", {250, 80, 500, 94}, FL_FIELD(randomHeight)),
    layout::check(75, 6, "Center [R]", {250, 97, 500, 111}, FL_FIELD(randomCenter)),
    layout::check(77, 6, "Length [R]", {250, 114, 500, 128}, FL_FIELD(randomLength)),
    layout::check(76, 6, "Angle [R]", {250, 131, 500, 145}, FL_FIELD(randomAngle)),
    layout::check(80, 6, "Scale [R]", {250, 148, 500, 162}, FL_FIELD(randomScale)),
    layout::check(81, 6, "Alternate flip", {250, 165, 500, 179}, FL_FIELD(alternateFlip)),
    layout::check(84, 6, "Initial gap [R]", {250, 182, 500, 196}, FL_FIELD(randomInitialGap)),
    layout::check(92, 7, "Drop shadow", {10, 80, 500, 94}, FL_FIELD(dropShadow)),
    layout::check(88, 7, "Shadow direction [R]", {10, 97, 500, 111}, FL_FIELD(randomShadowDirection)),
    layout::check(89, 7, "Shadow opacity [R]", {10, 114, 500, 128}, FL_FIELD(randomShadowOpacity)),
    layout::check(90, 7, "Half fill shadow", {10, 131, 500, 145}, FL_FIELD(halfFillShadow)),
    layout::check(91, 7, "Shadow scaling [R]", {10, 148, 500, 162}, FL_FIELD(randomShadowScaling)),
    layout::check(86, 7, "Sketch shift [R]", {10, 165, 500, 179}, FL_FIELD(randomSketchShift)),
    layout::check(87, 7, "Sketch weight [R]", {10, 182, 500, 196}, FL_FIELD(randomSketchWeight)),
    layout::check(93, 7, "Unique elements", {10, 199, 500, 213}, FL_FIELD(uniqueElements)),
    // Push buttons. "Cancel" keeps the host's handling, which ends the dialog with its id.
    layout::button(kCancelItem, "Cancel", {510, 40, 590, 60}, DialogProc::None),
    layout::button(kShuffle, "Shuffle", {510, 70, 590, 90}, DialogProc::Value),
    layout::button(kTumble, "Tumble", {510, 100, 590, 120}, DialogProc::Tumble),
    // Page tabs (blank picture buttons) and their labels.
    layout::tab(1, {10, 5, 60, 35}),
    layout::tab(2, {80, 5, 130, 35}),
    layout::tab(3, {150, 5, 200, 35}),
    layout::tab(4, {220, 5, 270, 35}),
    layout::tab(5, {290, 5, 340, 35}),
    layout::tab(6, {360, 5, 410, 35}),
    layout::tab(7, {430, 5, 480, 35}),
    layout::label(1, "Flarimond", {8, 40, 79, 55}),
    layout::label(2, "Stars", {84, 40, 149, 55}),
    layout::label(3, "Xtra", {155, 40, 219, 55}),
    layout::label(4, "Factors", {222, 40, 289, 55}),
    layout::label(5, "Styles", {293, 40, 359, 55}),
    layout::label(6, "Settings", {360, 40, 429, 55}),
    layout::label(7, "Settings1", {430, 40, 499, 55}),
};

#undef FL_FIELD

constexpr int kDialogItemCount = static_cast<int>(sizeof kDialogItems / sizeof kDialogItems[0]);

// The position of item id in kDialogItems, or -1.
constexpr int dialogItemIndex(int32_t id) {
  for (int i = 0; i < kDialogItemCount; ++i)
    if (kDialogItems[i].id == id) return i;
  return -1;
}

// The row of item id, or null.
constexpr const DialogItem* findDialogItem(int32_t id) {
  const int i = dialogItemIndex(id);
  return i < 0 ? nullptr : &kDialogItems[i];
}

// The kBurstFields row of an item's field (for a factor spin edit, its per-star member, whose
// range the per-element member shares).
constexpr const BurstField& fieldOf(const DialogItem& item) { return kBurstFields[item.field / 4]; }

// The control that edits the field at `offset` in BurstParams (for a factor pair, either member:
// the factor-mode popup chooses which one it shows), or null when no control edits it.
constexpr const DialogItem* controlOf(int offset) {
  for (const DialogItem& item : kDialogItems) {
    if (item.field == kNoField || item.kind == DialogItemKind::PictureButton) continue;
    if (offset == item.field || (item.factorPair && offset == item.field + 4)) return &item;
  }
  return nullptr;
}

constexpr bool isFloatSpinEdit(const DialogItem& item) {
  return item.kind == DialogItemKind::SpinEdit && fieldOf(item).kind == FieldKind::Float;
}

// The value notifier reads the controls back in this order. The factor-mode popup comes before
// the factor spin edits so that they write into the member they show.
inline constexpr int32_t kValueReadOrder[] = {
    124, 120, 121, 31, 122, 125, 3,  4,  5,  6,  7,  8,  9,  10, 16, 17,  19,  20,  23,  24,  11,  12,
    13,  14,  15,  18, 21,  22,  70, 71, 72, 74, 75, 76, 77, 78, 79, 80,  81,  73,  82,  83,  84,  85,
    93,  94,  95,  26, 27,  28,  29, 30, 86, 87, 92, 88, 91, 89, 90, 180, 183, 186, 181, 184, 182, 185,
};

// The item through which each page is brought up; it carries the value notifier, so bringing a
// page up also re-reads every control.
inline constexpr int32_t kPageLeadItems[kPageCount] = {5, 4, 8, 11, 180, 70, 92};

// The items each page shows, in the order the page notifier shows or hides them (not the order of
// creation); zero ends a row. The rows hold exactly the items whose `page` is that page.
inline constexpr int kMaxPageMembers = 25;
inline constexpr int32_t kPageMembers[kPageCount][kMaxPageMembers] = {
    {5, 41, 6, 7, 42, 43, 120, 19, 20, 47, 150, 151, 152, 153, 154},
    {4, 40, 122, 121, 31, 29, 30, 60, 165, 166},
    {8, 9, 44, 10, 46, 16, 17, 45, 48, 23, 24, 124, 27, 26, 28, 58, 57, 59, 155, 156},
    {11, 49, 12, 50, 13, 51, 14, 52, 15, 53, 18, 54, 21, 55, 22, 56, 125, 157, 158, 159, 160, 161, 162, 163, 164},
    {180, 182, 181, 183, 185, 184, 186, 94, 95},
    {70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 85},
    {92, 88, 89, 91, 86, 87, 90, 93},
};

// Fill and stroke colour schemes that blend towards a swatch, and those that count steps.
constexpr bool schemeUsesSwatch(int32_t scheme) { return scheme == 6 || scheme == 11; }
constexpr bool schemeUsesSteps(int32_t scheme) {
  return scheme == 1 || scheme == 2 || scheme == 5 || scheme == 6 || scheme == 7 || scheme == 8 || scheme == 13;
}

// Controls that would have no effect with the current values are greyed out, so the user sees
// which settings matter: a rule's items are enabled exactly while `holds` does. `condition` says
// what must hold in the user's terms.
struct EnablingRule {
  bool (*holds)(const BurstParams&);
  int32_t items[5];  // 0 ends a shorter list
  const char* condition;
};

inline constexpr EnablingRule kEnablingRules[] = {
    {[](const BurstParams& p) { return p.dropShadow != 0; }, {88, 89, 91, 90}, "dropShadow must be on (1)"},
    {[](const BurstParams& p) { return p.sketchRepeats != 0; }, {26, 27, 124, 86, 87}, "sketchRepeats must not be 0"},
    {[](const BurstParams& p) { return p.angle != 0.0f; }, {76}, "angle must not be 0"},
    {[](const BurstParams& p) { return p.starCount != 1; }, {81, 23}, "starCount must not be 1"},
    {[](const BurstParams& p) { return p.randomBurstType == 0; }, {120}, "randomBurstType must be off (0)"},
    {[](const BurstParams& p) { return p.randomShape == 0; }, {122}, "randomShape must be off (0)"},
    {[](const BurstParams& p) { return p.randomCenter == 0; }, {29, 30}, "randomCenter must be off (0)"},
    {[](const BurstParams& p) { return schemeUsesSwatch(p.fillColor); },
     {181},
     "fillColor must be a swatch mode (6 or 11: To swatch, Alternate swatch)"},
    {[](const BurstParams& p) { return schemeUsesSwatch(p.strokeColor); },
     {184},
     "strokeColor must be a swatch mode (6 or 11: To swatch, Alternate swatch)"},
    {[](const BurstParams& p) { return schemeUsesSteps(p.fillColor); },
     {182},
     "fillColor must be a mode with steps (1, 2, 5, 6, 7, 8 or 13)"},
    {[](const BurstParams& p) { return schemeUsesSteps(p.strokeColor); },
     {185},
     "strokeColor must be a mode with steps (1, 2, 5, 6, 7, 8 or 13)"},
};

namespace layout {

constexpr bool idsAreUnique() {
  for (int i = 0; i < kDialogItemCount; ++i)
    for (int j = i + 1; j < kDialogItemCount; ++j)
      if (kDialogItems[i].id == kDialogItems[j].id) return false;
  return true;
}

constexpr bool isRead(const DialogItem& item) {
  return item.field != kNoField && (item.proc == DialogProc::Value || item.proc == DialogProc::FactorMode);
}

// Every value control is read exactly once, and nothing else is.
constexpr bool readOrderIsComplete() {
  constexpr int reads = static_cast<int>(sizeof kValueReadOrder / sizeof kValueReadOrder[0]);
  for (int i = 0; i < reads; ++i) {
    const int at = dialogItemIndex(kValueReadOrder[i]);
    if (at < 0 || !isRead(kDialogItems[at])) return false;
    for (int j = i + 1; j < reads; ++j)
      if (kValueReadOrder[j] == kValueReadOrder[i]) return false;
  }
  int readable = 0;
  for (const DialogItem& item : kDialogItems) readable += isRead(item) ? 1 : 0;
  return reads == readable;
}

constexpr bool factorModeReadFirst() {
  bool modeRead = false;
  for (int32_t id : kValueReadOrder) {
    if (id == kFactorModeItem) modeRead = true;
    if (kDialogItems[dialogItemIndex(id)].factorPair && !modeRead) return false;
  }
  return true;
}

constexpr bool fieldsSuitTheirControls() {
  for (const DialogItem& item : kDialogItems) {
    if (item.field == kNoField) continue;
    const FieldKind k = fieldOf(item).kind;
    switch (item.kind) {
      case DialogItemKind::SpinEdit:
        if (k != FieldKind::Int && k != FieldKind::Float) return false;
        break;
      case DialogItemKind::CheckBox:
        if (k != FieldKind::Flag) return false;
        break;
      case DialogItemKind::PopupList:
        if (k != FieldKind::Index) return false;
        break;
      default:
        return false;
    }
  }
  return true;
}

constexpr bool picksFillSpinEdits() {
  for (const DialogItem& item : kDialogItems) {
    if (item.proc != DialogProc::Pick) continue;
    const int at = dialogItemIndex(item.target);
    if (at < 0) return false;
    const DialogItem& target = kDialogItems[at];
    if (target.kind != DialogItemKind::SpinEdit || target.page != item.page) return false;
    if (item.pick == PickValue::WholeTenthOfX && isFloatSpinEdit(target)) return false;
  }
  return true;
}

constexpr bool leadItemsCarryTheValueNotifier() {
  for (int n = 1; n <= kPageCount; ++n) {
    const int lead = dialogItemIndex(kPageLeadItems[n - 1]);
    const int tabAt = dialogItemIndex(pageTab(n));
    if (lead < 0 || kDialogItems[lead].page != n || kDialogItems[lead].proc != DialogProc::Value) return false;
    if (tabAt < 0 || kDialogItems[tabAt].proc != DialogProc::Page || dialogItemIndex(pageLabel(n)) < 0) return false;
  }
  return true;
}

// Each row lists every item of its page once, and no other.
constexpr bool pageRowsMatchTheItems() {
  for (int n = 1; n <= kPageCount; ++n) {
    int listed = 0;
    for (int32_t id : kPageMembers[n - 1]) {
      if (id == 0) break;
      const int at = dialogItemIndex(id);
      if (at < 0 || kDialogItems[at].page != n) return false;
      for (int j = 0; j < listed; ++j)
        if (kPageMembers[n - 1][j] == id) return false;
      ++listed;
    }
    int onPage = 0;
    for (const DialogItem& item : kDialogItems) onPage += item.page == n ? 1 : 0;
    if (listed != onPage) return false;
  }
  return true;
}

constexpr bool ruleItemsExist() {
  for (const EnablingRule& rule : kEnablingRules)
    for (int32_t id : rule.items)
      if (id != 0 && dialogItemIndex(id) < 0) return false;
  return true;
}

static_assert(idsAreUnique());
static_assert(ruleItemsExist());
static_assert(pageRowsMatchTheItems());
static_assert(readOrderIsComplete());
static_assert(factorModeReadFirst());
static_assert(fieldsSuitTheirControls());
static_assert(picksFillSpinEdits());
static_assert(leadItemsCarryTheValueNotifier());

}  // namespace layout

}  // namespace fl
