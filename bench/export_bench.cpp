// Export of a large design (the scaling design at 24 stars, 230,400 arts) as JSON, SVG and PNG,
// into a stream that only counts what it is given, so the disk is not what is timed; beside the
// JSON, a writer that only formats its numbers.
#include <benchmark/benchmark.h>

#include <ctime>
#include <ostream>
#include <span>
#include <vector>
#include <streambuf>

#include "bench_host.h"
#include "export.h"

namespace flbench {
namespace {

class CountingBuffer : public std::streambuf {
 public:
  int64_t bytes = 0;

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) ++bytes;
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes += n;
    return n;
  }
};

// One design for every export, drawn once.
flhost::Session* design() {
  static std::unique_ptr<flhost::Session> host = [] {
    std::string error;
    auto h = openHost(&error);
    if (h && goWith(*h, scalingDesign(24)) != 0) h.reset();
    return h;
  }();
  return host.get();
}

template <class Write>
void exportBench(benchmark::State& state, Write write) {
  flhost::Session* host = design();
  if (!host) {
    state.SkipWithError("the design could not be drawn");
    return;
  }
  int64_t bytes = 0;
  timespec start{}, end{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
  for (auto _ : state) {
    CountingBuffer buffer;
    std::ostream out(&buffer);
    if (!write(host->document(), out)) {
      state.SkipWithError("export failed");
      return;
    }
    bytes = buffer.bytes;
  }
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
  // CPU time of every thread (the PNG is drawn on all cores), in ms an export.
  state.counters["cpu_all_ms"] = ((end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) * 1e-6) /
                                 static_cast<double>(state.iterations());
  state.counters["arts"] = static_cast<double>(host->document().artCount());
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_ExportJson(benchmark::State& state) {
  exportBench(state, [](const flhost::Document& d, std::ostream& out) {
    flhost::writeDocumentJson(d, out);
    return true;
  });
}
BENCHMARK(BM_ExportJson)->Unit(benchmark::kMillisecond);

// The floor the JSON writer is measured against: the same numbers, in the same order, formatted
// into a buffer and sent to the stream, without a word of JSON around them.
void formatNumbers(const flhost::Document& d, std::ostream& out) {
  std::vector<char> buffer(1 << 17);
  char* at = buffer.data();
  auto components = [](const HostColor& c) -> std::span<const float> {
    switch (c.kind) {
      case kHostColorGrey: return {&c.c.grey, 1};
      case kHostColorFour: return {&c.c.four.cyan, 4};
      case kHostColorThree: return {&c.c.three.red, 3};
      case kHostColorSpot: return {&c.c.spot.tint, 1};
      default: return {};
    }
  };
  d.forEachArt([&](const flhost::ArtView& art) {
    if (static_cast<size_t>(at - buffer.data()) + (art.segments.size() * 6 + 12) * flhost::kMaxFloatText > buffer.size()) {
      out.write(buffer.data(), at - buffer.data());
      at = buffer.data();
    }
    for (const HostPathSegment& s : art.segments)
      for (float v : {s.p.h, s.p.v, s.in.h, s.in.v, s.out.h, s.out.v}) at = flhost::writeShortestFloat(at, v);
    for (float v : components(art.style.fillColor)) at = flhost::writeShortestFloat(at, v);
    for (float v : components(art.style.strokeColor)) at = flhost::writeShortestFloat(at, v);
    at = flhost::writeShortestFloat(at, art.style.strokeWidth);
    at = flhost::writeShortestFloat(at, art.opacity);
  });
  out.write(buffer.data(), at - buffer.data());
}

void BM_FormatNumbers(benchmark::State& state) {
  exportBench(state, [](const flhost::Document& d, std::ostream& out) {
    formatNumbers(d, out);
    return true;
  });
}
BENCHMARK(BM_FormatNumbers)->Unit(benchmark::kMillisecond);

void BM_ExportSvg(benchmark::State& state) {
  exportBench(state, [](const flhost::Document& d, std::ostream& out) {
    flhost::writeDocumentSvg(d, out);
    return true;
  });
}
BENCHMARK(BM_ExportSvg)->Unit(benchmark::kMillisecond);

#ifdef FLARIMOND_HAVE_CAIRO
void BM_ExportPng(benchmark::State& state) {
  exportBench(state, [](const flhost::Document& d, std::ostream& out) {
    std::string error;
    return flhost::writeDocumentPng(d, out, 1200, false, &error);
  });
}
BENCHMARK(BM_ExportPng)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
}  // namespace flbench

BENCHMARK_MAIN();
