// The whole pipeline through PluginMain and the stand-in host: a preview of every preset, the
// scaling series of one design, and beside it the bare kernel, which computes the same final
// points into a flat array without a single host call: the floor the pipeline is measured against.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "bench_host.h"
#include "burst/tables.h"
#include "dialog/dialog_layout.h"
#include "geometry.h"
#include "random_source.h"

namespace flbench {
namespace {

constexpr int32_t kPresetCount = 36;

flhost::DialogAction action(flhost::DialogAction::Kind kind, int32_t id, double value = 0) {
  flhost::DialogAction a;
  a.kind = kind;
  a.id = id;
  a.value = value;
  return a;
}

// A preview as the dialog draws it: choosing the preset draws its record once; each timed
// "Shuffle" then takes that preview back and draws the record again (undo + generate).
void BM_PresetPreview(benchmark::State& state) {
  std::string error;
  auto host = openHost(&error);
  if (!host) {
    state.SkipWithError(error.c_str());
    return;
  }
  const int32_t preset = static_cast<int32_t>(state.range(0));
  std::string refused;
  size_t arts = 0;
  BenchUser user;
  user.onFilterDialog = [&](flhost::ModalSession& s) {
    refused = s.apply(action(flhost::DialogAction::Kind::Choose, fl::kPresetItem, preset));
    if (!refused.empty()) return;
    const flhost::DialogAction shuffle = action(flhost::DialogAction::Kind::Press, fl::kShuffle);
    const uint64_t undone = host->faults().count("undo.undoChanges");
    for (auto _ : state) {
      refused = s.apply(shuffle);
      if (!refused.empty()) return;
    }
    arts = host->document().artCount();
    // Each press must have been one preview: one undo, one design left in the document.
    state.counters["undos_per_preview"] = static_cast<double>(host->faults().count("undo.undoChanges") - undone) /
                                          static_cast<double>(state.iterations());
    s.end(2);  // cancel: the previews go
  };
  runDialog(*host, defaults(), user);
  if (!refused.empty()) {
    state.SkipWithError(refused.c_str());
    return;
  }
  state.counters["arts"] = static_cast<double>(arts);
  state.counters["arts_per_s"] =
      benchmark::Counter(static_cast<double>(arts), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PresetPreview)->DenseRange(0, kPresetCount - 1)->Unit(benchmark::kMillisecond);

// Go on the scaling design in a fresh document each time, in memory the system hands over afresh
// (as the kernel's); only the Go is timed, in CPU time of the thread (as the kernel's cpu_time),
// which a machine shared with other work disturbs least.
void BM_Scaling(benchmark::State& state) {
  const BurstParams p = scalingDesign(static_cast<int32_t>(state.range(0)));
  const int64_t arts = state.range(0) * kScalingArtsPerStar;
  double seconds = 0;
  for (auto _ : state) {
    giveBackFreedMemory();  // the last iteration's document
    std::string error;
    auto host = openHost(&error);
    if (!host) {
      state.SkipWithError(error.c_str());
      return;
    }
    const double start = threadCpuSeconds();
    HostErr e = goWith(*host, p);
    const double t = threadCpuSeconds() - start;
    if (e != 0 || static_cast<int64_t>(host->document().artCount()) != arts) {
      state.SkipWithError("the design was not drawn whole");
      return;
    }
    state.SetIterationTime(t);
    seconds += t;
  }
  state.counters["arts"] = static_cast<double>(arts);
  state.counters["ns_per_art"] = seconds * 1e9 / (static_cast<double>(state.iterations()) * static_cast<double>(arts));
}
BENCHMARK(BM_Scaling)->Arg(12)->Arg(24)->Arg(48)->Arg(96)->UseManualTime()->Unit(benchmark::kMillisecond);

// ---- The bare kernel ----------------------------------------------------------------------------
//
// The scaling design's final points, computed directly: the triangle of each element turned into
// place, its shadow, its sketch copies with their per-point jitter, and the three images of each
// about its own centre; in the document's stacking order, from the host's random source seeded
// as the host is, so it can be checked point for point against the pipeline.

constexpr int kSegments = 3;

using Art3 = HostPathSegment[kSegments];

struct Kernel {
  std::vector<HostPathSegment> points;
  flhost::RandomSource random{1};

  HostPathSegment* add() {
    points.resize(points.size() + kSegments);
    return points.data() + points.size() - kSegments;
  }

  void copy(const HostPathSegment* from) { std::copy(from, from + kSegments, add()); }

  void mirrorImages(const HostPathSegment* art) {
    HostRealRect r = flhost::pathBounds({art, kSegments}, true);
    const float cx = r.left + (r.right - r.left) / 2.0f, cy = r.bottom + (r.top - r.bottom) / 2.0f;
    const float sx[] = {-1, -1, 1}, sy[] = {1, -1, -1};
    Art3 source;  // the art may move when points grows
    std::copy(art, art + kSegments, source);
    for (int k = 0; k < 3; ++k) {
      HostPathSegment* image = add();
      auto flip = [&](HostRealPoint q) {
        return HostRealPoint{sx[k] < 0 ? 2.0f * cx - q.h : q.h, sy[k] < 0 ? 2.0f * cy - q.v : q.v};
      };
      for (int i = 0; i < kSegments; ++i) image[i] = {flip(source[i].p), flip(source[i].in), flip(source[i].out), 0};
    }
  }

  float jitter(float shift) {
    float tau = random.next() > 0.5f ? -1.0f : 1.0f;
    float m = random.next();
    return m * shift * tau;
  }

  void run(const BurstParams& p) {
    const float cx = p.startX, cy = p.startY;
    const fl::BurstDistances d = fl::burstDistances(p.burstType, p.length);
    const float step = (360.0f * (3.14159265358979323846f / 180.0f)) / static_cast<float>(p.burstCount);
    for (int32_t star = 0; star < p.starCount; ++star) {
      float angle = 0.0f;
      for (int32_t e = 0; e < p.burstCount; ++e) {
        const float c = std::cos(angle), s = std::sin(angle);
        auto place = [&](float x, float y) {
          float dx = x - cx, dy = y - cy;
          return HostRealPoint{c * dx - s * dy + cx, s * dx + c * dy + cy};
        };
        Art3 element;
        const HostRealPoint anchors[] = {place(cx, cy), place(cx + d.length1, cy + d.height1),
                                         place(cx + d.length1 + d.length2, cy + d.height1 - d.height2)};
        for (int i = 0; i < kSegments; ++i) element[i] = {anchors[i], anchors[i], anchors[i], 0};
        angle = angle + step;

        HostPathSegment* shadow = add();
        for (int i = 0; i < kSegments; ++i) {
          auto off = [](HostRealPoint q) { return HostRealPoint{q.h + 20.0f, q.v + -20.0f}; };
          shadow[i] = {off(element[i].p), off(element[i].in), off(element[i].out), 0};
        }
        copy(element);
        mirrorImages(points.data() + points.size() - 2 * kSegments);
        mirrorImages(element);
        for (int32_t k = 0; k < p.sketchRepeats; ++k) {
          float r1 = random.next();
          float r2 = random.next();
          float r3 = random.next();
          float r4 = random.next();
          float shiftX = r2 * p.sketchShift * (r1 > 0.5f ? -1.0f : 1.0f);
          float shiftY = r4 * p.sketchShift * (r3 > 0.5f ? -1.0f : 1.0f);
          HostPathSegment* sketch = add();
          std::copy(element, element + kSegments, sketch);
          if (shiftX != 0.0f || shiftY != 0.0f) {
            for (int i = 0; i < kSegments; ++i) {
              HostPathSegment& g = sketch[i];
              g.p.h = g.p.h + jitter(shiftX);
              g.p.v = g.p.v + jitter(shiftY);
              g.in.h = g.in.h + jitter(shiftX);
              g.in.v = g.in.v + jitter(shiftY);
              g.out.h = g.out.h + jitter(shiftX);
              g.out.v = g.out.v + jitter(shiftY);
            }
          }
          random.next();  // the random sketch weight
          mirrorImages(points.data() + points.size() - kSegments);
        }
      }
    }
  }
};

void BM_Kernel(benchmark::State& state) {
  const BurstParams p = scalingDesign(static_cast<int32_t>(state.range(0)));
  const int64_t arts = state.range(0) * kScalingArtsPerStar;
  giveBackFreedMemory();
  for (auto _ : state) {
    Kernel k;
    k.points.reserve(static_cast<size_t>(arts) * kSegments);
    k.run(p);
    benchmark::DoNotOptimize(k.points.data());
    state.PauseTiming();
    k = Kernel{};  // freeing is not the kernel's work
    giveBackFreedMemory();
    state.ResumeTiming();
  }
  state.counters["arts"] = static_cast<double>(arts);
  state.counters["arts_per_s"] =
      benchmark::Counter(static_cast<double>(arts), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Kernel)->Arg(12)->Arg(96)->Unit(benchmark::kMillisecond);

// The kernel is only a floor if it does the pipeline's work: compare every point of one star.
bool kernelMatchesPipeline() {
  std::string error;
  auto host = openHost(&error);
  const BurstParams p = scalingDesign(1);
  if (!host || goWith(*host, p) != 0) {
    std::fprintf(stderr, "kernel check: the pipeline did not run (%s)\n", error.c_str());
    return false;
  }
  Kernel k;
  k.run(p);
  size_t at = 0, arts = 0;
  double worst = 0;
  bool sameShape = true;
  host->document().forEachArt([&](const flhost::ArtView& a) {
    ++arts;
    if (a.segments.size() != kSegments || at + kSegments > k.points.size()) {
      sameShape = false;
      return;
    }
    for (const HostPathSegment& g : a.segments) {
      const HostPathSegment& w = k.points[at++];
      for (auto [x, y] : {std::pair{g.p, w.p}, std::pair{g.in, w.in}, std::pair{g.out, w.out}})
        worst = std::max({worst, std::fabs(double(x.h) - y.h), std::fabs(double(x.v) - y.v)});
    }
  });
  bool ok = sameShape && at == k.points.size() && worst < 0.01;
  std::fprintf(stderr, "kernel check: %zu arts, largest difference %.2g pt: %s\n", arts, worst,
               ok ? "same points" : "DIFFERENT");
  return ok;
}

}  // namespace
}  // namespace flbench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!flbench::kernelMatchesPipeline()) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
