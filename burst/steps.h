// The per-element steps of a run, in the order generate calls them. Each takes the record, the
// run's state and the element's art (state.art) and returns 0 or the host code that ends the run.
#pragma once

#include "burst/generation_state.h"

namespace fl {

// A fresh element: its size and the distances of its outline.
HostErr computeDimensions(const BurstParams& p, GenerationState& s);
// A fresh element: writes its outline and closes the path.
HostErr buildShape(const BurstParams& p, GenerationState& s);
// A fresh element: colours, dimming, opacity, width and art style.
HostErr paintElement(const BurstParams& p, GenerationState& s);
// A fresh element: spin and scale about its own centre, random rescale, style interpolation.
HostErr transformOwnCentre(const BurstParams& p, GenerationState& s);
// Every drawn element: swings it about the star's centre by angle radians.
HostErr placeElement(GenerationState& s, float angle);
// Every element position (acting on the last drawn element when skipped).
HostErr addDropShadow(const BurstParams& p, GenerationState& s);
HostErr mirrorAboutPattern(const BurstParams& p, GenerationState& s);
HostErr addSketchStrokes(const BurstParams& p, GenerationState& s);

}  // namespace fl
