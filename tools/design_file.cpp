#include "design_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ostream>
#include <unordered_map>

#include "input_file.h"
#include "progress.h"

namespace fltools {

namespace fs = std::filesystem;

void writeDesignDocument(const flhost::Document& doc, const DesignRecord& design, OutputFormat format,
                         [[maybe_unused]] const PictureOptions& picture, std::ostream& out,
                         [[maybe_unused]] std::string_view name) {
  if (picture.plot) {
#ifdef FLARIMOND_HAVE_CLIPPER
    flhost::Plot plot = flhost::planPlot(doc, *picture.plot);
    flhost::writePlotSvg(plot, out, "Flarimond plot", designSvgMetadata(design, true));
    const flhost::PlotReport& r = plot.report;
    char travel[160];
    std::snprintf(travel, sizeof travel, "pen-up travel %.1f mm in paint order, %.1f mm joined and sorted (%.0f %%)",
                  r.travelUnsorted, r.travelSorted,
                  r.travelUnsorted > 0 ? 100 * r.travelSorted / r.travelUnsorted : 100.0);
    diagnostics() << "plot: " << name << ": " << plot.layers.size() << (plot.layers.size() == 1 ? " pen, " : " pens, ")
                  << r.segmentsAfter << " segments in " << r.pathsAfter << " paths (" << r.segmentsBefore
                  << " segments before hidden lines were removed); " << travel << "\n";
#endif
  } else if (format == OutputFormat::Svg) {
    flhost::writeDocumentSvg(doc, out, picture.frame, designSvgMetadata(design));
  } else if (format == OutputFormat::Json) {
    flhost::writeDocumentJson(doc, out, designJson(design));
  } else if (format == OutputFormat::Pdf) {
#ifdef FLARIMOND_HAVE_CAIRO
    std::string why;
    if (!flhost::writeDocumentPdf(doc, out, &why, picture.frame, designPdfInfo(design)))
      throw ToolError(std::string(name) + ": " + why);
#endif
  } else {
#ifdef FLARIMOND_HAVE_CAIRO
    std::string why;
    if (!flhost::writeDocumentPng(doc, out, picture.pixelWidth, picture.transparent, &why, picture.frame,
                                  {designPngText(design)}, terminalProgress("drawing " + std::string(name))))
      throw ToolError(std::string(name) + ": " + why);
#endif
  }
}

std::string designSource(std::string_view file, const std::string& id, size_t designsInFile) {
  std::string s(file);
  if (designsInFile > 1) s += " (design " + id + ")";
  return s;
}

namespace {

bool allDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Each description's id: its group's id where that tells it apart, else its number.
std::vector<std::string> designIds(const std::vector<CarriedText>& found) {
  std::unordered_map<std::string, int> uses;
  for (const CarriedText& t : found) ++uses[t.groupId];
  std::vector<std::string> ids;
  for (size_t i = 0; i < found.size(); ++i) {
    const std::string& g = found[i].groupId;
    ids.push_back(!g.empty() && !allDigits(g) && uses[g] == 1 ? g : std::to_string(i + 1));
  }
  return ids;
}

// A record value outside its control's range is drawn as stored, as a parameter file's is, with
// a warning a field.
void warnRanges(const FoundDesign& f, const std::string& source, std::ostream& warnings) {
  auto swatches = static_cast<int32_t>(documentOptions(f.design.document).swatches.size());
  for (const std::string& problem : checkParams(f.design.record, swatches, source))
    warnings << "flarimond: warning: " << problem << "; passed to the plug-in as stored\n";
}

}  // namespace

std::vector<FoundDesign> designsIn(std::string bytes, DesignFileKind kind, std::string_view name,
                                   std::ostream& warnings) {
  std::string file(name);
  std::vector<FoundDesign> designs;
  if (kind == DesignFileKind::Json) {
    if (std::optional<DesignRecord> d = jsonDescription(bytes, file)) {
      designs.push_back({std::move(*d), "1", std::nullopt, 0});
      warnRanges(designs.back(), file, warnings);
    }
  } else {
    std::vector<CarriedText> found = kind == DesignFileKind::Svg   ? svgDescriptions(bytes, file)
                                     : kind == DesignFileKind::Png ? pngDescriptions(bytes, file)
                                                                   : pdfDescriptions(bytes, file);
    std::vector<std::string> ids = designIds(found);
    for (size_t i = 0; i < found.size(); ++i) {
      std::string source = designSource(file, ids[i], found.size());
      FoundDesign f{designFromJson(found[i].text, source), ids[i], std::nullopt, 0};
      if (f.design.art && found[i].art) {
        f.pathsFound = found[i].art->first;
        f.artMatches = found[i].art->first == f.design.art->paths && found[i].art->second == f.design.art->digest;
      }
      warnRanges(f, source, warnings);
      designs.push_back(std::move(f));
    }
  }
  if (designs.empty())
    throw ToolError(file + ": carries no design (flarimond writes one into every SVG, PNG, PDF and JSON)");
  return designs;
}

std::vector<FoundDesign> readDesigns(const fs::path& path, std::ostream& warnings) {
  std::string name = displayPath(path);
  std::string ext = path.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  DesignFileKind kind =
      ext == ".svg"    ? DesignFileKind::Svg
      : ext == ".png"  ? DesignFileKind::Png
      : ext == ".json" ? DesignFileKind::Json
      : ext == ".pdf"  ? DesignFileKind::Pdf
                       : throw ToolError(name + ": expected a .svg, .png, .pdf or .json file that flarimond wrote");
  // A design file is a whole picture or document, which can run to hundreds of megabytes.
  return designsIn(readInputFile(path, std::uintmax_t{1} << 30), kind, name, warnings);
}

const FoundDesign& chooseDesign(const std::vector<FoundDesign>& designs, const std::optional<std::string>& id,
                                std::optional<int> tile, std::string_view source) {
  std::string name(source);
  auto list = [&](const std::vector<const FoundDesign*>& of) {
    std::string s;
    for (const FoundDesign* d : of) {
      s += (s.empty() ? "" : ", ") + d->id;
      if (d->design.tile) s += " (tile " + std::to_string(*d->design.tile) + ")";
    }
    return s;
  };
  std::vector<const FoundDesign*> all;
  all.reserve(designs.size());
  for (const FoundDesign& d : designs) all.push_back(&d);
  if (id && tile) throw ToolError("--design and --tile both choose a design: give one");
  if (id) {
    for (const FoundDesign& d : designs)
      if (d.id == *id) return d;
    throw ToolError(name + ": --design " + *id + ": no such design; the file holds " + list(all));
  }
  if (tile) {
    std::vector<const FoundDesign*> match;
    for (const FoundDesign& d : designs)
      if (d.design.tile == tile) match.push_back(&d);
    if (match.size() == 1) return *match.front();
    if (match.size() > 1)
      throw ToolError(name + ": --tile " + std::to_string(*tile) + ": " + std::to_string(match.size()) +
                      " designs are tile " + std::to_string(*tile) + " (" + list(match) +
                      "): choose one with --design ID");
    std::vector<const FoundDesign*> tiles;
    for (const FoundDesign& d : designs)
      if (d.design.tile) tiles.push_back(&d);
    if (tiles.empty())
      throw ToolError(name + ": --tile " + std::to_string(*tile) + ": the file holds no tiles of a sheet");
    throw ToolError(name + ": --tile " + std::to_string(*tile) + ": no such tile; the file holds " + list(tiles));
  }
  if (designs.size() > 1)
    throw ToolError(name + ": holds " + std::to_string(designs.size()) + " designs (" + list(all) +
                    "): choose one with --design ID or --tile N");
  return designs.front();
}

}  // namespace fltools
