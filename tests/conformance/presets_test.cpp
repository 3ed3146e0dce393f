// The preset popup, "Tumble" and "Shuffle" worked as a user works them: what each leaves in the
// record, which draws Tumble takes, and what is drawn.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "conformance/host_fixture.h"
#include "export.h"
#include "geometry.h"
#include "params/burst_fields.h"

namespace fltest {
namespace {

using flhost::DialogAction;
using flhost::ModalSession;
using Act = DialogAction::Kind;

using fl::kShuffle;
using fl::kTumble;

DialogAction action(Act kind, int32_t id, double value = 0) {
  DialogAction a;
  a.kind = kind;
  a.id = id;
  a.value = value;
  return a;
}



// One field by name, as the field table names it.
struct Change {
  const char* field;
  double value;
};

void apply(BurstParams& p, const std::vector<Change>& changes) {
  for (const Change& c : changes) {
    auto f = std::find_if(std::begin(kBurstFields), std::end(kBurstFields),
                          [&](const BurstField& b) { return std::strcmp(b.name, c.field) == 0; });
    ASSERT_NE(f, std::end(kBurstFields)) << c.field;
    unsigned char* at = reinterpret_cast<unsigned char*>(&p) + f->offset;
    if (f->kind == FieldKind::Float) {
      const float v = static_cast<float>(c.value);
      std::memcpy(at, &v, 4);
    } else {
      const int32_t v = static_cast<int32_t>(c.value);
      std::memcpy(at, &v, 4);
    }
  }
}

// The fields that differ, by name, with both values; "" when the records are equal.
std::string differences(const BurstParams& got, const BurstParams& want) {
  std::ostringstream out;
  for (const BurstField& f : kBurstFields) {
    const auto* g = reinterpret_cast<const unsigned char*>(&got) + f.offset;
    const auto* w = reinterpret_cast<const unsigned char*>(&want) + f.offset;
    if (std::memcmp(g, w, 4) == 0) continue;
    out << f.name << ": ";
    if (f.kind == FieldKind::Float) {
      float gv, wv;
      std::memcpy(&gv, g, 4);
      std::memcpy(&wv, w, 4);
      out << gv << " instead of " << wv << "; ";
    } else {
      int32_t gv, wv;
      std::memcpy(&gv, g, 4);
      std::memcpy(&wv, w, 4);
      out << gv << " instead of " << wv << "; ";
    }
  }
  return out.str();
}

class PresetTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    startUp();
  }
  void reopen(std::vector<float> draws) {
    open(std::move(draws));
    startUp();
  }

  // Every field away from its default and within its control's range (two decimals at most), so
  // that each field a button writes, and each it leaves, shows in the record. Preview is off, so
  // opening the dialog draws nothing and takes no random draws.
  static BurstParams unusual() {
    BurstParams p = defaults();
    // clang-format off
    apply(p, {{"uniqueElements", 1},        {"randomInitialGap", 1},      {"randomSpread", 1},
              {"randomShape", 1},           {"randomBurstType", 1},       {"placeBelow", 1},
              {"alternateFlip", 1},         {"randomScale", 1},           {"randomStyle", 1},
              {"randomBurstCount", 1},      {"randomAngle", 1},           {"randomLength", 1},
              {"randomCenter", 1},          {"randomHeight", 1},          {"randomApply", 1},
              {"preview", 0},               {"randomOpacity", 1},         {"randomWidth", 1},
              {"applyToUniqueElements", 0}, {"applyToStars", 1},          {"scaling", 5},
              {"fillColor", 6},             {"fillSwatch", 7},            {"fillSteps", 9},
              {"strokeColor", 11},          {"strokeSwatch", 4},          {"strokeSteps", 3},
              {"pattern", 2},               {"starPulse", 5},             {"elementPulse", 6},
              {"factorMode", 1},            {"preset", 9},                {"shapeOption", 3},
              {"reverseOption", 2},         {"burstApplySkip", 2},        {"burstApplyRun", 3},
              {"burstType", 12},            {"starCount", 3},             {"currentPage", 4},
              {"burstCount", 24},           {"sketchRepeats", 2},         {"sketchColor", 3},
              {"startX", 55.5},             {"startY", -77.25},           {"viewZoom", 150},
              {"initialGapX", 12.5},        {"initialGapY", -6.25},       {"spreadX", 30},
              {"spreadY", -40},             {"pathInterpolate", 20},      {"length", 222},
              {"angle", 33},                {"sketchWeight", 12},         {"sketchShift", 7},
              {"dropShadow", 1},            {"randomShadowScaling", 1},   {"halfFillShadow", 1},
              {"randomShadowDirection", 1}, {"randomShadowOpacity", 1},   {"randomSketchWeight", 0},
              {"randomSketchShift", 0},     {"finalRun", 0},              {"previewValid", 0},
              {"dialogLeft", 40},           {"dialogTop", 30},            {"dialogRight", 640},
              {"dialogBottom", 290},        {"dialogBoundsSaved", 1}});
    // clang-format on
    for (int k = 0; k < 2 * kFactorPairCount; ++k) (&p.fanFactorPerStar)[k] = 110.0f + 5.0f * static_cast<float>(k);
    return p;
  }

