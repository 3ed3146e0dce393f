// The exporters on small hand-made documents: the JSON form read back field by field and number by
// number, the SVG form checked for the turn to y-down, the stacking order and the view box.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "art_suite.h"
#include "document_suite.h"
#include "export.h"

#ifdef FLARIMOND_HAVE_CAIRO
#include <cairo.h>
#endif

namespace flhost {
namespace {

using Json = nlohmann::json;

HostPathSegment anchor(float x, float y) { return {{x, y}, {x, y}, {x, y}, 1}; }

HostArt addArt(Document& doc, std::vector<HostPathSegment> segments, bool closed, int16_t order = kPlaceAboveAll) {
  HostArt h = nullptr;
  EXPECT_EQ(doc.newArt(kHostArtPath, order, nullptr, &h), kHostNoErr);
  EXPECT_EQ(doc.setSegments(h, 0, segments), kHostNoErr);
  EXPECT_EQ(doc.setClosed(h, closed), kHostNoErr);
  return h;
}

HostColor spot(const char* name, float tint, float c, float m, float y, float k) {
  HostColor color{};
  color.kind = kHostColorSpot;
  color.c.spot.tint = tint;
  color.c.spot.c = c;
  color.c.spot.m = m;
  color.c.spot.y = y;
  color.c.spot.k = k;
  std::strncpy(color.c.spot.name, name, sizeof color.c.spot.name);
  return color;
}

std::string json(const Document& doc) {
  std::ostringstream out;
  writeDocumentJson(doc, out);
  return out.str();
}

std::string svg(const Document& doc, Frame frame = Frame::Page) {
  std::ostringstream out;
  writeDocumentSvg(doc, out, frame);
  return out.str();
}

// Three arts made in the order middle, top, then one put below all: bottom to top the document
// holds "bottom", "middle", "top", each told apart by its first anchor's x (1, 2, 3).
Document threeArts() {
  Document doc(DocumentOptions::standard());
  HostArt middle = addArt(doc, {anchor(2, 10), {{20, 10}, {15, 5}, {25, 15}, 0}}, false);
  HostPathStyle m = doc.options().newPathStyle;
  m.fillPaint = 0;
  m.strokeColor = greyColor(0.25f);
  m.strokeWidth = 2.5f;
  EXPECT_EQ(doc.setStyle(middle, m), kHostNoErr);
  EXPECT_EQ(doc.setOpacity(middle, 0.1f), kHostNoErr);

  HostArt top = addArt(doc, {anchor(3, 0), anchor(100, 0), anchor(100, 100)}, true);
  // Named style 2 applied, then the paint changed: the name stays.
  EXPECT_EQ(doc.applyArtStyle(top, 2), kHostNoErr);
  EXPECT_EQ(doc.setOpacity(top, 1), kHostNoErr);
  HostPathStyle t = doc.options().newPathStyle;
  t.fillColor = fourColor(1, 0, 0, 0);
  t.strokeColor = spot("Gold \"Ink\"\n", 0.5f, 0, 1, 0, 0);
  t.evenOddFill = 1;
  EXPECT_EQ(doc.setStyle(top, t), kHostNoErr);

  addArt(doc, {anchor(1, 1)}, false, kPlaceBelowAll);
  return doc;
}

TEST(ExportJson, WritesTheDocumentBottomToTop) {
  Document doc = threeArts();
  Json j = Json::parse(json(doc));
  EXPECT_EQ(j["page"], (Json{{"width", 612}, {"height", 792}}));
  EXPECT_EQ(j["colorModel"], "rgb");
  ASSERT_EQ(j["arts"].size(), 3u);
  std::vector<double> firstX;
  for (const Json& art : j["arts"]) firstX.push_back(art["segments"][0]["p"][0]);
  EXPECT_EQ(firstX, (std::vector<double>{1, 2, 3}));

  const Json& middle = j["arts"][1];
  EXPECT_EQ(middle["closed"], false);
  EXPECT_EQ(middle["segments"][1], (Json{{"p", {20, 10}}, {"in", {15, 5}}, {"out", {25, 15}}, {"corner", false}}));
  EXPECT_EQ(middle["segments"][0]["corner"], true);
  EXPECT_EQ(middle["fill"], (Json{{"paint", false}, {"kind", "rgb"}, {"components", {1, 1, 1}}}));
  EXPECT_EQ(middle["stroke"], (Json{{"paint", true}, {"kind", "grey"}, {"components", {0.25}}, {"width", 2.5}}));
  EXPECT_EQ(middle["artStyle"], nullptr);

  const Json& top = j["arts"][2];
  EXPECT_EQ(top["closed"], true);
  EXPECT_EQ(top["fill"]["kind"], "cmyk");
  EXPECT_EQ(top["fill"]["components"], (Json{1, 0, 0, 0}));
  EXPECT_EQ(top["stroke"]["kind"], "spot");
  EXPECT_EQ(top["stroke"]["components"], (Json{0.5}));
  EXPECT_EQ(top["stroke"]["name"], "Gold \"Ink\"\n");
  EXPECT_EQ(top["opacity"], 1);
  EXPECT_EQ(top["artStyle"], doc.artStyles()[2].name);
}

TEST(ExportJson, NumbersAreTheShortestTextOfTheFloat) {
  const float values[] = {0.1f,
                          1.0f / 3.0f,
                          16777217.0f,  // not a float: stored as 16777216
                          std::nextafter(100.0f, 200.0f),
                          1e-45f,  // smallest subnormal
                          std::numeric_limits<float>::max(),
                          -2.5e-7f,
                          612.0f};
  Document doc(DocumentOptions::standard());
  std::vector<HostPathSegment> segments;
  for (float v : values) segments.push_back(anchor(v, -v));
  addArt(doc, segments, false);
  std::string text = json(doc);
  EXPECT_NE(text.find("[0.1,-0.1]"), std::string::npos) << text;
  EXPECT_EQ(text.find("0.100000"), std::string::npos);
  EXPECT_NE(text.find("\"width\":612,"), std::string::npos);

  // Every coordinate, read back from its own text as a float, is the float that was stored.
  std::regex point(R"re("p":\[([^,\]]+),([^\]]+)\])re");
  size_t i = 0;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), point); it != std::sregex_iterator(); ++it, ++i) {
    ASSERT_LT(i, std::size(values));
    for (int axis = 0; axis < 2; ++axis) {
      std::string s = (*it)[axis + 1].str();
      float back = 0;
      auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), back);
      EXPECT_EQ(ec, std::errc()) << s;
      EXPECT_EQ(back, axis == 0 ? values[i] : -values[i]) << s;
    }
  }
  EXPECT_EQ(i, std::size(values));
}

