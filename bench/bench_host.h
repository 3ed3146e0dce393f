// What the benchmarks share: a stand-in host with the built module, the designs they time, a user
// for the filter dialog, and the process's memory figures.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "params/burst_params.h"
#include "session.h"

namespace flbench {

// A host with the module loaded and started, seeded with 1; null with the reason in *error.
std::unique_ptr<flhost::Session> openHost(std::string* error);

// The record Get Parameters makes for the standard view.
BurstParams defaults();

// The scaling series' design: `stars` stars of 150 unique elements, each position with a drop
// shadow, its element and 14 sketch strokes, every one mirrored about its own centre (pattern 3):
// 64 arts a position, 9600 a star.
BurstParams scalingDesign(int32_t stars);
constexpr int64_t kScalingArtsPerStar = 150 * 64;

// The largest record the dialog allows: 100 stars of 150 unique elements, drop shadow, pattern 3
// and 60 sketch repeats: 248 arts a position, 3,720,000 in all.
BurstParams largestDesign();
constexpr int64_t kLargestArts = 100LL * 150 * 248;

// Acts as the user of the filter dialog through onFilterDialog; closes every other dialog.
class BenchUser : public flhost::DialogDriver {
 public:
  void run(flhost::ModalSession& s) override;
  void alert(std::string_view) override {}
  std::function<void(flhost::ModalSession&)> onFilterDialog;
};

// Sends Get Parameters with record p stored; user works the dialog.
HostErr runDialog(flhost::Session& host, const BurstParams& p, BenchUser& user);

// Runs Go on record p; returns PluginMain's result.
HostErr goWith(flhost::Session& host, const BurstParams& p);

// CPU time of the calling thread, in seconds: on a machine shared with other work it varies far
// less than the time on the clock.
double threadCpuSeconds();

// Gives the pages of freed memory back to the system (glibc's malloc_trim), so that the next run
// fills memory the system hands over afresh, as a render in a process of its own does. Whether
// the C library happened to keep the last run's pages otherwise decided a fifth of a run's time.
void giveBackFreedMemory();

// The process's resident set now and its peak since resetPeakMemory, in bytes (Linux; 0 elsewhere).
int64_t residentBytes();
int64_t peakResidentBytes();
void resetPeakMemory();

}  // namespace flbench
