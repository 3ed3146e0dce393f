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

// One --vary: a record field (whole-number or real), the seed, or the dialog's preset list.
struct Variation {
  enum class Kind { Field, Seed, Preset };
  Kind kind = Kind::Field;
  const BurstField* field = nullptr;  // Kind::Field
  std::string name;                   // as written: the field's name, "seed" or "preset"
  std::vector<double> values;         // FROM, FROM + STEP, ... up to TO (or down to it)
};

// At most this many tiles on one sheet.
inline constexpr size_t kMaxTiles = 400;

// FIELD=FROM..TO[:STEP]. Whole numbers for whole-number fields, the seed and presets (STEP
// default 1); any numbers for real fields, whose STEP must be given. TO may lie below FROM (the
// values then count down). Each value is checked against the field's range (the swatch fields
// against swatchCount, presets 0..35), so no tile is drawn from a range that fails later.
// ToolError naming the option and what is wrong: an unknown field (with the closest name), a
// value out of range, an empty or oversized range.
Variation parseVariation(std::string_view text, int32_t swatchCount);

// A value as its shortest text (a real field's as the float the record holds).
std::string valueText(const Variation& v, double value);
// A value as a label shows it: the preset's name; "NAME VALUE" otherwise.
std::string valueLabel(const Variation& v, double value);

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

// The value each variation takes in a tile: with one variation its tile-th value; with two the
// row's value of the first and the column's of the second.
std::vector<double> tileValues(const std::vector<Variation>& vary, const SheetGrid& grid, size_t tile);

// Writes a record field's value into the record, as the kind of the field stores it.
void setField(BurstParams& record, const BurstField& field, double value);

}  // namespace fltools
