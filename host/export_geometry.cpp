#include <array>
#include <bit>
#include <cstring>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "document_geometry.h"
#include "export.h"

namespace flhost {

namespace {

void appendJsonColour(std::string& out, const std::string& hex) {
  if (hex.empty()) out += "null";
  else out += "\"" + hex + "\"";
}

// A style's JSON, without the width, which is also its key in the style table.
std::string styleJson(const ShownStyle& s) {
  std::string j = "{\"fill\":";
  appendJsonColour(j, s.fill);
  j += ",\"stroke\":";
  appendJsonColour(j, s.stroke);
  j += s.evenOdd ? ",\"evenOdd\":true" : ",\"evenOdd\":false";
  j += ",\"cap\":" + std::to_string(s.cap) + ",\"join\":" + std::to_string(s.join) + ",\"miterLimit\":";
  appendShortestFloat(j, s.miterLimit);
  j += ",\"dash\":[";
  for (size_t i = 0; i < s.dash.size(); ++i) {
    if (i) j += ",";
    appendShortestFloat(j, s.dash[i]);
  }
  j += "],\"dashOffset\":";
  appendShortestFloat(j, s.dashOffset);
  j += ",\"opacity\":";
  appendShortestFloat(j, s.opacity);
  return j + "}";
}

// Equal apart from the width, which is not part of a style in the table.
bool sameStyle(const ShownStyle& a, const ShownStyle& b) {
  return a.fill == b.fill && a.stroke == b.stroke && a.evenOdd == b.evenOdd && a.cap == b.cap && a.join == b.join &&
         a.miterLimit == b.miterLimit && a.dash == b.dash && a.dashOffset == b.dashOffset && a.opacity == b.opacity;
}

// The parts in the order of kGeometryParts.
std::array<std::span<const std::byte>, std::size(kGeometryParts)> partsOf(const DocumentGeometry& g) {
  static_assert(sizeof(uint32_t) == 4 && sizeof(float) == 4);
  return {std::as_bytes(std::span(g.removed)), std::as_bytes(std::span(g.slots)),  std::as_bytes(std::span(g.below)),
          std::as_bytes(std::span(g.styles)),  std::as_bytes(std::span(g.counts)), std::as_bytes(std::span(g.widths)),
          std::as_bytes(std::span(g.bounds)),  std::as_bytes(std::span(g.points))};
}

}  // namespace

DocumentGeometry documentGeometry(const Document& doc, std::optional<uint64_t> since) {
  DocumentGeometry g;
  g.revision = doc.revision();
  std::vector<uint32_t> changed;
  if (since && doc.changedSince(*since, &changed)) g.since = since;

  std::unordered_map<std::string, uint32_t> styleIndex;
  std::string table;
  // A design's arts take turns among a few styles: those last met are found without their JSON.
  constexpr size_t kRecentStyles = 4;
  std::vector<std::pair<ShownStyle, uint32_t>> recent;
  size_t oldest = 0;
  auto indexOf = [&](const ShownStyle& shown) {
    for (const auto& [style, index] : recent)
      if (sameStyle(style, shown)) return index;
    auto [at, made] = styleIndex.try_emplace(styleJson(shown), static_cast<uint32_t>(styleIndex.size()));
    if (made) table += (table.empty() ? "" : ",") + at->first;
    if (recent.size() < kRecentStyles) recent.emplace_back(shown, at->second);
    else recent[oldest++ % kRecentStyles] = {shown, at->second};
    return at->second;
  };
  auto add = [&](uint32_t slot, const ArtView& art) {
    ShownStyle shown = shownStyle(art);
    g.slots.push_back(slot);
    g.below.push_back(doc.slotBelow(slot));
    g.styles.push_back(indexOf(shown));
    g.counts.push_back(static_cast<uint32_t>(art.segments.size()) | (art.closed ? kGeometryClosed : 0));
    g.widths.push_back(shown.width);
    g.bounds.insert(g.bounds.end(), {art.bounds.left, art.bounds.bottom, art.bounds.right, art.bounds.top});
    for (const HostPathSegment& s : art.segments)
      g.points.insert(g.points.end(), {s.p.h, s.p.v, s.in.h, s.in.v, s.out.h, s.out.v});
  };
  if (g.since) {
    // The changed arts in stacking order: a walk of the whole order costs less than sorting them.
    std::vector<bool> touched;
    for (uint32_t slot : changed) {
      if (doc.artAt(slot)) {
        if (touched.size() <= slot) touched.resize(slot + 1);
        touched[slot] = true;
      } else {
        g.removed.push_back(slot);
      }
    }
    if (g.removed.size() < changed.size())
      doc.forEachSlot([&](uint32_t slot, const ArtView& art) {
        if (slot < touched.size() && touched[slot]) add(slot, art);
      });
  } else {
    doc.forEachSlot(add);
  }
  g.styleTable = "[" + table + "]";
  return g;
}

std::string documentGeometryBytes(const DocumentGeometry& g, std::string_view members) {
  static_assert(std::endian::native == std::endian::little, "the geometry is written as the machine holds it");
  std::string header = "{\"revision\":" + std::to_string(g.revision) +
                       ",\"since\":" + (g.since ? std::to_string(*g.since) : "null") +
                       ",\"arts\":" + std::to_string(g.slots.size()) + ",\"removed\":" + std::to_string(g.removed.size()) +
                       ",\"segments\":" + std::to_string(g.points.size() / 6) + ",\"styles\":" + g.styleTable;
  if (!members.empty()) (header += ',') += members;
  header += '}';
  header.append((4 - header.size() % 4) % 4, ' ');
  const auto parts = partsOf(g);
  size_t size = 4 + header.size();
  for (const auto& part : parts) size += part.size();
  std::string out;
  out.reserve(size);
  const auto length = static_cast<uint32_t>(header.size());
  out.append(reinterpret_cast<const char*>(&length), 4);
  out += header;
  for (const auto& part : parts) out.append(reinterpret_cast<const char*>(part.data()), part.size());
  return out;
}

}  // namespace flhost