  // What choosing a preset starts from: the defaults with the start point from the view, keeping
  // what only the dialog and the host care about.
  static BurstParams presetReset(const BurstParams& before, HostRealPoint viewCentre, int32_t position) {
    BurstParams p = defaults();
    p.startX = viewCentre.h - 200.0f;
    p.startY = viewCentre.v;
    p.factorMode = before.factorMode;
    p.currentPage = before.currentPage;
    p.viewZoom = before.viewZoom;
    p.finalRun = before.finalRun;
    p.dialogLeft = before.dialogLeft;
    p.dialogTop = before.dialogTop;
    p.dialogRight = before.dialogRight;
    p.dialogBottom = before.dialogBottom;
    p.dialogBoundsSaved = before.dialogBoundsSaved;
    p.preset = position;
    return p;
  }
};

// ---- Presets

TEST_F(PresetTest, EachPresetIsTheResetWithItsChanges) {
  struct Case {
    const char* entry;
    std::vector<Change> changes;  // written out in full, also for presets built on another
  };
  // clang-format off
  const std::vector<Change> star3D = {{"burstCount", 15}, {"reverseOption", 3}, {"starCount", 2},
                                      {"fillFactorPerStar", 75}};
  const std::vector<Change> smear = {{"starCount", 12},           {"burstCount", 8},
                                     {"lengthFactorPerStar", 93}, {"fillFactorPerStar", 91},
                                     {"heightFactorPerStar", 105}, {"reverseOption", 6}};
  const std::vector<Change> fine = {{"reverseOption", 6},         {"heightFactorPerStar", 108},
                                    {"fillFactorPerStar", 102},   {"lengthFactorPerStar", 93},
                                    {"burstCount", 14},           {"starCount", 12}};
  const std::vector<Change> edged = {{"starCount", 2}, {"burstCount", 12}, {"fillFactorPerStar", 86},
                                     {"burstType", 7}, {"reverseOption", 3}};
  const std::vector<Change> kite = {{"starCount", 2}, {"length", 294},  {"initialGapX", 100},
                                    {"initialGapFactorPerStar", 400}, {"burstType", 7}, {"fillColor", 3}};
  const std::vector<Change> mixed = {{"fillColor", 2},       {"starCount", 4},   {"randomHeight", 1},
                                     {"randomBurstType", 1}, {"randomShape", 1}, {"length", 150}};
  auto plus = [](std::vector<Change> base, std::vector<Change> more) {
    base.insert(base.end(), more.begin(), more.end());
    return base;
  };
  const Case cases[] = {
      {"Reset", {}},
      {"Star20", {{"burstCount", 20}}},
      {"Random burst shapes", {{"burstCount", 15}, {"randomBurstType", 1}}},
      {"Random burst alternate", plus(star3D, {{"randomBurstType", 1}})},
      {"3D Star 1", star3D},
      {"3D Star 2", plus(star3D, {{"heightFactorPerStar", 70}})},
      {"3D Star faded", plus(star3D, {{"heightFactorPerStar", 70}, {"pathInterpolate", 80}})},
      {"Skip 2", {{"burstCount", 20}, {"burstApplySkip", 2}, {"burstApplyRun", 2}}},
      {"Skip 2 3D",
       {{"burstType", 1}, {"burstCount", 20}, {"burstApplySkip", 2}, {"burstApplyRun", 2}, {"fillColor", 3},
        {"lengthFactorPerStar", 70}}},
      {"3D Star curve", {{"fillColor", 3}, {"reverseOption", 3}, {"spreadY", -100}, {"starCount", 2}}},
      {"3D Star gap",
       {{"starCount", 3}, {"initialGapX", 200}, {"spreadY", 100}, {"burstType", 7}, {"reverseOption", 3},
        {"fillColor", 3}}},
      {"3D Emblem",
       {{"reverseOption", 3}, {"fillFactorPerStar", 50}, {"burstApplyRun", 1}, {"burstApplySkip", 1},
        {"burstCount", 16}, {"starCount", 2}}},
      {"3D Cut",
       {{"starCount", 2}, {"burstCount", 16}, {"reverseOption", 3}, {"burstApplySkip", 1}, {"burstApplyRun", 1},
        {"lengthFactorPerStar", 80}, {"fillFactorPerStar", 50}, {"heightFactorPerStar", 191}}},
      {"3D Colorful Cut",
       {{"fillColor", 3}, {"reverseOption", 3}, {"heightFactorPerStar", 82}, {"lengthFactorPerStar", 98},
        {"burstApplyRun", 1}, {"burstApplySkip", 1}, {"burstCount", 16}, {"starCount", 3}}},
      {"3D Smear", smear},
      {"Subtle", plus(smear, {{"opacityFactorPerStar", 50}})},
      {"Fine star", fine},
      {"Thinner", plus(fine, {{"burstType", 5}})},
      {"Edged", edged},
      {"Different Edge", plus(edged, {{"heightFactorPerStar", 54}})},
      {"Break away", plus(edged, {{"heightFactorPerStar", 54}, {"initialGapX", 300}})},
      {"Crystal",
       {{"reverseOption", 5}, {"burstType", 7}, {"heightFactorPerStar", 54}, {"fillFactorPerStar", 86},
        {"initialGapX", 300}, {"burstCount", 19}, {"starCount", 4}}},
      {"Kite", kite},
      {"Reversed", plus(kite, {{"reverseOption", 1}})},
      {"Blade", plus(kite, {{"reverseOption", 1}, {"shapeOption", 1}})},
      {"MultiBackground", plus(kite, {{"reverseOption", 1}, {"shapeOption", 1}, {"randomCenter", 1}, {"starCount", 12}})},
      {"Background1",
       plus(kite, {{"reverseOption", 1}, {"shapeOption", 1}, {"randomCenter", 1}, {"starCount", 12}, {"angle", 45}})},
      {"Background2",
       plus(kite, {{"reverseOption", 1}, {"shapeOption", 1}, {"randomCenter", 1}, {"starCount", 12}, {"angle", 45},
                   {"randomOpacity", 1}})},
      {"Swatched", {{"starCount", 8}, {"fillColor", 4}, {"randomScale", 1}}},
      {"Styled (slow)", {{"starCount", 8}, {"randomStyle", 1}, {"randomScale", 1}}},
      {"Emboss", {{"starCount", 8}, {"randomOpacity", 1}, {"fillColor", 2}, {"randomScale", 1}}},
      {"Mixed shapes", mixed},
      {"Mixed shapes alternate", plus(mixed, {{"reverseOption", 4}})},
      {"Mixed shapes curve",
       {{"spreadY", -50}, {"spreadFactorPerStar", 130}, {"fillFactorPerStar", 91}, {"starCount", 4}, {"length", 150},
        {"randomHeight", 1}, {"randomBurstType", 1}, {"randomShape", 1}, {"reverseOption", 4}}},
      {"3D Angled", {{"starCount", 2}, {"reverseOption", 3}, {"fillFactorPerStar", 80}, {"angle", 15}}},
      {"Tile", {{"pattern", 1}}},
  };
  // clang-format on
  ASSERT_EQ(std::size(cases), 36u);

  // Away from the standard view, so a start point taken from anywhere else shows. The record
  // starts on the factors page, per-element members shown, so a factor spin edit left showing its
  // old value would be read back over the preset's.
  const HostRealPoint centre = {1000.5f, -250.25f};
  const BurstParams before = unusual();
  for (size_t n = 0; n < std::size(cases); ++n) {
    SCOPED_TRACE(cases[n].entry);
    host().document().setViewCentre(centre);
    ASSERT_EQ(runDialog(before,
                        [&](ModalSession& s) {
                          EXPECT_EQ(s.item(fl::kPresetItem)->entries.at(n)->text, std::string(" ") + cases[n].entry);
                          const size_t earlier = arts();  // designs of earlier runs stay
                          act(s, {action(Act::Choose, fl::kPresetItem, static_cast<double>(n))});
                          EXPECT_GT(arts(), earlier);  // preview is on after any preset
                        }),
              0);
    BurstParams want = presetReset(before, centre, static_cast<int32_t>(n));
    apply(want, cases[n].changes);
    want.previewValid = 1;
    EXPECT_EQ(differences(record(), want), "");
  }
}

