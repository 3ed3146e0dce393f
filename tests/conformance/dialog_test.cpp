// The filter dialog worked as a user works it: its controls, pages, enabling rules, factor and zoom
// controls, pick buttons and the live preview.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>

#include "conformance/host_fixture.h"
#include "dialog/dialog_layout.h"
#include "export.h"

namespace fltest {
namespace {

using flhost::DialogAction;
using flhost::ItemKind;
using flhost::ModalSession;
using Act = DialogAction::Kind;

constexpr HostErr kStop = HOST_FOURCC('S', 'T', 'O', 'P');
constexpr HostErr kLocked = HOST_FOURCC('S', 'E', 'G', 'M');


class DialogTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    startUp();
  }
};


// Every item as the layout lists it: kind, text, rectangle, a spin edit's range and decimals, and
// whether it carries a notify or a track procedure.
TEST_F(DialogTest, ControlsAreBuiltAsLaidOut) {
  struct Case {
    int32_t id;
    char kind;  // Picture button, sTatic text, push Button, Check box, popup List, Spin edit
    const char* text;  // not compared for spin edits (their value) and popups
    HostIntRect rect;
    double min, max;  // NaN: no range
    int32_t decimals;
    char proc;  // 'n' notify, 't' track, '-' none
  };
  const double none = NAN;
  const double swatches = static_cast<double>(host().document().swatches().size());
  // clang-format off
  const Case cases[] = {
      {fl::pageTab(1), 'P', "", {10, 5, 60, 35}, none, none, 0, 'n'}, {fl::pageTab(2), 'P', "", {80, 5, 130, 35}, none, none, 0, 'n'},
      {fl::pageTab(3), 'P', "", {150, 5, 200, 35}, none, none, 0, 'n'}, {fl::pageTab(4), 'P', "", {220, 5, 270, 35}, none, none, 0, 'n'},
      {fl::pageTab(5), 'P', "", {290, 5, 340, 35}, none, none, 0, 'n'}, {fl::pageTab(6), 'P', "", {360, 5, 410, 35}, none, none, 0, 'n'},
      {fl::pageTab(7), 'P', "", {430, 5, 480, 35}, none, none, 0, 'n'},
      {fl::pageLabel(1), 'T', "Flarimond", {8, 40, 79, 55}, none, none, 0, '-'},
      {fl::pageLabel(2), 'T', "Stars", {84, 40, 149, 55}, none, none, 0, '-'},
      {fl::pageLabel(3), 'T', "Xtra", {155, 40, 219, 55}, none, none, 0, '-'},
      {fl::pageLabel(4), 'T', "Factors", {222, 40, 289, 55}, none, none, 0, '-'},
      {fl::pageLabel(5), 'T', "Styles", {293, 40, 359, 55}, none, none, 0, '-'},
      {fl::pageLabel(6), 'T', "Settings", {360, 40, 429, 55}, none, none, 0, '-'},
      {fl::pageLabel(7), 'T', "Settings1", {430, 40, 499, 55}, none, none, 0, '-'},
      {fl::kCancelItem, 'B', "Cancel", {510, 40, 590, 60}, none, none, 0, '-'},
      {fl::kShuffle, 'B', "Shuffle", {510, 70, 590, 90}, none, none, 0, 'n'},
      {fl::kTumble, 'B', "Tumble", {510, 100, 590, 120}, none, none, 0, 'n'},
      {fl::kPreviewItem, 'C', "Preview", {510, 130, 590, 144}, none, none, 0, 'n'},
      {fl::kPresetItem, 'L', "", {510, 150, 590, 170}, none, none, 0, 'n'}, {fl::kZoomItem, 'S', "", {530, 235, 590, 255}, 1, 500, 2, 'n'},
      {41, 'T', "Bursts", {10, 82, 178, 102}, none, none, 0, '-'}, {5, 'S', "", {180, 82, 240, 102}, 2, 150, 0, 'n'},
      {150, 'P', "", {250, 82, 270, 102}, none, none, 0, 't'},
      {42, 'T', "Length (p)", {10, 104, 178, 124}, none, none, 0, '-'},
      {6, 'S', "", {180, 104, 240, 124}, -3000, 6000, 2, 'n'},
      {151, 'P', "", {250, 104, 270, 124}, none, none, 0, 't'},
      {43, 'T', "Angle (o)", {10, 126, 178, 146}, none, none, 0, '-'},
      {7, 'S', "", {180, 126, 240, 146}, -360, 360, 2, 'n'}, {152, 'P', "", {250, 126, 270, 146}, none, none, 0, 't'},
      {120, 'L', "", {10, 158, 240, 178}, none, none, 0, 'n'},
      {47, 'T', "Initial gap (p)", {10, 190, 178, 210}, none, none, 0, '-'},
      {19, 'S', "", {180, 190, 240, 210}, -2000, 2000, 2, 'n'},
      {153, 'P', "", {250, 190, 270, 210}, none, none, 0, 't'},
      {20, 'S', "", {280, 190, 340, 210}, -2000, 2000, 2, 'n'},
      {154, 'P', "", {350, 190, 370, 210}, none, none, 0, 't'},
      {40, 'T', "Stars", {10, 70, 178, 90}, none, none, 0, '-'}, {4, 'S', "", {180, 70, 240, 90}, 1, 100, 0, 'n'},
      {122, 'L', "", {10, 100, 240, 120}, none, none, 0, 'n'},
      {121, 'L', "", {10, 130, 240, 150}, none, none, 0, 'n'}, {31, 'L', "", {10, 160, 240, 180}, none, none, 0, 'n'},
      {60, 'T', "Start", {10, 190, 178, 210}, none, none, 0, '-'},
      {29, 'S', "", {180, 190, 240, 210}, -4000, 4000, 2, 'n'},
      {165, 'P', "", {250, 190, 270, 210}, none, none, 0, 't'},
      {30, 'S', "", {280, 190, 340, 210}, -4000, 4000, 2, 'n'},
      {166, 'P', "", {350, 190, 370, 210}, none, none, 0, 't'},
      {44, 'T', "Burst apply", {10, 60, 178, 80}, none, none, 0, '-'},
      {8, 'S', "", {180, 60, 240, 80}, 0, 100, 0, 'n'}, {9, 'S', "", {280, 60, 340, 80}, 1, 100, 0, 'n'},
      {46, 'T', "Path interpolate", {10, 82, 178, 102}, none, none, 0, '-'},
      {10, 'S', "", {180, 82, 240, 102}, 0, 100, 2, 'n'},
      {45, 'T', "Spread (p)", {10, 104, 178, 124}, none, none, 0, '-'},
      {16, 'S', "", {180, 104, 240, 124}, -1000, 1000, 2, 'n'},
      {155, 'P', "", {250, 104, 270, 124}, none, none, 0, 't'},
      {17, 'S', "", {280, 104, 340, 124}, -1000, 1000, 2, 'n'},
      {156, 'P', "", {350, 104, 370, 124}, none, none, 0, 't'},
      {48, 'T', "Pulse / factor", {10, 126, 178, 146}, none, none, 0, '-'},
      {23, 'S', "", {180, 126, 240, 146}, 1, 999, 0, 'n'}, {24, 'S', "", {280, 126, 340, 146}, 1, 999, 0, 'n'},
      {124, 'L', "", {10, 150, 160, 170}, none, none, 0, 'n'},
      {57, 'T', "Sketch weight (/10p)", {10, 175, 178, 195}, none, none, 0, '-'},
      {26, 'S', "", {180, 175, 240, 195}, 0, 400, 2, 'n'},
      {58, 'T', "Sketch shift (p)", {10, 197, 178, 217}, none, none, 0, '-'},
      {27, 'S', "", {180, 197, 240, 217}, 0, 200, 2, 'n'},
      {59, 'T', "Sketch repeats", {10, 219, 178, 239}, none, none, 0, '-'},
      {28, 'S', "", {180, 219, 240, 239}, 0, 60, 0, 'n'}, {49, 'T', "Fan (%)", {10, 60, 178, 80}, none, none, 0, '-'},
      {11, 'S', "", {180, 60, 240, 80}, -1000, 1000, 2, 'n'}, {157, 'P', "", {250, 60, 270, 80}, none, none, 0, 't'},
      {50, 'T', "Length (%)", {10, 82, 178, 102}, none, none, 0, '-'},
      {12, 'S', "", {180, 82, 240, 102}, -1000, 1000, 2, 'n'},
      {158, 'P', "", {250, 82, 270, 102}, none, none, 0, 't'},
      {51, 'T', "Fill (%)", {10, 104, 178, 124}, none, none, 0, '-'},
      {13, 'S', "", {180, 104, 240, 124}, -1000, 1000, 2, 'n'},
      {159, 'P', "", {250, 104, 270, 124}, none, none, 0, 't'},
      {52, 'T', "Height (%)", {10, 126, 178, 146}, none, none, 0, '-'},
      {14, 'S', "", {180, 126, 240, 146}, -1000, 1000, 2, 'n'},
      {160, 'P', "", {250, 126, 270, 146}, none, none, 0, 't'},
      {53, 'T', "Angle (%)", {10, 148, 178, 168}, none, none, 0, '-'},
      {15, 'S', "", {180, 148, 240, 168}, -1000, 1000, 2, 'n'},
      {161, 'P', "", {250, 148, 270, 168}, none, none, 0, 't'},
      {fl::kFactorModeItem, 'L', "", {290, 150, 390, 170}, none, none, 0, 'n'},
      {54, 'T', "Spread (%)", {10, 170, 178, 190}, none, none, 0, '-'},
      {18, 'S', "", {180, 170, 240, 190}, -1000, 1000, 2, 'n'},
      {162, 'P', "", {250, 170, 270, 190}, none, none, 0, 't'},
      {55, 'T', "Initial gap (%)", {10, 192, 178, 212}, none, none, 0, '-'},
      {21, 'S', "", {180, 192, 240, 212}, -1000, 1000, 2, 'n'},
      {163, 'P', "", {250, 192, 270, 212}, none, none, 0, 't'},
      {56, 'T', "Opacity (%)", {10, 214, 178, 234}, none, none, 0, '-'},
      {22, 'S', "", {180, 214, 240, 234}, -1000, 1000, 2, 'n'},
      {164, 'P', "", {250, 214, 270, 234}, none, none, 0, 't'}, {180, 'L', "", {10, 70, 180, 90}, none, none, 0, 'n'},
      {181, 'S', "", {190, 70, 250, 90}, 0, swatches, 0, 'n'}, {182, 'S', "", {260, 70, 320, 90}, 0, 1000, 0, 'n'},
      {183, 'L', "", {10, 100, 180, 120}, none, none, 0, 'n'},
      {184, 'S', "", {190, 100, 250, 120}, 0, swatches, 0, 'n'},
      {185, 'S', "", {260, 100, 320, 120}, 0, 1000, 0, 'n'},
      {94, 'C', "Apply to unique elements (if unique set)", {10, 130, 500, 144}, none, none, 0, 'n'},
      {95, 'C', "Apply to stars (if stars > 1)", {10, 147, 500, 161}, none, none, 0, 'n'},
      {186, 'L', "", {10, 187, 180, 207}, none, none, 0, 'n'},
      {70, 'C', "Opacity [R]", {10, 80, 249, 94}, none, none, 0, 'n'},
      {74, 'C', "Height [R]", {250, 80, 500, 94}, none, none, 0, 'n'},
      {71, 'C', "Width [R]", {10, 97, 249, 111}, none, none, 0, 'n'},
      {75, 'C', "Center [R]", {250, 97, 500, 111}, none, none, 0, 'n'},
      {79, 'C', "Style [R]", {10, 114, 249, 128}, none, none, 0, 'n'},
      {77, 'C', "Length [R]", {250, 114, 500, 128}, none, none, 0, 'n'},
      {72, 'C', "Apply [R]", {10, 131, 249, 145}, none, none, 0, 'n'},
      {76, 'C', "Angle [R]", {250, 131, 500, 145}, none, none, 0, 'n'},
      {73, 'C', "Place below", {10, 148, 249, 162}, none, none, 0, 'n'},
      {80, 'C', "Scale [R]", {250, 148, 500, 162}, none, none, 0, 'n'},
      {85, 'C', "Spread [R]", {10, 165, 249, 179}, none, none, 0, 'n'},
      {81, 'C', "Alternate flip", {250, 165, 500, 179}, none, none, 0, 'n'},
      {82, 'C', "BurstType [R]", {10, 182, 249, 196}, none, none, 0, 'n'},
      {84, 'C', "Initial gap [R]", {250, 182, 500, 196}, none, none, 0, 'n'},
      {78, 'C', "Burst [R]", {10, 199, 249, 213}, none, none, 0, 'n'},
      {83, 'C', "Shape [R]", {10, 216, 249, 230}, none, none, 0, 'n'},
      {92, 'C', "Drop shadow", {10, 80, 500, 94}, none, none, 0, 'n'},
      {88, 'C', "Shadow direction [R]", {10, 97, 500, 111}, none, none, 0, 'n'},
      {89, 'C', "Shadow opacity [R]", {10, 114, 500, 128}, none, none, 0, 'n'},
      {90, 'C', "Half fill shadow", {10, 131, 500, 145}, none, none, 0, 'n'},
      {91, 'C', "Shadow scaling [R]", {10, 148, 500, 162}, none, none, 0, 'n'},
      {86, 'C', "Sketch shift [R]", {10, 165, 500, 179}, none, none, 0, 'n'},
      {87, 'C', "Sketch weight [R]", {10, 182, 500, 196}, none, none, 0, 'n'},
      {93, 'C', "Unique elements", {10, 199, 500, 213}, none, none, 0, 'n'},
  };
  // clang-format on
  const std::map<char, ItemKind> kinds = {{'P', ItemKind::PictureButton}, {'T', ItemKind::StaticText},
                                          {'B', ItemKind::PushButton},    {'C', ItemKind::CheckBox},
                                          {'L', ItemKind::PopupList},     {'S', ItemKind::SpinEdit}};
  flhost::DialogDump dump;
  ASSERT_EQ(runDialog(defaults(), [&](ModalSession& s) { dump = s.dump(); }), 0);
  EXPECT_EQ(dump.bounds.right - dump.bounds.left, 600);
  EXPECT_EQ(dump.bounds.bottom - dump.bounds.top, 260);
  ASSERT_EQ(dump.items.size(), std::size(cases));
  EXPECT_EQ(dump.items.front().id, 5);  // creation order
  EXPECT_EQ(dump.items[30].id, 185);
  EXPECT_EQ(dump.items.back().id, 143);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    auto it = std::find_if(dump.items.begin(), dump.items.end(), [&](auto& i) { return i.id == c.id; });
    ASSERT_NE(it, dump.items.end());
    EXPECT_EQ(it->kind, kinds.at(c.kind));
    if (c.kind != 'S' && c.kind != 'L') {
      EXPECT_EQ(it->text, c.text);
    }
    EXPECT_EQ(it->rect.left, c.rect.left);
    EXPECT_EQ(it->rect.top, c.rect.top);
    EXPECT_EQ(it->rect.right, c.rect.right);
    EXPECT_EQ(it->rect.bottom, c.rect.bottom);
    EXPECT_EQ(it->minValue.value_or(NAN) == c.min, !std::isnan(c.min));
    EXPECT_EQ(it->maxValue.value_or(NAN) == c.max, !std::isnan(c.max));
    EXPECT_EQ(it->decimals, c.decimals);
    EXPECT_EQ(it->hasNotifyProc, c.proc == 'n');
    EXPECT_EQ(it->hasTrackProc, c.proc == 't');
  }

  // Without swatches the swatch spin edits allow only 0, and the re-read stores it.
  auto document = flhost::DocumentOptions::standard();
  document.swatches.clear();
  open({}, document);
  startUp();
  ASSERT_EQ(runDialog(defaults(), [&](ModalSession& s) { EXPECT_EQ(s.item(181)->maximum(), 0); }), 0);
  EXPECT_EQ(record().fillSwatch, 0);
}

