// The filter's parameter record: 84 four-byte little-endian fields, 336 bytes, no header.
//
// The host keeps this block with the filter between runs, so its layout is a stored format: the
// offsets below never change. Flags are 0/1, list positions are 0-based, reals are single
// precision; angles in degrees, lengths in points, percentages with 100 meaning unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

struct BurstParams {
  int32_t uniqueElements;
  int32_t randomInitialGap;
  int32_t randomSpread;
  int32_t randomShape;
  int32_t randomBurstType;
  int32_t placeBelow;
  int32_t alternateFlip;
  int32_t randomScale;
  int32_t randomStyle;
  int32_t randomBurstCount;
  int32_t randomAngle;
  int32_t randomLength;
  int32_t randomCenter;
  int32_t randomHeight;
  int32_t randomApply;
  int32_t preview;
  int32_t randomOpacity;
  int32_t randomWidth;
  int32_t applyToUniqueElements;
  int32_t applyToStars;
  int32_t scaling;
  int32_t fillColor;
  int32_t fillSwatch;
  int32_t fillSteps;
  int32_t strokeColor;
  int32_t strokeSwatch;
  int32_t strokeSteps;
  int32_t pattern;
  int32_t starPulse;
  int32_t elementPulse;
  int32_t factorMode;
  int32_t preset;
  int32_t shapeOption;
  int32_t reverseOption;
  int32_t burstApplySkip;
  int32_t burstApplyRun;
  int32_t burstType;
  int32_t starCount;
  int32_t currentPage;
  int32_t burstCount;
  int32_t sketchRepeats;
  int32_t sketchColor;
  float startX;
  float startY;
  float viewZoom;
  float initialGapX;
  float initialGapY;
  float spreadX;
  float spreadY;
  float pathInterpolate;
  float length;
  float angle;
  float sketchWeight;
  float sketchShift;
  // Eight factor pairs, each the per-star member then the per-element member.
  float fanFactorPerStar;
  float fanFactorPerElement;
  float lengthFactorPerStar;
  float lengthFactorPerElement;
  float fillFactorPerStar;
  float fillFactorPerElement;
  float heightFactorPerStar;
  float heightFactorPerElement;
  float angleFactorPerStar;
  float angleFactorPerElement;
  float spreadFactorPerStar;
  float spreadFactorPerElement;
  float initialGapFactorPerStar;
  float initialGapFactorPerElement;
  float opacityFactorPerStar;
  float opacityFactorPerElement;
  int32_t dropShadow;
  int32_t randomShadowScaling;
  int32_t halfFillShadow;
  int32_t randomShadowDirection;
  int32_t randomShadowOpacity;
  int32_t randomSketchWeight;
  int32_t randomSketchShift;
  int32_t finalRun;
  int32_t previewValid;
  int32_t dialogLeft;
  int32_t dialogTop;
  int32_t dialogRight;
  int32_t dialogBottom;
  int32_t dialogBoundsSaved;
};

constexpr int kBurstParamsFieldCount = 84;
constexpr int kFactorPairCount = 8;
constexpr size_t kFactorPairsOffset = 216;

// The per-star member of factor pair k sits at 216 + 8k, the per-element member 4 bytes later.
inline float* factorField(BurstParams* p, int pair, int member) { return &(&p->fanFactorPerStar)[2 * pair + member]; }

