// What made a design, through each file that carries it: written by the exporters, read back
// bit for bit, found again after an editor's rewrite, and refused with the file's name when broken.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "design_meta.h"
#include "params/burst_fields.h"

namespace fltools {
namespace {

namespace fs = std::filesystem;

// A design whose every number is one a careless writer or reader would change.
DesignMeta awkwardDesign() {
  DesignMeta d;
  d.program = programVersion();
  d.seed = std::numeric_limits<uint64_t>::max();
  d.drawsBefore = 123456;
  d.firstDraws = {0.1f, std::nextafter(1.0f, 0.0f), 1e-40f, 0.0f};
  d.colorModel = "cmyk";
  d.page = "595.3x841.9";
  d.fill = "none";
  d.stroke = "cmyk:0.1,0.2,0.3,0.4@0.25";
  d.swatchList =
      R"([{"name":"[None]","color":"none"},{"name":"R&D <\"blue\">","color":"rgb:0,0.4,0.6"},)"
      R"({"name":"Grün","color":"grey:0.5"}])";
  auto* bytes = reinterpret_cast<unsigned char*>(&d.record);
  for (const BurstField& f : kBurstFields) {
    if (f.kind == FieldKind::Float) {
      float x = f.defaultKind == FieldDefault::ViewCentreX ? 1.0f / 3.0f : static_cast<float>(f.defaultValue);
      std::memcpy(bytes + f.offset, &x, 4);
    } else {
      auto i = static_cast<int32_t>(f.defaultValue);
      std::memcpy(bytes + f.offset, &i, 4);
    }
  }
  d.record.spreadY = -0.0f;
  d.record.fillSwatch = 2;
  return d;
}

void expectSame(const DesignMeta& a, const DesignMeta& b) {
  EXPECT_EQ(a.program, b.program);
  EXPECT_EQ(a.tile, b.tile);
  EXPECT_EQ(a.seed, b.seed);
  EXPECT_EQ(a.drawsBefore, b.drawsBefore);
  ASSERT_EQ(a.firstDraws.size(), b.firstDraws.size());
  for (size_t i = 0; i < a.firstDraws.size(); ++i)
    EXPECT_EQ(std::memcmp(&a.firstDraws[i], &b.firstDraws[i], 4), 0) << i;
  EXPECT_EQ(a.colorModel, b.colorModel);
  EXPECT_EQ(a.page, b.page);
  EXPECT_EQ(a.fill, b.fill);
  EXPECT_EQ(a.stroke, b.stroke);
  EXPECT_EQ(nlohmann::json::parse(a.swatchList), nlohmann::json::parse(b.swatchList));
  EXPECT_EQ(std::memcmp(&a.record, &b.record, sizeof a.record), 0);
}

class DesignFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) /
           ("design_meta_test_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path write(const std::string& name, const std::string& bytes) {
    fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  fs::path written(const std::string& name, const DesignMeta& d, OutputFormat format) {
    flhost::Document doc(flhost::DocumentOptions::standard());
    std::ostringstream out;
    writeDesignDocument(doc, d, format, PictureOptions{64, true}, out, name);
    return write(name, out.str());
  }
  std::string readError(const fs::path& p) {
    try {
      readDesigns(p);
    } catch (const ToolError& e) {
      std::string what = e.what();
      std::string dir = (dir_ / "").string();  // with the separator of the system
      for (size_t at = what.find(dir); at != std::string::npos; at = what.find(dir)) what.erase(at, dir.size());
      return what;
    }
    return "";
  }

  fs::path dir_;
};

TEST_F(DesignFiles, EveryCarrierGivesBackTheSameDesign) {
  DesignMeta d = awkwardDesign();
  for (auto [name, format] : {std::pair{"d.json", OutputFormat::Json}, std::pair{"d.svg", OutputFormat::Svg},
                              std::pair{"d.png", OutputFormat::Png}}) {
    SCOPED_TRACE(name);
#ifndef FLARIMOND_HAVE_CAIRO
    if (format == OutputFormat::Png) continue;  // a build without cairo neither writes nor reads PNG
#endif
    std::vector<DesignMeta> read = readDesigns(written(name, d, format));
    ASSERT_EQ(read.size(), 1u);
    expectSame(read[0], d);
    // Written again, the description is the same text: a re-render gives the same bytes.
    EXPECT_EQ(designJson(read[0]), designJson(d));
  }
}

