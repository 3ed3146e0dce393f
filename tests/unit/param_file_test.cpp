// Parameter files: both formats round-trip bit for bit, what cannot be a record is refused and a
// value outside its control's range is kept with a warning, each message naming the file, the
// field and the value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "burst_fields.h"
#include "param_file.h"
#include "unit/temp_dir.h"

namespace fltools {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kSwatches = 30;

// The record a first run makes on the standard page (view centre 306, 396).
BurstParams defaults() {
  BurstParams p{};
  auto* bytes = reinterpret_cast<unsigned char*>(&p);
  for (const BurstField& f : kBurstFields) {
    double v = f.defaultKind == FieldDefault::ViewCentreX   ? 106.0
               : f.defaultKind == FieldDefault::ViewCentreY ? 396.0
               : f.defaultKind == FieldDefault::NotWritten  ? 0.0
                                                            : f.defaultValue;
    if (f.kind == FieldKind::Float) {
      float x = static_cast<float>(v);
      std::memcpy(bytes + f.offset, &x, 4);
    } else {
      int32_t i = static_cast<int32_t>(v);
      std::memcpy(bytes + f.offset, &i, 4);
    }
  }
  return p;
}

bool sameBits(const BurstParams& a, const BurstParams& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The problems paramsFromJson reports for the text; empty when it is accepted.
std::vector<std::string> jsonProblems(const std::string& text) {
  try {
    paramsFromJson(text, "params.json");
    return {};
  } catch (const ParamFileError& e) {
    return e.problems();
  }
}

// The default record's JSON with one field's value text replaced.
std::string withValue(const std::string& name, const std::string& value) {
  std::string text = paramsToJson(defaults());
  std::string key = "\"" + name + "\": ";
  size_t at = text.find(key);
  EXPECT_NE(at, std::string::npos) << name;
  at += key.size();
  size_t end = text.find_first_of(",\n", at);
  return text.replace(at, end - at, value);
}

using fltest::TempDir;

void writeBytes(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

TEST(ParamFile, DefaultRecordPassesItsOwnChecks) {
  EXPECT_EQ(checkParams(defaults(), kSwatches, "defaults"), std::vector<std::string>{});
}

TEST(ParamFile, BothFormatsRoundTripBitForBit) {
  // Values a careless float writer or reader gets wrong, and the ends of the unchecked fields.
  BurstParams p = defaults();
  p.startX = 0.1f;
  p.startY = std::nextafter(-4000.0f, 0.0f);
  p.initialGapX = 1e-40f;  // subnormal
  p.spreadY = -0.0f;
  p.viewZoom = std::nextafter(1.0f, 2.0f);
  p.length = 6000.0f;
  p.angle = 1.0f / 3.0f;
  p.dialogLeft = std::numeric_limits<int32_t>::min();
  p.dialogRight = std::numeric_limits<int32_t>::max();
  p.fillSwatch = kSwatches;
  p.fanFactorPerStar = std::numeric_limits<float>::max();
  p.fanFactorPerElement = -std::numeric_limits<float>::max();
  p.heightFactorPerStar = std::numeric_limits<float>::denorm_min();
  TempDir dir;
  for (const char* name : {"p.bin", "p.json", "P.JSON"}) {
    SCOPED_TRACE(name);
    fs::path file = dir.path() / name;
    writeParamFile(file, p);
    std::ostringstream warnings;
    ParamRecord read = readParamFile(file, kSwatches, warnings);
    EXPECT_TRUE(sameBits(read.params, p));
    EXPECT_TRUE(read.complete());
    fs::remove(file);
  }
  EXPECT_TRUE(dir.entries().empty()) << "a temporary file was left behind";
}

TEST(ParamFile, JsonWritesFieldsInRecordOrderWithShortestFloats) {
  BurstParams p = defaults();
  p.startX = 0.1f;
  std::string text = paramsToJson(p);
  EXPECT_NE(text.find("\"startX\": 0.1,"), std::string::npos) << text;
  EXPECT_NE(text.find("\"viewZoom\": 100,"), std::string::npos);
  size_t last = 0;
  for (const BurstField& f : kBurstFields) {
    size_t at = text.find("\"" + std::string(f.name) + "\":");
    ASSERT_NE(at, std::string::npos) << f.name;
    EXPECT_GT(at, last) << f.name << " out of order";
    last = at;
  }
}

TEST(ParamFile, BinIsTheLittleEndianRecord) {
  std::vector<uint8_t> bytes = paramsToBytes(defaults());
  ASSERT_EQ(bytes.size(), 336u);
  auto at = [&](size_t offset) { return std::vector<uint8_t>(bytes.begin() + offset, bytes.begin() + offset + 4); };
  EXPECT_EQ(at(156), (std::vector<uint8_t>{10, 0, 0, 0}));       // burstCount
  EXPECT_EQ(at(112), (std::vector<uint8_t>{0xE7, 0x03, 0, 0}));  // starPulse 999
  EXPECT_EQ(at(176), (std::vector<uint8_t>{0, 0, 0xC8, 0x42}));  // viewZoom 100.0f
  EXPECT_EQ(at(200), (std::vector<uint8_t>{0, 0, 0x96, 0x43}));  // length 300.0f
}

// A value the record cannot hold is refused; one outside its control's range is read as written
// and named by checkParams.
TEST(ParamFile, ValuesAreRefusedByKindAndWarnedAboutByRange) {
  struct Case {
    const char* field;
    const char* value;
    const char* refused;  // the reader's one problem, or null when it reads the value
    const char* range;    // checkParams's one problem, or null
  };
  const Case cases[] = {
      {"burstCount", "10.5", "params.json: burstCount = 10.5 is not an integer", nullptr},
      {"burstCount", "\"10\"", "params.json: burstCount = \"10\" is not an integer", nullptr},
      {"uniqueElements", "true", "params.json: uniqueElements = true is not a flag (0 or 1)", nullptr},
      {"dialogLeft", "2147483648", "params.json: dialogLeft = 2147483648 does not fit in 32 bits", nullptr},
      {"dialogTop", "18446744073709551616", "params.json: dialogTop = 18446744073709551616 is not an integer", nullptr},
      {"startY", "1e39", "params.json: startY = 1e39 is too large for a 32-bit real", nullptr},
      {"startY", "1e999", "params.json: startY = 1e999 is not a finite number", nullptr},
      {"startX", "null", "params.json: startX = null is not a number", nullptr},
      {"viewZoom", "[100]", "params.json: viewZoom = [...] is not a number", nullptr},
      {"viewZoom", "{\"v\": 1}", "params.json: viewZoom = {...} is not a number", nullptr},
      {"burstCount", "9999", nullptr, "params.json: burstCount = 9999 is outside 2..150"},
      {"burstCount", "1", nullptr, "params.json: burstCount = 1 is outside 2..150"},
      {"uniqueElements", "2", nullptr, "params.json: uniqueElements = 2 is outside 0..1"},
      {"scaling", "43", nullptr, "params.json: scaling = 43 is outside 0..42"},
      {"scaling", "-1", nullptr, "params.json: scaling = -1 is outside 0..42"},
      {"currentPage", "0", nullptr, "params.json: currentPage = 0 is outside 1..7"},
      {"fillSwatch", "31", nullptr, "params.json: fillSwatch = 31 is outside 0..30 (the document's swatches)"},
      {"startX", "4000.5", nullptr, "params.json: startX = 4000.5 is outside -4000..4000"},
      {"length", "-3000.5", nullptr, "params.json: length = -3000.5 is outside -3000..6000"},
      {"burstCount", "150", nullptr, nullptr},
      {"length", "6000", nullptr, nullptr},
      {"length", "-3000", nullptr, nullptr},
      {"startX", "-4000", nullptr, nullptr},
      {"fillSwatch", "30", nullptr, nullptr},
      {"strokeSwatch", "0", nullptr, nullptr},
      {"angle", "360.0", nullptr, nullptr},
      {"dialogBottom", "-2147483648", nullptr, nullptr},
      {"finalRun", "1", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " = " + c.value);
    const std::string text = withValue(c.field, c.value);
    if (c.refused) {
      EXPECT_EQ(jsonProblems(text), std::vector<std::string>{c.refused});
      continue;
    }
    ASSERT_EQ(jsonProblems(text), std::vector<std::string>{});
    std::vector<std::string> expected;
    if (c.range) expected.push_back(c.range);
    EXPECT_EQ(checkParams(paramsFromJson(text, "params.json").params, kSwatches, "params.json"), expected);
  }
}

TEST(ParamFile, BadJsonStructureIsReported) {
  const std::string good = paramsToJson(defaults());
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  struct Case {
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {replaced("\"burstCount\"", "\"burstCont\": 5,\n  \"burstCount\""),
       "params.json: unknown field \"burstCont\" (did you mean burstCount?)"},
      {replaced("\"burstCount\"", "\"BurstCount\": 5,\n  \"burstCount\""),
       "params.json: unknown field \"BurstCount\" (did you mean burstCount?)"},
      {replaced("\"burstCount\"", "\"burstCount\": 12,\n  \"burstCount\""),
       "params.json: field burstCount appears more than once"},
      {replaced("{", "{\"seed\": 1, \"seed\": 2,"), "params.json: seed appears more than once"},
      {replaced("{", "{\"seed\": -1,"), "params.json: seed = -1 is not a whole number from 0 to"},
      {replaced("{", "{\"seed\": 2.5,"), "params.json: seed = 2.5 is not a whole number"},
      {replaced("{", "{\"seed\": \"7\","), "params.json: seed = \"7\" is not a whole number"},
      {replaced("{", "{\"drawsBefore\": 3,"),
       "params.json: drawsBefore counts the draws of a seed, and the file gives none"},
      {replaced("{", "{\"seed\": 1, \"drawsBefore\": 99999999999999,"),
       "params.json: drawsBefore = 99999999999999 is above"},
      {replaced("{", "{\"firstDraws\": [0.5, 1],"), "params.json: firstDraws holds 1, which is not in [0, 1)"},
      {replaced("{", "{\"firstDraws\": [[0.5]],"), "params.json: firstDraws holds [...], which is not in [0, 1)"},
      {replaced("{", "{\"firstDraws\": 0.5,"), "params.json: firstDraws = 0.5 is not a list of numbers in [0, 1)"},
      {"[1, 2]", "params.json: expected an object of the record's fields, found an array"},
      {"7", "params.json: expected an object of the record's fields, found a number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    std::vector<std::string> problems = jsonProblems(c.text);
    ASSERT_EQ(problems.size(), 1u) << testing::PrintToString(problems);
    EXPECT_EQ(problems[0].substr(0, c.message.size()), c.message);
  }
}

TEST(ParamFile, PartialJsonNamesItsFieldsAndTheRestComeFromDefaults) {
  ParamRecord r = paramsFromJson("{\"starCount\": 3, \"seed\": 18446744073709551615, \"length\": 0.1}", "params.json");
  EXPECT_FALSE(r.complete());
  EXPECT_EQ(r.random.seed, 18446744073709551615u);
  std::vector<std::string> missing = r.missing();
  EXPECT_EQ(missing.size(), 82u);
  EXPECT_EQ(std::count(missing.begin(), missing.end(), "starCount"), 0);
  EXPECT_EQ(std::count(missing.begin(), missing.end(), "burstCount"), 1);

  BurstParams base = defaults();
  BurstParams merged = r.over(base);
  BurstParams expected = base;
  expected.starCount = 3;
  expected.length = 0.1f;
  EXPECT_TRUE(sameBits(merged, expected));

  ParamRecord empty = paramsFromJson("{}", "params.json");
  EXPECT_TRUE(sameBits(empty.over(base), base));
  EXPECT_FALSE(empty.random.seed.has_value());
  EXPECT_EQ(empty.random.drawsBefore, 0u);
}

TEST(ParamFile, SavedRandomStartReadsBack) {
  BurstParams p = defaults();
  RandomStart start{123456789012ull, {0.25f, std::nextafter(1.0f, 0.0f)}, 77};
  std::string text = paramsToJson(p, "p.json", &start);
  EXPECT_EQ(
      text.rfind("{\n  \"seed\": 123456789012,\n  \"drawsBefore\": 77,\n  \"firstDraws\": [0.25,0.99999994],\n", 0), 0u)
      << text.substr(0, 90);
  ParamRecord r = paramsFromJson(text, "p.json");
  EXPECT_TRUE(r.complete());
  EXPECT_EQ(r.random.seed, 123456789012ull);
  EXPECT_EQ(r.random.drawsBefore, 77u);
  EXPECT_EQ(r.random.firstDraws, start.firstDraws);
  EXPECT_TRUE(sameBits(r.params, p));
}

TEST(ParamFile, SyntaxErrorsGiveLineAndColumn) {
  std::string text = paramsToJson(defaults());
  // Drop the comma after burstCount (field 40, line 41): the parser stumbles on the next line.
  size_t at = text.find("\"burstCount\": 10,");
  text.erase(at + std::string("\"burstCount\": 10").size(), 1);
  std::vector<std::string> problems = jsonProblems(text);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].rfind("params.json:42:", 0), 0u) << problems[0];
  EXPECT_NE(problems[0].find("JSON syntax error"), std::string::npos) << problems[0];

  problems = jsonProblems("");
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].rfind("params.json:1:1: JSON", 0), 0u) << problems[0];
}

