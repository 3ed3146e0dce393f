// Call counting and fault injection: every call counts, an armed fault fires once at its call.
#include <gtest/gtest.h>

#include <set>

#include "faults.h"

namespace flhost {
namespace {

TEST(Faults, CountEveryCallAndFireOnlyTheArmedCall) {
  Faults f;
  EXPECT_EQ(f.enter("art.newArt"), kHostNoErr);
  f.failOn("art.newArt", 2, -108);  // counted from now: the third call in all
  EXPECT_TRUE(f.pending());
  EXPECT_EQ(f.enter("art.newArt"), kHostNoErr);
  EXPECT_EQ(f.enter("art.disposeArt"), kHostNoErr) << "another operation's call is not the one";
  EXPECT_EQ(f.enter("art.newArt"), -108);
  EXPECT_EQ(f.enter("art.newArt"), kHostNoErr) << "a fault fires once";
  EXPECT_FALSE(f.pending());
  EXPECT_EQ(f.count("art.newArt"), 4u);
  EXPECT_EQ(f.count("art.disposeArt"), 1u);

  // Two faults on one operation fire each at its own call.
  f.failOn("item.setText", 1, 1);
  f.failOn("item.setText", 2, 2);
  EXPECT_EQ(f.enter("item.setText"), 1);
  EXPECT_EQ(f.enter("item.setText"), 2);

  // A name that is no operation's counts nothing and its fault stays pending.
  f.failOn("art.noSuchThing", 1, 7);
  EXPECT_EQ(f.count("art.noSuchThing"), 0u);
  EXPECT_TRUE(f.pending());
}

TEST(Faults, EveryOperationNameHasItsOwnIndex) {
  std::set<std::string_view> seen;
  for (size_t i = 0; i < kOperationCount; ++i) {
    EXPECT_TRUE(seen.insert(kOperationNames[i]).second) << kOperationNames[i] << " is listed twice";
    EXPECT_EQ(operationIndex(kOperationNames[i]), i) << kOperationNames[i];
  }
}

}  // namespace
}  // namespace flhost
