// Every field of BurstParams by name, with its kind, its default and the range its dialog control
// allows. One table serves the defaults, the record's readers and writers and its checks.
#pragma once

#include <cstdint>
#include <cstring>

#include "burst_params.h"

enum class FieldKind : uint8_t { Flag, Int, Index, Float };

enum class FieldRange : uint8_t {
  Fixed,     // [min, max]
  Swatches,  // 0 .. the number of swatches in the document
  Unchecked  // run state or saved dialog bounds: any value
};

enum class FieldDefault : uint8_t {
  Value,        // defaultValue
  ViewCentreX,  // horizontal centre of the first view minus 200
  ViewCentreY,  // vertical centre of the first view
  NotWritten    // left as the new block holds it
};

// The values of fillColor and strokeColor: the entries of the dialog's colour lists, after the
// list's heading (0), which leaves the colour alone. The numbers are those of stored records.
enum class ColorMode : int32_t {
  Ignore = 0,
  ToWhite = 1,
  ToBlack = 2,
  RandomColors = 3,
  RandomSwatches = 4,
  ToWhiteMidpoint = 5,
  ToSwatch = 6,
  ToHalfColor = 7,
  ToInverted = 8,
  AlternateWhite = 9,
  AlternateBlack = 10,
  AlternateSwatch = 11,
  AlternateInverted = 12,
  ToHalfColorInverted = 13,
  TenPercentReduction = 14,
};
inline constexpr int32_t kLastColorMode = static_cast<int32_t>(ColorMode::TenPercentReduction);

struct BurstField {
  const char* name;
  uint16_t offset;
  FieldKind kind;
  FieldRange range;
  double min, max;
  FieldDefault defaultKind;
  double defaultValue;
};

// clang-format off
#define FL_FLAG(f, d) {#f, offsetof(BurstParams, f), FieldKind::Flag, FieldRange::Fixed, 0, 1, FieldDefault::Value, d}
#define FL_INT(f, lo, hi, d) {#f, offsetof(BurstParams, f), FieldKind::Int, FieldRange::Fixed, lo, hi, FieldDefault::Value, d}
#define FL_INDEX(f, hi, d) {#f, offsetof(BurstParams, f), FieldKind::Index, FieldRange::Fixed, 0, hi, FieldDefault::Value, d}
#define FL_FLOAT(f, lo, hi, d) {#f, offsetof(BurstParams, f), FieldKind::Float, FieldRange::Fixed, lo, hi, FieldDefault::Value, d}
#define FL_FACTOR(f) FL_FLOAT(f, -1000, 1000, 100)