TEST(ParamFile, EveryProblemIsReportedAtOnce) {
  std::string text = withValue("burstCount", "10.5");
  size_t at = text.find("\"starCount\": 1");
  text.replace(at, 14, "\"starCount\": \"1\"");
  EXPECT_EQ(jsonProblems(text), (std::vector<std::string>{"params.json: starCount = \"1\" is not an integer",
                                                          "params.json: burstCount = 10.5 is not an integer"}));
}

// A stored record reaches the plug-in as stored: a value out of its range only draws a warning
// line; a real that is not a number cannot be a record.
TEST(ParamFile, BinRecordsKeepOutOfRangeValuesAndRefuseNonFiniteReals) {
  TempDir dir;
  fs::path file = dir.path() / "params.bin";
  const std::string name = file.string();
  auto write = [&](const BurstParams& p) {
    std::vector<uint8_t> bytes = paramsToBytes(p);
    writeBytes(file, std::string(bytes.begin(), bytes.end()));
  };
  BurstParams p = defaults();
  p.burstCount = 9999;
  p.currentPage = 0;
  p.randomApply = -1;
  write(p);
  std::ostringstream warnings;
  EXPECT_TRUE(sameBits(readParamFile(file, kSwatches, warnings).params, p));
  EXPECT_EQ(warnings.str(), "flarimond: warning: " + name +
                                ": randomApply = -1 is outside 0..1; passed to the plug-in as stored\n"
                                "flarimond: warning: " +
                                name +
                                ": currentPage = 0 is outside 1..7; passed to the plug-in as stored\n"
                                "flarimond: warning: " +
                                name + ": burstCount = 9999 is outside 2..150; passed to the plug-in as stored\n");

  p = defaults();
  p.startX = std::numeric_limits<float>::quiet_NaN();
  p.viewZoom = -std::numeric_limits<float>::infinity();
  write(p);
  try {
    readParamFile(file, kSwatches, warnings);
    ADD_FAILURE() << "accepted";
  } catch (const ParamFileError& e) {
    EXPECT_EQ(e.problems(), (std::vector<std::string>{name + ": startX = nan is not a finite number",
                                                      name + ": viewZoom = -inf is not a finite number"}));
  }
}