TEST(ExportJson, StaysValidJsonWhateverTheArtHolds) {
  DocumentOptions options = DocumentOptions::standard();
  options.colorModel = kDocumentCMYKModel;
  Document doc(options);
  HostArt h = addArt(doc, {anchor(1, 2)}, false);
  HostPathStyle a = doc.options().newPathStyle;
  // A name that fills the whole field, without a terminator, and holds bytes that are not UTF-8.
  a.fillColor = spot("", 1, 0, 0, 0, 0);
  std::memset(a.fillColor.c.spot.name, 'x', sizeof a.fillColor.c.spot.name);
  a.fillColor.c.spot.name[0] = '\xff';
  a.strokeColor.kind = 77;
  EXPECT_EQ(doc.setStyle(h, a), kHostNoErr);
  Json j = Json::parse(json(doc));
  EXPECT_EQ(j["colorModel"], "cmyk");
  std::string name = j["arts"][0]["fill"]["name"];
  EXPECT_EQ(name, "\xEF\xBF\xBD" + std::string(43, 'x'));
  EXPECT_EQ(j["arts"][0]["stroke"]["kind"], "unknown");

  EXPECT_EQ(Json::parse(json(Document(DocumentOptions::standard())))["arts"], Json::array());
}

TEST(ExportJson, RefusesANumberThatIsNotFinite) {
  // null in place of a coordinate would be a document that was never drawn.
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity()}) {
    SCOPED_TRACE(bad);
    Document doc(DocumentOptions::standard());
    addArt(doc, {anchor(10, bad)}, false);
    EXPECT_THROW(json(doc), std::domain_error);
  }
}

// ---- SVG

struct ViewBox {
  double x, y, width, height;
};

ViewBox viewBox(const std::string& text) {
  std::smatch m;
  EXPECT_TRUE(std::regex_search(text, m, std::regex(R"re(viewBox="([^ ]+) ([^ ]+) ([^ ]+) ([^"]+)")re")));
  return {std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])};
}

std::vector<std::string> pathData(const std::string& text) {
  std::vector<std::string> d;
  std::regex path(R"re(<path id="[^"]*" d="([^"]*)")re");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), path); it != std::sregex_iterator(); ++it)
    d.push_back((*it)[1].str());
  return d;
}

