// The small numeric steps the generation shares: truncation to a whole number, clamping and a
// colour record's components taken by position. Single precision throughout, in the order the
// callers write their sums.
#pragma once

#include <cstdint>
#include <cstring>

#include "shell/host/host_types.h"

namespace fl {

// Truncates toward zero, as the design's whole numbers (positions, counts, halves) are taken.
inline int32_t trunc32(float x) { return static_cast<int32_t>(x); }

inline float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// The i-th real of a colour record's components, whatever its kind: the record is read by
// position where a swatch or a shadow pays no heed to the kind.
inline float componentAt(const HostColor& color, int i) {
  float v;
  std::memcpy(&v, color.c.raw + 4 * i, sizeof v);
  return v;
}

inline void setComponentAt(HostColor& color, int i, float v) { std::memcpy(color.c.raw + 4 * i, &v, sizeof v); }

}  // namespace fl
