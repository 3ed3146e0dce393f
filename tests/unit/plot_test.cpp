// Plotter line art on hand-made documents: the outlines left once the arts above hide theirs,
// typed in; no line inside a filled art drawn above it; pens by colour; joins, reversal and the
// pen-up travel; the SVG's layers and size in mm.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "art_suite.h"
#include "document.h"
#include "export_plot.h"

namespace flhost {
namespace {

constexpr double kMm = 25.4 / 72;
constexpr float kPage = 300;  // points, square

HostPathSegment anchor(float x, float y) { return {{x, y}, {x, y}, {x, y}, 1}; }

struct Style {
  bool fill = true;
  bool stroke = true;
  HostColor colour = threeColor(0, 0, 0);
  float opacity = 1;
};

void addArt(Document& doc, std::vector<HostPathSegment> segments, bool closed, const Style& style = {}) {
  HostArt h = nullptr;
  ASSERT_EQ(doc.newArt(kHostArtPath, kPlaceAboveAll, nullptr, &h), kHostNoErr);
  ASSERT_EQ(doc.setSegments(h, 0, segments), kHostNoErr);
  ASSERT_EQ(doc.setClosed(h, closed), kHostNoErr);
  HostPathStyle st = doc.options().newPathStyle;
  st.fillPaint = style.fill;
  st.fillColor = threeColor(1, 1, 1);
  st.strokePaint = style.stroke;
  st.strokeColor = style.colour;
  st.strokeWidth = 1;
  ASSERT_EQ(doc.setStyle(h, st), kHostNoErr);
  ASSERT_EQ(doc.setOpacity(h, style.opacity), kHostNoErr);
}

void addSquare(Document& doc, float x0, float y0, float x1, float y1, const Style& style = {}) {
  addArt(doc, {anchor(x0, y0), anchor(x1, y0), anchor(x1, y1), anchor(x0, y1)}, true, style);
}

Document page() {
  DocumentOptions options = DocumentOptions::standard();
  options.pageWidth = options.pageHeight = kPage;
  return Document(options);
}

// An artwork point (y up, points) on the sheet (y down, mm).
PlotPoint sheet(double x, double y) { return {x * kMm, (kPage - y) * kMm}; }

bool near(const PlotPoint& a, const PlotPoint& b) { return std::hypot(a.x - b.x, a.y - b.y) < 1e-3; }

// The path is `expected` in either direction, point by point.
bool samePath(PlotPath path, const std::vector<PlotPoint>& expected) {
  auto equal = [&](const PlotPath& p) {
    return p.size() == expected.size() && std::equal(p.begin(), p.end(), expected.begin(), near);
  };
  if (equal(path)) return true;
  std::reverse(path.begin(), path.end());
  return equal(path);
}

std::vector<PlotPath> allPaths(const Plot& plot) {
  std::vector<PlotPath> all;
  for (const PlotLayer& l : plot.layers) all.insert(all.end(), l.paths.begin(), l.paths.end());
  return all;
}

TEST(Plot, TwoOverlappingSquaresLoseTheCornerUnderTheTopOne) {
  Document doc = page();
  addSquare(doc, 0, 0, 100, 100);
  addSquare(doc, 50, 50, 150, 150);
  Plot plot = planPlot(doc, {});
  ASSERT_EQ(plot.layers.size(), 1u);
  std::vector<PlotPath> paths = allPaths(plot);
  ASSERT_EQ(paths.size(), 2u);
  // The bottom square's visible part, joined into one path across its first corner; the top one
  // whole (a loop, which may start at any of its corners).
  const std::vector<PlotPoint> bottom = {sheet(100, 50), sheet(100, 0), sheet(0, 0), sheet(0, 100), sheet(50, 100)};
  auto isBottom = [&](const PlotPath& p) { return samePath(p, bottom); };
  auto isTop = [&](const PlotPath& p) {
    if (p.size() != 5 || !near(p.front(), p.back())) return false;
    for (const PlotPoint& corner : {sheet(50, 50), sheet(150, 50), sheet(150, 150), sheet(50, 150)})
      if (std::none_of(p.begin(), p.end(), [&](const PlotPoint& q) { return near(q, corner); })) return false;
    return true;
  };
  EXPECT_TRUE((isBottom(paths[0]) && isTop(paths[1])) || (isBottom(paths[1]) && isTop(paths[0])));
  EXPECT_EQ(plot.report.segmentsBefore, 8u);
  EXPECT_EQ(plot.report.segmentsAfter, 8u);  // 4 of the bottom's, 4 of the top's: lines stay lines
}

TEST(Plot, ACircleUnderASquareKeepsThreeQuartersWithinTheTolerance) {
  Document doc = page();
  // A circle of radius 50 about (100, 100) in four cubics.
  const float r = 50, k = 0.5522847f * r, cx = 100, cy = 100;
  addArt(doc,
         {{{cx + r, cy}, {cx + r, cy - k}, {cx + r, cy + k}, 0},
          {{cx, cy + r}, {cx + k, cy + r}, {cx - k, cy + r}, 0},
          {{cx - r, cy}, {cx - r, cy + k}, {cx - r, cy - k}, 0},
          {{cx, cy - r}, {cx - k, cy - r}, {cx + k, cy - r}, 0}},
         true);
  addSquare(doc, 100, 100, 200, 200);
  PlotOptions options;
  options.toleranceMm = 0.05;
  Plot plot = planPlot(doc, options);
  std::vector<PlotPath> paths = allPaths(plot);
  ASSERT_EQ(paths.size(), 2u);
  const PlotPath& arc = paths[0].size() == 5 ? paths[1] : paths[0];
  // From (150, 100) round the bottom and left to (100, 150), or back.
  const bool forward = near(arc.front(), sheet(150, 100)) && near(arc.back(), sheet(100, 150));
  const bool backward = near(arc.back(), sheet(150, 100)) && near(arc.front(), sheet(100, 150));
  EXPECT_TRUE(forward || backward);
  const PlotPoint centre = sheet(cx, cy);
  double length = 0;
  for (size_t i = 0; i < arc.size(); ++i) {
    // On the circle (its cubic strays from a true circle by 0.03 %) within the tolerance.
    EXPECT_NEAR(std::hypot(arc[i].x - centre.x, arc[i].y - centre.y), r * kMm, 0.05 + r * kMm * 3e-4);
    if (i) length += std::hypot(arc[i].x - arc[i - 1].x, arc[i].y - arc[i - 1].y);
  }
  EXPECT_NEAR(length, 1.5 * M_PI * r * kMm, 0.1);
}

TEST(Plot, AHiddenArtOrOneOffThePageLeavesNoLineAndNothingIsPlottedTwice) {
  Document doc = page();
  addSquare(doc, 20, 20, 40, 40);      // under the large square
  addSquare(doc, 400, 400, 500, 500);  // off the page
  addSquare(doc, 10, 10, 100, 100);
  addSquare(doc, 290, 100, 310, 120);  // across the page's right edge: cut there
  Plot plot = planPlot(doc, {});
  std::vector<PlotPath> paths = allPaths(plot);
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_TRUE(samePath(paths[0].size() == 5 ? paths[1] : paths[0],
                       {sheet(300, 100), sheet(290, 100), sheet(290, 120), sheet(300, 120)}));
}

TEST(Plot, TranslucentAndUnfilledArtsHideNothing) {
  Document doc = page();
  addSquare(doc, 0, 0, 100, 100);
  Style glass;
  glass.opacity = 0.5f;
  addSquare(doc, 20, 20, 80, 80, glass);
  Style line;
  line.fill = false;
  addSquare(doc, 30, 30, 70, 70, line);
  Plot plot = planPlot(doc, {});
  EXPECT_EQ(plot.report.segmentsAfter, 12u);
  EXPECT_EQ(allPaths(plot).size(), 3u);
}

// Quads scattered at random, some filled, some not: a point sampled on any plotted line lies on
// the outline of some art that no filled opaque art drawn above it covers.
TEST(Plot, NoLineLiesInsideAFilledArtDrawnAboveIt) {
  Document doc = page();
  std::mt19937 random(7);
  std::uniform_real_distribution<float> at(0, kPage), size(10, 90);
  struct Quad {
    std::vector<PlotPoint> corners;
    bool filled;
  };
  std::vector<Quad> quads;
  for (int i = 0; i < 40; ++i) {
    float x = at(random), y = at(random), w = size(random), h = size(random), skew = size(random) - 50;
    Style style;
    style.fill = i % 3 != 0;
    addArt(doc, {anchor(x, y), anchor(x + w, y + skew / 4), anchor(x + w + skew / 3, y + h), anchor(x, y + h)}, true,
           style);
    quads.push_back(
        {{sheet(x, y), sheet(x + w, y + skew / 4), sheet(x + w + skew / 3, y + h), sheet(x, y + h)}, style.fill});
  }
  auto distanceToEdge = [](const PlotPoint& p, const PlotPoint& a, const PlotPoint& b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
  };
  auto onOutline = [&](const Quad& q, const PlotPoint& p) {
    for (size_t k = 0; k < 4; ++k)
      if (distanceToEdge(p, q.corners[k], q.corners[(k + 1) % 4]) < 1e-3) return true;
    return false;
  };
  auto inside = [&](const Quad& q, const PlotPoint& p) {  // strictly, by more than a hair
    bool in = false;
    for (size_t k = 0, j = 3; k < 4; j = k++) {
      const PlotPoint &a = q.corners[k], &b = q.corners[j];
      if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in && !onOutline(q, p) && [&] {
      for (size_t k = 0; k < 4; ++k)
        if (distanceToEdge(p, q.corners[k], q.corners[(k + 1) % 4]) < 1e-2) return false;
      return true;
    }();
  };
  Plot plot = planPlot(doc, {});
  size_t samples = 0;
  for (const PlotPath& path : allPaths(plot))
    for (size_t i = 1; i < path.size(); ++i)
      for (double t : {0.25, 0.5, 0.75}) {
        PlotPoint p{path[i - 1].x + t * (path[i].x - path[i - 1].x), path[i - 1].y + t * (path[i].y - path[i - 1].y)};
        ++samples;
        bool visibleSomewhere = false;
        for (size_t a = 0; a < quads.size() && !visibleSomewhere; ++a) {
          if (!onOutline(quads[a], p)) continue;
          bool covered = false;
          for (size_t b = a + 1; b < quads.size() && !covered; ++b) covered = quads[b].filled && inside(quads[b], p);
          visibleSomewhere = !covered;
        }
        EXPECT_TRUE(visibleSomewhere) << p.x << ", " << p.y;
      }
  EXPECT_GT(samples, 100u);
  EXPECT_LT(plot.report.segmentsAfter, plot.report.segmentsBefore * 3);
}

TEST(Plot, PensByColourOrMappedOntoFewerByNearestColour) {
  Document doc = page();
  Style red, darkRed, blue;
  red.colour = threeColor(1, 0, 0);
  darkRed.colour = threeColor(0.8f, 0, 0);
  blue.colour = threeColor(0, 0, 1);
  red.fill = darkRed.fill = blue.fill = false;
  addSquare(doc, 10, 10, 20, 20, blue);
  addSquare(doc, 30, 10, 40, 20, red);
  addSquare(doc, 50, 10, 60, 20, red);
  addSquare(doc, 70, 10, 80, 20, darkRed);
  Plot each = planPlot(doc, {});
  ASSERT_EQ(each.layers.size(), 3u);
  EXPECT_EQ(each.layers[0].colour, "#0000ff");
  EXPECT_EQ(each.layers[1].colour, "#ff0000");
  EXPECT_EQ(each.layers[2].colour, "#cc0000");
  PlotOptions two;
  two.pens = 2;
  Plot mapped = planPlot(doc, two);
  ASSERT_EQ(mapped.layers.size(), 2u);
  EXPECT_EQ(mapped.layers[0].colour, "#0000ff");
  EXPECT_EQ(mapped.layers[0].paths.size(), 1u);
  EXPECT_EQ(mapped.layers[1].colour, "#ff0000");  // the dark red joins the more used red
  EXPECT_EQ(mapped.layers[1].paths.size(), 3u);
}

TEST(Plot, PathsMeetingEndToEndAreJoinedAndTheNearestEndIsDrawnFirst) {
  Document doc = page();
  Style line;
  line.fill = false;
  // Painted far, near, then the far one's continuation: joined into one, drawn from its end
  // nearer the pen (the sheet's top left corner is artwork (0, 300)).
  addArt(doc, {anchor(200, 300), anchor(200, 200)}, false, line);
  addArt(doc, {anchor(0, 290), anchor(10, 290)}, false, line);
  addArt(doc, {anchor(100, 200), anchor(200, 200)}, false, line);
  Plot plot = planPlot(doc, {});
  ASSERT_EQ(plot.layers.size(), 1u);
  const std::vector<PlotPath>& paths = plot.layers[0].paths;
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_TRUE(near(paths[0].front(), sheet(0, 290)));
  EXPECT_TRUE(samePath(paths[1], {sheet(200, 300), sheet(200, 200), sheet(100, 200)}));
  EXPECT_TRUE(near(paths[1].front(), sheet(100, 200)));  // its end nearer the pen at (10, 290)
  EXPECT_EQ(plot.report.pathsBefore, 3u);
  EXPECT_EQ(plot.report.pathsAfter, 2u);
  EXPECT_NEAR(plot.report.travelSorted, 10 * kMm + std::hypot(90 * kMm, 90 * kMm), 1e-3);
  EXPECT_LT(plot.report.travelSorted, plot.report.travelUnsorted);
}

TEST(Plot, ALoopIsEnteredAtItsPointNearestThePen) {
  Document doc = page();
  Style line;
  line.fill = false;
  // Drawn from (200, 100); its corner (100, 200) is the nearest to the sheet's top left corner.
  addArt(doc, {anchor(200, 100), anchor(200, 200), anchor(100, 200), anchor(100, 100)}, true, line);
  Plot plot = planPlot(doc, {});
  std::vector<PlotPath> paths = allPaths(plot);
  ASSERT_EQ(paths.size(), 1u);
  const PlotPath& loop = paths[0];
  ASSERT_EQ(loop.size(), 5u);
  EXPECT_TRUE(near(loop.front(), sheet(100, 200)));
  EXPECT_TRUE(near(loop.back(), sheet(100, 200)));
  EXPECT_NEAR(plot.report.travelSorted, std::hypot(100 * kMm, 100 * kMm), 1e-3);
}

TEST(Plot, ManyScatteredStrokesNeedFarLessTravelSorted) {
  Document doc = page();
  Style line;
  line.fill = false;
  std::mt19937 random(3);
  std::uniform_real_distribution<float> at(5, kPage - 5), step(-4, 4);
  for (int i = 0; i < 2000; ++i) {
    float x = at(random), y = at(random);
    addArt(doc, {anchor(x, y), anchor(x + step(random), y + step(random))}, false, line);
  }
  Plot plot = planPlot(doc, {});
  EXPECT_LT(plot.report.travelSorted, 0.3 * plot.report.travelUnsorted);
  EXPECT_EQ(plot.report.pathsAfter, allPaths(plot).size());
}

TEST(Plot, TheSvgIsTheSheetInMillimetresWithALayerPerPenAndNoFill) {
  Document doc(DocumentOptions::standard());
  addSquare(doc, 10, 10, 100, 100);
  Style blue;
  blue.colour = threeColor(0, 0, 1);
  addSquare(doc, 200, 200, 300, 300, blue);
  std::ostringstream out;
  writePlotSvg(planPlot(doc, {}), out, "t", "<x/>");
  const std::string svg = out.str();
  EXPECT_NE(svg.find("width=\"215.9mm\" height=\"279.4mm\" viewBox=\"0 0 215.9 279.4\""), std::string::npos);
  EXPECT_NE(svg.find("<metadata><x/></metadata>"), std::string::npos);
  EXPECT_NE(svg.find("<g id=\"pen-1\" inkscape:groupmode=\"layer\" inkscape:label=\"Pen 1 #000000\" fill=\"none\" "
                     "stroke=\"#000000\""),
            std::string::npos);
  EXPECT_NE(svg.find("<g id=\"pen-2\" inkscape:groupmode=\"layer\" inkscape:label=\"Pen 2 #0000ff\" fill=\"none\""),
            std::string::npos);
  EXPECT_EQ(svg.find("<rect"), std::string::npos);  // no page among the strokes
  // The first square's corner (10, 10) is 3.528 mm from the left, 275.872 mm down.
  EXPECT_NE(svg.find("3.528 275.872"), std::string::npos);
}

}  // namespace
}  // namespace flhost