TEST(ExportGeometry, EveryArtInStackingOrderWithItsNeighbourBelowAndStyle) {
  Document doc = threeArts();
  DocumentGeometry g = documentGeometry(doc, std::nullopt);
  EXPECT_FALSE(g.since);
  ASSERT_EQ(g.slots.size(), 3u);
  EXPECT_EQ(g.below, (std::vector<uint32_t>{0xFFFFFFFFu, g.slots[0], g.slots[1]}));
  EXPECT_EQ(g.counts, (std::vector<uint32_t>{1, 2, 3 | 0x80000000u}));
  EXPECT_EQ(g.widths, (std::vector<float>{1, 2.5f, 1}));
  ASSERT_EQ(g.points.size(), 6u * 6);
  EXPECT_EQ(std::vector<float>(g.points.begin(), g.points.begin() + 2), (std::vector<float>{1, 1})) << "y stays up";
  Json table = Json::parse(g.styleTable);
  ASSERT_EQ(table.size(), 3u);
  const Json& middle = table[g.styles[1]];
  EXPECT_TRUE(middle["fill"].is_null());
  EXPECT_EQ(middle["stroke"], "#bfbfbf");
  EXPECT_FLOAT_EQ(middle["opacity"].get<float>(), 0.1f);
  EXPECT_EQ(table[g.styles[2]]["evenOdd"], true);

  // The curves' bounds, y up: the first art is the segment from (1, 1) to (1, 1).
  ASSERT_EQ(g.bounds.size(), 4u * 3);
  EXPECT_EQ(std::vector<float>(g.bounds.begin(), g.bounds.begin() + 4), (std::vector<float>{1, 1, 1, 1}));

  // The binary form: the header with the members given, then the parts back to back, in the
  // order and lengths the layout's table gives them.
  const std::string bin = documentGeometryBytes(g, "\"state\":{\"x\":1}");
  uint32_t length = 0;
  std::memcpy(&length, bin.data(), 4);
  EXPECT_EQ(length % 4, 0u);
  Json header = Json::parse(bin.substr(4, length));
  EXPECT_EQ(header["arts"], 3);
  EXPECT_EQ(header["segments"], 6);
  EXPECT_EQ(header["styles"], table);
  EXPECT_EQ(header["state"]["x"], 1);
  size_t at = 4 + length;
  for (const GeometryPart& part : kGeometryParts) {
    SCOPED_TRACE(part.name);
    const size_t n = header[part.count].get<size_t>() * part.per;
    if (std::string_view(part.name) == "counts") {
      std::vector<uint32_t> counts(n);
      std::memcpy(counts.data(), bin.data() + at, 4 * n);
      EXPECT_EQ(counts, g.counts);
    }
    if (std::string_view(part.name) == "points") {
      std::vector<float> points(n);
      std::memcpy(points.data(), bin.data() + at, 4 * n);
      EXPECT_EQ(points, g.points);
    }
    at += 4 * n;
  }
  EXPECT_EQ(at, bin.size());
}

// More styles in turn than the encoder keeps at hand, with widths that differ: every art still names
// its own style, and each style is in the table once.
TEST(ExportGeometry, ArtsTakingTurnsAmongManyStylesEachNameTheirOwn) {
  Document doc(DocumentOptions::standard());
  constexpr int kStyles = 7;
  for (int i = 0; i < 3 * kStyles; ++i) {
    HostArt art = addArt(doc, {anchor(float(i), 0), anchor(float(i), 10)}, false);
    HostPathStyle s = doc.options().newPathStyle;
    s.fillPaint = 0;
    s.strokeWidth = 1.0f + float(i);
    ASSERT_EQ(doc.setStyle(art, s), kHostNoErr);
    ASSERT_EQ(doc.setOpacity(art, float((i * 3) % kStyles + 1) / 10), kHostNoErr);
  }
  DocumentGeometry g = documentGeometry(doc, std::nullopt);
  Json table = Json::parse(g.styleTable);
  EXPECT_EQ(table.size(), size_t{kStyles});
  ASSERT_EQ(g.styles.size(), size_t{3 * kStyles});
  for (int i = 0; i < 3 * kStyles; ++i) {
    SCOPED_TRACE(i);
    EXPECT_FLOAT_EQ(table[g.styles[i]]["opacity"].get<float>(), float((i * 3) % kStyles + 1) / 10);
    EXPECT_EQ(g.widths[i], 1.0f + float(i));
  }
}

TEST(ExportGeometry, AChangeHoldsTheChangedArtsAndTheRemovedSlots) {
  Document doc = threeArts();
  const DocumentGeometry all = documentGeometry(doc, std::nullopt);
  const uint64_t r = doc.revision();
  doc.beginCall();
  ASSERT_EQ(doc.disposeArt(doc.handleOf(all.slots[0])), 0);
  ASSERT_EQ(doc.setOpacity(doc.handleOf(all.slots[2]), 0.5f), 0);
  addArt(doc, {anchor(7, 7)}, false);
  doc.endCall();

  DocumentGeometry g = documentGeometry(doc, r);
  ASSERT_TRUE(g.since);
  EXPECT_EQ(*g.since, r);
  EXPECT_EQ(g.revision, doc.revision());
  EXPECT_EQ(g.removed, std::vector<uint32_t>{all.slots[0]});
  ASSERT_EQ(g.slots.size(), 2u) << "the untouched middle art is not sent";
  EXPECT_EQ(g.slots[0], all.slots[2]);
  EXPECT_EQ(g.below[0], all.slots[1]);
  EXPECT_EQ(g.below[1], all.slots[2]);
  EXPECT_FALSE(documentGeometry(doc, doc.revision() + 1).since) << "an unknown revision gets every art";
}