TEST_F(DialogTest, PopupListsOfferEveryEntryAndSelectTheField) {
  struct Case {
    int32_t id;
    size_t count;
    const char* first;
    const char* last;
    int32_t selected;
  };
  const Case cases[] = {
      {120, 30, " Burst 01", " Burst 30", 29},
      {121, 9, " Reverse options - Ignore", " Alternate3", 0},
      {31, 43, " Scaling - ignore", " Scaling 42", 7},
      {122, 14, " Shape options - Triangle", " Triangle6", 0},
      {fl::kFactorModeItem, 2, " Factor per star", " Factor per element", 1},
      {180, 15, " Fill color - Ignore", " 10% reduction", 11},
      {183, 15, " Stroke color - Ignore", " 10% reduction", 0},
      {186, 11, " Pattern - ignore", " Pattern center 10", 0},
      {fl::kPresetItem, 36, " Reset", " Tile", 35},
      {124, 12, " Sketch color options - Use black", " Use white + random opacity", 3},
  };
  BurstParams p = defaults();
  p.burstType = 29;
  p.scaling = 7;
  p.factorMode = 1;
  p.fillColor = 11;
  p.preset = 35;
  p.sketchColor = 3;
  ASSERT_EQ(runDialog(p, [&](ModalSession& s) {
              for (const Case& c : cases) {
                SCOPED_TRACE(c.id);
                const flhost::Item* popup = s.item(c.id);
                ASSERT_EQ(popup->entries.size(), c.count);
                EXPECT_EQ(popup->entries.front()->text, c.first);
                EXPECT_EQ(popup->entries.back()->text, c.last);
                for (size_t i = 0; i < c.count; ++i) EXPECT_EQ(popup->entries[i]->id, static_cast<int32_t>(i));
                EXPECT_EQ(popup->selectedIndex(), c.selected);
              }
            }),
            0);
}

