// Reading the design a 4 MB SVG carries, as `inspect` and `render --from` do: the parse, the walk
// that finds the descriptions and the digest of the art beside each. Two files of the same size:
// a design of 33,000 paths as the program writes it, and a file that declares the design's
// namespace about 90,000 times, each with a prefix of its own (which made the former reader take
// minutes). Each run reads from memory.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "art_suite.h"
#include "art_digest.h"
#include "design_file.h"
#include "params/burst_fields.h"

namespace {

constexpr size_t kTarget = 4u << 20;

fltools::DesignRecord aDesign(const flhost::Document& doc) {
  fltools::DesignRecord d;
  d.program = fltools::programVersion();
  d.random.seed = 1;
  writeFieldDefaults(&d.record, 106, 396);
  d.document = fltools::describedDocument(doc.options(), std::nullopt);
  fltools::ArtDigest art = fltools::digestOf(doc);
  d.art = fltools::ArtSummary{art.paths(), art.hex()};
  return d;
}

// A design's SVG of about 4 MB: small arts of four curves each, spread over the page.
const std::string& designSvg() {
  static const std::string svg = [] {
    flhost::Document doc(flhost::DocumentOptions::standard());
    for (int i = 0; i < 33000; ++i) {
      float x = static_cast<float>(i % 200) * 3.1f, y = static_cast<float>(i / 200) * 7.9f;
      std::vector<HostPathSegment> seg;
      for (int k = 0; k < 4; ++k) {
        float h = x + (k == 1 || k == 2 ? 2.25f : 0), v = y + (k >= 2 ? 5.5f : 0);
        seg.push_back({{h, v}, {h - 0.5f, v + 0.25f}, {h + 0.5f, v - 0.25f}, 0});
      }
      HostArt art = nullptr;
      doc.newArt(kHostArtPath, kPlaceAboveAll, nullptr, &art);
      doc.setSegments(art, 0, seg);
      doc.setClosed(art, true);
    }
    std::ostringstream out;
    fltools::writeDesignDocument(doc, aDesign(doc), fltools::OutputFormat::Svg, {}, out, "design.svg");
    return out.str();
  }();
  return svg;
}

// The same size of namespace declarations, each of its own prefix on an empty group, and one
// design.
const std::string& namespacesSvg() {
  static const std::string svg = [] {
    flhost::Document doc(flhost::DocumentOptions::standard());
    std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\">";
    const std::string ns(fltools::kDesignNamespace);
    for (int i = 0; s.size() < kTarget; ++i) s += "<g xmlns:f" + std::to_string(i) + "=\"" + ns + "\"/>";
    s += "<g id=\"design\"><metadata>" + fltools::designSvgMetadata(aDesign(doc)) + "</metadata></g></svg>";
    return s;
  }();
  return svg;
}

void read(benchmark::State& state, const std::string& svg) {
  std::ostringstream warnings;
  for (auto _ : state) {
    std::vector<fltools::FoundDesign> found =
        fltools::designsIn(svg, fltools::DesignFileKind::Svg, "bench.svg", warnings);
    if (found.size() != 1 || found[0].artMatches == false) state.SkipWithError("the design was not read back");
    benchmark::DoNotOptimize(found);
  }
  state.counters["megabytes"] = static_cast<double>(svg.size()) / (1 << 20);
}

void BM_ReadDesignSvg(benchmark::State& state) { read(state, designSvg()); }
void BM_ReadNamespacesSvg(benchmark::State& state) { read(state, namespacesSvg()); }

BENCHMARK(BM_ReadDesignSvg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadNamespacesSvg)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