TEST(ExportSvg, IsAnSvgDocumentInPoints) {
  std::string text = svg(threeArts());
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"", 0), 0u);
  EXPECT_NE(text.find("<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\""), std::string::npos);
  EXPECT_TRUE(std::regex_search(text, std::regex(R"re(width="[0-9.]+pt" height="[0-9.]+pt")re")));
  EXPECT_EQ(text.substr(text.size() - 7), "</svg>\n");
  // A title, then the page in its group beneath the design's group, whose arts are numbered in
  // paint order.
  std::vector<size_t> at;
  for (const char* part :
       {"<title>", "<g id=\"page\">\n<rect x=\"0\" y=\"0\" width=\"612\" height=\"792\" fill=\"#ffffff\"",
        "<g id=\"design\" ", "<path id=\"art-1\" d=\"M1 ", "<path id=\"art-2\" d=\"M2 ", "<path id=\"art-3\" d=\"M3 ",
        "</g>\n</svg>"})
    at.push_back(text.find(part));
  for (size_t i = 0; i < at.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_NE(at[i], std::string::npos);
    if (i > 0) {
      EXPECT_LT(at[i - 1], at[i]);
    }
  }
}

TEST(ExportSvg, TurnsYDownAndKeepsTheStackingOrder) {
  // Relative path data: each point after the first is the step from the one before.
  std::vector<std::string> d = pathData(svg(threeArts()));
  EXPECT_EQ(d, (std::vector<std::string>{
                   "M1 791",
                   "M2 782c0 0 13 5 18 0",
                   "M3 792l97 0l0-100Z",
               }));
}

TEST(ExportSvg, LinesOnlyWhereBothHandlesSitOnTheirAnchors) {
  Document doc(DocumentOptions::standard());
  // Segments out of 0, 1, 2 and back: straight, then leaving with a handle, then arriving with one,
  // and closing on a curve; then one closing straight, which Z draws.
  HostPathSegment a = anchor(0, 0), b = anchor(10, 0), c = anchor(10, 10), d = anchor(0, 10);
  b.out = {12, 0};
  d.in = {0, 12};
  d.out = {-1, 5};
  addArt(doc, {a, b, c, d}, true);
  addArt(doc, {anchor(0.0004f, 0.12345f), {{1.0006f, 1}, {1.0006f, 1}, {1.0006f, 1}, 1}}, true);
  EXPECT_EQ(pathData(svg(doc)), (std::vector<std::string>{
                                    "M0 792l10 0c2 0 0-10 0-10c0 0-10-2-10 0c-1 5 0 10 0 10Z",
                                    "M0 791.877l1.001-.877Z",
                                }));
}

TEST(ExportSvg, RoundingDoesNotAddUpAlongAPath) {
  // A thousand steps of 0.3337 points: each written step is between rounded points, so the sum of
  // the steps lands on the last point rounded, not 0.3 points off.
  Document doc(DocumentOptions::standard());
  std::vector<HostPathSegment> segments;
  for (int i = 0; i <= 1000; ++i) segments.push_back(anchor(static_cast<float>(i * 0.3337), 10));
  addArt(doc, segments, false);
  // Read without std::regex, whose matching recurses once a character on a path this long.
  std::string text = svg(doc);
  size_t start = text.find(" d=\"M") + 4;
  std::string d = text.substr(start, text.find('"', start) - start);
  double x = 0;
  int steps = 0;
  for (size_t at = d.find('l'); at != std::string::npos; at = d.find('l', at + 1), ++steps)
    x += std::strtod(d.c_str() + at + 1, nullptr);
  EXPECT_EQ(steps, 1000);
  EXPECT_NEAR(x, std::round(double(segments.back().p.h) * 1000) / 1000, 1e-6);
}

TEST(ExportSvg, CoordinatesToAThousandthOfAPoint) {
  const std::pair<double, const char*> cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {-0.0004, "0"},
      {0.0005, "0.001"},
      {12.5, "12.5"},
      {-12.34567, "-12.346"},
      {791.877, "791.877"},
      {100.0999, "100.1"},
      {1e-9, "0"},
      {-3000.0101, "-3000.01"},
      {3.0e20, "300000000000000000000"},
      {123456789012.3456, "123456789012.346"},
  };
  for (const auto& [value, text] : cases) {
    std::string out = "x";
    appendThousandths(out, value);
    EXPECT_EQ(out, std::string("x") + text) << value;
  }
}

// An attribute of an element's start tag, or "" when it has none.
std::string attribute(const std::string& tag, const std::string& name) {
  std::smatch m;
  if (!std::regex_search(tag, m, std::regex(" " + name + "=\"([^\"]*)\""))) return "";
  return m[1];
}