TEST_F(DialogTest, TheStoredPageComesUpAndTabsSwitchPages) {
  struct Case {
    int32_t stored;
    int shown;
    int pressed;  // tab pressed after opening, 0 none
  };
  for (const Case c : {Case{1, 1, 0}, Case{0, 1, 0}, Case{8, 1, 0}, Case{5, 5, 0}, Case{7, 7, 0}, Case{2, 3, 3}}) {
    SCOPED_TRACE(c.stored);
    open();
    startUp();
    BurstParams p = defaults();
    p.currentPage = c.stored;
    const int page = c.pressed ? c.pressed : c.shown;
    ASSERT_EQ(runDialog(p,
                        [&](ModalSession& s) {
                          // The lead item's value notifier drew the first preview, popup 180 included.
                          EXPECT_EQ(arts(), 10u);
                          if (c.pressed) act(s, {showPage(c.pressed)});
                          for (const fl::DialogItem& item : fl::kDialogItems)
                            EXPECT_EQ(s.item(item.id)->visible, item.page == 0 || item.page == page) << item.id;
                          for (int n = 1; n <= fl::kPageCount; ++n)
                            EXPECT_EQ(s.item(fl::pageLabel(n))->font, n == page ? kFontEmphasised : kFontDialog);
                        }),
              0);
    EXPECT_EQ(record().currentPage, page);
  }
}

