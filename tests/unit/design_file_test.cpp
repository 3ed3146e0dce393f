// What made a design, through each file that carries it: written by the exporters, read back
// bit for bit by real parsers, found on its own group wherever that group goes, its art checked
// against its digest, and refused with the file's name when it cannot be used.
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

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "design_file.h"
#include "art_digest.h"
#include "art_suite.h"
#include "params/burst_fields.h"
#include "text_format.h"

namespace fltools {
namespace {

namespace fs = std::filesystem;

// A design whose every number is one a careless writer or reader would change.
DesignRecord awkwardDesign() {
  DesignRecord d;
  d.program = programVersion();
  d.random.seed = std::numeric_limits<uint64_t>::max();
  d.random.drawsBefore = 123456;
  d.random.firstDraws = {0.1f, std::nextafter(1.0f, 0.0f), 1e-40f, 0.0f};
  d.document.colorModel = parseColorModel("cmyk");
  d.document.page = parsePageSize("595.3x841.9");
  d.document.fill = parseColour("none", "fill");
  d.document.stroke = parseStroke("cmyk:0.1,0.2,0.3,0.4@0.25");
  d.document.swatches = swatchListFromJson(
      nlohmann::json::parse(R"([{"name":"[None]","color":"none"},{"name":"R&D <\"blue\">","color":"rgb:0,0.4,0.6"},)"
                            R"({"name":"Grün","color":"grey:0.5"}])"),
      "swatches");
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
  d.art = ArtSummary{0, digestOf(flhost::Document(flhost::DocumentOptions::standard())).hex()};
  return d;
}

// A document of a few arts that use what the SVG writes: lines and curves, open and closed
// paths, a fill of its own, even-odd, a dashed round stroke, a miter limit, an opacity.
flhost::Document someArt() {
  flhost::Document doc(flhost::DocumentOptions::standard());
  auto add = [&](std::vector<HostPathSegment> segments, bool closed, auto&& style) {
    HostArt art = nullptr;
    EXPECT_EQ(doc.newArt(kHostArtPath, kPlaceAboveAll, nullptr, &art), kHostNoErr);
    EXPECT_EQ(doc.setSegments(art, 0, segments), kHostNoErr);
    EXPECT_EQ(doc.setClosed(art, closed), kHostNoErr);
    HostPathStyle st = doc.options().newPathStyle;
    style(st);
    EXPECT_EQ(doc.setStyle(art, st), kHostNoErr);
  };
  auto corner = [](float h, float v) { return HostPathSegment{{h, v}, {h, v}, {h, v}, 1}; };
  add({corner(10, 10), corner(200, 15), corner(100, 300)}, true, [](HostPathStyle&) {});
  add({corner(0, 0), {{50, 50}, {40, 60}, {60, 40}, 0}, corner(100, 0)}, false, [](HostPathStyle& st) {
    st.fillColor.kind = kHostColorThree;
    st.fillColor.c.three = {0.8f, 0.1f, 0.1f};
    st.evenOddFill = true;
    st.strokeWidth = 2.5f;
    st.stroke.cap = 1;
    st.stroke.dashCount = 2;
    st.stroke.dash[0] = 3;
    st.stroke.dash[1] = 1.5f;
    st.stroke.miterLimit = 7;
  });
  add({corner(-20, 5), corner(-40, 500.125f)}, false, [](HostPathStyle& st) { st.fillPaint = false; });
  return doc;
}

void expectSame(const DesignRecord& a, const DesignRecord& b) {
  EXPECT_EQ(designJson(a), designJson(b));
  EXPECT_EQ(std::memcmp(&a.record, &b.record, sizeof a.record), 0);
  ASSERT_EQ(a.random.firstDraws.size(), b.random.firstDraws.size());
  for (size_t i = 0; i < a.random.firstDraws.size(); ++i)
    EXPECT_EQ(std::memcmp(&a.random.firstDraws[i], &b.random.firstDraws[i], 4), 0) << i;
}

std::string replaced(std::string s, const std::string& from, const std::string& to) {
  size_t at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? s : s.replace(at, from.size(), to);
}

class DesignFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) /
           ("design_file_test_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path write(const std::string& name, const std::string& bytes) {
    fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  std::string written(const flhost::Document& doc, DesignRecord d, OutputFormat format) {
    d.art = ArtSummary{digestOf(doc).paths(), digestOf(doc).hex()};
    std::ostringstream out;
    writeDesignDocument(doc, d, format, PictureOptions{64, true, flhost::Frame::Page, std::nullopt}, out, "d");
    return out.str();
  }
  std::vector<FoundDesign> read(const std::string& name, const std::string& bytes) {
    return readDesigns(write(name, bytes), warnings_);
  }
  std::string readError(const fs::path& p) {
    try {
      readDesigns(p, warnings_);
    } catch (const ToolError& e) {
      std::string what = e.what();
      std::string dir = (dir_ / "").string();  // with the separator of the system
      for (size_t at = what.find(dir); at != std::string::npos; at = what.find(dir)) what.erase(at, dir.size());
      return what;
    }
    return "";
  }

  fs::path dir_;
  std::ostringstream warnings_;
};

TEST_F(DesignFiles, EveryCarrierGivesBackTheSameDesign) {
  DesignRecord d = awkwardDesign();
  flhost::Document doc = someArt();
  for (auto [name, format] : {std::pair{"d.json", OutputFormat::Json}, std::pair{"d.svg", OutputFormat::Svg},
                              std::pair{"d.png", OutputFormat::Png}, std::pair{"d.pdf", OutputFormat::Pdf}}) {
    SCOPED_TRACE(name);
#if !defined(FLARIMOND_HAVE_CAIRO) || !defined(FLARIMOND_HAVE_PDF_READER)
    if (format == OutputFormat::Pdf) continue;  // PDF is written with cairo, read with poppler
#endif
#ifndef FLARIMOND_HAVE_CAIRO
    if (format == OutputFormat::Png) continue;  // a build without cairo neither writes nor reads PNG
#endif
#ifndef FLARIMOND_HAVE_PUGIXML
    if (format == OutputFormat::Svg) continue;  // nor one without pugixml SVG
#endif
    std::vector<FoundDesign> found = read(name, written(doc, d, format));
    ASSERT_EQ(found.size(), 1u);
    d.art = ArtSummary{3, digestOf(doc).hex()};
    expectSame(found[0].design, d);
    // The SVG's art is the art the design drew; the other carriers do not check theirs.
    EXPECT_EQ(found[0].artMatches, format == OutputFormat::Svg ? std::optional<bool>(true) : std::nullopt);
  }
  EXPECT_EQ(warnings_.str(), "");
}

#ifdef FLARIMOND_HAVE_PUGIXML

TEST_F(DesignFiles, TheDesignsGroupCarriesItIntoAnotherDocument) {
  flhost::Document doc = someArt();
  std::string svg = written(doc, awkwardDesign(), OutputFormat::Svg);
  size_t start = svg.find("<g id=\"design\"");
  ASSERT_NE(start, std::string::npos);
  std::string group = svg.substr(start, svg.find("</svg>") - start);
  // Pasted into an editor's document: another namespace prefix for SVG's own elements is not
  // needed, the editor's layer wraps it, and the document has art of its own.
  std::string other =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\">"
      "<rect width=\"5\" height=\"5\"/><g inkscape:groupmode=\"layer\" transform=\"translate(30 40)\">" +
      group + "</g></svg>";
  std::vector<FoundDesign> found = read("pasted.svg", other);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].id, "design");
  EXPECT_EQ(found[0].artMatches, true);
  expectSame(found[0].design, read("d.svg", svg)[0].design);
}

