// Plotter line art (render --plot) of the default design and of a design of 9,600 arts (the
// scaling design at one star): the time to plan it, and as counters the segments before and after
// hidden lines are removed and the pen-up travel in paint order and joined and sorted.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench_host.h"
#include "export_plot.h"

namespace flbench {
namespace {

void plotBench(benchmark::State& state, const BurstParams& record) {
  std::string error;
  std::unique_ptr<flhost::Session> host = openHost(&error);
  if (!host || goWith(*host, record) != 0) {
    state.SkipWithError("the design could not be drawn");
    return;
  }
  flhost::Plot plot;
  for (auto _ : state) {
    plot = flhost::planPlot(host->document(), {});
    benchmark::DoNotOptimize(plot.layers.data());
  }
  const flhost::PlotReport& r = plot.report;
  state.counters["arts"] = static_cast<double>(host->document().artCount());
  state.counters["segments_before"] = static_cast<double>(r.segmentsBefore);
  state.counters["segments_after"] = static_cast<double>(r.segmentsAfter);
  state.counters["travel_unsorted_mm"] = r.travelUnsorted;
  state.counters["travel_sorted_mm"] = r.travelSorted;
  state.counters["travel_share"] = r.travelUnsorted > 0 ? r.travelSorted / r.travelUnsorted : 1;
}

void BM_PlotDefault(benchmark::State& state) { plotBench(state, defaults()); }
void BM_PlotScaling1(benchmark::State& state) { plotBench(state, scalingDesign(1)); }

BENCHMARK(BM_PlotDefault)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlotScaling1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace flbench

BENCHMARK_MAIN();