// The page notifier walks the pages 1 to 7 and each page's items in the order of its row. A show
// call made to fail leaves its item as it was, which tells which item that call was for.
TEST_F(DialogTest, PageNotifierShowsAndHidesEachPageInRowOrder) {
  const int rowSizes[fl::kPageCount] = {15, 10, 20, 25, 9, 16, 8};
  struct Case {
    int pressed;
    int rowPage;   // the page whose row holds the failed call: the one shown before (1) or pressed
    int position;  // 0-based position in that row
    int32_t item;
  };
  const Case cases[] = {{3, 1, 1, 41}, {3, 1, 6, 120}, {3, 3, 2, 44},
                        {3, 3, 11, 124}, {4, 4, 16, 125}, {5, 5, 1, 182}, {7, 7, 1, 88}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "tab " << c.pressed << ", row " << c.rowPage << " #" << c.position);
    int call = c.position + 1;
    for (int n = 1; n < c.rowPage; ++n) call += rowSizes[n - 1];
    BurstParams p = defaults();
    p.currentPage = 1;
    ASSERT_EQ(runDialog(p,
                        [&](ModalSession& s) {
                          const bool before = s.item(c.item)->visible;
                          host().faults().failOn("item.show", static_cast<uint64_t>(call), -1);
                          act(s, {showPage(c.pressed)});
                          EXPECT_EQ(s.item(c.item)->visible, before);
                          EXPECT_NE(before, c.rowPage == c.pressed);
                        }),
              0);
  }
}

