// Line art for pen plotters: every art's outline as strokes, the parts hidden under the filled
// arts painted above it removed, one pen a layer, the paths joined and ordered to keep the pen
// up as little as possible. Available when the host is built with the polygon clipping library
// (FLARIMOND_HAVE_CLIPPER).
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"

namespace flhost {

struct PlotOptions {
  double toleranceMm = 0.05;  // how far a curve's straight pieces may stray from it
  int pens = 0;               // 0: a pen for each colour; N: the colours mapped onto N pens
};

// A point on the sheet in millimetres, from its top left corner, y down.
struct PlotPoint {
  double x = 0, y = 0;
  bool operator==(const PlotPoint&) const = default;
};
using PlotPath = std::vector<PlotPoint>;

// One pen: its colour ("#rrggbb") and its paths in drawing order.
struct PlotLayer {
  std::string colour;
  std::vector<PlotPath> paths;
};

// What the plan measured: straight pieces (segments) of every outline before and after hidden
// lines were removed, and the pen-up travel in mm (from the sheet's corner at each pen's start)
// in paint order as clipped, and once joined and ordered.
struct PlotReport {
  size_t segmentsBefore = 0, segmentsAfter = 0;
  size_t pathsBefore = 0, pathsAfter = 0;
  double travelUnsorted = 0, travelSorted = 0;
};

struct Plot {
  double widthMm = 0, heightMm = 0;
  std::vector<PlotLayer> layers;
  PlotReport report;
};

// The plan, on the document's page:
//  - each art painted with a stroke gives its outline in the stroke's colour; one with a fill
//    only, its outline in the fill's colour; one with neither, nothing. Curves become straight
//    pieces within the tolerance.
//  - each outline loses what lies under an opaque filled art above it (by that art's fill rule)
//    and what lies off the page.
//  - outlines are grouped by colour, a layer each in the order the colours first appear; with
//    options.pens = N and more colours than that, N pens are chosen (the most used colour, then
//    each time the colour farthest from those chosen) and each colour goes to the nearest.
//  - in each layer, paths that meet end to end are joined, then ordered greedily: the next is
//    the one with an end nearest the pen, drawn from that end.
// Arts with a point that is not finite or lies more than 10 km from the page are left out.
Plot planPlot(const Document& doc, const PlotOptions& options);

// The plan as SVG 1.1 for editors and plotter drivers: the sheet's size in mm (the view box in
// mm), a <title>, the `metadata` (XML, written as given) in the picture's <metadata>, and one
// layer a pen: a top-level group with inkscape:groupmode="layer", labelled "Pen N #rrggbb",
// stroked in its colour 0.3 mm wide and not filled, a path per plan path. Coordinates to 1/1000 mm.
void writePlotSvg(const Plot& plot, std::ostream& out, std::string_view title, std::string_view metadata = {});

}  // namespace flhost
