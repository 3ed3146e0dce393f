// The variants `serve` keeps, brought back and held still through the dialog's own controls: the
// preview of a variant brought back is that variant's, byte for byte, and every write into the
// record in the meantime comes from one of the plug-in's notifiers.
#include <gtest/gtest.h>

#include <cstring>

#include "dialog/dialog_layout.h"
#include "host_fixture.h"
#include "variant_history.h"

namespace fltest {
namespace {

using Kind = flhost::DialogAction::Kind;

// Watches the record between the plug-in's notify and track procedures: any byte that changes
// while none of them runs was written by someone else (the host).
class RecordWatch {
 public:
  RecordWatch(flhost::DialogManager& dialogs, const flhost::ModalSession& s) : dialogs_(dialogs), s_(s) {
    note();
    dialogs_.procedureWatch = [this](const flhost::Item&, bool begins) {
      if (begins && depth_++ == 0) check();
      if (!begins && --depth_ == 0) note();
    };
  }
  ~RecordWatch() { dialogs_.procedureWatch = nullptr; }

  // Whether the record changed since the last procedure ended; counts it when it did.
  void check() {
    if (std::memcmp(&seen_, &fltools::liveRecord(s_), sizeof seen_) != 0) ++outside_;
    note();
  }
  int writesOutside() {
    check();
    return outside_;
  }
  int procedures() const { return procedures_; }

 private:
  void note() {
    seen_ = fltools::liveRecord(s_);
    ++procedures_;
  }