TEST_F(DialogTest, EnablingRulesFollowTheValues) {
  struct Step {
    DialogAction action;
    std::vector<std::pair<int32_t, bool>> enabled;
  };
  const Step steps[] = {
      {showPage(2), {{control("alternateFlip"), false}, {control("starPulse"), false}}},  // one star by default
      {{Act::Set, control("starCount"), 2}, {{control("alternateFlip"), true}, {control("starPulse"), true}}},
      {{Act::Set, control("starCount"), 1}, {{control("alternateFlip"), false}, {control("starPulse"), false}}},
      {showPage(1), {{control("randomAngle"), false}}},
      {{Act::Set, control("angle"), -0.5}, {{control("randomAngle"), true}}},
      {{Act::Set, control("angle"), 0}, {{control("randomAngle"), false}}},
      {showPage(5), {{control("fillSwatch"), false}, {control("fillSteps"), false}}},
      {{Act::Choose, control("fillColor"), 11}, {{control("fillSwatch"), true}, {control("fillSteps"), false}}},
      {{Act::Choose, control("fillColor"), 6}, {{control("fillSwatch"), true}, {control("fillSteps"), true}}},
      {{Act::Choose, control("fillColor"), 1}, {{control("fillSwatch"), false}, {control("fillSteps"), true}}},
      {{Act::Choose, control("strokeColor"), 11},
       {{control("strokeSwatch"), true}, {control("strokeSteps"), false}, {control("fillSwatch"), false}}},
      {showPage(3),
       {{control("sketchWeight"), false}, {control("sketchShift"), false}, {control("sketchColor"), false},
        {control("randomSketchShift"), false}, {control("randomSketchWeight"), false}}},
      {{Act::Set, control("sketchRepeats"), 3},
       {{control("sketchWeight"), true}, {control("sketchShift"), true}, {control("sketchColor"), true},
        {control("randomSketchShift"), true}, {control("randomSketchWeight"), true}}},
      {showPage(7),
       {{control("randomShadowDirection"), false}, {control("randomShadowOpacity"), false},
        {control("halfFillShadow"), false}, {control("randomShadowScaling"), false}}},
      {{Act::Check, control("dropShadow"), 1},
       {{control("randomShadowDirection"), true}, {control("randomShadowOpacity"), true},
        {control("halfFillShadow"), true}, {control("randomShadowScaling"), true}}},
      {showPage(6),
       {{control("burstType"), true}, {control("shapeOption"), true}, {control("startX"), true},
        {control("startY"), true}}},
      {{Act::Check, control("randomBurstType"), 1}, {{control("burstType"), false}, {control("shapeOption"), true}}},
      {{Act::Check, control("randomShape"), 1}, {{control("shapeOption"), false}}},
      {{Act::Check, control("randomCenter"), 1}, {{control("startX"), false}, {control("startY"), false}}},
  };
  ASSERT_EQ(runDialog(defaults(),
                      [&](ModalSession& s) {
                        for (const Step& step : steps) {
                          SCOPED_TRACE(flhost::describeAction(step.action));
                          act(s, {step.action});
                          for (auto [id, enabled] : step.enabled) EXPECT_EQ(s.item(id)->enabled, enabled) << id;
                        }
                      }),
            0);
}