TEST(ExportSvg, PaintsAsTheStyleSaysEachArtOrItsGroup) {
  // The design's group holds the paint most arts share; an art writes what differs from it.
  Document doc = threeArts();
  for (int i = 0; i < 2; ++i) addArt(doc, {anchor(4, 4), anchor(5, 5)}, false);  // white, black, 1
  std::string text = svg(doc);
  std::string group = text.substr(text.find("<g id=\"design\""));
  group = group.substr(0, group.find('>'));
  EXPECT_EQ(attribute(group, "fill"), "#fff");
  EXPECT_EQ(attribute(group, "stroke"), "#000");
  EXPECT_EQ(attribute(group, "stroke-width"), "1");

  std::vector<std::string> paths;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("<path", 0) == 0) paths.push_back(line.substr(line.find("\" ") + 1));
  ASSERT_EQ(paths.size(), 5u);
  EXPECT_EQ(paths[0], " d=\"M1 791\"/>");
  EXPECT_EQ(paths[1].substr(paths[1].find("\" ") + 1),
            " fill=\"none\" stroke=\"#bfbfbf\" stroke-width=\"2.5\" opacity=\"0.1\"/>");
  EXPECT_EQ(paths[2].substr(paths[2].find("\" ") + 1), " fill=\"#0ff\" fill-rule=\"evenodd\" stroke=\"#ff80ff\"/>");
}

TEST(ExportSvg, HexColoursFollowTheHostConversion) {
  HostColor badThree = threeColor(2, -1, std::numeric_limits<float>::quiet_NaN());
  const std::pair<HostColor, const char*> cases[] = {
      {greyColor(0), "#ffffff"},
      {greyColor(1), "#000000"},
      {greyColor(0.25f), "#bfbfbf"},
      {fourColor(0, 0, 0, 0.5f), "#808080"},
      {fourColor(0, 1, 1, 0), "#ff0000"},
      {threeColor(1, 0.5f, 0), "#ff8000"},
      {badThree, "#ff0000"},
      {spot("Full", 1, 0, 0, 1, 0), "#ffff00"},
  };
  for (const auto& [color, hex] : cases) EXPECT_EQ(hexColor(color), hex) << hex;
}

TEST(ExportSvg, FramedOnThePageThePictureIsThePageAndTheArtPastItStaysInTheFile) {
  Document doc(DocumentOptions::standard());
  addArt(doc, {anchor(100, 100), anchor(300, 100)}, false);
  addArt(doc, {anchor(-5e8f, 2000), anchor(9e8f, -3000)}, false);  // far past every edge
  std::string text = svg(doc);
  EXPECT_NE(text.find("width=\"612pt\" height=\"792pt\" viewBox=\"0 0 612 792\""), std::string::npos) << text;
  EXPECT_NE(text.find("<g id=\"page\">"), std::string::npos);
  EXPECT_EQ(pathData(text).size(), 2u);
  EXPECT_EQ(exportArea(doc).right, 612);
  EXPECT_EQ(exportArea(doc).top, 792);
}

TEST(ExportSvg, FramedOnAllTheViewBoxCoversTheCurvesOutsideThePage) {
  Document doc(DocumentOptions::standard());
  // Anchors inside the page, but the curve between them bulges down to y = -275 (the extremum of
  // the cubic, well inside its control points at -400).
  addArt(doc, {{{100, 100}, {100, 100}, {100, -400}, 1}, {{200, 100}, {200, -400}, {200, 100}, 1}}, false);
  addArt(doc, {anchor(-500, 2000)}, false);
  ViewBox box = viewBox(svg(doc, Frame::All));
  // SVG y = 792 - artwork y: the art above the page reaches -1208, the bulge 1067.
  EXPECT_LE(box.x, -500);
  EXPECT_LE(box.y, 792 - 2000);
  EXPECT_GE(box.y + box.height, 792 + 275);
  EXPECT_GE(box.x + box.width, 612);
  // Not as far as the control points: the bounds are the curve's, not its hull's.
  EXPECT_LT(box.y + box.height, 792 + 400);

  ViewBox pageOnly = viewBox(svg(Document(DocumentOptions::standard()), Frame::All));
  EXPECT_LT(pageOnly.x, 0);
  EXPECT_LT(pageOnly.y, 0);
  EXPECT_GT(pageOnly.x + pageOnly.width, 612);
  EXPECT_GT(pageOnly.y + pageOnly.height, 792);
}

TEST(ExportSvg, FramedOnTheArtTheViewIsASquareAroundItWithoutThePage) {
  Document doc(DocumentOptions::standard());
  addArt(doc, {anchor(100, 100), anchor(300, 100), anchor(300, 200)}, true);
  std::string text = svg(doc, Frame::Art);
  EXPECT_EQ(text.find("id=\"page\""), std::string::npos);
  ViewBox box = viewBox(text);
  // 200 x 100 points of art, centred at (200, 150): a square of 1.04 x 200 and the width of the
  // 1-point stroke, about SVG y 642.
  EXPECT_NEAR(box.width, 209, 1e-3);
  EXPECT_NEAR(box.height, 209, 1e-3);
  EXPECT_NEAR(box.x + box.width / 2, 200, 1e-3);
  EXPECT_NEAR(box.y + box.height / 2, 792 - 150, 1e-3);

  // No art: the page.
  ViewBox empty = viewBox(svg(Document(DocumentOptions::standard()), Frame::Art));
  EXPECT_EQ(empty.width, 612);
  EXPECT_EQ(empty.height, 792);
}