TEST_F(PresetTest, OnTheFactorsPageThePageAndTheShownMemberStay) {
  BurstParams p = defaults();
  p.currentPage = 4;
  p.fillFactorPerStar = 37.0f;
  p.fillFactorPerElement = 41.0f;
  ASSERT_EQ(runDialog(p,
                      [&](ModalSession& s) {
                        act(s, {action(Act::Choose, fl::kPresetItem, 4)});  // "3D Star 1": fill per star 75
                        EXPECT_EQ(s.item(13)->reading(), 75.0);
                        EXPECT_TRUE(s.item(13)->visible);
                        EXPECT_FALSE(s.item(5)->visible);
                        EXPECT_EQ(s.item(140)->font, kFontEmphasised);
                        act(s, {action(Act::Choose, fl::kFactorModeItem, 1)});
                        EXPECT_EQ(s.item(13)->reading(), 100.0);
                        act(s, {action(Act::Choose, fl::kPresetItem, 12)});  // "3D Cut", per-element members shown
                        EXPECT_EQ(s.item(13)->reading(), 100.0);
                        EXPECT_EQ(s.item(14)->reading(), 100.0);
                        EXPECT_TRUE(s.item(14)->visible);
                      }),
            0);
  const BurstParams r = record();
  EXPECT_EQ(r.currentPage, 4);
  EXPECT_EQ(r.factorMode, 1);
  EXPECT_EQ(r.fillFactorPerStar, 50.0f);
  EXPECT_EQ(r.heightFactorPerStar, 191.0f);
  EXPECT_EQ(r.fillFactorPerElement, 100.0f);
}