// Each factor spin edit edits its own pair, in the member the factor popup chooses.
TEST_F(DialogTest, FactorSpinEditsEditTheirOwnPair) {
  struct Pair {
    int32_t item;
    float BurstParams::*perStar;
    float BurstParams::*perElement;
  };
  const Pair pairs[] = {
      {11, &BurstParams::fanFactorPerStar, &BurstParams::fanFactorPerElement},
      {12, &BurstParams::lengthFactorPerStar, &BurstParams::lengthFactorPerElement},
      {13, &BurstParams::fillFactorPerStar, &BurstParams::fillFactorPerElement},
      {14, &BurstParams::heightFactorPerStar, &BurstParams::heightFactorPerElement},
      {15, &BurstParams::angleFactorPerStar, &BurstParams::angleFactorPerElement},
      {18, &BurstParams::spreadFactorPerStar, &BurstParams::spreadFactorPerElement},
      {21, &BurstParams::initialGapFactorPerStar, &BurstParams::initialGapFactorPerElement},
      {22, &BurstParams::opacityFactorPerStar, &BurstParams::opacityFactorPerElement},
  };
  BurstParams p = defaults();
  p.preview = 0;
  ASSERT_EQ(runDialog(p,
                      [&](ModalSession& s) {
                        act(s, {showPage(4)});
                        for (size_t k = 0; k < std::size(pairs); ++k)
                          act(s, {{Act::Set, pairs[k].item, 10.0 + static_cast<double>(k)}});
                        act(s, {{Act::Choose, fl::kFactorModeItem, 1}});
                        for (size_t k = 0; k < std::size(pairs); ++k)
                          act(s, {{Act::Set, pairs[k].item, 50.0 + static_cast<double>(k)}});
                      }),
            0);
  const BurstParams r = record();
  for (size_t k = 0; k < std::size(pairs); ++k) {
    SCOPED_TRACE(pairs[k].item);
    EXPECT_EQ(r.*pairs[k].perStar, 10.0f + static_cast<float>(k));
    EXPECT_EQ(r.*pairs[k].perElement, 50.0f + static_cast<float>(k));
  }
}

TEST_F(DialogTest, FactorPopupAndZoomChangeNoDesign) {
  BurstParams p = defaults();
  p.fanFactorPerElement = 33.0f;
  p.factorMode = 1;
  ASSERT_EQ(runDialog(p,
                      [&](ModalSession& s) {
                        EXPECT_EQ(s.item(11)->reading(), 33.0);  // the stored member shows
                        const uint64_t redraws = host().document().redrawCount();
                        act(s, {showPage(4), {Act::Choose, fl::kFactorModeItem, 0}});
                        EXPECT_EQ(s.item(11)->reading(), 100.0);
                        act(s, {{Act::Set, control("fanFactorPerStar"), 50}, {Act::Choose, fl::kFactorModeItem, 1}});
                        EXPECT_EQ(s.item(11)->reading(), 33.0);
                        act(s, {{Act::Set, control("fanFactorPerStar"), 70}});
                        const uint64_t afterChanges = host().document().redrawCount();
                        EXPECT_EQ(afterChanges, redraws + 2);  // only the two value changes drew
                        act(s, {{Act::Choose, fl::kFactorModeItem, 0}, {Act::Set, fl::kZoomItem, 250}});
                        EXPECT_EQ(s.item(11)->reading(), 50.0);
                        EXPECT_EQ(host().document().viewZoom(), 2.5f);
                        EXPECT_EQ(host().document().redrawCount(), afterChanges);
                        EXPECT_EQ(arts(), 10u);
                      }),
            0);
  BurstParams r = record();
  EXPECT_EQ(r.fanFactorPerStar, 50.0f);
  EXPECT_EQ(r.fanFactorPerElement, 70.0f);
  EXPECT_EQ(r.factorMode, 0);
  EXPECT_EQ(r.viewZoom, 250.0f);
}

