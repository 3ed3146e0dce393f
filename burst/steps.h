// The per-element steps of a run, in the order generate calls them. Each takes the record, the
// run's state and the element's art (state.art) and returns 0 or the host code that ends the run.
//
// What each step reads and writes of GenerationState (run, star and element values as that header
// groups them; "factor X" is the running factor kX, read only; every step reads art):
//   computeDimensions   reads  starIndex, centreX/Y, factors Length, Height, InitialGap
//                       writes elementSize, length1/2, height1/2, handleX/Y, gapX/Y, baseX/Y
//   buildShape          reads  baseX/Y, length1/2, height1/2, handleX/Y, factor Spread
//   paintElement        reads  elementIndex, starIndex, fill/strokeElementSteps, fill/strokeStarSteps,
//                              swatchCount, artStyleCount, referenceOpacity, referenceStrokeWidth,
//                              factors Fill, Opacity
//   transformOwnCentre  reads  elementIndex, starIndex, baseAngle, halfTurn, interpolation,
//                              referenceStyle, factor Angle
//   placeElement        reads  centreX/Y
//   addDropShadow       reads  shadowOffsetX/Y, and what mirrorAboutPattern reads
//   mirrorAboutPattern  reads  baseX/Y, pageWidth/Height, halfPageWidth/Height
//   addSketchStrokes    reads  swatchCount, sketchWeightPt, and what mirrorAboutPattern reads
//                       writes sketchDisplaced, lastAnchorShiftV, lastInShiftH, lastOutShiftV
//                              (read back by the next copy and the next element)
// Only computeDimensions and addSketchStrokes take the state to write; the others take it const.
// generate alone sets the run and star values and advances the indices and the factors.
#pragma once

#include "burst/generation_state.h"

namespace fl {

// A fresh element: its size and the distances of its outline.
HostErr computeDimensions(const BurstParams& p, GenerationState& s);
// A fresh element: writes its outline and closes the path.
HostErr buildShape(const BurstParams& p, const GenerationState& s);
// A fresh element: colours, dimming, opacity, width and art style.
HostErr paintElement(const BurstParams& p, const GenerationState& s);
// A fresh element: spin and scale about its own centre, random rescale, style interpolation.
HostErr transformOwnCentre(const BurstParams& p, const GenerationState& s);
// Every drawn element: swings it about the star's centre by angle radians.
HostErr placeElement(const GenerationState& s, float angle);
// Every element position (acting on the last drawn element when skipped).
HostErr addDropShadow(const BurstParams& p, const GenerationState& s);
HostErr mirrorAboutPattern(const BurstParams& p, const GenerationState& s);
HostErr addSketchStrokes(const BurstParams& p, GenerationState& s);

}  // namespace fl