inline constexpr BurstField kBurstFields[kBurstParamsFieldCount] = {
    FL_FLAG(uniqueElements, 0),
    FL_FLAG(randomInitialGap, 0),
    FL_FLAG(randomSpread, 0),
    FL_FLAG(randomShape, 0),
    FL_FLAG(randomBurstType, 0),
    FL_FLAG(placeBelow, 0),
    FL_FLAG(alternateFlip, 0),
    FL_FLAG(randomScale, 0),
    FL_FLAG(randomStyle, 0),
    FL_FLAG(randomBurstCount, 0),
    FL_FLAG(randomAngle, 0),
    FL_FLAG(randomLength, 0),
    FL_FLAG(randomCenter, 0),
    FL_FLAG(randomHeight, 0),
    FL_FLAG(randomApply, 0),
    FL_FLAG(preview, 1),
    FL_FLAG(randomOpacity, 0),
    FL_FLAG(randomWidth, 0),
    FL_FLAG(applyToUniqueElements, 1),
    FL_FLAG(applyToStars, 0),
    FL_INDEX(scaling, 42, 0),
    FL_INDEX(fillColor, kLastColorMode, 0),
    {"fillSwatch", offsetof(BurstParams, fillSwatch), FieldKind::Int, FieldRange::Swatches, 0, 0, FieldDefault::Value, 2},
    FL_INT(fillSteps, 0, 1000, 0),
    FL_INDEX(strokeColor, kLastColorMode, 0),
    {"strokeSwatch", offsetof(BurstParams, strokeSwatch), FieldKind::Int, FieldRange::Swatches, 0, 0, FieldDefault::Value, 2},
    FL_INT(strokeSteps, 0, 1000, 0),
    FL_INDEX(pattern, 10, 0),
    FL_INT(starPulse, 1, 999, 999),
    FL_INT(elementPulse, 1, 999, 999),
    FL_INDEX(factorMode, 1, 0),
    FL_INDEX(preset, 35, 0),
    FL_INDEX(shapeOption, 13, 0),
    FL_INDEX(reverseOption, 8, 0),
    FL_INT(burstApplySkip, 0, 100, 0),
    FL_INT(burstApplyRun, 1, 100, 1),
    FL_INDEX(burstType, 29, 0),
    FL_INT(starCount, 1, 100, 1),
    FL_INT(currentPage, 1, 7, 1),
    FL_INT(burstCount, 2, 150, 10),
    FL_INT(sketchRepeats, 0, 60, 0),
    FL_INDEX(sketchColor, 11, 0),
    {"startX", offsetof(BurstParams, startX), FieldKind::Float, FieldRange::Fixed, -4000, 4000, FieldDefault::ViewCentreX, 0},
    {"startY", offsetof(BurstParams, startY), FieldKind::Float, FieldRange::Fixed, -4000, 4000, FieldDefault::ViewCentreY, 0},
    FL_FLOAT(viewZoom, 1, 500, 100),
    FL_FLOAT(initialGapX, -2000, 2000, 0),
    FL_FLOAT(initialGapY, -2000, 2000, 0),
    FL_FLOAT(spreadX, -1000, 1000, 0),
    FL_FLOAT(spreadY, -1000, 1000, 0),
    FL_FLOAT(pathInterpolate, 0, 100, 0),
    FL_FLOAT(length, -3000, 6000, 300),
    FL_FLOAT(angle, -360, 360, 0),
    FL_FLOAT(sketchWeight, 0, 400, 0),
    FL_FLOAT(sketchShift, 0, 200, 0),
    FL_FACTOR(fanFactorPerStar),
    FL_FACTOR(fanFactorPerElement),
    FL_FACTOR(lengthFactorPerStar),
    FL_FACTOR(lengthFactorPerElement),
    FL_FACTOR(fillFactorPerStar),
    FL_FACTOR(fillFactorPerElement),
    FL_FACTOR(heightFactorPerStar),
    FL_FACTOR(heightFactorPerElement),
    FL_FACTOR(angleFactorPerStar),
    FL_FACTOR(angleFactorPerElement),
    FL_FACTOR(spreadFactorPerStar),
    FL_FACTOR(spreadFactorPerElement),
    FL_FACTOR(initialGapFactorPerStar),
    FL_FACTOR(initialGapFactorPerElement),
    FL_FACTOR(opacityFactorPerStar),
    FL_FACTOR(opacityFactorPerElement),
    FL_FLAG(dropShadow, 0),
    FL_FLAG(randomShadowScaling, 0),
    FL_FLAG(halfFillShadow, 0),
    FL_FLAG(randomShadowDirection, 0),
    FL_FLAG(randomShadowOpacity, 0),
    FL_FLAG(randomSketchWeight, 1),
    FL_FLAG(randomSketchShift, 1),
    {"finalRun", offsetof(BurstParams, finalRun), FieldKind::Flag, FieldRange::Fixed, 0, 1, FieldDefault::NotWritten, 0},
    FL_FLAG(previewValid, 0),
    {"dialogLeft", offsetof(BurstParams, dialogLeft), FieldKind::Int, FieldRange::Unchecked, 0, 0, FieldDefault::NotWritten, 0},
    {"dialogTop", offsetof(BurstParams, dialogTop), FieldKind::Int, FieldRange::Unchecked, 0, 0, FieldDefault::NotWritten, 0},
    {"dialogRight", offsetof(BurstParams, dialogRight), FieldKind::Int, FieldRange::Unchecked, 0, 0, FieldDefault::NotWritten, 0},
    {"dialogBottom", offsetof(BurstParams, dialogBottom), FieldKind::Int, FieldRange::Unchecked, 0, 0, FieldDefault::NotWritten, 0},
    FL_FLAG(dialogBoundsSaved, 0),
};
// clang-format on

#undef FL_FLAG
#undef FL_INT
#undef FL_INDEX
#undef FL_FLOAT
#undef FL_FACTOR

// The table lists the fields in record order, four bytes apart.
constexpr bool burstFieldsInOrder() {
  for (int i = 0; i < kBurstParamsFieldCount; ++i)
    if (kBurstFields[i].offset != 4 * i) return false;
  return true;
}
static_assert(burstFieldsInOrder(), "kBurstFields follows the record");

// Writes the defaults into a record: the start point 200 points left of the view centre (h, v);
// finalRun and the saved dialog bounds are left as they are.
inline void writeFieldDefaults(BurstParams* params, float viewCentreH, float viewCentreV) {
  auto* bytes = reinterpret_cast<unsigned char*>(params);
  for (const BurstField& f : kBurstFields) {
    // clang-format off
    switch (f.defaultKind) {
      case FieldDefault::NotWritten: break;
      case FieldDefault::ViewCentreX: {
        float v = viewCentreH - 200.0f;
        std::memcpy(bytes + f.offset, &v, 4);
        break;
      }
      case FieldDefault::ViewCentreY: std::memcpy(bytes + f.offset, &viewCentreV, 4); break;
      case FieldDefault::Value:
        if (f.kind == FieldKind::Float) {
          float v = static_cast<float>(f.defaultValue);
          std::memcpy(bytes + f.offset, &v, 4);
        } else {
          int32_t v = static_cast<int32_t>(f.defaultValue);
          std::memcpy(bytes + f.offset, &v, 4);
        }
        break;
    }
    // clang-format on
  }
}