TEST_F(DialogTest, PickButtonsSetTheirFieldFromTheArtworkPoint) {
  // The standard view shows (306, 396) at its centre at 100 %; picks land on whole view pixels.
  struct Case {
    const char* name;
    std::vector<DialogAction> before;
    int32_t button;
    double x, y;
    float BurstParams::*field;
    float expected;
  };
  const Case cases[] = {
      {"length", {}, pickButton("length"), 250.3, 0, &BurstParams::length, 250.0f},
      {"angle from the view centre", {}, pickButton("angle"), 406, 496, &BurstParams::angle, 45.0f},
      {"initial gap across", {}, pickButton("initialGapY"), 0, 123.4, &BurstParams::initialGapY, 123.0f},
      {"start", {showPage(2)}, pickButton("startX"), 1000, 0, &BurstParams::startX, 1000.0f},
      {"fan factor per star", {showPage(4)}, pickButton("fanFactorPerStar"), 187.9, 0, &BurstParams::fanFactorPerStar, 18.8f},
      {"length factor per element", {showPage(4), {Act::Choose, fl::kFactorModeItem, 1}}, pickButton("lengthFactorPerStar"), 500, 0,
       &BurstParams::lengthFactorPerElement, 50.0f},
      {"initial gap along", {}, pickButton("initialGapX"), 77, 0, &BurstParams::initialGapX, 77.0f},
      {"spread along", {showPage(3)}, pickButton("spreadX"), 66, 0, &BurstParams::spreadX, 66.0f},
      {"spread across", {showPage(3)}, pickButton("spreadY"), 0, 55, &BurstParams::spreadY, 55.0f},
      {"start across", {showPage(2)}, pickButton("startY"), 0, 444, &BurstParams::startY, 444.0f},
      {"fill factor per star", {showPage(4)}, pickButton("fillFactorPerStar"), 130, 0, &BurstParams::fillFactorPerStar, 13.0f},
      {"height factor per star", {showPage(4)}, pickButton("heightFactorPerStar"), 140, 0, &BurstParams::heightFactorPerStar, 14.0f},
      {"angle factor per star", {showPage(4)}, pickButton("angleFactorPerStar"), 150, 0, &BurstParams::angleFactorPerStar, 15.0f},
      {"spread factor per star", {showPage(4)}, pickButton("spreadFactorPerStar"), 160, 0, &BurstParams::spreadFactorPerStar, 16.0f},
      {"initial gap factor per star", {showPage(4)}, pickButton("initialGapFactorPerStar"), 170, 0, &BurstParams::initialGapFactorPerStar, 17.0f},
      {"opacity factor per star", {showPage(4)}, pickButton("opacityFactorPerStar"), 180, 0, &BurstParams::opacityFactorPerStar, 18.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(runDialog(defaults(),
                        [&](ModalSession& s) {
                          for (const DialogAction& a : c.before) act(s, {a});
                          DialogAction pick{Act::Pick, c.button};
                          pick.x = c.x;
                          pick.y = c.y;
                          act(s, {pick});
                        }),
              0);
    EXPECT_NEAR(record().*c.field, c.expected, 1e-4);
  }
  EXPECT_EQ(record().lengthFactorPerStar, 100.0f);

  // The burst count takes a tenth of x, truncated; its spin edit keeps its minimum, and the re-read
  // after the pick stores what it holds.
  for (auto [x, expected] : {std::pair{187.9, 18}, std::pair{-187.9, 2}}) {
    ASSERT_EQ(runDialog(defaults(),
                        [&](ModalSession& s) {
                          DialogAction pick{Act::Pick, pickButton("burstCount")};
                          pick.x = x;
                          act(s, {pick});
                          EXPECT_EQ(s.item(control("burstCount"))->intReading(), expected);
                        }),
              0);
    EXPECT_EQ(record().burstCount, expected);
  }

  // A tracker call without the pick bit sets nothing and asks for no point, but still re-reads
  // the controls (which previews) and shows the page again.
  ASSERT_EQ(runDialog(defaults(),
                      [&](ModalSession& s) {
                        act(s, {showPage(3)});
                        host().faults().resetCounts();
                        const uint64_t redraws = host().document().redrawCount();
                        host().dialogs().track(*s.dialog().find(151), {700, 50}, 0);
                        EXPECT_EQ(host().faults().count("item.defaultTrack"), 0u);
                        EXPECT_EQ(host().faults().count("tracker.getPoint"), 0u);
                        EXPECT_EQ(host().document().redrawCount(), redraws + 1);
                        EXPECT_EQ(host().faults().count("item.show"), 103u);
                        EXPECT_TRUE(s.item(8)->visible);
                        EXPECT_FALSE(s.item(5)->visible);
                      }),
            0);
  EXPECT_EQ(record().length, 300.0f);
  EXPECT_EQ(record().currentPage, 3);
}

TEST_F(DialogTest, EachChangeReplacesThePreviewAndGoKeepsAConfirmedOne) {
  setRecord(defaults());
  ASSERT_EQ(host().go(), 0);  // a design from an earlier run stays throughout
  ASSERT_EQ(arts(), 10u);
  ASSERT_EQ(runDialog(record(),
                      [&](ModalSession& s) {
                        EXPECT_EQ(arts(), 20u);
                        act(s, {{Act::Set, control("burstCount"), 12}, {Act::Set, control("burstCount"), 14},
                                {Act::Set, control("length"), 200}});
                        EXPECT_EQ(arts(), 24u);
                        const uint64_t redraws = host().document().redrawCount();
                        act(s, {{Act::Press, fl::kShuffle}});  // "Shuffle" draws the same settings again
                        EXPECT_EQ(arts(), 24u);
                        EXPECT_EQ(host().document().redrawCount(), redraws + 1);
                      }),
            0);
  EXPECT_EQ(record().previewValid, 1);
  EXPECT_EQ(host().go(), 0);
  EXPECT_EQ(arts(), 24u);
  EXPECT_EQ(record().previewValid, 0);
}

TEST_F(DialogTest, CancelAfterPreviewsRestoresDocumentAndRecord) {
  setRecord(defaults());
  ASSERT_EQ(host().go(), 0);
  BurstParams before = record();
  before.previewValid = 1;
  const std::string document = documentJson();
  EXPECT_EQ(runDialog(before,
                      [&](ModalSession& s) {
                        act(s, {{Act::Set, control("burstCount"), 12}, showPage(2), {Act::Set, control("starCount"), 3},
                                {Act::Cancel}});
                      }),
            kStop);
  EXPECT_EQ(documentJson(), document);
  before.previewValid = 0;
  BurstParams after = record();
  EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0);
}

