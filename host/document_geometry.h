// The arts as compact geometry, for a viewer that draws them itself (the browser page and its
// workers, which read the bytes as they are, without copying them into a form of their own).
//
// Every art, or with `since` only what changed after that revision (Document::changedSince),
// unless the log no longer reaches back that far. Arts come in stacking order, bottom first, so
// that each one's neighbour below is known before it.
//
// The layout, little-endian, every part 4-byte aligned: u32 the length of a JSON header (padded
// with spaces to a multiple of 4), the header {"revision", "since", "arts", "removed",
// "segments", "styles": the style table, and whatever members the writer is given}, then the
// parts of kGeometryParts back to back, in that order. The page learns the parts and the two
// marks below from the host (the page contract), so that this table is the one description of
// the layout.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"

namespace flhost {

// In `counts`: the bit of a closed path. In `below`: no art (the art is the bottom one).
inline constexpr uint32_t kGeometryClosed = 0x80000000u;
inline constexpr uint32_t kGeometryNone = 0xffffffffu;

struct DocumentGeometry {
  uint64_t revision = 0;
  std::optional<uint64_t> since;  // the revision the change starts from; none: every art
  std::vector<uint32_t> removed;  // slots (see Document) that no longer hold an art
  std::vector<uint32_t> slots;    // per art: its slot,
  std::vector<uint32_t> below;    // the slot of the art below it (kGeometryNone: none),
  std::vector<uint32_t> styles;   // its style's index in styleTable,
  std::vector<uint32_t> counts;   // its segment count, with kGeometryClosed for a closed path,
  std::vector<float> widths;      // its stroke width,
  std::vector<float> bounds;      // the bounds of its curves: left, bottom, right, top (y up;
                                  // left > right for an art without segments)
  std::vector<float> points;      // per segment p, in, out: x, y in artwork space (y up)
  // A JSON array of ShownStyle without the width: {"fill", "stroke": "#rrggbb" or null,
  // "evenOdd", "cap", "join", "miterLimit", "dash": [...], "dashOffset", "opacity"}.
  std::string styleTable;
};

// One part of the layout: its name (a member of DocumentGeometry), its numbers ("u32" or "f32"),
// and its length: `per` numbers for each of the header's count named `count`.
struct GeometryPart {
  const char* name;
  const char* type;
  const char* count;
  uint32_t per;
};
inline constexpr GeometryPart kGeometryParts[] = {
    {"removed", "u32", "removed", 1}, {"slots", "u32", "arts", 1},      {"below", "u32", "arts", 1},
    {"styles", "u32", "arts", 1},     {"counts", "u32", "arts", 1},     {"widths", "f32", "arts", 1},
    {"bounds", "f32", "arts", 4},     {"points", "f32", "segments", 6},
};

DocumentGeometry documentGeometry(const Document& doc, std::optional<uint64_t> since);

// The geometry in the layout above. `members`, when not empty, is more of the header: JSON
// members (`"state":{...}`) written after the style table.
std::string documentGeometryBytes(const DocumentGeometry& g, std::string_view members = {});

}  // namespace flhost
