// Jobs in worker processes: results come back in job order whatever the number of workers, the
// first failure in job order is always among them, and a worker that dies fails its job.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "worker_pool.h"

namespace fltools {
namespace {

TEST(WorkerPool, ResultsComeBackInJobOrderWhateverTheWorkers) {
  for (int workers : {1, 2, 5}) {
    SCOPED_TRACE(workers);
    std::vector<size_t> seen;
    std::vector<JobResult> results = runJobs(
        9, workers,
        [](size_t i) {
          std::cerr << "job " << i << "\n";
          // A result larger than a pipe holds, so reading it whole is what is tested.
          return JobResult{0, std::string(100000 + i, char('a' + i)), "", "", "design " + std::to_string(i)};
        },
        [&](size_t done) { seen.push_back(done); });
    ASSERT_EQ(results.size(), 9u);
    for (size_t i = 0; i < 9; ++i) {
      EXPECT_EQ(results[i].status, 0);
      EXPECT_EQ(results[i].output, std::string(100000 + i, char('a' + i)));
      EXPECT_EQ(results[i].messages, "job " + std::to_string(i) + "\n");
      EXPECT_EQ(results[i].design, "design " + std::to_string(i));
    }
    EXPECT_EQ(seen, (std::vector<size_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  }
}

TEST(WorkerPool, TheFirstFailureInJobOrderIsAlwaysReturned) {
  for (int workers : {1, 3}) {
    SCOPED_TRACE(workers);
    std::vector<JobResult> results = runJobs(
        40, workers,
        [](size_t i) {
          if (i == 7 || i == 9) return JobResult{2, "", "", "job " + std::to_string(i) + " refused", ""};
          return JobResult{0, std::to_string(i), "", "", ""};
        },
        [](size_t) {});
    ASSERT_GE(results.size(), 8u);
    ASSERT_LT(results.size(), 40u);  // no job is handed out after a failure comes back
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(results[i].status, 0) << i;
    EXPECT_EQ(results[7].status, 2);
    EXPECT_EQ(results[7].error, "job 7 refused");
  }
}

#ifndef _WIN32
TEST(WorkerPool, AWorkerThatDiesFailsItsJob) {
  std::vector<JobResult> results = runJobs(
      3, 2,
      [](size_t i) {
        if (i == 1) _exit(7);
        return JobResult{0, "ok", "", "", ""};
      },
      [](size_t) {});
  ASSERT_GE(results.size(), 2u);
  EXPECT_EQ(results[0].output, "ok");
  EXPECT_EQ(results[1].status, 1);
  EXPECT_NE(results[1].messages.find("running job 2 exited with status 7"), std::string::npos) << results[1].messages;
}
#endif

}  // namespace
}  // namespace fltools
