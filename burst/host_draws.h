// Reads from the host that several steps share: a random draw in the shape the tables take, and
// the swatch lookup of the colour modes and sketch colours.
#pragma once

#include <cstdint>

#include "burst/numeric.h"
#include "shell/plugin_suites.h"

namespace fl {

inline float drawRandom() { return sRandom->floatRandom(); }

// The position a random-swatch choice takes from draw r: 1 + trunc(r x count).
inline int32_t randomSwatchPosition(float r, int32_t swatchCount) {
  return 1 + trunc32(r * static_cast<float>(swatchCount));
}

// The colour of the swatch at position k: positions past the list end at its count, negative ones
// at 0, and 0 and 1 ([None], [Registration]) become 2. False when the document has no swatch
// there: the caller then leaves its colour alone.
inline bool lookUpSwatch(int32_t k, int32_t swatchCount, HostColor* color) {
  if (k > swatchCount) k = swatchCount;
  if (k < 0) k = 0;
  if (k == 0 || k == 1) k = 2;
  HostSwatch swatch = sSwatches->getNthSwatch(nullptr, k);
  return sSwatches->getSwatchColor(swatch, color) == 0;
}

}  // namespace fl