TEST_F(DesignFiles, AnEditorsRewriteOfTheSvgIsStillRead) {
  DesignMeta d = awkwardDesign();
  // Another prefix declared on the root, the text escaped differently and in a CDATA section.
  std::string json = designJson(d);
  std::string escaped;
  for (char c : json) escaped += c == '"' ? std::string("&quot;") : c == '&' ? std::string("&#x26;") : c == '<' ? std::string("&#60;") : std::string(1, c);
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:fd=\"" + std::string(kDesignNamespace) +
                    "\"><metadata><fd:design>" + escaped + "</fd:design></metadata></svg>";
  std::vector<DesignMeta> read = readDesigns(write("edited.svg", svg));
  ASSERT_EQ(read.size(), 1u);
  expectSame(read[0], d);

  d.tile = 2;
  std::string cdata = "<svg xmlns:f=\"" + std::string(kDesignNamespace) + "\"><g><metadata><f:design tile=\"2\"><![CDATA[" +
                      designJson(d) + "]]></f:design></metadata></g></svg>";
  read = readDesigns(write("cdata.svg", cdata));
  ASSERT_EQ(read.size(), 1u);
  expectSame(read[0], d);
}

TEST_F(DesignFiles, TilesArePickedByNumber) {
  std::vector<DesignMeta> tiles(3, awkwardDesign());
  for (int i = 0; i < 3; ++i) {
    tiles[i].tile = i + 1;
    tiles[i].seed = static_cast<uint64_t>(100 + i);
  }
  EXPECT_EQ(pickDesign(tiles, 2, "s.svg").seed, 101u);
  struct Case {
    std::optional<int> tile;
    std::vector<DesignMeta> designs;
    const char* message;
  };
  const Case cases[] = {
      {std::nullopt, tiles, "s.svg: a sheet of 3 tiles: choose one with --tile N"},
      {4, tiles, "s.svg: --tile 4: the sheet has tiles 1..3"},
      {1, {awkwardDesign()}, "s.svg: --tile 1: the file holds one design, not a sheet"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    try {
      pickDesign(c.designs, c.tile, "s.svg");
      ADD_FAILURE() << "accepted";
    } catch (const ToolError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

TEST_F(DesignFiles, BrokenDescriptionsAreRefusedNamingTheFile) {
  std::string good = designJson(awkwardDesign());
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string s = good;
    size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return s.replace(at, from.size(), to);
  };
  struct Case {
    std::string json;
    std::string message;  // the start of the message
  };
  const Case cases[] = {
      {replaced("\"seed\":", "\"sed\":"), "x.json: the design's description has no \"seed\""},
      {replaced("\"drawsBefore\":123456", "\"drawsBefore\":99999999999999"),
       "x.json: the design's description has a \"drawsBefore\" above"},
      {replaced("\"page\":\"595.3x841.9\"", "\"page\":\"0x5\""), "--page"},
      {replaced("\"burstCount\":10,", ""), "x.json: the design's description has an incomplete record: no burstCount"},
      {replaced("\"burstCount\":10", "\"burstCount\":1e999"), "x.json: the design's description is not JSON we can read: number overflow parsing '1e999'"},
      {replaced("\"fill\":\"none\"", "\"fill\":7"), "x.json: the design's description has a \"fill\" that is not text"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::string doc = "{\"design\":" + c.json + ",\"arts\":[]}";
    std::string error = readError(write("x.json", doc));
    EXPECT_EQ(error.substr(0, c.message.size()), c.message) << error;
  }
  EXPECT_EQ(readError(write("plain.json", "{\"page\":{}}")),
            "plain.json: carries no design (flarimond writes one into every SVG, PNG and JSON)");
#ifdef FLARIMOND_HAVE_CAIRO
  EXPECT_EQ(readError(write("fake.png", "not a png")), "fake.png: not a PNG file");
#endif
}

}  // namespace
}  // namespace fltools