TEST_F(DesignFiles, AnEditorsRewriteKeepsTheArtAndItsEditsAreSeen) {
  flhost::Document doc = someArt();
  std::string svg = written(doc, awkwardDesign(), OutputFormat::Svg);
  ASSERT_EQ(read("d.svg", svg)[0].artMatches, true);
  std::string firstPath = svg.substr(svg.find("<path id=\"art-1\""));
  firstPath = firstPath.substr(0, firstPath.find("/>") + 2);
  std::string firstData = firstPath.substr(firstPath.find(" d=\"") + 4);
  firstData = firstData.substr(0, firstData.find('"'));
  ASSERT_EQ(firstData, "M10 782l190-5l-100-285Z");
  // The group's fill is the red most arts have (a tie goes to the smallest colour); this art's is white.
  ASSERT_EQ(firstPath, "<path id=\"art-1\" d=\"" + firstData + "\" fill=\"#fff\"/>");
  struct Case {
    const char* what;
    std::string from, to;
    bool matches;
  };
  const Case cases[] = {
      // Rewritten without changing the picture.
      {"attributes in another order, an editor's own, white space", firstPath,
       "<path\n   fill=\"#fff\" inkscape:label=\"x\" d=\"" + firstData + "\"\n   id=\"path12\" />", true},
      {"absolute commands, another spelling of the numbers", firstData, "M 10,782 L 200,777 100.0,492 z", true},
      {"the paint written as style, as an editor writes it", firstPath,
       "<path d=\"" + firstData + "\" style=\"fill:#ffffff;fill-opacity:1;stroke:#000000;stroke-width:1\"/>", true},
      {"the description's text escaped another way", "{\"program\"", "{&quot;program&quot;", true},
      // Edited.
      {"moved", "<g id=\"design\"", "<g transform=\"translate(10,0)\" id=\"design\"", false},
      {"recoloured", firstPath, "<path d=\"" + firstData + "\" style=\"fill:#ff0000\"/>", false},
      {"a point moved", firstData, "M10 782l190-5l-100-284Z", false},
      {"an art removed", firstPath, "", false},
      {"an art added", firstPath, firstPath + "<circle r=\"4\"/>", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<FoundDesign> found = read("edited.svg", replaced(svg, c.from, c.to));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].artMatches, c.matches);
  }
}

TEST_F(DesignFiles, CommentsAndOtherNamespacesAreNotDesigns) {
  std::string json = designJson(awkwardDesign());
  std::string ns = std::string(kDesignNamespace);
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:f=\"" + ns +
                    "\" xmlns:g=\"urn:other\">"
                    "<!-- <f:design>" +
                    xmlEscaped(json) +
                    "</f:design> -->"
                    "<g id=\"x\"><metadata><g:design>" +
                    xmlEscaped(json) + "</g:design></metadata></g></svg>";
  EXPECT_EQ(readError(write("c.svg", svg)),
            "c.svg: carries no design (flarimond writes one into every SVG, PNG, PDF and JSON)");
  // Another prefix declared on the root, a CDATA section: still ours.
  svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:fd=\"" + ns + "\"><g><metadata><fd:design><![CDATA[" + json +
        "]]></fd:design></metadata></g></svg>";
  ASSERT_EQ(read("cdata.svg", svg).size(), 1u);
}

TEST_F(DesignFiles, DesignsAreChosenByIdAndTilesByTheirOwnNumber) {
  flhost::Document doc = someArt();
  auto group = [&](const std::string& id, std::optional<int> tile, uint64_t seed) {
    DesignRecord d = awkwardDesign();
    d.tile = tile;
    d.random.seed = seed;
    std::string svg = written(doc, d, OutputFormat::Svg);
    size_t start = svg.find("<g id=\"design\"");
    std::string g = svg.substr(start, svg.find("</svg>") - start);
    return replaced(g, "<g id=\"design\"", "<g id=\"" + id + "\"");
  };
  // Tiles 3 and 10 of two sheets gathered in one file, and a design nested in tile 10's group.
  std::string nested = group("tile-10-design", 10, 2);
  nested = replaced(nested, "</metadata>\n", "</metadata>\n" + group("inner", std::nullopt, 3));
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\">" + group("tile-3-design", 3, 1) + nested + "</svg>";
  std::vector<FoundDesign> found = read("gathered.svg", svg);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].id, "tile-3-design");
  EXPECT_EQ(found[1].id, "tile-10-design");
  EXPECT_EQ(found[2].id, "inner");
  for (const FoundDesign& f : found) EXPECT_EQ(f.artMatches, true) << f.id;  // each its own art
  EXPECT_EQ(*chooseDesign(found, std::nullopt, 10, "g.svg").design.random.seed, 2u);
  EXPECT_EQ(*chooseDesign(found, std::string("inner"), std::nullopt, "g.svg").design.random.seed, 3u);
  struct Case {
    std::optional<std::string> id;
    std::optional<int> tile;
    const char* message;
  };
  const Case cases[] = {
      {std::nullopt, std::nullopt,
       "g.svg: holds 3 designs (tile-3-design (tile 3), tile-10-design (tile 10), inner): choose one with --design "
       "ID or --tile N"},
      {std::nullopt, 2,
       "g.svg: --tile 2: no such tile; the file holds tile-3-design (tile 3), tile-10-design (tile 10)"},
      {std::string("outer"), std::nullopt,
       "g.svg: --design outer: no such design; the file holds tile-3-design (tile 3), tile-10-design (tile 10), inner"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    try {
      chooseDesign(found, c.id, c.tile, "g.svg");
      ADD_FAILURE() << "accepted";
    } catch (const ToolError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  // Two groups of one id (a text editor's copy): told apart by their numbers.
  found =
      read("twice.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\">" + group("d", 4, 1) + group("d", 4, 2) + "</svg>");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].id, "1");
  EXPECT_EQ(found[1].id, "2");
  EXPECT_THROW(chooseDesign(found, std::nullopt, 4, "twice.svg"), ToolError);
}

