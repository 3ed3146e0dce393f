// The preset popup and the "Tumble" button: both rewrite many settings at once, put them into the
// controls and bring the page up again, which reads every control back and previews. Reading back
// is what makes the record hold exactly what the controls show, even where a value lies outside a
// control's range. ("Shuffle" needs nothing of its own: the value notifier already draws anew.)
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "dialog/dialog_procs.h"
#include "dialog/popup_lists.h"
#include "params/burst_fields.h"
#include "params/get_parameters.h"
#include "shell/plugin_suites.h"

namespace fl {

namespace {

#define FL_AT(f) static_cast<int16_t>(offsetof(BurstParams, f))

void copyField(BurstParams* to, const BurstParams& from, int16_t offset) {
  std::memcpy(reinterpret_cast<unsigned char*>(to) + offset, reinterpret_cast<const unsigned char*>(&from) + offset, 4);
}

// Puts the record into the controls in the given order. The factor spin edits are left to the
// factor popup's notifier, the one place that knows which member of each pair they show; were they
// to show the other member, the read-back would write it over the member they edit.
void writeControls(HostDialog dialog, const BurstParams* params, std::span<const int32_t> order) {
  for (int32_t id : order) {
    HostItem control = dialogItem(dialog, id);
    if (id == kFactorModeItem) {
      sAdmItem->sendNotify(control, kUserChangedNotifier);
    } else {
      showField(control, *findDialogItem(id), params);
    }
  }
}

// ---- Presets

// One change a preset makes after the reset. An integer field takes the value whole.
struct PresetChange {
  int16_t field;
  float value;
};

constexpr int8_t kOnlyTheReset = -1;

struct Preset {
  int8_t base;  // the earlier preset whose changes come first, or kOnlyTheReset
  std::span<const PresetChange> changes;
};

namespace presets {
// clang-format off
#define FL_SET(f, v) PresetChange{FL_AT(f), v}
constexpr PresetChange kStar20[] = {FL_SET(burstCount, 20)};
constexpr PresetChange kRandomBurstShapes[] = {FL_SET(burstCount, 15), FL_SET(randomBurstType, 1)};
constexpr PresetChange kRandomBurstAlternate[] = {
    FL_SET(burstCount, 15), FL_SET(randomBurstType, 1), FL_SET(reverseOption, 3), FL_SET(starCount, 2),
    FL_SET(fillFactorPerStar, 75)};
constexpr PresetChange k3DStar1[] = {
    FL_SET(burstCount, 15), FL_SET(reverseOption, 3), FL_SET(starCount, 2), FL_SET(fillFactorPerStar, 75)};
constexpr PresetChange k3DStar2[] = {FL_SET(heightFactorPerStar, 70)};
constexpr PresetChange k3DStarFaded[] = {FL_SET(pathInterpolate, 80)};
constexpr PresetChange kSkip2[] = {FL_SET(burstCount, 20), FL_SET(burstApplySkip, 2), FL_SET(burstApplyRun, 2)};
constexpr PresetChange kSkip23D[] = {
    FL_SET(burstType, 1), FL_SET(burstCount, 20), FL_SET(burstApplySkip, 2), FL_SET(burstApplyRun, 2),
    FL_SET(fillColor, 3), FL_SET(lengthFactorPerStar, 70)};
constexpr PresetChange k3DStarCurve[] = {
    FL_SET(fillColor, 3), FL_SET(reverseOption, 3), FL_SET(spreadY, -100), FL_SET(starCount, 2)};
constexpr PresetChange k3DStarGap[] = {
    FL_SET(starCount, 3), FL_SET(initialGapX, 200), FL_SET(spreadY, 100), FL_SET(burstType, 7),
    FL_SET(reverseOption, 3), FL_SET(fillColor, 3)};
constexpr PresetChange k3DEmblem[] = {
    FL_SET(reverseOption, 3), FL_SET(fillFactorPerStar, 50), FL_SET(burstApplyRun, 1), FL_SET(burstApplySkip, 1),
    FL_SET(burstCount, 16), FL_SET(starCount, 2)};
constexpr PresetChange k3DCut[] = {
    FL_SET(starCount, 2), FL_SET(burstCount, 16), FL_SET(reverseOption, 3), FL_SET(burstApplySkip, 1),
    FL_SET(burstApplyRun, 1), FL_SET(lengthFactorPerStar, 80), FL_SET(fillFactorPerStar, 50),
    FL_SET(heightFactorPerStar, 191)};
constexpr PresetChange k3DColorfulCut[] = {
    FL_SET(fillColor, 3), FL_SET(reverseOption, 3), FL_SET(heightFactorPerStar, 82), FL_SET(lengthFactorPerStar, 98),
    FL_SET(burstApplyRun, 1), FL_SET(burstApplySkip, 1), FL_SET(burstCount, 16), FL_SET(starCount, 3)};
constexpr PresetChange k3DSmear[] = {
    FL_SET(starCount, 12), FL_SET(burstCount, 8), FL_SET(lengthFactorPerStar, 93), FL_SET(fillFactorPerStar, 91),
    FL_SET(heightFactorPerStar, 105), FL_SET(reverseOption, 6)};
constexpr PresetChange kSubtle[] = {FL_SET(opacityFactorPerStar, 50)};
constexpr PresetChange kFineStar[] = {
    FL_SET(reverseOption, 6), FL_SET(heightFactorPerStar, 108), FL_SET(fillFactorPerStar, 102),
    FL_SET(lengthFactorPerStar, 93), FL_SET(burstCount, 14), FL_SET(starCount, 12)};
constexpr PresetChange kThinner[] = {FL_SET(burstType, 5)};
constexpr PresetChange kEdged[] = {
    FL_SET(starCount, 2), FL_SET(burstCount, 12), FL_SET(fillFactorPerStar, 86), FL_SET(burstType, 7),
    FL_SET(reverseOption, 3)};
constexpr PresetChange kDifferentEdge[] = {FL_SET(heightFactorPerStar, 54)};
constexpr PresetChange kBreakAway[] = {FL_SET(initialGapX, 300)};
constexpr PresetChange kCrystal[] = {
    FL_SET(reverseOption, 5), FL_SET(burstType, 7), FL_SET(heightFactorPerStar, 54), FL_SET(fillFactorPerStar, 86),
    FL_SET(initialGapX, 300), FL_SET(burstCount, 19), FL_SET(starCount, 4)};
constexpr PresetChange kKite[] = {
    FL_SET(starCount, 2), FL_SET(length, 294), FL_SET(initialGapX, 100), FL_SET(initialGapFactorPerStar, 400),
    FL_SET(burstType, 7), FL_SET(fillColor, 3)};
constexpr PresetChange kReversed[] = {FL_SET(reverseOption, 1)};
constexpr PresetChange kBlade[] = {FL_SET(shapeOption, 1)};
constexpr PresetChange kMultiBackground[] = {FL_SET(randomCenter, 1), FL_SET(starCount, 12)};
constexpr PresetChange kBackground1[] = {FL_SET(angle, 45)};
constexpr PresetChange kBackground2[] = {FL_SET(randomOpacity, 1)};
constexpr PresetChange kSwatched[] = {FL_SET(starCount, 8), FL_SET(fillColor, 4), FL_SET(randomScale, 1)};
constexpr PresetChange kStyled[] = {FL_SET(starCount, 8), FL_SET(randomStyle, 1), FL_SET(randomScale, 1)};
constexpr PresetChange kEmboss[] = {
    FL_SET(starCount, 8), FL_SET(randomOpacity, 1), FL_SET(fillColor, 2), FL_SET(randomScale, 1)};
constexpr PresetChange kMixedShapes[] = {
    FL_SET(fillColor, 2), FL_SET(starCount, 4), FL_SET(randomHeight, 1), FL_SET(randomBurstType, 1),
    FL_SET(randomShape, 1), FL_SET(length, 150)};
constexpr PresetChange kMixedShapesAlternate[] = {FL_SET(reverseOption, 4)};
// Close to "Mixed shapes alternate", but it keeps the reset's fill colour, so it is written out.
constexpr PresetChange kMixedShapesCurve[] = {
    FL_SET(spreadY, -50), FL_SET(spreadFactorPerStar, 130), FL_SET(fillFactorPerStar, 91), FL_SET(starCount, 4),
    FL_SET(length, 150), FL_SET(randomHeight, 1), FL_SET(randomBurstType, 1), FL_SET(randomShape, 1),
    FL_SET(reverseOption, 4)};
constexpr PresetChange k3DAngled[] = {
    FL_SET(starCount, 2), FL_SET(reverseOption, 3), FL_SET(fillFactorPerStar, 80), FL_SET(angle, 15)};
constexpr PresetChange kTile[] = {FL_SET(pattern, 1)};
#undef FL_SET
// clang-format on
}  // namespace presets

// By position in the preset popup.
constexpr Preset kPresets[] = {
    {kOnlyTheReset, {}},                              // 0 Reset
    {kOnlyTheReset, presets::kStar20},                // 1 Star20
    {kOnlyTheReset, presets::kRandomBurstShapes},     // 2 Random burst shapes
    {kOnlyTheReset, presets::kRandomBurstAlternate},  // 3 Random burst alternate
    {kOnlyTheReset, presets::k3DStar1},               // 4 3D Star 1
    {4, presets::k3DStar2},                           // 5 3D Star 2
    {5, presets::k3DStarFaded},                       // 6 3D Star faded
    {kOnlyTheReset, presets::kSkip2},                 // 7 Skip 2
    {kOnlyTheReset, presets::kSkip23D},               // 8 Skip 2 3D
    {kOnlyTheReset, presets::k3DStarCurve},           // 9 3D Star curve
    {kOnlyTheReset, presets::k3DStarGap},             // 10 3D Star gap
    {kOnlyTheReset, presets::k3DEmblem},              // 11 3D Emblem
    {kOnlyTheReset, presets::k3DCut},                 // 12 3D Cut
    {kOnlyTheReset, presets::k3DColorfulCut},         // 13 3D Colorful Cut
    {kOnlyTheReset, presets::k3DSmear},               // 14 3D Smear
    {14, presets::kSubtle},                           // 15 Subtle
    {kOnlyTheReset, presets::kFineStar},              // 16 Fine star
    {16, presets::kThinner},                          // 17 Thinner
    {kOnlyTheReset, presets::kEdged},                 // 18 Edged
    {18, presets::kDifferentEdge},                    // 19 Different Edge
    {19, presets::kBreakAway},                        // 20 Break away
    {kOnlyTheReset, presets::kCrystal},               // 21 Crystal
    {kOnlyTheReset, presets::kKite},                  // 22 Kite
    {22, presets::kReversed},                         // 23 Reversed
    {23, presets::kBlade},                            // 24 Blade
    {24, presets::kMultiBackground},                  // 25 MultiBackground
    {25, presets::kBackground1},                      // 26 Background1
    {26, presets::kBackground2},                      // 27 Background2
    {kOnlyTheReset, presets::kSwatched},              // 28 Swatched
    {kOnlyTheReset, presets::kStyled},                // 29 Styled (slow)
    {kOnlyTheReset, presets::kEmboss},                // 30 Emboss
    {kOnlyTheReset, presets::kMixedShapes},           // 31 Mixed shapes
    {31, presets::kMixedShapesAlternate},             // 32 Mixed shapes alternate
    {kOnlyTheReset, presets::kMixedShapesCurve},      // 33 Mixed shapes curve
    {kOnlyTheReset, presets::k3DAngled},              // 34 3D Angled
    {kOnlyTheReset, presets::kTile},                  // 35 Tile
};
constexpr int32_t kPresetCount = static_cast<int32_t>(sizeof kPresets / sizeof kPresets[0]);

// What a reset leaves alone: how the dialog is shown, the preset just chosen, the run state and
// the saved bounds.
constexpr int16_t kResetKeeps[] = {
    FL_AT(factorMode), FL_AT(currentPage), FL_AT(viewZoom),    FL_AT(preset),       FL_AT(finalRun),
    FL_AT(dialogLeft), FL_AT(dialogTop),   FL_AT(dialogRight), FL_AT(dialogBottom), FL_AT(dialogBoundsSaved),
};

// The controls, in the order a preset writes them.
// clang-format off
constexpr int32_t kPresetWriteOrder[] = {
    120, 121, 31, 122, 180, 183, 186,                                               // popups
    181, 184, 182, 185,                                                             // swatches and steps
    kFactorModeItem,                                                                // the factor spin edits
    4, 5, 8, 9, 23, 24,                                                             // integer spin edits
    6, 7, 10, 19, 20, 16, 17, 29, 30,                                               // float spin edits
    3, 70, 71, 72, 74, 76, 77, 78, 82, 83, 79, 75, 80, 81, 73, 84, 85, 93, 94, 95,  // check boxes
    26, 27, 28,                                                                     // sketch
    86, 87, 92, 88, 89, 91, 90,                                                     // sketch and shadow options
    124,                                                                            // sketch colour
};
// clang-format on

void applyChanges(BurstParams* params, int32_t position) {
  const Preset& preset = kPresets[position];
  if (preset.base != kOnlyTheReset) applyChanges(params, preset.base);
  for (const PresetChange& change : preset.changes) {
    if (kBurstFields[change.field / 4].kind == FieldKind::Float) {
      setFloatField(params, change.field, change.value);
    } else {
      setIntField(params, change.field, static_cast<int32_t>(change.value));
    }
  }
}

// The defaults of a new record, with the start point taken afresh from the view and preview on,
// so that choosing a preset always shows it.
void resetForPreset(BurstParams* params, HostRealPoint viewCentre) {
  const BurstParams kept = *params;
  writeDefaults(params, viewCentre);
  for (int16_t offset : kResetKeeps) copyField(params, kept, offset);
}

// ---- Tumble

// The fields Tumble throws start again from their defaults, so that a step it skips leaves
// nothing of the previous settings behind. Everything else (preview, pattern, scaling, colour
// application, random opacity, width and style, start point, sketch and shadow) stays as it was.
// clang-format off
constexpr int16_t kTumbleResets[] = {
    FL_AT(starCount), FL_AT(burstCount), FL_AT(length), FL_AT(angle), FL_AT(burstApplySkip), FL_AT(burstApplyRun),
    FL_AT(pathInterpolate), FL_AT(initialGapX), FL_AT(initialGapY), FL_AT(spreadX), FL_AT(spreadY),
    FL_AT(burstType), FL_AT(reverseOption), FL_AT(shapeOption), FL_AT(starPulse), FL_AT(elementPulse),
    FL_AT(randomApply), FL_AT(randomHeight), FL_AT(randomAngle), FL_AT(randomLength), FL_AT(randomBurstCount),
    FL_AT(randomBurstType), FL_AT(randomShape), FL_AT(randomCenter), FL_AT(randomScale), FL_AT(alternateFlip),
    FL_AT(placeBelow), FL_AT(randomInitialGap), FL_AT(randomSpread),
    FL_AT(fanFactorPerStar), FL_AT(fanFactorPerElement), FL_AT(lengthFactorPerStar), FL_AT(lengthFactorPerElement),
    FL_AT(fillFactorPerStar), FL_AT(fillFactorPerElement), FL_AT(heightFactorPerStar), FL_AT(heightFactorPerElement),
    FL_AT(angleFactorPerStar), FL_AT(angleFactorPerElement), FL_AT(spreadFactorPerStar),
    FL_AT(spreadFactorPerElement), FL_AT(initialGapFactorPerStar), FL_AT(initialGapFactorPerElement),
    FL_AT(opacityFactorPerStar), FL_AT(opacityFactorPerElement),
    FL_AT(fillColor), FL_AT(fillSwatch), FL_AT(fillSteps), FL_AT(strokeColor), FL_AT(strokeSwatch),
    FL_AT(strokeSteps), FL_AT(uniqueElements), FL_AT(previewValid),
};
// clang-format on

// The controls, in the order Tumble writes them. The pattern popup and the two colour-application
// check boxes show fields Tumble leaves, so they are not written.
// clang-format off
constexpr int32_t kTumbleWriteOrder[] = {
    180, 183,                                                                       // colour schemes
    181, 184, 182, 185,                                                             // swatches and steps
    120, 121, 31, 122,                                                              // popups
    4, 5, 8, 9, 23, 24,                                                             // integer spin edits
    6, 7, 10, 19, 20, 16, 17,                                                       // float spin edits
    kFactorModeItem,                                                                // the factor spin edits
    3, 70, 71, 72, 74, 76, 77, 78, 82, 83, 79, 75, 80, 81, 73, 84, 85, 93,          // check boxes
    29, 30, 26, 27, 28,                                                             // start and sketch
    86, 87, 92, 88, 89, 91, 90,                                                     // sketch and shadow options
    124,                                                                            // sketch colour
};
// clang-format on

// Each call is one draw; the order of the calls is the order of the draws, which is what makes a
// throw repeatable from the host's random source.
float draw() { return sRandom->floatRandom(); }

float scaledDraw(float scale) {
  const float r = draw();
  return scale * r;
}

// A step taken with this chance runs only when its draw, as a percentage, lies strictly above it.
// The draw is used up whether the step runs or not.
bool chance(float threshold) { return scaledDraw(100.0f) > threshold; }

// trunc(n r): 0 to n - 1, also should the host's draw reach 1.
int32_t wholeDraw(int32_t n) {
  const float x = scaledDraw(static_cast<float>(n));
  if (!(x >= 0.0f)) return 0;
  if (x >= static_cast<float>(n)) return n - 1;
  return static_cast<int32_t>(x);
}

// The angle factor and the initial gap factor of one member are thrown together; each is 100 plus
// the difference of two draws, the left one drawn first.
void throwAngleAndGapFactors(float* angleFactor, float* gapFactor) {
  const float angleLeft = draw();
  const float angleRight = draw();
  *angleFactor = 100.0f * angleLeft + 100.0f - 100.0f * angleRight;
  const float gapLeft = draw();
  const float gapRight = draw();
  *gapFactor = 100.0f * (gapLeft + 1.0f) - 100.0f * gapRight;
}

float differenceOfDraws(float leftScale, float rightScale) {
  const float left = draw();
  const float right = draw();
  return leftScale * left - rightScale * right;
}

struct ChanceFlag {
  int16_t field;
  float threshold;
};

// Steps 25 to 38, in order: each switches one random option on.
constexpr ChanceFlag kTumbleFlags[] = {
    {FL_AT(randomApply), 95},      {FL_AT(randomHeight), 95},   {FL_AT(randomAngle), 95},
    {FL_AT(randomLength), 95},     {FL_AT(uniqueElements), 85}, {FL_AT(randomBurstCount), 95},
    {FL_AT(randomBurstType), 95},  {FL_AT(randomShape), 95},    {FL_AT(randomCenter), 95},
    {FL_AT(randomScale), 95},      {FL_AT(alternateFlip), 95},  {FL_AT(placeBelow), 95},
    {FL_AT(randomInitialGap), 95}, {FL_AT(randomSpread), 95},
};

void throwColourScheme(int32_t* scheme, int32_t* swatch, int32_t* steps) {
  *scheme = wholeDraw(14);
  *swatch = 2 + wholeDraw(20);
  *steps = wholeDraw(5);
}

// The forty steps (numbered in the comments), each draw in its place.
void throwSettings(BurstParams* p) {
  // 1 to 12: the stars and their rings. Each wider star count, when thrown, replaces the last.
  if (chance(50)) p->starCount = 1 + wholeDraw(3);
  if (chance(80)) p->starCount = 1 + wholeDraw(6);
  if (chance(90)) p->starCount = 1 + wholeDraw(9);
  p->burstCount = 1 + wholeDraw(50);
  p->length = scaledDraw(400.0f);
  if (chance(80)) p->angle = scaledDraw(-80.0f);
  if (chance(80)) p->angle = scaledDraw(80.0f);
  if (chance(60)) p->burstType = wholeDraw(30);
  if (chance(70)) p->initialGapX = differenceOfDraws(140.0f, 20.0f);
  if (chance(70)) p->initialGapY = differenceOfDraws(140.0f, 20.0f);
  p->shapeOption = wholeDraw(14);
  p->reverseOption = wholeDraw(9);
  // 13: per-star factors matter only with more than one star, so a single star costs no draws.
  if (p->starCount > 1) {
    p->lengthFactorPerStar = 10.0f + scaledDraw(100.0f);
    p->fillFactorPerStar = scaledDraw(200.0f);
    p->heightFactorPerStar = 10.0f + scaledDraw(100.0f);
    p->spreadFactorPerStar = scaledDraw(100.0f);
    if (chance(70)) throwAngleAndGapFactors(&p->angleFactorPerStar, &p->initialGapFactorPerStar);
    if (chance(70)) p->opacityFactorPerStar = scaledDraw(100.0f);
  }
  // 14 to 19: per-element factors.
  if (chance(80)) p->lengthFactorPerElement = 10.0f + scaledDraw(100.0f);
  if (chance(80)) p->fillFactorPerElement = scaledDraw(200.0f);
  if (chance(80)) p->heightFactorPerElement = 10.0f + scaledDraw(100.0f);
  if (chance(80)) p->spreadFactorPerElement = scaledDraw(100.0f);
  if (chance(80)) throwAngleAndGapFactors(&p->angleFactorPerElement, &p->initialGapFactorPerElement);
  if (chance(80)) p->opacityFactorPerElement = scaledDraw(100.0f);
  // 20 to 24: spread, gaps in the ring, interpolation and pulses.
  if (chance(80)) {
    p->spreadX = differenceOfDraws(200.0f, 200.0f);
    p->spreadY = differenceOfDraws(200.0f, 200.0f);
  }
  if (chance(85)) {
    p->burstApplySkip = wholeDraw(6);
    p->burstApplyRun = 1 + wholeDraw(6);
  }
  if (chance(85)) p->pathInterpolate = scaledDraw(100.0f);
  if (chance(70)) p->starPulse = wholeDraw(8);
  if (chance(85)) p->elementPulse = wholeDraw(8);
  // 25 to 38: random options.
  for (const ChanceFlag& flag : kTumbleFlags)
    if (chance(flag.threshold)) setIntField(p, flag.field, 1);
  // 39 and 40: fill and stroke colours.
  if (chance(75)) throwColourScheme(&p->fillColor, &p->fillSwatch, &p->fillSteps);
  if (chance(75)) throwColourScheme(&p->strokeColor, &p->strokeSwatch, &p->strokeSteps);
}

// ---- What the tables promise

// By index rather than through findDialogItem: a sanitizing build cannot compare its pointer with
// null in a constant expression.
constexpr bool isValueControl(int32_t id) {
  const int at = dialogItemIndex(id);
  return at >= 0 && layout::isRead(kDialogItems[at]);
}

constexpr bool isFactorSpinEdit(int32_t id) {
  const int at = dialogItemIndex(id);
  return at >= 0 && kDialogItems[at].factorPair;
}

constexpr bool contains(std::span<const int32_t> ids, int32_t id) {
  for (int32_t i : ids)
    if (i == id) return true;
  return false;
}

// The order names value controls only, each once, and reaches every value control but those left
// out: the factor spin edits through the factor popup's notification.
constexpr bool writesEveryControlBut(std::span<const int32_t> order, std::span<const int32_t> leftOut) {
  for (size_t i = 0; i < order.size(); ++i) {
    if (!isValueControl(order[i]) || contains(leftOut, order[i])) return false;
    if (isFactorSpinEdit(order[i]) || contains(order.subspan(i + 1), order[i])) return false;
  }
  for (int32_t id : kValueReadOrder) {
    const bool reached = isFactorSpinEdit(id) ? contains(order, kFactorModeItem) : contains(order, id);
    if (!reached && !contains(leftOut, id)) return false;
  }
  return true;
}

constexpr int32_t kTumbleLeaves[] = {186, 94, 95};
static_assert(writesEveryControlBut(kPresetWriteOrder, {}));
static_assert(writesEveryControlBut(kTumbleWriteOrder, kTumbleLeaves));

constexpr bool resetKeeps(int16_t offset) {
  for (int16_t kept : kResetKeeps)
    if (kept == offset) return true;
  return false;
}

// Every preset builds only on an earlier one, changes only what the reset wrote, and stays within
// what its fields' controls accept, so the read-back cannot alter it.
constexpr bool presetsAreSound() {
  for (int32_t position = 0; position < kPresetCount; ++position) {
    const Preset& preset = kPresets[position];
    if (preset.base != kOnlyTheReset && (preset.base < 0 || preset.base >= position)) return false;
    for (const PresetChange& change : preset.changes) {
      if (change.field < 0 || change.field % 4 != 0 || change.field / 4 >= kBurstParamsFieldCount) return false;
      if (resetKeeps(change.field)) return false;
      const BurstField& f = kBurstFields[change.field / 4];
      if (f.range != FieldRange::Fixed || change.value < f.min || change.value > f.max) return false;
      if (f.kind != FieldKind::Float && change.value != static_cast<float>(static_cast<int32_t>(change.value)))
        return false;
    }
  }
  return true;
}
static_assert(presetsAreSound());
static_assert(kPresetCount == static_cast<int32_t>(sizeof lists::kPresets / sizeof lists::kPresets[0]),
              "one preset per popup entry");

#undef FL_AT

}  // namespace

void presetNotifier(HostItem item, HostNotifier notifier) {
  HostDialog dialog = sAdmItem->getDialog(item);
  auto* params = static_cast<BurstParams*>(sAdmDialog->getUserData(dialog));
  if (!params) return;
  HostView view = nullptr;
  HostRealPoint centre = {0.0f, 0.0f};
  sView->getNthView(0, &view);
  sView->getViewCenter(view, &centre);
  sAdmItem->defaultNotify(item, notifier);
  readField(item, *findDialogItem(kPresetItem), params);
  resetForPreset(params, centre);
  if (params->preset >= 0 && params->preset < kPresetCount) applyChanges(params, params->preset);
  writeControls(dialog, params, kPresetWriteOrder);
  bringUpPage(dialog, params);
}

void tumbleNotifier(HostItem item, HostNotifier notifier) {
  HostDialog dialog = sAdmItem->getDialog(item);
  auto* params = static_cast<BurstParams*>(sAdmDialog->getUserData(dialog));
  if (!params) return;
  sAdmItem->defaultNotify(item, notifier);
  BurstParams defaults{};
  writeDefaults(&defaults, HostRealPoint{0.0f, 0.0f});  // the start point is not among the resets
  for (int16_t offset : kTumbleResets) copyField(params, defaults, offset);
  throwSettings(params);
  writeControls(dialog, params, kTumbleWriteOrder);
  bringUpPage(dialog, params);
}

}  // namespace fl
