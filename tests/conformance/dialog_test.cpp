// The filter dialog worked as a user works it: the procedures on its items, the page notifier's
// order, what the factor popup, the zoom and the tracker redraw, and the live preview. The tables
// of the layout, pages, lists, enabling rules and pick buttons are held in tests/tables.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <set>
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

// Which items carry a notify and which a track procedure, and every popup entry's id (its
// position). tests/tables holds every other column of the layout, the pages and the lists.
TEST_F(DialogTest, ItemsCarryTheirProceduresAndEntriesTheirPositions) {
  std::set<int32_t> track, none = {fl::kCancelItem};
  for (int32_t id = 150; id <= 166; ++id) track.insert(id);
  for (int32_t id : {40, 41, 42, 43, 44, 45, 46, 47, 48, 57, 58, 59, 60}) none.insert(id);
  for (int32_t id = 49; id <= 56; ++id) none.insert(id);
  for (int n = 1; n <= fl::kPageCount; ++n) none.insert(136 + n);
  flhost::DialogDump dump;
  ASSERT_EQ(runDialog(defaults(), [&](ModalSession& s) { dump = s.dump(); }), 0);
  ASSERT_EQ(dump.items.size(), 123u);
  for (const flhost::ItemDump& item : dump.items) {
    SCOPED_TRACE(item.id);
    EXPECT_EQ(item.hasTrackProc, track.count(item.id) == 1);
    EXPECT_EQ(item.hasNotifyProc, track.count(item.id) == 0 && none.count(item.id) == 0);
    for (size_t i = 0; i < item.entries.size(); ++i) EXPECT_EQ(item.entries[i].id, static_cast<int32_t>(i));
  }

  // Without swatches the swatch spin edits allow only 0, and the re-read stores it.
  auto document = flhost::DocumentOptions::standard();
  document.swatches.clear();
  open({}, document);
  startUp();
  ASSERT_EQ(runDialog(defaults(), [&](ModalSession& s) { EXPECT_EQ(s.item(181)->maximum(), 0); }), 0);
  EXPECT_EQ(record().fillSwatch, 0);
}

// (tests/tables holds the order in which the page notifier shows and hides every page's row.)

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

// The view's zoom is the percentage times 0.01 in single precision, over the spin edit's range:
// 2.5 and 7.5 are values where a division by 100 would round otherwise.
TEST_F(DialogTest, ZoomIsThePercentageTimesOneHundredth) {
  ASSERT_EQ(runDialog(defaults(),
                      [&](ModalSession& s) {
                        for (float percent : {1.0f, 2.5f, 7.5f, 100.0f, 250.0f, 333.25f, 500.0f}) {
                          SCOPED_TRACE(percent);
                          act(s, {{Act::Set, fl::kZoomItem, percent}});
                          EXPECT_EQ(host().document().viewZoom(), percent * 0.01f);
                        }
                      }),
            0);
}

// (tests/tables holds every pick button's field and value.)
TEST_F(DialogTest, ATrackerCallWithoutAPickStillRereadsAndShowsThePage) {
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
                        act(s, {{Act::Set, control("burstCount"), 12},
                                {Act::Set, control("burstCount"), 14},
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
                        act(s, {{Act::Set, control("burstCount"), 12},
                                showPage(2),
                                {Act::Set, control("starCount"), 3},
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