TEST_F(DesignFiles, ReadingTakesTimeInProportionToTheFile) {
  // What made reading quadratic before: the namespace's name over and over. The reader's work
  // is one parse and one walk, whatever the file repeats.
  std::string ns = std::string(kDesignNamespace);
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\">";
  for (int i = 0; i < 20000; ++i) svg += "<g xmlns:f" + std::to_string(i) + "=\"" + ns + "\"/>";
  svg += "<g id=\"design\"><metadata><f:design xmlns:f=\"" + ns + "\">" + xmlEscaped(designJson(awkwardDesign())) +
         "</f:design></metadata></g></svg>";
  EXPECT_EQ(read("many.svg", svg).size(), 1u);
}

#endif  // FLARIMOND_HAVE_PUGIXML

TEST_F(DesignFiles, TheFormerFormatStillOpens) {
  // A description as the program wrote it before descriptions had a format and a digest.
  std::string json = designJson(awkwardDesign());
  json = replaced(json, ",\"format\":2", "");
  json = json.substr(0, json.find(",\"art\":")) + "}";
  std::vector<FoundDesign> found = read("old.json", "{\"design\":" + json + ",\"arts\":[]}");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].design.format, 1);
  EXPECT_FALSE(found[0].design.art);
  EXPECT_EQ(designJson(found[0].design), json);
#ifdef FLARIMOND_HAVE_PUGIXML
  // Where the former SVGs kept it: the picture's own metadata.
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\"><metadata><flarimond:design xmlns:flarimond=\"" +
                    std::string(kDesignNamespace) + "\">" + xmlEscaped(json) +
                    "</flarimond:design></metadata><g id=\"design\"/></svg>";
  found = read("old.svg", svg);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].artMatches, std::nullopt);
#endif
}