TEST_F(DialogTest, PreviewOffTakesThePreviewAwayAndGoDrawsAfresh) {
  setRecord(defaults());
  ASSERT_EQ(host().go(), 0);
  ASSERT_EQ(runDialog(record(),
                      [&](ModalSession& s) {
                        act(s, {{Act::Set, control("burstCount"), 12}});
                        EXPECT_EQ(arts(), 22u);
                        act(s, {{Act::Check, fl::kPreviewItem, 0}});
                        EXPECT_EQ(arts(), 10u);  // the earlier run's design is not the call's to take
                        act(s, {{Act::Set, control("burstCount"), 13}});
                        EXPECT_EQ(arts(), 10u);
                        EXPECT_EQ(live(s)->previewValid, 0);
                      }),
            0);
  EXPECT_EQ(host().go(), 0);
  EXPECT_EQ(arts(), 23u);
}

TEST_F(DialogTest, FailedPreviewIsTakenBackAndGoDrawsAfresh) {
  BurstParams p = defaults();
  p.uniqueElements = 1;  // every element is new art
  ASSERT_EQ(runDialog(p,
                      [&](ModalSession& s) {
                        host().faults().failOn("art.newArt", 5, kLocked);
                        act(s, {{Act::Set, control("burstCount"), 12}});
                        EXPECT_FALSE(host().faults().pending());
                        EXPECT_EQ(live(s)->previewValid, 0);
                        EXPECT_EQ(arts(), 0u);
                      }),
            0);
  EXPECT_TRUE(user().errors.empty());  // a failed preview is not reported
  EXPECT_EQ(record().previewValid, 0);
  EXPECT_EQ(host().go(), 0);
  EXPECT_EQ(arts(), 12u);
}

}  // namespace
}  // namespace fltest
