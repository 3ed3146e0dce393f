#include "sheet_plan.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "dialog/dialog_layout.h"
#include "dialog_actions.h"
#include "export.h"
#include "output_file.h"
#include "param_file.h"
#include "text_format.h"

namespace fltools {

namespace {

bool readNumber(std::string_view text, double* v) {
  if (text.empty()) return false;
  const char* first = text.data();
  if (*first == '+') ++first;
  auto [end, ec] = std::from_chars(first, text.data() + text.size(), *v);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(*v);
}

// Digits only (a leading + allowed), exactly, up to 2^64 - 1.
bool readWhole(std::string_view text, uint64_t* v) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '-' || text.front() == '+') return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *v);
  return ec == std::errc() && end == text.data() + text.size();
}

// The number of values a range of `span` steps holds, as text (the count can pass what uint64 holds).
std::string countText(uint64_t span) {
  return span == UINT64_MAX ? std::string("18446744073709551616") : std::to_string(span + 1);
}

std::string tooMany(const std::string& option, const std::string& count) {
  return option + ": " + count + " values; a sheet holds at most " + std::to_string(kMaxTiles) + " tiles";
}

// seed=FROM..TO[:STEP]: whole numbers from 0 to 2^64 - 1, each tile's seed exactly as written.
void readSeeds(Variation& v, const std::string& option, std::string_view from, std::string_view to,
               std::string_view step) {
  uint64_t a = 0, b = 0, by = 1;
  for (auto [part, out] : {std::pair{from, &a}, std::pair{to, &b}, std::pair{step.empty() ? "1" : step, &by}})
    if (!readWhole(part, out))
      throw ToolError(option + ": seed \"" + std::string(part) + "\" is not a whole number from 0 to " +
                      std::to_string(UINT64_MAX));
  if (by == 0) throw ToolError(option + ": the step must be above 0");
  uint64_t span = (b < a ? a - b : b - a) / by;
  if (span >= kMaxTiles) throw ToolError(tooMany(option, countText(span)));
  for (uint64_t i = 0; i <= span; ++i) v.seeds.push_back(b < a ? a - i * by : a + i * by);
}

}  // namespace

Variation parseVariation(std::string_view text, int32_t swatchCount) {
  const std::string option = "--vary \"" + std::string(text) + "\"";
  size_t eq = text.find('=');
  size_t dots = text.find("..", eq == std::string_view::npos ? 0 : eq);
  if (eq == std::string_view::npos || dots == std::string_view::npos)
    throw ToolError(option +
                    ": expected FIELD=FROM..TO[:STEP], such as burstType=0..29, length=50..150:25 or seed=1..12");
  Variation v;
  v.name = std::string(text.substr(0, eq));
  std::string_view from = text.substr(eq + 1, dots - eq - 1), rest = text.substr(dots + 2), step;
  if (size_t colon = rest.find(':'); colon != std::string_view::npos) {
    step = rest.substr(colon + 1);
    rest = rest.substr(0, colon);
  }

  // The range the values must lie in, and whether they are whole numbers.
  double lo = 0, hi = 0;
  bool whole = true;
  if (v.name == "seed") {
    v.kind = Variation::Kind::Seed;
    readSeeds(v, option, from, rest, step);
    return v;
  }
  if (v.name == "preset") {
    v.kind = Variation::Kind::Preset;
    hi = static_cast<double>(presetNames().size() - 1);
  } else if (v.name == "tumble" || v.name == "shuffle") {
    v.kind = Variation::Kind::Presses;
    v.button = v.name == "tumble" ? fl::kTumble : fl::kShuffle;
    lo = 1;
    hi = static_cast<double>(kMaxTiles);
  } else {
    v.field = fieldNamed(v.name);
    if (!v.field)
      throw ToolError(option + ": " + unknownFieldText(v.name) +
                      "; vary a field of the record, seed, preset, tumble or shuffle");
    whole = v.field->kind != FieldKind::Float;
    lo = v.field->min;
    hi = v.field->range == FieldRange::Swatches ? swatchCount : v.field->max;
    if (std::string why = notASetting(*v.field); !why.empty())
      throw ToolError(option + ": " + why + "; vary another field");
  }

  double a = 0, b = 0, by = 1;
  auto number = [&](std::string_view part, double* out) {
    if (!readNumber(part, out)) throw ToolError(option + ": \"" + std::string(part) + "\" is not a number");
    if (whole && *out != std::floor(*out))
      throw ToolError(option + ": " + v.name + " takes whole numbers, not " + std::string(part));
  };
  number(from, &a);
  number(rest, &b);
  if (!step.empty()) {
    number(step, &by);
    if (!(by > 0)) throw ToolError(option + ": the step must be above 0");
  } else if (!whole && a != b) {
    throw ToolError(option + ": " + v.name + " is a real; give a step, such as " + v.name + "=" + std::string(from) +
                    ".." + std::string(rest) + ":" + realText(std::fabs(b - a) / 4));
  }
  for (double end : {a, b}) {
    if (v.kind == Variation::Kind::Presses && end < lo)
      throw ToolError(option + ": " + v.name + " " + realText(end) +
                      " is no number of presses: tile k is the design after k " +
                      "presses, from 1 (the design before any is what render draws)");
    if (end < lo || end > hi)
      throw ToolError(option + ": " + v.name + " " + realText(end) + " is outside " + realText(lo) + ".." +
                      realText(hi) +
                      (v.field && v.field->range == FieldRange::Swatches ? " (the document's swatches)" : ""));
  }

  // Each value is FROM plus a whole number of steps, so no error adds up along a long range; a
  // hair of tolerance keeps TO when the steps reach it only in decimal (0.1 * 3).
  double span = std::fabs(b - a) / by;
  if (span + 1 > static_cast<double>(kMaxTiles) + 0.5)
    throw ToolError(tooMany(option, realText(std::floor(span + 1e-9) + 1)));
  auto count = static_cast<size_t>(std::floor(span + 1e-9)) + 1;
  double direction = b < a ? -1 : 1;
  for (size_t i = 0; i < count; ++i) v.values.push_back(a + direction * by * static_cast<double>(i));
  return v;
}