TEST_F(DesignFiles, UnusableDescriptionsAreRefusedNamingTheFile) {
  std::string good = designJson(awkwardDesign());
  std::string deep = std::string(100000, '[') + std::string(100000, ']');
  struct Case {
    std::string json;
    std::string message;  // the start of the message
  };
  const Case cases[] = {
      {replaced(good, "\"seed\":", "\"sed\":"), "x.json: the design's description has an unknown member \"sed\""},
      {replaced(good, "\"drawsBefore\":123456", "\"drawsBefore\":99999999999999"),
       "x.json: the design's description: \"drawsBefore\" = 99999999999999 is above"},
      {replaced(good, "\"page\":\"595.3x841.9\"", "\"page\":\"0x5\""),
       "x.json: the design's page \"0x5\": the width and the height must be positive"},
      {replaced(good, "\"burstCount\":10,", ""),
       "x.json: the design's description has an incomplete record: no burstCount"},
      {replaced(good, "\"burstCount\":10", "\"burstCount\":1e999"),
       "x.json (the design's record): burstCount = 1e999 is not a finite number"},
      {replaced(good, "\"burstCount\":10", "\"burstCount\":\"ten\""),
       "x.json (the design's record): burstCount = \"ten\" is not an integer"},
      {replaced(good, "\"fill\":\"none\"", "\"fill\":7"), "x.json: the design's \"document.fill\" is not text"},
      {replaced(good, "\"seed\":", "\"seed\":1,\"seed\":"),
       "x.json: the design's description: \"seed\" appears more than once in the top level"},
      {replaced(good, "\"burstCount\":10", "\"burstCount\":10,\"burstCount\":11"),
       "x.json (the design's record): field burstCount appears more than once"},
      {replaced(good, "flarimond 1.0.0", "elsewhere 2.0"),
       "x.json: the design's description was written by another program (\"elsewhere 2.0\"), not flarimond"},
      {replaced(good, "flarimond 1.0.0", "flarimond 9.0.0"),
       "x.json: the design was made by flarimond 9.0.0, newer than this program (flarimond 1.0.0)"},
      {replaced(good, "\"format\":2", "\"format\":3"),
       "x.json: the design's description is of format 3, newer than this program reads (2)"},
      {replaced(good, "\"swatches\":[", "\"swatches\":[" + deep + ","),
       "x.json: the design's description: nests deeper than 64 levels (at document.swatches"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::string error = readError(write("x.json", "{\"design\":" + c.json + ",\"arts\":[]}"));
    EXPECT_EQ(error.substr(0, c.message.size()), c.message) << error;
  }
  EXPECT_EQ(readError(write("plain.json", "{\"page\":{}}")),
            "plain.json: carries no design (flarimond writes one into every SVG, PNG, PDF and JSON)");
#ifdef FLARIMOND_HAVE_CAIRO
  EXPECT_EQ(readError(write("fake.png", "not a png")), "fake.png: not a PNG file");
#endif
#ifdef FLARIMOND_HAVE_PUGIXML
  EXPECT_EQ(readError(write("broken.svg", "<svg><g></svg>")).substr(0, 42),
            "broken.svg: not an SVG file that can be re");
#endif
#ifndef _WIN32
  fs::create_directory(dir_ / "folder.svg");
  EXPECT_EQ(readError(dir_ / "folder.svg"), "folder.svg: is a directory, not a regular file");
  ASSERT_EQ(mkfifo((dir_ / "pipe.svg").c_str(), 0600), 0);
  EXPECT_EQ(readError(dir_ / "pipe.svg"), "pipe.svg: is a FIFO, not a regular file");
#endif
}

TEST_F(DesignFiles, ARecordOutOfItsControlsRangesIsWarnedAboutByField) {
  DesignRecord d = awkwardDesign();
  d.record.burstCount = 999;
  d.record.fillSwatch = 7;  // the design's own list has 3 swatches
  readDesigns(write("w.json", "{\"design\":" + designJson(d) + ",\"arts\":[]}"), warnings_);
  std::string text = warnings_.str();
  std::string dir = (dir_ / "").string();
  for (size_t at = text.find(dir); at != std::string::npos; at = text.find(dir)) text.erase(at, dir.size());
  EXPECT_EQ(text,
            "flarimond: warning: w.json: fillSwatch = 7 is outside 0..3 (the document's swatches); passed to the "
            "plug-in as stored\n"
            "flarimond: warning: w.json: burstCount = 999 is outside 2..150; passed to the plug-in as stored\n");
}

TEST(HostConfig, TheCommandLineOverTheDesignChangesOnlyWhatItGives) {
  DesignRecord d = awkwardDesign();
  HostArgs args;
  args.page = "400x300";
  args.draws = "0.5";
  HostConfig given = parseHostOptions(args, nullptr);
  HostConfig c = configToDraw(d, given);
  EXPECT_EQ(documentJson(c.document), replaced(documentJson(d.document), "595.3x841.9", "400x300"));
  // Draws of one's own start the random source afresh after the design's seed.
  EXPECT_EQ(c.random.seed, d.random.seed);
  EXPECT_EQ(c.random.firstDraws, std::vector<float>{0.5f});
  EXPECT_EQ(c.random.drawsBefore, 0u);
  args = HostArgs{};
  args.seedGiven = true;
  args.seed = "5";
  c = configToDraw(d, parseHostOptions(args, nullptr));
  EXPECT_EQ(c.random.seed, 5u);
  EXPECT_TRUE(c.random.firstDraws.empty());
  EXPECT_EQ(configToDraw(d, HostConfig{}).random.drawsBefore, 123456u);
  // Each option's text reads back as the value it was written from.
  EXPECT_EQ(documentJson(documentFromJson(nlohmann::json::parse(documentJson(d.document)), "x")),
            documentJson(d.document));
}

}  // namespace
}  // namespace fltools
