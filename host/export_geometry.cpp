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
  if (hex.empty())
    out += "null";
  else
    out += "\"" + hex + "\"";
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
  // A design's arts take turns among a few paints: those last met are found by the paint as the
  // document holds it (the stroke width apart, which is no part of a style in the table), without
  // working out how it shows.
  struct Recent {
    HostPathStyle paint;
    float opacity;
    uint32_t index;
  };
  constexpr size_t kRecentStyles = 4;
  std::vector<Recent> recent;
  size_t oldest = 0;
  auto indexOf = [&](const ArtView& art) {
    HostPathStyle paint = art.style;
    paint.strokeWidth = 0;
    for (const Recent& r : recent)
      if (r.opacity == art.opacity && std::memcmp(&r.paint, &paint, sizeof paint) == 0) return r.index;
    auto [at, made] = styleIndex.try_emplace(styleJson(shownStyle(art)), static_cast<uint32_t>(styleIndex.size()));
    if (made) table += (table.empty() ? "" : ",") + at->first;
    const Recent met{paint, art.opacity, at->second};
    if (recent.size() < kRecentStyles)
      recent.push_back(met);
    else
      recent[oldest++ % kRecentStyles] = met;
    return at->second;
  };
  auto add = [&](uint32_t slot, const ArtView& art) {
    g.slots.push_back(slot);
    g.below.push_back(doc.slotBelow(slot));
    g.styles.push_back(indexOf(art));
    g.counts.push_back(static_cast<uint32_t>(art.segments.size()) | (art.closed ? kGeometryClosed : 0));
    g.widths.push_back(shownStrokeWidth(art.style));
    g.bounds.insert(g.bounds.end(), {art.bounds.left, art.bounds.bottom, art.bounds.right, art.bounds.top});
    for (const HostPathSegment& s : art.segments)
      g.points.insert(g.points.end(), {s.p.h, s.p.v, s.in.h, s.in.v, s.out.h, s.out.v});
  };
  // The arts to send, in stacking order (for a change, a walk of the whole order costs less than
  // sorting them), counted first so that every part is made at its size once.
  std::vector<bool> touched;
  for (uint32_t slot : changed) {
    if (doc.artAt(slot)) {
      if (touched.size() <= slot) touched.resize(slot + 1);
      touched[slot] = true;
    } else {
      g.removed.push_back(slot);
    }
  }
  std::vector<uint32_t> sent;
  size_t segments = 0;
  if (!g.since || g.removed.size() < changed.size())
    doc.forEachSlot([&](uint32_t slot, const ArtView& art) {
      if (g.since && (slot >= touched.size() || !touched[slot])) return;
      sent.push_back(slot);
      segments += art.segments.size();
    });
  for (auto* part : {&g.slots, &g.below, &g.styles, &g.counts}) part->reserve(sent.size());
  g.widths.reserve(sent.size());
  g.bounds.reserve(4 * sent.size());
  g.points.reserve(6 * segments);
  for (uint32_t slot : sent) add(slot, *doc.artAt(slot));
  g.styleTable = "[" + table + "]";
  return g;
}

std::string documentGeometryBytes(const DocumentGeometry& g, std::string_view members) {
  static_assert(std::endian::native == std::endian::little, "the geometry is written as the machine holds it");
  std::string header =
      "{\"revision\":" + std::to_string(g.revision) + ",\"since\":" + (g.since ? std::to_string(*g.since) : "null") +
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
