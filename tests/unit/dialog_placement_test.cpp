// Where the host puts a dialog whatever bounds it is given.
#include <gtest/gtest.h>

#include <climits>

#include "dialog_placement.h"

// The record is the host interface's, in the global namespace, where lookup finds these.
static bool operator==(const HostIntRect& a, const HostIntRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
[[maybe_unused]] static std::ostream& operator<<(std::ostream& os, const HostIntRect& r) {
  return os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace flhost {
namespace {

TEST(DialogPlacement, EveryRectangleEndsWhollyOnTheScreen) {
  struct Case {
    const char* what;
    HostIntRect wanted, placed;
  };
  const Case cases[] = {
      {"on the screen: unchanged", {100, 50, 700, 310}, {100, 50, 700, 310}},
      {"off the left and top: moved in", {-5000, -20, -4400, 240}, {0, 0, 600, 260}},
      {"off the right and bottom: moved in", {1800, 1000, 2400, 1260}, {1320, 820, 1920, 1080}},
      {"larger than the screen: cut to it", {-100, -100, 3000, 2000}, {0, 0, 1920, 1080}},
      {"the widest 32-bit rectangle", {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, {0, 0, 1920, 1080}},
      {"inverted, at the far end: empty, on the edge",
       {INT_MAX - 600, INT_MAX - 260, INT_MIN, INT_MIN},
       {1920, 1080, 1920, 1080}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(placeOnScreen(c.wanted), c.placed);
  }
  EXPECT_EQ(rectWidth({INT_MIN, 0, INT_MAX, 0}), 4294967295LL);
  EXPECT_EQ(rectHeight({0, INT_MAX, 0, INT_MIN}), -4294967295LL);
}

}  // namespace
}  // namespace flhost
