// The Inkscape document as the effect edits it: transforms read as SVG reads them, pages in
// points, and new or replaced groups spliced in at the right byte, with everything else kept.
#include "inkscape_svg.h"

#include <gtest/gtest.h>

#include "commands.h"

namespace {

using fltools::Affine;
using fltools::EditorDocument;

std::pair<double, double> apply(const Affine& m, double x, double y) {
  return {m.a * x + m.c * y + m.e, m.b * x + m.d * y + m.f};
}

TEST(InkscapeSvg, TransformListsApplyTheirLastTransformFirst) {
  struct Case {
    const char* text;
    double x, y, wantX, wantY;
  } cases[] = {
      {"translate(10,20) rotate(90)", 1, 0, 10, 21},
      {"rotate(90) translate(10,20)", 1, 0, -20, 11},
      {"rotate(90 5 5)", 6, 5, 5, 6},
      {"scale(2) , translate(1)", 1, 1, 4, 2},
      {"matrix(1 0 0 1 3 4)", 0, 0, 3, 4},
      {" skewX(45)", 0, 1, 1, 1},
      {"", 7, 8, 7, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::optional<Affine> m = fltools::parseTransform(c.text);
    ASSERT_TRUE(m);
    auto [x, y] = apply(*m, c.x, c.y);
    EXPECT_NEAR(x, c.wantX, 1e-9);
    EXPECT_NEAR(y, c.wantY, 1e-9);
    auto [bx, by] = apply(fltools::compose(*fltools::inverse(*m), *m), c.x, c.y);
    EXPECT_NEAR(bx, c.x, 1e-9);
    EXPECT_NEAR(by, c.y, 1e-9);
  }
  for (const char* bad : {"skew(3)", "matrix(1,2,3)", "translate(1", "scale(nan)", "rotate(1,2)"})
    EXPECT_FALSE(fltools::parseTransform(bad)) << bad;
  EXPECT_FALSE(fltools::inverse(Affine{0, 0, 0, 0, 1, 1}));
}

TEST(InkscapeSvg, PagesInPoints) {
  EXPECT_NEAR(*fltools::lengthInPoints("210mm"), 595.2756, 1e-4);
  EXPECT_NEAR(*fltools::lengthInPoints("800"), 600, 1e-9);
  EXPECT_NEAR(*fltools::lengthInPoints("8.5in"), 612, 1e-9);
  EXPECT_FALSE(fltools::lengthInPoints("100%"));
  EXPECT_FALSE(fltools::lengthInPoints("-3mm"));
}

#ifdef FLARIMOND_HAVE_PUGIXML  // the documents are read with pugixml, which the Windows build lacks

TEST(InkscapeSvg, PagesOfDocuments) {
  EditorDocument mm(R"(<svg xmlns="http://www.w3.org/2000/svg" width="210mm" height="297mm" viewBox="0 0 210 297"/>)",
                    "a");
  EXPECT_NEAR(mm.page().width, 595.2756, 1e-3);
  // A page point lands on its user unit: the view box's 210 units hold 595.28 points.
  auto [x, y] = apply(mm.pageToLayer(), 595.2756, 841.8898);
  EXPECT_NEAR(x, 210, 1e-3);
  EXPECT_NEAR(y, 297, 1e-3);
  EditorDocument px(R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="10 20 800 600"/>)", "b");
  EXPECT_NEAR(px.page().height, 450, 1e-3);
  EXPECT_NEAR(apply(px.pageToLayer(), 0, 0).first, 10, 1e-9);
  EXPECT_THROW(EditorDocument(R"(<svg xmlns="http://www.w3.org/2000/svg"/>)", "c"), fltools::ToolError);
  EXPECT_THROW(EditorDocument("<svg><g></svg>", "d"), fltools::ToolError);
  EXPECT_THROW(EditorDocument("<html/>", "e"), fltools::ToolError);
}

constexpr const char* kNs =
    R"(xmlns="http://www.w3.org/2000/svg" xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape" )"
    R"(xmlns:sodipodi="http://sodipodi.sourceforge.net/DTD/sodipodi-0.dtd" width="100" height="100")";

std::string document(const std::string& layer, const std::string& body) {
  return std::string("<svg ") + kNs + "><sodipodi:namedview id=\"nv\" inkscape:current-layer=\"" + layer + "\"/>" +
         body + "</svg>";
}

TEST(InkscapeSvg, ANewGroupGoesLastIntoTheCurrentLayerAndNothingElseMoves) {
  struct Case {
    const char* name;
    std::string layer, body, want;
  } cases[] = {
      // The layer is the last child of its parent: its own closing tag, not the parent's.
      {"nested, last", "inner", R"(<g id="outer"><g id="inner"><rect id="r"/></g>
</g><!-- </g> -->)",
       R"(<g id="outer"><g id="inner"><rect id="r"/>NEW</g>
</g><!-- </g> -->)"},
      // A comment after the layer, with a closing tag in it; a '>' inside a quoted value.
      {"comment after", "l1", R"(<g id="l1" inkscape:label='a>b'><circle id="c"/></g><!-- </g> --><g id="l2"/>)",
       R"(<g id="l1" inkscape:label='a>b'><circle id="c"/>NEW</g><!-- </g> --><g id="l2"/>)"},
      {"empty layer", "e", R"(<g id="e" />text)", R"(<g id="e" >
NEW</g>text)"},
      // No current layer that is a group: the root.
      {"root", "nosuch", R"(<rect id="r"/>)", R"(<rect id="r"/>NEW)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EditorDocument doc(document(c.layer, c.body), "doc");
    EXPECT_EQ(doc.withNewGroup("NEW"), document(c.layer, c.want));
  }
}

TEST(InkscapeSvg, TheNewGroupIsPlacedThroughTheLayersTransforms) {
  EditorDocument doc(document("l", R"x(<g id="o" transform="translate(10 0)"><g id="l" transform="scale(2)"/></g>)x"),
                     "doc");
  // Page point (x, y) in points at 0.75 pt a px is user unit x / 0.75; the layer halves it and
  // takes off the outer layer's 10.
  auto [x, y] = apply(doc.pageToLayer(), 30, 15);
  EXPECT_NEAR(x, (40 - 10) / 2.0, 1e-9);
  EXPECT_NEAR(y, 20 / 2.0, 1e-9);
}

TEST(InkscapeSvg, ASelectedDesignIsItsWrapperOrItsGroupAndIsReplacedInPlace) {
  const std::string design =
      R"x(<g id="flarimond-1-design"><metadata><f:design xmlns:f="urn:flarimond:design:1">{}</f:design></metadata><path id="flarimond-1-art-1" d="M0 0"/></g>)x";
  const std::string wrapper = R"x(<g id="flarimond-1" transform="rotate(5)">)x" + design + "</g>";
  const std::string body = R"x(<g id="l"><rect id="r"/>)x" + wrapper +
                           R"x(<g id="two"><g id="a"></g></g><g id="bare" transform="scale(3)">)x" +
                           R"x(<metadata><f:design xmlns:f="urn:flarimond:design:1">{}</f:design></metadata></g></g>)x";
  EditorDocument doc(document("l", body), "doc");
  EXPECT_EQ(doc.freeId(), "flarimond-2");

  EditorDocument::Selected w = doc.selected("flarimond-1");
  EXPECT_TRUE(w.wrapper);
  EXPECT_EQ(w.designId, "flarimond-1-design");
  EXPECT_EQ(doc.withReplaced(w, "NEW"),
            document("l", R"x(<g id="l"><rect id="r"/><g id="flarimond-1" transform="rotate(5)">
NEW</g><g id="two"><g id="a"></g></g><g id="bare" transform="scale(3)"><metadata><f:design xmlns:f="urn:flarimond:design:1">{}</f:design></metadata></g></g>)x"));

  // A design's own group (a copy of an export's) becomes a wrapper with its id and transform.
  EditorDocument::Selected bare = doc.selected("bare");
  EXPECT_FALSE(bare.wrapper);
  EXPECT_EQ(doc.withReplaced(bare, "NEW"),
            document("l", R"x(<g id="l"><rect id="r"/>)x" + wrapper +
                              R"x(<g id="two"><g id="a"></g></g><g id="bare" transform="scale(3)">
NEW</g></g>)x"));

  for (const char* refused : {"r", "l", "two", "nosuch"})
    EXPECT_THROW(doc.selected(refused), fltools::ToolError) << refused;
}

#else

TEST(InkscapeSvg, DocumentsAreRefusedWithoutTheXmlReader) {
  EXPECT_THROW(EditorDocument("<svg/>", "a"), fltools::ToolError);
}

#endif

}  // namespace