TEST(ExportSvg, AGroupFitsTheFrameCentredInItsBox) {
  Document doc(DocumentOptions::standard());
  addArt(doc, {anchor(100, 100), anchor(300, 100), anchor(300, 200)}, true);
  std::ostringstream out;
  writeSvgGroup(doc, out, "tile-3-", Frame::All, {1000, 2000, 396});
  std::string text = out.str();
  std::smatch m;
  ASSERT_TRUE(
      std::regex_search(text, m, std::regex(R"re(^<g transform="translate\(([^ ]+) ([^)]+)\) scale\(([^)]+)\)">)re")));
  double tx = std::stod(m[1]), ty = std::stod(m[2]), scale = std::stod(m[3]);
  // The page view is 2 % of the page's height and half the stroke wider than the page on each side;
  // its height is the larger side.
  double margin = 0.02 * 792 + 0.5, side = 792 + 2 * margin;
  EXPECT_NEAR(scale, 396 / side, 1e-9);
  // The view's top left (-margin, -margin) lands on the box's top, centred across it.
  double left = -margin, width = 612 + 2 * margin;
  EXPECT_NEAR(tx + left * scale, 1000 + (396 - width * scale) / 2, 1e-3);
  EXPECT_NEAR(ty + left * scale, 2000, 1e-3);
  for (const char* id : {"tile-3-page", "tile-3-design", "tile-3-art-1"})
    EXPECT_NE(text.find(std::string("id=\"") + id + "\""), std::string::npos) << id;
  EXPECT_EQ(text.substr(text.size() - 5), "</g>\n");
}

TEST(ExportSvg, ArtNoViewerCanDrawKeepsItsNumberWithEmptyData) {
  Document doc(DocumentOptions::standard());
  addArt(doc, {}, false);
  addArt(doc, {anchor(std::numeric_limits<float>::quiet_NaN(), 0)}, false);
  addArt(doc, {anchor(std::numeric_limits<float>::infinity(), 0)}, true);
  addArt(doc, {anchor(10, 10)}, false);
  addArt(doc, {}, true);
  std::string text = svg(doc, Frame::All);
  // art-N is the document's art N, whether or not it draws anything.
  EXPECT_EQ(pathData(text), (std::vector<std::string>{"", "", "", "M10 782", ""}));
  EXPECT_NE(text.find("<path id=\"art-1\" d=\"\"/>"), std::string::npos);
  EXPECT_NE(text.find("<path id=\"art-4\" d=\"M10 782\""), std::string::npos);
  EXPECT_NE(text.find("<path id=\"art-5\" d=\"\"/>"), std::string::npos);
  EXPECT_EQ(text.find("nan"), std::string::npos);
  EXPECT_EQ(text.find("inf"), std::string::npos);
  ViewBox box = viewBox(text);
  EXPECT_TRUE(std::isfinite(box.width) && std::isfinite(box.height));
}

HostPathStyle filled(const Document& doc, HostColor color) {
  HostPathStyle style = doc.options().newPathStyle;
  style.fillColor = color;
  style.strokePaint = 0;
  return style;
}

TEST(ExportFrame, ShareOfTheArtInsideTheFrameByArea) {
  Document doc(DocumentOptions::standard());
  EXPECT_EQ(shareInFrame(doc, Frame::Page), 1.0) << "no art: nothing out of view";
  HostArt half = addArt(doc, {anchor(-100, 100), anchor(100, 100), anchor(100, 300), anchor(-100, 300)}, true);
  EXPECT_EQ(doc.setStyle(half, filled(doc, threeColor(0, 0, 0))), kHostNoErr);
  EXPECT_DOUBLE_EQ(shareInFrame(doc, Frame::Page), 0.5);
  // A line across the page and far beyond it: its area is its stroke's, 1 point wide.
  addArt(doc, {anchor(-1e6f, 400), anchor(1e6f, 400)}, false);
  const double line = 2e6 + 1, square = 200.0 * 200.0;
  EXPECT_NEAR(shareInFrame(doc, Frame::Page), (square / 2 + 612) / (square + line), 1e-9);
  for (Frame frame : {Frame::All, Frame::Art}) EXPECT_DOUBLE_EQ(shareInFrame(doc, frame), 1.0);
  // Far off the page, many times the art on it.
  for (int i = 0; i < 10; ++i) {
    HostArt far = addArt(doc, {anchor(1e5f, 1e5f), anchor(1e5f + 2000, 1e5f), anchor(1e5f, 1e5f + 2000)}, true);
    EXPECT_EQ(doc.setStyle(far, filled(doc, threeColor(0, 0, 0))), kHostNoErr);
  }
  EXPECT_LT(shareInFrame(doc, Frame::Page), 0.01);
  EXPECT_GT(shareInFrame(doc, Frame::Page), 0);
}

#ifdef FLARIMOND_HAVE_CAIRO
// ---- PNG