TEST_F(PresetTest, ResetWithPreviewOffSwitchesPreviewOnAndDrawsLeftOfTheViewCentre) {
  BurstParams p = defaults();
  p.preview = 0;
  p.burstCount = 30;
  ASSERT_EQ(runDialog(p,
                      [&](ModalSession& s) {
                        EXPECT_EQ(arts(), 0u);
                        act(s, {action(Act::Choose, fl::kPresetItem, 0)});
                        EXPECT_EQ(s.item(3)->reading(), 1.0);
                        EXPECT_EQ(live(s)->previewValid, 1);
                        ASSERT_EQ(arts(), 10u);
                      }),
            0);
  // An even ring is symmetric about its centre, so its bounds are centred there.
  HostRealRect all = {INFINITY, -INFINITY, -INFINITY, INFINITY};
  host().document().forEachArt([&](const flhost::ArtView& art) {
    const HostRealRect b = flhost::pathBounds(art.segments, art.closed);
    all = {std::min(all.left, b.left), std::max(all.top, b.top), std::max(all.right, b.right),
           std::min(all.bottom, b.bottom)};
  });
  const HostRealPoint view = host().document().viewCentre();
  EXPECT_NEAR((all.left + all.right) / 2, view.h - 200.0f, 0.01);
  EXPECT_NEAR((all.top + all.bottom) / 2, view.v, 0.01);
}