TEST(ParamFile, BinOfTheWrongSizeIsRefused) {
  TempDir dir;
  fs::path file = dir.path() / "params.bin";
  for (size_t size : {0u, 335u, 337u, 672u}) {
    writeBytes(file, std::string(size, '\0'));
    try {
      std::ostringstream warnings;
      readParamFile(file, kSwatches, warnings);
      ADD_FAILURE() << size << " bytes accepted";
    } catch (const ParamFileError& e) {
      EXPECT_EQ(std::string(e.what()),
                file.string() + ": a parameter record is 336 bytes, this file has " + std::to_string(size));
    }
  }
}

TEST(ParamFile, UnreadableFilesAreRefused) {
  TempDir dir;
  writeBytes(dir.path() / "params.txt", "{}");
  fs::create_directory(dir.path() / "folder.json");
  const std::pair<fs::path, std::string> cases[] = {
      {dir.path() / "absent.json", ": no such file"},
      {dir.path() / "folder.json", ": is a directory"},
      {dir.path() / "params.txt", ": unknown parameter file type (use .bin or .json)"},
  };
  for (const auto& [path, message] : cases) {
    SCOPED_TRACE(path.string());
    try {
      std::ostringstream warnings;
      readParamFile(path, kSwatches, warnings);
      ADD_FAILURE() << "accepted";
    } catch (const ParamFileError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(path.string() + message, 0), 0u) << e.what();
    }
  }
}

