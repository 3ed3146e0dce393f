// Jobs run in worker processes, their results gathered in job order.
//
// The plug-in module keeps process-wide state, so a process holds one host session at a time: to
// use every core, a batch of jobs (the tiles of a sheet) is shared among forked worker processes,
// each running its jobs one after another. The parent hands out job numbers in order, one at a
// time to whichever worker is free, and reads back each result whole; nothing but the order of the
// results depends on timing, and they are returned in job order. Where processes cannot be forked
// (Windows), the jobs run in this process, one after another.
//
// Once a job fails no further job is handed out; the jobs under way finish. Every job numbered
// below a failed one has been handed out by then, so the first failure in job order is always
// among the results, whatever the timing.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace fltools {

struct JobResult {
  int status = 0;        // 0: done; anything else: failed (the caller's exit status)
  std::string output;    // what the job made
  std::string messages;  // what it said on stderr
  std::string error;     // why it failed, when it failed with bad input
  std::string design;    // what made it (a design's description), when it has one
};

// Runs job(0) .. job(count - 1) in up to `workers` processes. Each job runs in a worker with
// std::cerr gathered into its result's messages. progress(done) is called in the parent after each
// result arrives. Returns one result per job handed out, in job order (fewer than count after a
// failure). A worker that dies during a job fails that job with status 1 and a message saying how
// it ended.
std::vector<JobResult> runJobs(size_t count, int workers, const std::function<JobResult(size_t)>& job,
                               const std::function<void(size_t done)>& progress);

// The number of processors this process may run on (at least 1).
int processorCount();

}  // namespace fltools