TEST_F(PresetTest, APresetChosenAgainUndoesTheUsersEditsAndFollowsTheView) {
  ASSERT_EQ(runDialog(unusual(),
                      [&](ModalSession& s) {
                        act(s, {action(Act::Choose, fl::kPresetItem, 26)});  // "Background1"
                        const BurstParams first = *live(s);
                        const size_t firstArts = arts();
                        act(s, {action(Act::Set, control("fanFactorPerStar"), 250), showPage(6),
                                action(Act::Check, control("randomOpacity"), 1), action(Act::Check, control("randomCenter"), 0),
                                showPage(1), action(Act::Set, control("length"), 123)});
                        host().document().setViewCentre({10.0f, 20.0f});
                        act(s, {action(Act::Choose, fl::kPresetItem, 26)});
                        BurstParams second = *live(s);
                        EXPECT_EQ(second.startX, -190.0f);
                        EXPECT_EQ(second.startY, 20.0f);
                        EXPECT_EQ(second.currentPage, 1);  // the page the user went to
                        second.startX = first.startX;
                        second.startY = first.startY;
                        second.currentPage = first.currentPage;
                        EXPECT_EQ(differences(second, first), "");
                        EXPECT_EQ(arts(), firstArts);  // the earlier preview was replaced
                      }),
            0);
}

// ---- Tumble

// The fields Tumble throws, as they are before its first draw. Everything else stays.
BurstParams tumbleReset(BurstParams p) {
  p.starCount = 1;
  p.burstCount = 10;
  p.length = 300.0f;
  p.angle = 0.0f;
  p.burstApplySkip = 0;
  p.burstApplyRun = 1;
  p.pathInterpolate = 0.0f;
  p.initialGapX = p.initialGapY = 0.0f;
  p.spreadX = p.spreadY = 0.0f;
  p.burstType = p.reverseOption = p.shapeOption = 0;
  p.starPulse = p.elementPulse = 999;
  p.randomApply = p.randomHeight = p.randomAngle = p.randomLength = p.randomBurstCount = 0;
  p.randomBurstType = p.randomShape = p.randomCenter = p.randomScale = p.alternateFlip = 0;
  p.placeBelow = p.randomInitialGap = p.randomSpread = 0;
  for (int k = 0; k < 2 * kFactorPairCount; ++k) (&p.fanFactorPerStar)[k] = 100.0f;
  p.fillColor = p.fillSteps = p.strokeColor = p.strokeSteps = 0;
  p.fillSwatch = p.strokeSwatch = 2;
  p.uniqueElements = 0;
  p.previewValid = 0;
  return p;
}

// A chance of t passes with a draw just above t / 100 and fails with one at it.
constexpr float above(float t) { return (t + 0.5f) / 100.0f; }
constexpr float at(float t) { return t / 100.0f; }
constexpr float kPass = 0.99f;  // above every chance threshold

