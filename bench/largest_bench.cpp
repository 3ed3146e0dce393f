// The largest record the dialog allows (about 3.7 million arts), drawn once as a preview and taken
// back once, both through PluginMain: the preview check box turned on draws it, turned off undoes
// it. Runs in a process of its own so that the peak memory is this design's alone. Times are on
// the clock and in CPU time of the thread (ns_per_art is CPU time).
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench_host.h"

namespace flbench {
namespace {

constexpr int32_t kPreviewCheckBox = 3;

struct Seconds {
  double wall, cpu;
};

Seconds secondsOf(const std::function<std::string()>& work, std::string* refused) {
  auto start = std::chrono::steady_clock::now();
  double cpu = threadCpuSeconds();
  *refused = work();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), threadCpuSeconds() - cpu};
}

void BM_LargestRecord(benchmark::State& state) {
  std::string error;
  auto host = openHost(&error);
  if (!host) {
    state.SkipWithError(error.c_str());
    return;
  }
  BurstParams p = largestDesign();
  p.preview = 0;  // nothing is drawn until the check box goes on
  for (auto _ : state) {
    Seconds generated{}, undone{};
    int64_t arts = 0, before = 0, peak = 0;
    std::string refused;
    BenchUser user;
    user.onFilterDialog = [&](flhost::ModalSession& s) {
      flhost::DialogAction on{flhost::DialogAction::Kind::Check, kPreviewCheckBox, 1, 0, 0, 0, {}};
      flhost::DialogAction off = on;
      off.value = 0;
      before = residentBytes();
      resetPeakMemory();
      generated = secondsOf([&] { return s.apply(on); }, &refused);
      peak = peakResidentBytes();
      arts = static_cast<int64_t>(host->document().artCount());
      if (refused.empty()) undone = secondsOf([&] { return s.apply(off); }, &refused);
    };
    runDialog(*host, p, user);
    if (!refused.empty()) {
      state.SkipWithError(refused.c_str());
      return;
    }
    state.SetIterationTime(generated.wall);
    state.counters["arts"] = static_cast<double>(arts);
    state.counters["generate_s"] = generated.wall;
    state.counters["generate_cpu_s"] = generated.cpu;
    state.counters["undo_s"] = undone.wall;
    state.counters["undo_cpu_s"] = undone.cpu;
    state.counters["ns_per_art"] = generated.cpu * 1e9 / static_cast<double>(arts);
    state.counters["peak_bytes_per_art"] = static_cast<double>(peak - before) / static_cast<double>(arts);
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["left_after_undo"] = static_cast<double>(host->document().artCount());
  }
}
BENCHMARK(BM_LargestRecord)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
}  // namespace flbench

BENCHMARK_MAIN();
