// Contact sheet plans: the values a --vary runs through, what it refuses before any tile is drawn,
// and where each tile sits in the grid.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output_file.h"
#include "sheet_plan.h"

namespace fltools {
namespace {

constexpr int32_t kSwatches = 30;

TEST(SheetPlan, RangesRunFromFromToToInSteps) {
  const struct {
    const char* text;
    std::vector<double> values;
  } cases[] = {
      {"burstType=0..3", {0, 1, 2, 3}},
      {"burstType=3..0", {3, 2, 1, 0}},       // counting down
      {"burstCount=10..21:5", {10, 15, 20}},  // TO need not be reached exactly
      {"length=50..150:25", {50, 75, 100, 125, 150}},
      {"length=0.1..0.3:0.1", {0.1, 0.2, 0.1 + 2 * 0.1}},  // 0.1 * 3 passes 0.3 in binary
      {"length=120..120", {120}},                          // one value needs no step
      {"preset=34..35", {34, 35}},
      {"fillSwatch=28..30", {28, 29, 30}},  // the document's swatches
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Variation v = parseVariation(c.text, kSwatches);
    ASSERT_EQ(v.values.size(), c.values.size());
    for (size_t i = 0; i < c.values.size(); ++i) EXPECT_DOUBLE_EQ(v.values[i], c.values[i]);
  }
  EXPECT_EQ(parseVariation("seed=1..2", kSwatches).kind, Variation::Kind::Seed);
  // Seeds are whole numbers, exactly, up to 2^64 - 1: past 2^53 a double would merge neighbours.
  EXPECT_EQ(parseVariation("seed=7..9", kSwatches).seeds, (std::vector<uint64_t>{7, 8, 9}));
  EXPECT_EQ(parseVariation("seed=9007199254740993..9007199254740995", kSwatches).seeds,
            (std::vector<uint64_t>{9007199254740993u, 9007199254740994u, 9007199254740995u}));
  EXPECT_EQ(parseVariation("seed=18446744073709551615..18446744073709551611:2", kSwatches).seeds,
            (std::vector<uint64_t>{18446744073709551615u, 18446744073709551613u, 18446744073709551611u}));
  EXPECT_EQ(parseVariation("seed=+3..3", kSwatches).seeds, std::vector<uint64_t>{3});
  EXPECT_EQ(parseVariation("preset=1..2", kSwatches).kind, Variation::Kind::Preset);
  EXPECT_STREQ(parseVariation("angle=0..90:45", kSwatches).field->name, "angle");
}

TEST(SheetPlan, BadRangesAreRefusedWithWhatIsWrong) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"burstType", "expected FIELD=FROM..TO[:STEP]"},
      {"burstcount=4..6", "unknown field \"burstcount\" (did you mean burstCount?)"},
      {"burstCount=1..5", "burstCount 1 is outside 2..150"},
      {"fillSwatch=0..31", "fillSwatch 31 is outside 0..30 (the document's swatches)"},
      {"preset=30..36", "preset 36 is outside 0..35"},
      {"length=50..150", "length is a real; give a step, such as length=50..150:25"},
      {"burstType=0.5..3", "burstType takes whole numbers, not 0.5"},
      {"burstType=0..3:0", "the step must be above 0"},
      {"burstType=0..x", "\"x\" is not a number"},
      {"length=0..nan:1", "\"nan\" is not a number"},
      {"seed=1..1000", "1000 values; a sheet holds at most 400 tiles"},
      {"seed=0..18446744073709551615", "18446744073709551616 values; a sheet holds at most 400 tiles"},
      {"seed=1..18446744073709551616",
       "seed \"18446744073709551616\" is not a whole number from 0 to 18446744073709551615"},
      {"seed=-1..2", "seed \"-1\" is not a whole number from 0 to"},
      {"seed=1.5..2", "seed \"1.5\" is not a whole number"},
      {"seed=1e3..1001", "seed \"1e3\" is not a whole number"},
      {"seed=1..3:0", "the step must be above 0"},
      {"dialogLeft=0..1", "dialogLeft is not a setting of the design"},
      // Run state: a tile drawn with it would not be the design its description names.
      {"previewValid=0..1", "previewValid is not a setting of the design but run state"},
      {"finalRun=0..1", "finalRun is not a setting of the design but run state"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      parseVariation(c.text, kSwatches);
      ADD_FAILURE() << "accepted";
    } catch (const ToolError& e) {
      std::string what = e.what();
      EXPECT_EQ(what.rfind(std::string("--vary \"") + c.text + "\": ", 0), 0u) << what;
      EXPECT_NE(what.find(c.message), std::string::npos) << what;
    }
  }
}

TEST(SheetPlan, LabelsShowTheValueAsTheRecordHoldsIt) {
  EXPECT_EQ(valueLabel(parseVariation("burstType=0..1", kSwatches), 1), "burstType 1");
  EXPECT_EQ(valueLabel(parseVariation("length=0.1..0.3:0.1", kSwatches), 2), "length 0.3");
  EXPECT_EQ(valueLabel(parseVariation("seed=1..2", kSwatches), 1), "seed 2");
  EXPECT_EQ(valueLabel(parseVariation("seed=9007199254740993..9007199254740994", kSwatches), 0),
            "seed 9007199254740993");
  EXPECT_EQ(valueLabel(parseVariation("preset=0..1", kSwatches), 1), "Star20");
}

TEST(SheetPlan, ATilesFileIsNamedByItsValuesInVaryOrder) {
  std::vector<Variation> vary = {parseVariation("burstCount=10..12", kSwatches),
                                 parseVariation("seed=3..4", kSwatches)};
  EXPECT_EQ(tileFileStem(vary, {2, 0}), "burstCount-12_seed-3");
  std::vector<Variation> one = {parseVariation("length=100..101:0.5", kSwatches)};
  EXPECT_EQ(tileFileStem(one, {1}), "length-100.5");
  std::vector<Variation> presets = {parseVariation("preset=9..10", kSwatches)};
  EXPECT_EQ(tileFileStem(presets, {0}), "preset-9");
}

TEST(SheetPlan, OneVariationFillsRowsTwoMakeAGrid) {
  std::vector<Variation> one = {parseVariation("shapeOption=0..13", kSwatches)};
  SheetGrid g = sheetGrid(one, 6);
  EXPECT_EQ(g.rows, 3);
  EXPECT_EQ(g.columns, 6);
  EXPECT_EQ(g.count, 14u);
  EXPECT_EQ(g.rowOf(13), 2u);
  EXPECT_EQ(g.columnOf(13), 1u);
  EXPECT_EQ(tileSteps(one, g, 13), std::vector<size_t>{13});
  // Fewer values than columns: one short row.
  SheetGrid narrow = sheetGrid({parseVariation("shapeOption=0..2", kSwatches)}, 6);
  EXPECT_EQ(narrow.columns, 3);
  EXPECT_EQ(narrow.rows, 1);

  std::vector<Variation> two = {parseVariation("burstCount=4..6", kSwatches), parseVariation("seed=1..4", kSwatches)};
  SheetGrid grid = sheetGrid(two, 6);  // the columns come from the second variation
  EXPECT_EQ(grid.rows, 3);
  EXPECT_EQ(grid.columns, 4);
  EXPECT_EQ(grid.count, 12u);
  EXPECT_EQ(tileSteps(two, grid, 6), (std::vector<size_t>{1, 2}));

  std::vector<Variation> big = {parseVariation("seed=1..21", kSwatches), parseVariation("burstType=0..19", kSwatches)};
  EXPECT_THROW(sheetGrid(big, 6), ToolError);
}

}  // namespace
}  // namespace fltools
