// What a contact sheet draws: the values each --vary runs through, the tiles they make and where
// each tile sits. Pure: the sheet command draws what this plans.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "burst_fields.h"
#include "params/burst_params.h"

namespace fltools {

// One --vary: a record field (whole-number or real), the seed, the dialog's preset list, or the
// number of presses of its Tumble or Shuffle button. Its values are counted in steps from 0 (FROM)
// to count() - 1 (TO, or the last step before it).
struct Variation {
  enum class Kind { Field, Seed, Preset, Presses };
  Kind kind = Kind::Field;
  const BurstField* field = nullptr;  // Kind::Field
  int32_t button = 0;                 // Kind::Presses: the item pressed (Tumble or Shuffle)
  std::string name;                   // as written: the field's name, "seed", "preset", "tumble" or "shuffle"
  std::vector<double> values;   // a field's, preset's or presses': FROM, FROM + STEP, ... up to TO (or down to it)
  std::vector<uint64_t> seeds;  // the seed's, the same way, as whole numbers (beyond what a double holds)
  size_t count() const { return kind == Kind::Seed ? seeds.size() : values.size(); }
};

// At most this many tiles on one sheet.
inline constexpr size_t kMaxTiles = 400;

// FIELD=FROM..TO[:STEP]. Whole numbers for whole-number fields, the seed (read exactly, 0 to
// 2^64 - 1), presets and presses (tumble=1..24, shuffle=...; STEP default 1); any numbers for real
// fields, whose STEP must be given. TO may lie below FROM (the values then count down). Each value
// is checked against the field's range (the swatch fields against swatchCount, presets 0..35,
// presses 1..kMaxTiles), so no tile is drawn from a range that fails later. ToolError naming the option and what is
// wrong: an unknown field (with the closest name), a field that is not a setting of the design (run state such as
// previewValid), a value out of range, an empty or oversized range.
Variation parseVariation(std::string_view text, int32_t swatchCount);

// The value at `step` as its shortest text (a real field's as the float the record holds).
std::string valueText(const Variation& v, size_t step);
// The value at `step` as a label shows it: the preset's name; "NAME VALUE" otherwise.
std::string valueLabel(const Variation& v, size_t step);

// The tiles of a sheet: one variation laid out in `columns` columns (the last row may be short),
// or two as a grid, the first down the rows and the second across the columns. Tiles count row by
// row from 0. ToolError when there would be more than kMaxTiles.
struct SheetGrid {
  int rows = 0, columns = 0;
  size_t count = 0;
  size_t rowOf(size_t tile) const { return tile / static_cast<size_t>(columns); }
  size_t columnOf(size_t tile) const { return tile % static_cast<size_t>(columns); }
};
SheetGrid sheetGrid(const std::vector<Variation>& vary, int columns);

// The step of each variation in a tile: with one variation the tile's number; with two the row
// of the first and the column of the second.
std::vector<size_t> tileSteps(const std::vector<Variation>& vary, const SheetGrid& grid, size_t tile);

// The name of a tile's own file (sheet --each), without its extension: each variation's
// NAME-VALUE in order, joined by "_" ("burstCount-12_seed-3"; a preset by its number, "preset-9").
std::string tileFileStem(const std::vector<Variation>& vary, const std::vector<size_t>& steps);

// Writes a record field's value into the record, as the kind of the field stores it.
void setField(BurstParams& record, const BurstField& field, double value);

}  // namespace fltools
