#include "dialog_placement.h"

#include <algorithm>

namespace flhost {

namespace {

// One axis: [start, start + size) moved the least into [lo, hi), size cut to the room there.
void placeSpan(int64_t start, int64_t size, int64_t lo, int64_t hi, int32_t& outStart, int32_t& outEnd) {
  const int64_t room = std::max<int64_t>(hi - lo, 0);
  size = std::clamp<int64_t>(size, 0, room);
  start = std::clamp(start, lo, std::max(lo, hi - size));
  // Both ends now lie within the screen's 32-bit coordinates.
  outStart = static_cast<int32_t>(start);
  outEnd = static_cast<int32_t>(start + size);
}

}  // namespace

HostIntRect placeOnScreen(const HostIntRect& wanted, const HostIntRect& screen) {
  HostIntRect placed{};
  placeSpan(wanted.left, rectWidth(wanted), screen.left, screen.right, placed.left, placed.right);
  placeSpan(wanted.top, rectHeight(wanted), screen.top, screen.bottom, placed.top, placed.bottom);
  return placed;
}

}  // namespace flhost