HostPathStyle stroked(const Document& doc, HostColor color, float width) {
  HostPathStyle style = doc.options().newPathStyle;
  style.fillPaint = 0;
  style.strokeColor = color;
  style.strokeWidth = width;
  return style;
}

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

// The document's PNG, widthPixels wide, read back as an image surface.
Surface png(const Document& doc, int widthPixels, std::vector<double>* progress = nullptr, Frame frame = Frame::All) {
  std::ostringstream out;
  std::string error;
  std::function<void(double)> report;
  if (progress) report = [progress](double p) { progress->push_back(p); };
  EXPECT_TRUE(writeDocumentPng(doc, out, widthPixels, false, &error, frame, {}, report)) << error;
  std::istringstream in(out.str());
  Surface image(cairo_image_surface_create_from_png_stream(
                    [](void* closure, unsigned char* data, unsigned int length) {
                      auto* from = static_cast<std::istringstream*>(closure);
                      return from->read(reinterpret_cast<char*>(data), length) ? CAIRO_STATUS_SUCCESS
                                                                               : CAIRO_STATUS_READ_ERROR;
                    },
                    &in),
                &cairo_surface_destroy);
  EXPECT_EQ(cairo_surface_status(image.get()), CAIRO_STATUS_SUCCESS);
  return image;
}

// A channel (0 blue, 1 green, 2 red) of pixel (x, y).
int channel(const Surface& image, int x, int y, int c) {
  return cairo_image_surface_get_data(image.get())[y * cairo_image_surface_get_stride(image.get()) + 4 * x + c];
}

// The picture is drawn in bands on several threads: an art in every part of the picture, and one
// across all of it, come out where they belong and nowhere else, and progress ends at 1.
TEST(ExportPng, EveryBandDrawsTheArtsThatReachIt) {
  Document doc(DocumentOptions::standard());
  const HostPathStyle black = filled(doc, threeColor(0, 0, 0));
  auto square = [&](float x, float y, float side) {
    HostArt h = addArt(doc, {anchor(x, y), anchor(x + side, y), anchor(x + side, y + side), anchor(x, y + side)}, true);
    EXPECT_EQ(doc.setStyle(h, black), kHostNoErr);
  };
  for (int i = 0; i < 13; ++i) square(100, 10.0f + 60.0f * i, 20);
  HostArt column = nullptr;  // a thin column through the whole picture
  EXPECT_EQ(doc.newArt(kHostArtPath, kPlaceAboveAll, nullptr, &column), kHostNoErr);
  const std::vector<HostPathSegment> tall = {anchor(300, -50), anchor(304, -50), anchor(304, 850), anchor(300, 850)};
  EXPECT_EQ(doc.setSegments(column, 0, tall), kHostNoErr);
  EXPECT_EQ(doc.setClosed(column, true), kHostNoErr);
  EXPECT_EQ(doc.setStyle(column, black), kHostNoErr);

  std::vector<double> progress;
  Surface image = png(doc, 400, &progress);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 1.0);
  for (size_t i = 0; i < progress.size(); ++i) {
    EXPECT_GE(progress[i], i ? progress[i - 1] : 0.0);
    EXPECT_LE(progress[i], 1.0);
  }
  const HostRealRect area = exportArea(doc, Frame::All);
  const double scale = 400 / (static_cast<double>(area.right) - area.left);
  ASSERT_GT(cairo_image_surface_get_height(image.get()), 64) << "enough rows for several bands";
  auto green = [&](double x, double y) {  // at artwork point (x, y)
    return channel(image, static_cast<int>((x - area.left) * scale), static_cast<int>((area.top - y) * scale), 1);
  };
  for (int i = 0; i < 13; ++i) {
    SCOPED_TRACE("square " + std::to_string(i));
    EXPECT_EQ(green(110, 20 + 60 * i), 0) << "drawn";
    EXPECT_EQ(green(110, 50 + 60 * i), 255) << "nothing between the squares";
    EXPECT_EQ(green(302, 20 + 60 * i), 0) << "the column, in every band";
  }
}

TEST(ExportPng, FramedOnThePageThePictureIsThePage) {
  Document doc(DocumentOptions::standard());
  HostArt square = addArt(doc, {anchor(-100, 100), anchor(100, 100), anchor(100, 300), anchor(-100, 300)}, true);
  EXPECT_EQ(doc.setStyle(square, filled(doc, threeColor(0, 0, 0))), kHostNoErr);
  Surface page = png(doc, 306, nullptr, Frame::Page);
  ASSERT_EQ(cairo_image_surface_get_width(page.get()), 306);
  ASSERT_EQ(cairo_image_surface_get_height(page.get()), 396);
  // Half a point a pixel, y down from the page's top: artwork (50, 200) is pixel (25, 296).
  EXPECT_EQ(channel(page, 25, 296, 1), 0);
  EXPECT_EQ(channel(page, 25, 100, 1), 255);
  EXPECT_EQ(channel(page, 100, 296, 1), 255);
  // With all the art the view reaches past the page's left edge: artwork (-50, 200) is in it.
  Surface all = png(doc, 306, nullptr, Frame::All);
  const HostRealRect area = exportArea(doc, Frame::All);
  EXPECT_LT(area.left, -100);
  const double scale = 306 / (static_cast<double>(area.right) - area.left);
  EXPECT_EQ(channel(all, static_cast<int>((-50 - area.left) * scale), static_cast<int>((area.top - 200) * scale), 1),
            0);
}

