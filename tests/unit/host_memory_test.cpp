// The host's loans to the plug-in: blocks and handles refuse what the host did not hand out (or
// has taken back), the stored record follows the handle the plug-in leaves in its place, and the
// suite account balances acquisitions against releases.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host_memory.h"
#include "suite_registry.h"
#include "shell/host/suites.h"

namespace {

using flhost::HostMemory;

TEST(HostMemory, RefusesWhatItDidNotLendOrHasTakenBack) {
  HostMemory memory;
  void* block = nullptr;
  ASSERT_EQ(memory.allocateBlock(16, &block), kHostNoErr);
  EXPECT_EQ(static_cast<uint8_t*>(block)[15], 0);
  HostMemHandle handle = nullptr;
  ASSERT_EQ(memory.newHandle(8, &handle), kHostNoErr);
  int32_t size = -1;
  ASSERT_EQ(memory.handleSize(handle, &size), kHostNoErr);
  EXPECT_EQ(size, 8);

  int local = 0;
  void* stranger = &local;
  struct Case {
    const char* what;
    HostErr got;
    HostErr expected;
  };
  const Case refusals[] = {
      {"negative block", memory.allocateBlock(-1, &block), kHostBadParameterErr},
      {"no place for the block", memory.allocateBlock(4, nullptr), kHostBadParameterErr},
      {"negative handle", memory.newHandle(-1, &handle), kHostBadParameterErr},
      {"foreign block", memory.freeBlock(stranger), kHostBadHandleErr},
      {"foreign handle", memory.disposeHandle(reinterpret_cast<HostMemHandle>(stranger)), kHostBadHandleErr},
      {"size of a foreign handle", memory.handleSize(reinterpret_cast<HostMemHandle>(stranger), &size),
       kHostBadHandleErr},
      {"size into nowhere", memory.handleSize(handle, nullptr), kHostBadParameterErr},
      {"block freed", memory.freeBlock(block), kHostNoErr},
      {"block freed twice", memory.freeBlock(block), kHostBadHandleErr},
      {"handle disposed", memory.disposeHandle(handle), kHostNoErr},
      {"handle disposed twice", memory.disposeHandle(handle), kHostBadHandleErr},
      {"size of a disposed handle", memory.handleSize(handle, &size), kHostBadHandleErr},
  };
  for (const Case& c : refusals) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.got, c.expected);
  }
}

TEST(HostMemory, StoredRecordFollowsTheHandleThePluginLeaves) {
  HostMemory memory;
  EXPECT_FALSE(memory.hasParameters());
  EXPECT_TRUE(memory.parameters().empty());

  memory.setParameters({1, 2, 3});
  HostMemHandle stored = memory.parametersHandle();
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(static_cast<uint8_t*>(*stored)[2], 3);  // the plug-in reads the record through the handle

  // Only a live handle of the host's own replaces the record.
  int local = 0;
  memory.keepParameters(nullptr);
  memory.keepParameters(reinterpret_cast<HostMemHandle>(&local));
  EXPECT_EQ(memory.parametersHandle(), stored);
  HostMemHandle made = nullptr;
  ASSERT_EQ(memory.newHandle(2, &made), kHostNoErr);
  ASSERT_EQ(memory.disposeHandle(made), kHostNoErr);
  memory.keepParameters(made);
  EXPECT_EQ(memory.parametersHandle(), stored);
  ASSERT_EQ(memory.newHandle(2, &made), kHostNoErr);
  static_cast<uint8_t*>(*made)[0] = 9;
  memory.keepParameters(made);
  EXPECT_EQ(memory.parameters(), (std::vector<uint8_t>{9, 0}));

  // Setting bytes replaces the record; disposing the record's handle leaves none, not a dangling one.
  memory.setParameters({7});
  EXPECT_EQ(memory.parameters(), std::vector<uint8_t>{7});
  ASSERT_EQ(memory.disposeHandle(memory.parametersHandle()), kHostNoErr);
  EXPECT_FALSE(memory.hasParameters());
  EXPECT_TRUE(memory.parameters().empty());
  memory.setParameters({5});
  memory.clearParameters();
  EXPECT_FALSE(memory.hasParameters());
}

TEST(SuiteRegistry, AcquisitionsBalanceReleases) {
  flhost::SuiteRegistry suites;
  const void* table = &suites;
  EXPECT_EQ(suites.acquire("no such suite", 1, &table), kHostSuiteNotFoundErr);
  EXPECT_EQ(table, nullptr);
  EXPECT_EQ(suites.acquire(kMemorySuiteName, kMemorySuiteVersion + 1, &table), kHostSuiteNotFoundErr);
  EXPECT_EQ(suites.release(kMemorySuiteName, kMemorySuiteVersion), kHostNotFoundErr);

  ASSERT_EQ(suites.acquire(kMemorySuiteName, kMemorySuiteVersion, &table), kHostNoErr);
  EXPECT_NE(table, nullptr);
  ASSERT_EQ(suites.acquire(kBlocksSuiteName, kBlocksSuiteVersion, &table), kHostNoErr);
  ASSERT_EQ(suites.acquire(kMemorySuiteName, kMemorySuiteVersion, &table), kHostNoErr);
  EXPECT_EQ(suites.heldCount(), 3);
  std::string memoryKey = std::string(kMemorySuiteName) + "/" + std::to_string(kMemorySuiteVersion);
  EXPECT_EQ(suites.held().at(memoryKey), 2);

  EXPECT_EQ(suites.release(kMemorySuiteName, kMemorySuiteVersion), kHostNoErr);
  EXPECT_EQ(suites.release(kMemorySuiteName, kMemorySuiteVersion), kHostNoErr);
  EXPECT_EQ(suites.release(kMemorySuiteName, kMemorySuiteVersion), kHostNotFoundErr);  // one release too many
  EXPECT_EQ(suites.release(kBlocksSuiteName, kBlocksSuiteVersion), kHostNoErr);
  EXPECT_EQ(suites.heldCount(), 0);
  EXPECT_TRUE(suites.held().empty());

  // Acquired again after a release: still listed once, in first-acquisition order.
  ASSERT_EQ(suites.acquire(kMemorySuiteName, kMemorySuiteVersion, &table), kHostNoErr);
  ASSERT_EQ(suites.everAcquired().size(), 2u);
  EXPECT_EQ(suites.everAcquired()[0], memoryKey);
}

}  // namespace
