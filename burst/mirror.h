// Pattern-centre mirroring, shared by the element, its drop shadow and its sketch strokes.
#pragma once

#include "burst/generation_state.h"

namespace fl {

// Adds the three mirror images of art about the point that p.pattern chooses; a pattern of 0 (or
// one outside the popup's list) adds nothing. art itself is not changed. The centre is chosen
// afresh for each call, so random centres differ between the arts of one position.
HostErr mirrorByPattern(const BurstParams& p, const GenerationState& s, HostArt art);

// Three copies of art, each above all art: reflected across the vertical line through x, turned
// half a turn about (x, y), reflected across the horizontal line through y.
HostErr mirrorAboutCentre(HostArt art, float x, float y);

}  // namespace fl