  flhost::DialogManager& dialogs_;
  const flhost::ModalSession& s_;
  BurstParams seen_{};
  int depth_ = 0;
  int outside_ = 0;
  int procedures_ = 0;
};

// A variant as `serve` keeps it: the record the preview was drawn from and where the random source
// stood as its drawing began.
fltools::Variant variantOf(flhost::Session& host, const flhost::ModalSession& s,
                           const std::optional<fltools::TumbleOrigin>& tumble) {
  fltools::Variant v;
  v.record = fltools::liveRecord(s);
  v.start = host.random().drawingStartPosition();
  v.tumble = tumble;
  return v;
}

// The record apart from what is no part of a variant: run state and the page shown.
BurstParams withoutRunState(BurstParams p) {
  p.finalRun = p.previewValid = 0;
  p.currentPage = 1;
  return p;
}

class VariantHistoryTest : public HostTest {
 protected:
  // The arts the plug-in has made: a design drawn once makes as many as the document then holds.
  uint64_t artsMade() { return host().faults().count("art.newArt") + host().faults().count("art.duplicateArt"); }
  // Presses Tumble as `serve` does, noting where the random source stood.
  void tumble(flhost::ModalSession& s) {
    origin = fltools::TumbleOrigin{host().random().position(), fltools::liveRecord(s).factorMode};
    act(s, {{Kind::Press, fl::kTumble}});
  }
  std::optional<fltools::TumbleOrigin> origin;
};

TEST_F(VariantHistoryTest, AVariantBroughtBackIsDrawnAgainByteForByteThroughTheControlsAlone) {
  startUp();
  ASSERT_EQ(runDialog(defaults(),
                      [&](flhost::ModalSession& s) {
                        // The dialog's first preview; a preset that sets factor members, the per-element
                        // member of a pair typed on page 4, and a value that Tumble never changes; then three
                        // Tumbles move everything away.
                        std::vector<fltools::Variant> variants = {variantOf(host(), s, origin)};
                        std::vector<std::string> drawn = {documentJson()};
                        act(s, {{Kind::Choose, fl::kPresetItem, 12},
                                showPage(4),
                                {Kind::Choose, fl::kFactorModeItem, 1},
                                {Kind::Set, control("lengthFactorPerElement"), 42.5},
                                showPage(3),
                                {Kind::Set, control("sketchRepeats"), 3}});
                        variants.push_back(variantOf(host(), s, origin));
                        drawn.push_back(documentJson());
                        for (int i = 0; i < 3; ++i) {
                          tumble(s);
                          variants.push_back(variantOf(host(), s, origin));
                          drawn.push_back(documentJson());
                        }
                        ASSERT_NE(drawn[2], drawn[1]);
                        ASSERT_NE(drawn[4], drawn[2]);

                        for (int which : {2, 1, 4, 0, 3}) {
                          SCOPED_TRACE("variant " + std::to_string(which));
                          RecordWatch watch(host().dialogs(), s);
                          const uint64_t made = artsMade();
                          const bool presetChosen = fltools::liveRecord(s).preset != variants[which].record.preset;
                          ASSERT_EQ(fltools::restoreVariant(s, variants[which], host().random()), "");
                          EXPECT_EQ(watch.writesOutside(), 0)
                              << "a write into the record outside the plug-in's notifiers";
                          EXPECT_GT(watch.procedures(), 2);
                          EXPECT_EQ(documentJson(), drawn[which]);
                          // The variant is drawn once; the preset's choice, going first, draws its own.
                          if (presetChosen)
                            EXPECT_GT(artsMade() - made, arts());
                          else
                            EXPECT_EQ(artsMade() - made, arts());
                          const BurstParams now = withoutRunState(fltools::liveRecord(s));
                          const BurstParams wanted = withoutRunState(variants[which].record);
                          EXPECT_EQ(std::memcmp(&now, &wanted, sizeof now), 0) << fltools::describeChange(wanted, now);
                          EXPECT_EQ(fltools::liveRecord(s).previewValid, 1);
                          EXPECT_EQ(fltools::liveRecord(s).currentPage, 3) << "the page shown stays";
                        }
                      }),
            0);
  // OK keeps the preview of the variant brought back.
  EXPECT_EQ(record().sketchRepeats, 3);
  EXPECT_EQ(record().preset, 12);
}

TEST_F(VariantHistoryTest, TheWatchSeesAWriteOutsideTheNotifiers) {
  startUp();
  ASSERT_EQ(runDialog(defaults(),
                      [&](flhost::ModalSession& s) {
                        RecordWatch watch(host().dialogs(), s);
                        act(s, {{Kind::Set, control("burstCount"), 12}});
                        EXPECT_EQ(watch.writesOutside(), 0);
                        static_cast<BurstParams*>(s.dialog().userData)->burstCount = 13;
                        act(s, {{Kind::Set, control("length"), 250}});
                        EXPECT_EQ(watch.writesOutside(), 1);
                      }),
            0);
}

TEST_F(VariantHistoryTest, LockedFieldsAreSetBackAfterTumbleWithOnePreview) {
  startUp();
  const std::vector<std::string> locks = {"burstCount", "fillFactorPerElement", "randomApply"};
  ASSERT_EQ(
      runDialog(
          defaults(),
          [&](flhost::ModalSession& s) {
            act(s, {{Kind::Set, control("burstCount"), 33}, showPage(6), {Kind::Check, control("randomApply"), 0}});
            for (int i = 0; i < 4; ++i) {
              SCOPED_TRACE("Tumble " + std::to_string(i));
              const BurstParams before = fltools::liveRecord(s);
              act(s, {{Kind::Press, fl::kTumble}});
              const BurstParams tumbled = fltools::liveRecord(s);
              EXPECT_FALSE(std::memcmp(&tumbled, &before, sizeof before) == 0);
              const uint64_t made = artsMade();
              RecordWatch watch(host().dialogs(), s);
              ASSERT_EQ(fltools::keepLocked(s, before, locks), "");
              EXPECT_EQ(watch.writesOutside(), 0);
              const BurstParams& kept = fltools::liveRecord(s);
              EXPECT_EQ(kept.burstCount, 33);
              EXPECT_EQ(kept.fillFactorPerElement, before.fillFactorPerElement) << "a factor member not shown";
              EXPECT_EQ(kept.randomApply, 0);
              EXPECT_EQ(kept.starCount, tumbled.starCount) << "what is not locked stays tumbled";
              EXPECT_EQ(kept.factorMode, before.factorMode);
              const bool changed = tumbled.burstCount != 33 || tumbled.randomApply != 0 ||
                                   tumbled.fillFactorPerElement != before.fillFactorPerElement;
              EXPECT_EQ(artsMade() - made, changed ? arts() : 0u) << "one preview, with the locked values";
              EXPECT_EQ(kept.previewValid, 1);
            }
          }),
      0);
}

TEST(VariantHistory, KeepsTheNewestAndFindsThemById) {
  fltools::VariantHistory history;
  for (int i = 0; i < 205; ++i) {
    fltools::Variant v;
    v.label = "v" + std::to_string(i);
    history.add(std::move(v));
  }
  ASSERT_EQ(history.variants().size(), fltools::VariantHistory::kMaxVariants);
  EXPECT_EQ(history.variants().front().id, 6u) << "the oldest go first";
  EXPECT_EQ(history.current(), 205u);
  EXPECT_EQ(history.find(5), nullptr);
  ASSERT_NE(history.find(100), nullptr);
  EXPECT_EQ(history.find(100)->label, "v99");
  history.setLock("length", true);
  history.setLock("burstCount", true);
  history.setLock("length", true);
  EXPECT_EQ(history.locks(), (std::vector<std::string>{"burstCount", "length"}));
  history.setLock("burstCount", false);
  EXPECT_EQ(history.locks(), std::vector<std::string>{"length"});
}

TEST(VariantHistory, ChangesInTheUsersWords) {
  BurstParams a{}, b{};
  b = a;
  EXPECT_EQ(fltools::describeChange(a, b), "");
  b.burstCount = 16;
  a.burstCount = 10;
  b.previewValid = 1;  // run state is no change of the variant
  EXPECT_EQ(fltools::describeChange(a, b), "burstCount 10 \u2192 16");
  b.length = 12.5f;
  b.angle = -3;
  EXPECT_EQ(fltools::describeChange(a, b), "burstCount 10 \u2192 16, length 0 \u2192 12.5 and 1 more");
  EXPECT_EQ(fltools::lockableField(control("burstCount"), 0), "burstCount");
  EXPECT_EQ(fltools::lockableField(control("fanFactorPerStar"), 1), "fanFactorPerElement");
  for (int32_t id : {fl::kPresetItem, fl::kFactorModeItem, fl::kZoomItem, fl::kPreviewItem, fl::kTumble})
    EXPECT_EQ(fltools::lockableField(id, 0), "") << id;
}

}  // namespace
}  // namespace fltest