TEST_F(PresetTest, TumbleTakesItsDrawsInOrderAndStoresWhatTheControlsHold) {
  struct Case {
    const char* name;
    std::vector<float> draws;
    std::vector<Change> changes;  // after the reset
  };
  // Steps 25 to 38: fourteen chances of 95, the fifth (unique elements) of 85.
  auto flags = [](float (*draw)(float)) {
    std::vector<float> d(14, draw(95));
    d[4] = draw(85);
    return d;
  };
  auto join = [](std::initializer_list<std::vector<float>> parts) {
    std::vector<float> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  };
  // Left and right draws of each difference differ, so drawing them the other way round shows.
  // clang-format off
  const Case cases[] = {
      {"every step taken",
       join({{above(50), 0.5f, above(80), 0.5f, above(90), 0.5f},     // 1-3: stars 2, 4, then 5
             {0.5f, 0.25f},                                           // 4-5
             {above(80), 0.5f, above(80), 0.125f},                    // 6-7: angle -40, then 10
             {std::nextafter(at(60), 1.0f), 0.5f},                    // 8
             {above(70), 0.75f, 0.25f, above(70), 0.25f, 0.75f},      // 9-10
             {0.5f, 0.5f},                                            // 11-12
             {0.25f, 0.375f, 0.5f, 0.625f, above(70), 0.75f, 0.25f, 0.5f, 0.125f, above(70), 0.875f},  // 13
             {above(80), 0.125f, above(80), 0.25f, above(80), 0.375f, above(80), 0.5f},             // 14-17
             {above(80), 0.25f, 0.75f, 0.5f, 0.25f, above(80), 0.625f},                             // 18-19
             {above(80), 0.75f, 0.25f, 0.125f, 0.5f},                                               // 20
             {above(85), 0.5f, 0.875f, above(85), 0.25f, above(70), 0.5f, above(85), 0.875f},        // 21-24
             flags(above),                                                                          // 25-38
             {above(75), 0.5f, 0.5f, 0.5f, above(75), 0.25f, 0.75f, 0.25f}}),                       // 39-40
       {{"starCount", 5}, {"burstCount", 26}, {"length", 100}, {"angle", 10}, {"burstType", 15}, {"initialGapX", 100},
        {"initialGapY", 20}, {"shapeOption", 7}, {"reverseOption", 4}, {"lengthFactorPerStar", 35},
        {"fillFactorPerStar", 75}, {"heightFactorPerStar", 60}, {"spreadFactorPerStar", 62.5},
        {"angleFactorPerStar", 150}, {"initialGapFactorPerStar", 137.5}, {"opacityFactorPerStar", 87.5},
        {"lengthFactorPerElement", 22.5}, {"fillFactorPerElement", 50}, {"heightFactorPerElement", 47.5},
        {"spreadFactorPerElement", 50}, {"angleFactorPerElement", 50}, {"initialGapFactorPerElement", 125},
        {"opacityFactorPerElement", 62.5}, {"spreadX", 100}, {"spreadY", -75}, {"burstApplySkip", 3},
        {"burstApplyRun", 6}, {"pathInterpolate", 25}, {"starPulse", 4}, {"elementPulse", 7}, {"randomApply", 1},
        {"randomHeight", 1}, {"randomAngle", 1}, {"randomLength", 1}, {"uniqueElements", 1}, {"randomBurstCount", 1},
        {"randomBurstType", 1}, {"randomShape", 1}, {"randomCenter", 1}, {"randomScale", 1}, {"alternateFlip", 1},
        {"placeBelow", 1}, {"randomInitialGap", 1}, {"randomSpread", 1}, {"fillColor", 7}, {"fillSwatch", 12},
        {"fillSteps", 2}, {"strokeColor", 3}, {"strokeSwatch", 17}, {"strokeSteps", 1}}},
      // A draw exactly at its threshold does not pass it (for 60, the float below 0.6: 0.6f
      // itself makes a little more than 60). A burst count of 1 lies below its spin edit's range,
      // which keeps 2.
      {"no chance passes",
       join({{at(50), at(80), at(90), 0.0f, 0.5f, at(80), at(80), std::nextafter(at(60), 0.0f), at(70), at(70),
              0.999f, 0.999f},                                                              // 1-12
             {at(80), at(80), at(80), at(80), at(80), at(80)},                              // 14-19
             {at(80), at(85), at(85), at(70), at(85)},                                      // 20-24
             flags(at),                                                                     // 25-38
             {at(75), at(75)}}),                                                            // 39-40
       {{"burstCount", 2}, {"length", 200}, {"shapeOption", 13}, {"reverseOption", 8}}},
      // Three stars from step 1, then one from step 2: step 13 and its draws are skipped, so step 14
      // takes the very next draws. A star pulse of 0 lies below its spin edit's range, which keeps 1.
      {"one star skips step 13",
       join({{kPass, 0.75f, kPass, 0.15f, 0.5f, 0.5f, 0.25f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f},  // 1-12
             {kPass, 0.25f},                                                                             // 14
             std::vector<float>(5 + 1 + 1 + 1, 0.5f),                                                    // 15-22
             {kPass, 0.0f, 0.5f},                                                                        // 23-24
             std::vector<float>(14 + 2, 0.5f)}),                                                         // 25-40
       {{"burstCount", 26}, {"length", 100}, {"lengthFactorPerElement", 35}, {"starPulse", 1}}},
      // Three stars from step 2 alone, and the angle from step 6 alone. Step 13's own chances use
      // up their draws when they fail. 87.5 passes 85 but not 95.
      {"several stars, step 13's chances fail",
       join({{0.5f, kPass, 0.4f, 0.5f, 0.5f, 0.5f, kPass, 0.25f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f},  // 1-12
             {0.25f, 0.375f, 0.5f, 0.625f, 0.5f, 0.5f},                                         // 13
             std::vector<float>(7 + 4, 0.5f),                                                   // 14-24
             std::vector<float>(14, 0.875f),                                                    // 25-38
             {0.5f, 0.5f}}),                                                                    // 39-40
       {{"starCount", 3}, {"burstCount", 26}, {"length", 200}, {"angle", -20}, {"shapeOption", 7}, {"reverseOption", 4},
        {"lengthFactorPerStar", 35}, {"fillFactorPerStar", 75}, {"heightFactorPerStar", 60},
        {"spreadFactorPerStar", 62.5}, {"uniqueElements", 1}}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reopen(c.draws);
    uint64_t used = 0;
    ASSERT_EQ(runDialog(unusual(),
                        [&](ModalSession& s) {
                          const uint64_t before = host().random().drawCount();
                          act(s, {action(Act::Press, kTumble)});
                          used = host().random().drawCount() - before;
                          EXPECT_EQ(arts(), 0u);  // preview off: the values change, nothing is drawn
                        }),
              0);
    EXPECT_EQ(used, c.draws.size());
    EXPECT_EQ(host().random().queuedLeft(), 0u);
    BurstParams want = tumbleReset(unusual());
    apply(want, c.changes);
    EXPECT_EQ(differences(record(), want), "");
  }
}

TEST_F(PresetTest, TumbleWithPreviewOnDrawsAndLeavesWhatItDoesNotThrow) {
  BurstParams start = unusual();
  start.preview = 1;
  ASSERT_EQ(runDialog(start,
                      [&](ModalSession& s) {
                        for (int press = 0; press < 4; ++press) {
                          SCOPED_TRACE(press);
                          act(s, {action(Act::Press, kTumble)});
                          EXPECT_EQ(live(s)->previewValid, 1);
                          EXPECT_GT(arts(), 0u);
                          // Setting the thrown fields alike on both sides leaves what Tumble must not touch.
                          EXPECT_EQ(differences(tumbleReset(*live(s)), tumbleReset(start)), "");
                        }
                      }),
            0);
}

// ---- Shuffle

TEST_F(PresetTest, ShuffleDrawsTheSameSettingsAnewEachPress) {
  BurstParams start = unusual();
  start.preview = 1;
  ASSERT_EQ(runDialog(start,
                      [&](ModalSession& s) {
                        std::string last = documentJson();
                        for (int press = 0; press < 3; ++press) {
                          SCOPED_TRACE(press);
                          act(s, {action(Act::Press, kShuffle)});
                          const std::string now = documentJson();
                          EXPECT_NE(now, last);  // random options draw anew
                          last = now;
                          BurstParams settings = *live(s);
                          EXPECT_EQ(settings.finalRun, 0);
                          EXPECT_EQ(settings.previewValid, 1);
                          settings.previewValid = start.previewValid;
                          EXPECT_EQ(differences(settings, start), "");
                        }
                        act(s, {action(Act::Check, fl::kPreviewItem, 0)});
                        act(s, {action(Act::Press, kShuffle)});
                        EXPECT_EQ(arts(), 0u);
                      }),
            0);
}

}  // namespace
}  // namespace fltest