TEST(ParamFile, ABinKeepsItsRandomStartBesideIt) {
  TempDir dir;
  fs::path bin = dir.path() / "p.bin";
  std::vector<uint8_t> bytes = paramsToBytes(defaults());
  writeBytes(bin, std::string(bytes.begin(), bytes.end()));
  std::ostringstream warnings;
  // Without the file beside it, as before.
  ParamRecord r = readParamFile(bin, kSwatches, warnings);
  EXPECT_FALSE(r.random.seed);
  RandomStart start{7, {0.5f}, 12};
  EXPECT_EQ(randomStartFile(bin), dir.path() / "p.bin.random");
  writeBytes(randomStartFile(bin), randomStartJson(start));
  r = readParamFile(bin, kSwatches, warnings);
  EXPECT_EQ(r.random.seed, 7u);
  EXPECT_EQ(r.random.drawsBefore, 12u);
  EXPECT_EQ(r.random.firstDraws, start.firstDraws);
  EXPECT_TRUE(sameBits(r.params, defaults()));
  const std::pair<std::string, std::string> broken[] = {
      {"{\"drawsBefore\": 3}", "p.bin.random: drawsBefore counts the draws of a seed, and the file gives none"},
      {"{\"seed\": 1, \"burstCount\": 3}", "p.bin.random: unknown member \"burstCount\""},
      {"[1]", "p.bin.random: expected an object"},
  };
  for (const auto& [text, message] : broken) {
    SCOPED_TRACE(text);
    writeBytes(randomStartFile(bin), text);
    try {
      readParamFile(bin, kSwatches, warnings);
      ADD_FAILURE() << "accepted";
    } catch (const ParamFileError& e) {
      std::string what = e.what();
      EXPECT_NE(what.find(message), std::string::npos) << what;
    }
  }
  EXPECT_EQ(warnings.str(), "");
}

TEST(ParamFile, FailedWritesLeaveNoFileAndKeepTheOldOne) {
  TempDir dir;
  fs::path file = dir.path() / "kept.json";
  writeBytes(file, "old");
  BurstParams p = defaults();
  p.length = std::numeric_limits<float>::infinity();
  EXPECT_THROW(writeParamFile(file, p), ParamFileError);
  EXPECT_THROW(writeParamFile(dir.path() / "new.json", p), ParamFileError);
  EXPECT_THROW(writeParamFile(dir.path() / "missing" / "p.bin", defaults()), ToolError);
  EXPECT_THROW(writeParamFile(dir.path() / "p.txt", defaults()), ToolError);
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"kept.json"});
  std::ifstream in(file);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "old");
}

}  // namespace
}  // namespace fltools
