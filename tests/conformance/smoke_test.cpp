#include "conformance/host_fixture.h"
namespace fltest {
TEST_F(HostTest, Smoke) {
  startUp();
  EXPECT_EQ(host().getParameters(), 0);
  EXPECT_EQ(host().go(), 0);
  EXPECT_EQ(arts(), 10u);
  EXPECT_EQ(host().shutdown(), 0);
  EXPECT_EQ(host().heldSuiteCount(), 0);
}
}