std::string valueText(const Variation& v, size_t step) {
  if (v.kind == Variation::Kind::Seed) return std::to_string(v.seeds.at(step));
  if (!v.field || v.field->kind != FieldKind::Float) return realText(v.values.at(step));
  std::string text;
  flhost::appendShortestFloat(text, static_cast<float>(v.values.at(step)));
  return text;
}

std::string valueLabel(const Variation& v, size_t step) {
  if (v.kind == Variation::Kind::Preset) return presetNames()[static_cast<size_t>(v.values.at(step))];
  return v.name + " " + valueText(v, step);
}

std::string tileFileStem(const std::vector<Variation>& vary, const std::vector<size_t>& steps) {
  std::string stem;
  for (size_t k = 0; k < vary.size(); ++k)
    stem += (k ? "_" : "") + vary[k].name + "-" + valueText(vary[k], steps.at(k));
  return stem;
}

SheetGrid sheetGrid(const std::vector<Variation>& vary, int columns) {
  SheetGrid grid;
  if (vary.size() == 2) {
    grid.rows = static_cast<int>(vary[0].count());
    grid.columns = static_cast<int>(vary[1].count());
    grid.count = vary[0].count() * vary[1].count();
    if (grid.count > kMaxTiles)
      throw ToolError("--vary " + vary[0].name + " and " + vary[1].name + ": " + std::to_string(grid.rows) + " x " +
                      std::to_string(grid.columns) + " tiles; a sheet holds at most " + std::to_string(kMaxTiles));
    return grid;
  }
  grid.count = vary.at(0).count();
  grid.columns = static_cast<int>(std::min<size_t>(static_cast<size_t>(columns), grid.count));
  grid.rows =
      static_cast<int>((grid.count + static_cast<size_t>(grid.columns) - 1) / static_cast<size_t>(grid.columns));
  return grid;
}

std::vector<size_t> tileSteps(const std::vector<Variation>& vary, const SheetGrid& grid, size_t tile) {
  if (vary.size() == 2) return {grid.rowOf(tile), grid.columnOf(tile)};
  return {tile};
}

void setField(BurstParams& record, const BurstField& field, double value) {
  auto* slot = reinterpret_cast<unsigned char*>(&record) + field.offset;
  if (field.kind == FieldKind::Float) {
    auto f = static_cast<float>(value);
    std::memcpy(slot, &f, 4);
  } else {
    auto i = static_cast<int32_t>(value);
    std::memcpy(slot, &i, 4);
  }
}

}  // namespace fltools
