// The fixed proportion tables of an element: burst types, reverse rules and scaling rows.
//
// These need nothing from the host but random draws, which come in through a plain function
// pointer (the random suite's own function in the plug-in, a scripted list in tests), so every
// draw happens at the same point whichever caller supplies it.
#pragma once

#include <cstdint>

namespace fl {

// A source of uniform draws in [0, 1).
using DrawFn = float (*)();

constexpr int32_t kBurstTypeCount = 30;
constexpr int32_t kReverseOptionCount = 9;
constexpr int32_t kScalingRowCount = 43;  // row 0 leaves the size alone

// The four distances of an element's outline: along its axis and across it.
struct BurstDistances {
  float length1, length2, height1, height2;
};

// The distances burst type `type` derives from size. A type outside 0..29 (not offered by the
// dialog, but possible in a stored record) is drawn as type 0, the default proportions.
BurstDistances burstDistances(int32_t type, float size);

// Whether reverse option `option` mirrors the elements of star `starIndex`. Option 2 takes one
// draw on every call, whatever it decides; other options never draw. An option outside 0..8
// mirrors nothing.
bool reverseMirrors(int32_t option, int32_t starIndex, DrawFn draw);

struct ScaleFactors {
  float x, y;
};

// The own-centre scale of element `elementIndex` (from 0) under scaling row `row`. Rows 27 and 28
// take one draw on every call before their test. A row outside 0..42 leaves the size alone.
ScaleFactors scalingFactors(int32_t row, int32_t elementIndex, DrawFn draw);

}  // namespace fl
