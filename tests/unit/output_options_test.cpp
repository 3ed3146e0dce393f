// Page sizes by name and unit, and colours by hex and CSS name: what each accepted text is in
// points and components, and what is refused with the list of accepted forms.
#include <gtest/gtest.h>

#include <string>

#include "cli_options.h"

namespace fltools {
namespace {

TEST(PageSize, NamesAndUnitsGiveTheirPoints) {
  const double mm = 72.0 / 25.4;
  struct Case {
    const char* text;
    double width, height;
  } cases[] = {
      {"612x792", 612, 792},
      {"600x600pt", 600, 600},
      {"210x297mm", 210 * mm, 297 * mm},
      {"210mmx297mm", 210 * mm, 297 * mm},
      {"210 x 297 MM", 210 * mm, 297 * mm},
      {"8.5x11in", 612, 792},
      {"20x20cm", 200 * mm, 200 * mm},
      {"a3", 297 * mm, 420 * mm},
      {"a4", 210 * mm, 297 * mm},
      {"A5", 148 * mm, 210 * mm},
      {"letter", 612, 792},
      {"legal", 612, 1008},
      {"tabloid", 792, 1224},
      {"a4:landscape", 297 * mm, 210 * mm},
      {"Letter:Landscape", 792, 612},
      {"a4:portrait", 210 * mm, 297 * mm},
  };
  for (const Case& c : cases) {
    PageSize p = parsePageSize(c.text);
    EXPECT_EQ(p.width, static_cast<float>(c.width)) << c.text;
    EXPECT_EQ(p.height, static_cast<float>(c.height)) << c.text;
    // What a description stores reads back as the same page.
    PageSize again = parsePageSize(pageText(p));
    EXPECT_EQ(again.width, p.width) << c.text;
    EXPECT_EQ(again.height, p.height) << c.text;
  }
}

TEST(PageSize, RefusedTextsListWhatIsAccepted) {
  for (const char* text : {"a4:sideways", "a6", "210x297furlong", "10mmx20in", "x297", "210x", "210", "mm",
                           "210x297:landscape", "", "inf x 5", "letter:"}) {
    try {
      parsePageSize(text);
      ADD_FAILURE() << text << " accepted";
    } catch (const ToolError& e) {
      EXPECT_NE(std::string(e.what()).find("210x297mm, 8.5x11in), or a3, a4, a5, letter, legal or tabloid"),
                std::string::npos)
          << e.what();
    }
  }
  for (const char* text : {"-5x5mm", "0x10", "1e39x1"}) EXPECT_THROW(parsePageSize(text), ToolError) << text;
}

TEST(Colour, HexAndCssNamesAreRgbInStepsOf255) {
  struct Case {
    const char* text;
    int r, g, b;
  } cases[] = {
      {"#ff8800", 255, 136, 0},     {"#F80", 255, 136, 0},         {"#000", 0, 0, 0},
      {"orange", 255, 165, 0},      {"ORANGE", 255, 165, 0},       {"rebeccapurple", 102, 51, 153},
      {"aliceblue", 240, 248, 255}, {"yellowgreen", 154, 205, 50}, {"grey", 128, 128, 128},
      {"gray", 128, 128, 128},
  };
  for (const Case& c : cases) {
    PaintColour p = parseColour(c.text, "--fill");
    ASSERT_TRUE(p.paint) << c.text;
    ASSERT_EQ(p.color.kind, kHostColorThree) << c.text;
    EXPECT_EQ(p.color.c.three.red, static_cast<float>(c.r) / 255.0f) << c.text;
    EXPECT_EQ(p.color.c.three.green, static_cast<float>(c.g) / 255.0f) << c.text;
    EXPECT_EQ(p.color.c.three.blue, static_cast<float>(c.b) / 255.0f) << c.text;
    // Stored as rgb:, which reads back as the same colour.
    PaintColour again = parseColour(colourText(p), "--fill");
    EXPECT_EQ(again.color.c.three.green, p.color.c.three.green) << c.text;
  }
  // The forms that were there before keep their meaning.
  EXPECT_EQ(parseColour("grey:0.5", "--fill").color.kind, kHostColorGrey);
  EXPECT_EQ(parseColour("cmyk:0,1,0,0", "--fill").color.kind, kHostColorFour);
  EXPECT_FALSE(parseColour("none", "--fill").paint);
  StrokeSpec s = parseStroke("#00ff00@2.5");
  EXPECT_EQ(s.colour.color.c.three.green, 1.0f);
  EXPECT_EQ(s.width, 2.5f);
}

TEST(Colour, RefusedTextsListWhatIsAccepted) {
  for (const char* text : {"#ggg", "#ff88", "#ff880", "#-f8", "#+f8", "#", "chartreuse2", "orange ", "rgb:1,0",
                           "rgb:2,0,0", "#ff8800ff"}) {
    try {
      parseColour(text, "--fill");
      ADD_FAILURE() << text << " accepted";
    } catch (const ToolError& e) {
      EXPECT_NE(std::string(e.what()).find("#rgb, #rrggbb, a CSS colour name such as orange"), std::string::npos)
          << e.what();
    }
  }
}

}  // namespace
}  // namespace fltools
