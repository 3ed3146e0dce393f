// Plotter line art: outlines flattened, hidden parts clipped away with Clipper, grouped by pen,
// joined and ordered by nearest neighbour.
#include "export_plot.h"

#include <clipper.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <optional>
#include <ostream>
#include <unordered_map>

#include "color.h"
#include "export.h"

namespace flhost {

namespace {

using ClipperLib::cInt;
using ClipperLib::IntPoint;
using ClipperLib::Path;
using ClipperLib::Paths;

constexpr double kMmPerPoint = 25.4 / 72.0;
constexpr double kUnits = 10000.0;          // Clipper's integer units a millimetre (0.1 micrometre)
constexpr double kFarthestMm = 10'000'000;  // 10 km: beyond, an art is not drawn

// An art as the plan sees it: its outline on the sheet, its pen colour, and what it hides.
struct PlotArt {
  Path outline;  // the first point repeated at the end when closed
  uint32_t colour = 0;
  Paths cover;  // the area its fill hides, simplified by its fill rule; empty when it hides none
  cInt left = 0, top = 0, right = 0, bottom = 0;  // the outline's bounds
};

uint32_t rgb24(const HostColor& c) {
  Rgb rgb = toRgb(c);
  auto channel = [](double v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  return channel(rgb.r) << 16 | channel(rgb.g) << 8 | channel(rgb.b);
}

std::string colourText(uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(rgb));
  return text;
}

// The outline as straight pieces on the sheet, each cubic cut into as many equal steps of t as
// keep it within `tolerance` (mm): a cubic's uniform chords stray at most 3/4 of its largest
// second difference over n^2. Empty when a point is not finite or too far out.
bool flatten(const ArtView& art, double pageHeight, double tolerance, Path& out) {
  const auto& s = art.segments;
  auto sheet = [&](const HostRealPoint& p, double* x, double* y) {
    *x = p.h * kMmPerPoint;
    *y = (pageHeight - p.v) * kMmPerPoint;
    return std::isfinite(*x) && std::isfinite(*y) && std::fabs(*x) < kFarthestMm && std::fabs(*y) < kFarthestMm;
  };
  auto add = [&](double x, double y) {
    IntPoint p(static_cast<cInt>(std::llround(x * kUnits)), static_cast<cInt>(std::llround(y * kUnits)));
    if (out.empty() || !(out.back() == p)) out.push_back(p);
  };
  out.clear();
  const size_t n = s.size();
  if (n == 0) return false;
  double x0, y0;
  if (!sheet(s[0].p, &x0, &y0)) return false;
  add(x0, y0);
  const size_t curves = art.closed ? n : n - 1;
  for (size_t i = 0; i < curves; ++i) {
    const HostPathSegment& a = s[i];
    const HostPathSegment& b = s[(i + 1) % n];
    double x[4], y[4];
    if (!sheet(a.p, &x[0], &y[0]) || !sheet(a.out, &x[1], &y[1]) || !sheet(b.in, &x[2], &y[2]) ||
        !sheet(b.p, &x[3], &y[3]))
      return false;
    const double dd = std::max(std::hypot(x[0] - 2 * x[1] + x[2], y[0] - 2 * y[1] + y[2]),
                               std::hypot(x[1] - 2 * x[2] + x[3], y[1] - 2 * y[2] + y[3]));
    // A cubic whose handles sit on its anchors is the straight line between them.
    const bool line = x[1] == x[0] && y[1] == y[0] && x[2] == x[3] && y[2] == y[3];
    const int steps =
        line || dd == 0 ? 1 : static_cast<int>(std::clamp(std::ceil(std::sqrt(0.75 * dd / tolerance)), 1.0, 1000.0));
    for (int k = 1; k <= steps; ++k) {
      const double t = static_cast<double>(k) / steps, u = 1 - t;
      const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
      add(b0 * x[0] + b1 * x[1] + b2 * x[2] + b3 * x[3], b0 * y[0] + b1 * y[1] + b2 * y[2] + b3 * y[3]);
    }
  }
  if (art.closed && out.size() > 1 && !(out.back() == out.front())) out.push_back(out.front());
  return true;
}

double distance(const PlotPoint& a, const PlotPoint& b) { return std::hypot(a.x - b.x, a.y - b.y); }

double travel(const std::vector<PlotPath>& paths) {
  double sum = 0;
  PlotPoint pen;
  for (const PlotPath& p : paths) {
    sum += distance(pen, p.front());
    pen = p.back();
  }
  return sum;
}

// Paths that meet end to end (exactly: clipped pieces of one outline share their cut points)
// joined into one, in the order of the first of them.
std::vector<PlotPath> joined(std::vector<PlotPath> paths) {
  std::map<std::pair<double, double>, std::vector<size_t>> ends;
  for (size_t i = 0; i < paths.size(); ++i) {
    ends[{paths[i].front().x, paths[i].front().y}].push_back(i);
    ends[{paths[i].back().x, paths[i].back().y}].push_back(i);
  }
  std::vector<bool> used(paths.size(), false);
  // An unused path other than `self` with an end at p, turned so that it starts there.
  auto take = [&](const PlotPoint& p, size_t self) -> std::optional<PlotPath> {
    auto it = ends.find({p.x, p.y});
    if (it == ends.end()) return std::nullopt;
    for (size_t j : it->second) {
      if (used[j] || j == self) continue;
      used[j] = true;
      PlotPath next = std::move(paths[j]);
      if (!(next.front() == p)) std::reverse(next.begin(), next.end());
      return next;
    }
    return std::nullopt;
  };
  std::vector<PlotPath> result;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (used[i]) continue;
    used[i] = true;
    PlotPath path = std::move(paths[i]);
    if (path.front() == path.back() && path.size() > 2) {  // a loop stays a loop
      result.push_back(std::move(path));
      continue;
    }
    while (auto next = take(path.back(), i)) path.insert(path.end(), next->begin() + 1, next->end());
    while (auto before = take(path.front(), i)) {
      std::reverse(before->begin(), before->end());
      before->insert(before->end(), path.begin() + 1, path.end());
      path = std::move(*before);
    }
    result.push_back(std::move(path));
  }
  return result;
}

// Greedy nearest neighbour with reversal, from the sheet's corner: the next path is the one with an
// end nearest the pen, drawn from that end; a loop may be entered at any of its points. The
// places a path can start from sit in a grid, searched ring by ring around the pen until no
// nearer one can remain.
bool isLoop(const PlotPath& p) { return p.size() > 2 && p.front() == p.back(); }

std::vector<PlotPath> ordered(std::vector<PlotPath> paths) {
  const size_t n = paths.size();
  struct Entry {
    uint32_t path, vertex;
  };
  std::vector<Entry> entries;
  for (size_t i = 0; i < n; ++i) {
    const auto last = static_cast<uint32_t>(paths[i].size() - 1);
    if (isLoop(paths[i])) {
      for (uint32_t v = 0; v < last; ++v) entries.push_back({static_cast<uint32_t>(i), v});
    } else {
      entries.push_back({static_cast<uint32_t>(i), 0});
      entries.push_back({static_cast<uint32_t>(i), last});
    }
  }
  auto pointOf = [&](const Entry& e) -> const PlotPoint& { return paths[e.path][e.vertex]; };
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  for (const Entry& e : entries) {
    const PlotPoint& p = pointOf(e);
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  const int side = static_cast<int>(std::clamp(std::sqrt(static_cast<double>(entries.size()) / 4), 1.0, 1024.0));
  const double cell = std::max({maxX - minX, maxY - minY, 1e-6}) / side;
  auto cellOf = [&](double v, double lo) { return std::clamp(static_cast<int>((v - lo) / cell), 0, side - 1); };
  std::vector<std::vector<uint32_t>> grid(static_cast<size_t>(side) * side);  // indices into entries
  for (size_t k = 0; k < entries.size(); ++k) {
    const PlotPoint& p = pointOf(entries[k]);
    grid[static_cast<size_t>(cellOf(p.y, minY)) * side + cellOf(p.x, minX)].push_back(static_cast<uint32_t>(k));
  }
  std::vector<bool> done(n, false);
  std::vector<PlotPath> result;
  result.reserve(n);
  PlotPoint pen;
  for (size_t count = 0; count < n; ++count) {
    const int cx = cellOf(pen.x, minX), cy = cellOf(pen.y, minY);
    double best = std::numeric_limits<double>::infinity();
    uint32_t chosen = 0;
    for (int ring = 0; ring < side; ++ring) {
      for (int y = cy - ring; y <= cy + ring; ++y) {
        if (y < 0 || y >= side) continue;
        const bool edgeRow = y == cy - ring || y == cy + ring;
        for (int x = cx - ring; x <= cx + ring; x += edgeRow ? 1 : 2 * ring) {
          if (x >= 0 && x < side) {
            auto& cellEntries = grid[static_cast<size_t>(y) * side + x];
            std::erase_if(cellEntries, [&](uint32_t k) { return done[entries[k].path]; });
            for (uint32_t k : cellEntries) {
              const double d = distance(pen, pointOf(entries[k]));
              if (d < best || (d == best && k < chosen)) best = d, chosen = k;
            }
          }
          if (ring == 0) break;
        }
      }
      // Every point in a ring further out lies at least `ring` cells from the pen's cell.
      if (best <= ring * cell) break;
    }
    const Entry e = entries[chosen];
    done[e.path] = true;
    PlotPath path = std::move(paths[e.path]);
    if (isLoop(path) && e.vertex > 0) {
      path.pop_back();
      std::rotate(path.begin(), path.begin() + e.vertex, path.end());
      path.push_back(path.front());
    } else if (e.vertex > 0) {
      std::reverse(path.begin(), path.end());
    }
    pen = path.back();
    result.push_back(std::move(path));
  }
  return result;
}

double colourDistance(uint32_t a, uint32_t b) {
  auto d = [&](int shift) {
    return static_cast<double>(static_cast<int>((a >> shift) & 255) - static_cast<int>((b >> shift) & 255));
  };
  return std::sqrt(d(16) * d(16) + d(8) * d(8) + d(0) * d(0));
}

// Each colour's pen: itself, or with more colours than pens the nearest of the pens chosen.
std::unordered_map<uint32_t, uint32_t> pensFor(const std::vector<uint32_t>& colours,
                                               const std::unordered_map<uint32_t, size_t>& use, int pens) {
  std::unordered_map<uint32_t, uint32_t> pen;
  if (pens <= 0 || colours.size() <= static_cast<size_t>(pens)) {
    for (uint32_t c : colours) pen[c] = c;
    return pen;
  }
  auto moreUsed = [&](uint32_t a, uint32_t b) { return use.at(a) != use.at(b) ? use.at(a) > use.at(b) : a < b; };
  std::vector<uint32_t> chosen{*std::min_element(colours.begin(), colours.end(), moreUsed)};
  while (chosen.size() < static_cast<size_t>(pens)) {
    uint32_t far = 0;
    double farthest = -1;
    for (uint32_t c : colours) {
      double nearest = std::numeric_limits<double>::infinity();
      for (uint32_t p : chosen) nearest = std::min(nearest, colourDistance(c, p));
      if (nearest > farthest || (nearest == farthest && moreUsed(c, far))) farthest = nearest, far = c;
    }
    chosen.push_back(far);
  }
  for (uint32_t c : colours) {
    uint32_t best = chosen.front();
    for (uint32_t p : chosen)
      if (colourDistance(c, p) < colourDistance(c, best)) best = p;
    pen[c] = best;
  }
  return pen;
}

}  // namespace

Plot planPlot(const Document& doc, const PlotOptions& options) {
  Plot plot;
  const double pageHeight = doc.pageHeight();
  plot.widthMm = doc.pageWidth() * kMmPerPoint;
  plot.heightMm = pageHeight * kMmPerPoint;
  const double tolerance = std::max(options.toleranceMm, 1e-4);

  // The arts bottom to top.
  std::vector<PlotArt> arts;
  doc.forEachSlot([&](uint32_t, const ArtView& art) {
    const HostPathStyle& st = art.style;
    const bool stroked = st.strokePaint && std::isfinite(st.strokeWidth) && st.strokeWidth > 0;
    if (!stroked && !st.fillPaint) return;
    PlotArt a;
    if (!flatten(art, pageHeight, tolerance, a.outline) || a.outline.size() < 2) return;
    a.colour = rgb24(stroked ? st.strokeColor : st.fillColor);
    const bool opaque = !std::isfinite(art.opacity) || art.opacity >= 1;
    if (st.fillPaint && opaque && a.outline.size() > 2)
      ClipperLib::SimplifyPolygon(a.outline, a.cover, st.evenOddFill ? ClipperLib::pftEvenOdd : ClipperLib::pftNonZero);
    a.left = a.right = a.outline[0].X;
    a.top = a.bottom = a.outline[0].Y;
    for (const IntPoint& p : a.outline) {
      a.left = std::min(a.left, p.X), a.right = std::max(a.right, p.X);
      a.top = std::min(a.top, p.Y), a.bottom = std::max(a.bottom, p.Y);
    }
    arts.push_back(std::move(a));
  });

  const cInt pageRight = static_cast<cInt>(std::llround(plot.widthMm * kUnits));
  const cInt pageBottom = static_cast<cInt>(std::llround(plot.heightMm * kUnits));
  // Off the page is hidden too: a large square with the page as its hole. A line along the page's
  // edge stays: the hole reaches a unit past it.
  const cInt far = static_cast<cInt>(kFarthestMm * kUnits * 2);
  Paths offPage{{{-far, -far}, {far, -far}, {far, far}, {-far, far}},
                {{-1, -1}, {-1, pageBottom + 1}, {pageRight + 1, pageBottom + 1}, {pageRight + 1, -1}}};
  if (!ClipperLib::Orientation(offPage[0])) ClipperLib::ReversePath(offPage[0]);
  if (ClipperLib::Orientation(offPage[1])) ClipperLib::ReversePath(offPage[1]);

  // From the top down, in blocks of arts: an outline is clipped by the union of the fills of
  // every block above its own (kept as one set of polygons, `cover`) and by the fills above it
  // in its own block, one by one. Each block's fills then join the union. Arts far from a polygon
  // set leave it out.
  constexpr size_t kBlock = 64;
  auto overlaps = [](const PlotArt& a, cInt l, cInt t, cInt r, cInt b) {
    return !(r < a.left || l > a.right || b < a.top || t > a.bottom);
  };
  std::vector<Paths> pieces(arts.size());
  Paths cover;
  cInt coverLeft = 0, coverTop = 0, coverRight = -1, coverBottom = -1;  // empty
  for (size_t end = arts.size(); end > 0;) {
    const size_t begin = end > kBlock ? end - kBlock : 0;
    for (size_t i = end; i-- > begin;) {
      const PlotArt& a = arts[i];
      ClipperLib::Clipper clipper;
      clipper.AddPath(a.outline, ClipperLib::ptSubject, false);
      clipper.AddPaths(offPage, ClipperLib::ptClip, true);
      if (!cover.empty() && overlaps(a, coverLeft, coverTop, coverRight, coverBottom))
        clipper.AddPaths(cover, ClipperLib::ptClip, true);
      for (size_t j = i + 1; j < end; ++j)
        if (!arts[j].cover.empty() && overlaps(a, arts[j].left, arts[j].top, arts[j].right, arts[j].bottom))
          clipper.AddPaths(arts[j].cover, ClipperLib::ptClip, true);
      ClipperLib::PolyTree tree;
      clipper.Execute(ClipperLib::ctDifference, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
      ClipperLib::OpenPathsFromPolyTree(tree, pieces[i]);
    }
    ClipperLib::Clipper merge;
    bool any = false;
    for (size_t j = begin; j < end; ++j) {
      const PlotArt& a = arts[j];
      if (a.cover.empty() || a.right < 0 || a.bottom < 0 || a.left > pageRight || a.top > pageBottom) continue;
      merge.AddPaths(a.cover, ClipperLib::ptSubject, true);
      if (!any && cover.empty()) coverLeft = a.left, coverTop = a.top, coverRight = a.right, coverBottom = a.bottom;
      coverLeft = std::min(coverLeft, a.left), coverTop = std::min(coverTop, a.top);
      coverRight = std::max(coverRight, a.right), coverBottom = std::max(coverBottom, a.bottom);
      any = true;
    }
    if (any) {
      merge.AddPaths(cover, ClipperLib::ptSubject, true);
      merge.Execute(ClipperLib::ctUnion, cover, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    }
    end = begin;
  }

  // The pieces in paint order, grouped by colour.
  std::vector<uint32_t> colours;
  std::unordered_map<uint32_t, std::vector<PlotPath>> byColour;
  std::unordered_map<uint32_t, size_t> use;
  for (size_t i = 0; i < arts.size(); ++i) {
    const PlotArt& a = arts[i];
    plot.report.segmentsBefore += a.outline.size() - 1;
    ++plot.report.pathsBefore;
    if (!byColour.count(a.colour)) colours.push_back(a.colour);
    std::vector<PlotPath>& into = byColour[a.colour];
    for (const Path& piece : pieces[i]) {
      if (piece.size() < 2) continue;
      PlotPath path;
      for (const IntPoint& p : piece)
        path.push_back({static_cast<double>(p.X) / kUnits, static_cast<double>(p.Y) / kUnits});
      plot.report.segmentsAfter += path.size() - 1;
      use[a.colour] += path.size() - 1;
      into.push_back(std::move(path));
    }
  }

  // Pens, in the order their colours first appear.
  std::unordered_map<uint32_t, uint32_t> pen = pensFor(colours, use, options.pens);
  std::vector<uint32_t> penOrder;
  std::unordered_map<uint32_t, std::vector<PlotPath>> byPen;
  for (uint32_t c : colours) {
    uint32_t p = pen.at(c);
    if (!byPen.count(p)) penOrder.push_back(p);
    auto& paths = byPen[p];
    for (PlotPath& path : byColour[c]) paths.push_back(std::move(path));
  }
  for (uint32_t p : penOrder) {
    std::vector<PlotPath>& paths = byPen[p];
    plot.report.travelUnsorted += travel(paths);
    PlotLayer layer{colourText(p), ordered(joined(std::move(paths)))};
    plot.report.travelSorted += travel(layer.paths);
    plot.report.pathsAfter += layer.paths.size();
    if (!layer.paths.empty()) plot.layers.push_back(std::move(layer));
  }
  return plot;
}

void writePlotSvg(const Plot& plot, std::ostream& out, std::string_view title, std::string_view metadata) {
  std::string s;
  auto number = [&](double v) { appendThousandths(s, v); };
  s += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
       "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" "
       "version=\"1.1\" width=\"";
  number(plot.widthMm);
  s += "mm\" height=\"";
  number(plot.heightMm);
  s += "mm\" viewBox=\"0 0 ";
  number(plot.widthMm);
  s += ' ';
  number(plot.heightMm);
  s += "\">\n<title>";
  s += title;
  s += "</title>\n";
  if (!metadata.empty()) {
    s += "<metadata>";
    s += metadata;
    s += "</metadata>\n";
  }
  out << s;
  for (size_t i = 0; i < plot.layers.size(); ++i) {
    const PlotLayer& layer = plot.layers[i];
    s = "<g id=\"pen-" + std::to_string(i + 1) + "\" inkscape:groupmode=\"layer\" inkscape:label=\"Pen " +
        std::to_string(i + 1) + " " + layer.colour + "\" fill=\"none\" stroke=\"" + layer.colour +
        "\" stroke-width=\"0.3\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
    for (const PlotPath& path : layer.paths) {
      s += "<path d=\"";
      for (size_t k = 0; k < path.size(); ++k) {
        s += k == 0 ? 'M' : 'L';
        number(path[k].x);
        s += ' ';
        number(path[k].y);
      }
      s += "\"/>\n";
      if (s.size() > (1 << 16)) {
        out << s;
        s.clear();
      }
    }
    s += "</g>\n";
    out << s;
  }
  out << "</svg>\n";
}

}  // namespace flhost
