// The preset popup, "Tumble" and "Shuffle" worked as a user works them: the page and factor
// member a preset keeps, what it draws, and what Tumble and Shuffle leave and draw. Every preset's
// record and every draw of Tumble are held in tests/tables.
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
};

// ---- Presets

// (tests/tables holds every preset's whole record, typed as the reset and its changes.)

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
                                action(Act::Check, control("randomOpacity"), 1),
                                action(Act::Check, control("randomCenter"), 0), showPage(1),
                                action(Act::Set, control("length"), 123)});
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

// (tests/tables holds every draw of Tumble, its thresholds and what the controls keep.)

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