// A design of many arts is drawn in layers of consecutive arts laid over each other; one of few
// arts in one piece (in bands). Overlapping opaque, translucent and hairline arts in an order that
// shows come out the same both ways, to a rounding, wherever the layers are cut.
TEST(ExportPng, ManyArtsInLayersMakeThePictureOfFewArts) {
  auto design = [](int emptyBetween) {
    Document doc(DocumentOptions::standard());
    for (int i = 0; i < 48; ++i) {
      for (int e = 0; e < emptyBetween; ++e) addArt(doc, {}, false);  // nothing to draw, but counted
      const float x = 60 + 9.0f * i, y = 200 + 5.0f * (i % 7);
      HostArt h = addArt(doc, {anchor(x, y), anchor(x + 60, y), anchor(x + 60, y + 300), anchor(x, y + 300)}, true);
      HostPathStyle style = filled(doc, threeColor((i % 3) / 2.0f, (i % 5) / 4.0f, (i % 2) * 1.0f));
      if (i % 4 == 3) style = stroked(doc, threeColor(0, 0, 0), 0.25f);  // a hairline at 300 pixels
      EXPECT_EQ(doc.setStyle(h, style), kHostNoErr);
      if (i % 3 == 1) {
        EXPECT_EQ(doc.setOpacity(h, 0.5f), kHostNoErr);
      }
    }
    return doc;
  };
  Document few = design(0), many = design(400);
  ASSERT_GT(many.artCount(), 16000u);
  Surface a = png(few, 300), b = png(many, 300);
  const int width = cairo_image_surface_get_width(a.get()), height = cairo_image_surface_get_height(a.get());
  ASSERT_EQ(cairo_image_surface_get_width(b.get()), width);
  ASSERT_EQ(cairo_image_surface_get_height(b.get()), height);
  int differing = 0, worst = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) {
        const int d = std::abs(channel(a, x, y, c) - channel(b, x, y, c));
        worst = std::max(worst, d);
        differing += d > 0;
      }
  EXPECT_LE(worst, 3);
  // Most pixels exactly alike: the layers hold the same colours and edges.
  EXPECT_LT(differing, width * height / 50);
}

// A stroke thinner than half a pixel is drawn as a hairline: where the view puts it, with its
// width as the ink across it, and with no ink lost where bands or layers meet.
TEST(ExportPng, HairlinesLandWhereTheViewPutsThemWithTheirWidth) {
  Document doc(DocumentOptions::standard());
  const HostRealRect area = exportArea(doc, Frame::All);
  const double scale = 400 / (static_cast<double>(area.right) - area.left);
  const float width = static_cast<float>(0.3 / scale);  // 0.3 pixel
  // Across the page, 100 points above its bottom; corner to corner of the page's square.
  HostArt across = addArt(doc, {anchor(0, 100), anchor(612, 100)}, false);
  EXPECT_EQ(doc.setStyle(across, stroked(doc, threeColor(0, 0, 0), width)), kHostNoErr);
  HostArt diagonal = addArt(doc, {anchor(0, 150), anchor(612, 762)}, false);
  EXPECT_EQ(doc.setStyle(diagonal, stroked(doc, threeColor(0, 0, 0), width)), kHostNoErr);
  Surface image = png(doc, 400);

  auto ink = [&](int x, int y) { return (255 - channel(image, x, y, 2)) / 255.0; };
  const double row = (area.top - 100) * scale;  // the line's pixel row, from the top
  const int x = static_cast<int>((300 - area.left) * scale);
  double across_ink = 0;
  for (int y = static_cast<int>(row) - 2; y <= static_cast<int>(row) + 2; ++y) across_ink += ink(x, y);
  EXPECT_NEAR(across_ink, 0.3, 1.5 / 255);
  EXPECT_GT(ink(x, static_cast<int>(row)), 0.1) << "on its row";
  // The diagonal: every row it crosses holds 0.3 x sqrt(2) pixels of it (the page's grey border
  // and the line across kept out of the count).
  const int top = static_cast<int>((area.top - 752) * scale), bottom = static_cast<int>((area.top - 160) * scale);
  for (int y = top; y <= bottom; ++y) {
    if (std::abs(y - row) < 3) continue;
    double sum = 0;
    for (int px = static_cast<int>((0 - area.left) * scale) + 2; px < static_cast<int>((612 - area.left) * scale) - 2;
         ++px)
      sum += ink(px, y);
    EXPECT_NEAR(sum, 0.3 * std::sqrt(2.0), 4.0 / 255) << "row " << y;
  }
}
#endif

}  // namespace
}  // namespace flhost