static_assert(sizeof(float) == 4 && sizeof(BurstParams) == 336, "the record is 336 bytes");
#define FL_CHECK_OFFSET(field, offset) \
  static_assert(offsetof(BurstParams, field) == (offset), #field " is a stored offset")
FL_CHECK_OFFSET(uniqueElements, 0);
FL_CHECK_OFFSET(randomInitialGap, 4);
FL_CHECK_OFFSET(randomSpread, 8);
FL_CHECK_OFFSET(randomShape, 12);
FL_CHECK_OFFSET(randomBurstType, 16);
FL_CHECK_OFFSET(placeBelow, 20);
FL_CHECK_OFFSET(alternateFlip, 24);
FL_CHECK_OFFSET(randomScale, 28);
FL_CHECK_OFFSET(randomStyle, 32);
FL_CHECK_OFFSET(randomBurstCount, 36);
FL_CHECK_OFFSET(randomAngle, 40);
FL_CHECK_OFFSET(randomLength, 44);
FL_CHECK_OFFSET(randomCenter, 48);
FL_CHECK_OFFSET(randomHeight, 52);
FL_CHECK_OFFSET(randomApply, 56);
FL_CHECK_OFFSET(preview, 60);
FL_CHECK_OFFSET(randomOpacity, 64);
FL_CHECK_OFFSET(randomWidth, 68);
FL_CHECK_OFFSET(applyToUniqueElements, 72);
FL_CHECK_OFFSET(applyToStars, 76);
FL_CHECK_OFFSET(scaling, 80);
FL_CHECK_OFFSET(fillColor, 84);
FL_CHECK_OFFSET(fillSwatch, 88);
FL_CHECK_OFFSET(fillSteps, 92);
FL_CHECK_OFFSET(strokeColor, 96);
FL_CHECK_OFFSET(strokeSwatch, 100);
FL_CHECK_OFFSET(strokeSteps, 104);
FL_CHECK_OFFSET(pattern, 108);
FL_CHECK_OFFSET(starPulse, 112);
FL_CHECK_OFFSET(elementPulse, 116);
FL_CHECK_OFFSET(factorMode, 120);
FL_CHECK_OFFSET(preset, 124);
FL_CHECK_OFFSET(shapeOption, 128);
FL_CHECK_OFFSET(reverseOption, 132);
FL_CHECK_OFFSET(burstApplySkip, 136);
FL_CHECK_OFFSET(burstApplyRun, 140);
FL_CHECK_OFFSET(burstType, 144);
FL_CHECK_OFFSET(starCount, 148);
FL_CHECK_OFFSET(currentPage, 152);
FL_CHECK_OFFSET(burstCount, 156);
FL_CHECK_OFFSET(sketchRepeats, 160);
FL_CHECK_OFFSET(sketchColor, 164);
FL_CHECK_OFFSET(startX, 168);
FL_CHECK_OFFSET(startY, 172);
FL_CHECK_OFFSET(viewZoom, 176);
FL_CHECK_OFFSET(initialGapX, 180);
FL_CHECK_OFFSET(initialGapY, 184);
FL_CHECK_OFFSET(spreadX, 188);
FL_CHECK_OFFSET(spreadY, 192);
FL_CHECK_OFFSET(pathInterpolate, 196);
FL_CHECK_OFFSET(length, 200);
FL_CHECK_OFFSET(angle, 204);
FL_CHECK_OFFSET(sketchWeight, 208);
FL_CHECK_OFFSET(sketchShift, 212);
FL_CHECK_OFFSET(fanFactorPerStar, 216);
FL_CHECK_OFFSET(fanFactorPerElement, 220);
FL_CHECK_OFFSET(lengthFactorPerStar, 224);
FL_CHECK_OFFSET(lengthFactorPerElement, 228);
FL_CHECK_OFFSET(fillFactorPerStar, 232);
FL_CHECK_OFFSET(fillFactorPerElement, 236);
FL_CHECK_OFFSET(heightFactorPerStar, 240);
FL_CHECK_OFFSET(heightFactorPerElement, 244);
FL_CHECK_OFFSET(angleFactorPerStar, 248);
FL_CHECK_OFFSET(angleFactorPerElement, 252);
FL_CHECK_OFFSET(spreadFactorPerStar, 256);
FL_CHECK_OFFSET(spreadFactorPerElement, 260);
FL_CHECK_OFFSET(initialGapFactorPerStar, 264);
FL_CHECK_OFFSET(initialGapFactorPerElement, 268);
FL_CHECK_OFFSET(opacityFactorPerStar, 272);
FL_CHECK_OFFSET(opacityFactorPerElement, 276);
FL_CHECK_OFFSET(dropShadow, 280);
FL_CHECK_OFFSET(randomShadowScaling, 284);
FL_CHECK_OFFSET(halfFillShadow, 288);
FL_CHECK_OFFSET(randomShadowDirection, 292);
FL_CHECK_OFFSET(randomShadowOpacity, 296);
FL_CHECK_OFFSET(randomSketchWeight, 300);
FL_CHECK_OFFSET(randomSketchShift, 304);
FL_CHECK_OFFSET(finalRun, 308);
FL_CHECK_OFFSET(previewValid, 312);
FL_CHECK_OFFSET(dialogLeft, 316);
FL_CHECK_OFFSET(dialogTop, 320);
FL_CHECK_OFFSET(dialogRight, 324);
FL_CHECK_OFFSET(dialogBottom, 328);
FL_CHECK_OFFSET(dialogBoundsSaved, 332);
#undef FL_CHECK_OFFSET
