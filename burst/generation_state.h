// The working state of one generation run: run values set once, star values set per star,
// element values per element, and the sixteen parts of the eight running factors. It lives for one
// call of generate and is never stored.
#pragma once

#include "params/burst_params.h"
#include "shell/host/host_types.h"

namespace fl {

// One running factor: a star part advanced after each star and an element part advanced after
// each element; the factor is their product.
struct RunningFactor {
  float star = 1.0f;
  float element = 1.0f;
  float perStar = 1.0f;     // the per-star percentage x 0.01
  float perElement = 1.0f;  // the per-element percentage x 0.01
  float value() const { return star * element; }
};

enum FactorIndex { kFan, kLength, kFill, kHeight, kAngle, kSpread, kInitialGap, kOpacity };

struct GenerationState {
  // Run values.
  int32_t swatchCount = 0;
  int32_t artStyleCount = 0;
  float sketchWeightPt = 0.0f;
  float shadowOffsetX = 0.0f, shadowOffsetY = 0.0f;
  float pageWidth = 0.0f, pageHeight = 0.0f;
  float halfPageWidth = 0.0f, halfPageHeight = 0.0f;
  float interpolation = 0.0f;
  float baseAngle = 0.0f;
  float fillStarSteps = 0.0f, strokeStarSteps = 0.0f;
  int32_t starPulseCount = 1, elementPulseCount = 1;
  RunningFactor factors[kFactorPairCount];
  HostPathStyle referenceStyle{};
  float referenceStrokeWidth = 0.0f;
  float referenceOpacity = 1.0f;
  // The amounts the sketch strokes last added to an anchor's v, an in-handle's h and an
  // out-handle's v (sketch colour 7); they carry over from copy to copy and element to element.
  bool sketchDisplaced = false;
  float lastAnchorShiftV = 0.0f, lastInShiftH = 0.0f, lastOutShiftV = 0.0f;

  // Star values.
  int32_t starIndex = 0;
  int32_t elementCount = 0;
  float angleStep = 0.0f;
  float halfTurn = 0.0f;
  float centreX = 0.0f, centreY = 0.0f;
  int32_t runLeft = 0, skipLeft = 0;
  float placementAngle = 0.0f;
  float pendingAngle = 0.0f;
  float fillElementSteps = 0.0f, strokeElementSteps = 0.0f;

  // Element values.
  int32_t elementIndex = 0;
  HostArt art = nullptr;
  float elementSize = 0.0f;
  float length1 = 0.0f, length2 = 0.0f;
  float height1 = 0.0f, height2 = 0.0f;
  float handleX = 0.0f, handleY = 0.0f;
  float gapX = 0.0f, gapY = 0.0f;
  float baseX = 0.0f, baseY = 0.0f;

  float factor(FactorIndex k) const { return factors[k].value(); }
};

}  // namespace fl
