// Get Parameters: the record made with its defaults, kept on confirm, restored on cancel.
#include <cstring>
#include <map>

#include "conformance/host_fixture.h"

namespace fltest {
namespace {

constexpr HostErr kStop = HOST_FOURCC('S', 'T', 'O', 'P');

bool sameBytes(const BurstParams& a, const BurstParams& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every field of a first run's record, by offset, typed from the list of defaults rather than taken
// from the plug-in's field table. Reals lie at offsets 168 to 276. A cancelled first run keeps the
// defaults as made, before any control has read them back.
TEST_F(HostTest, FirstRunMakesTheDefaultsAroundTheViewCentre) {
  for (bool cancel : {true, false}) {
    SCOPED_TRACE(cancel ? "cancelled" : "confirmed");
    open({}, [] {
      auto d = flhost::DocumentOptions::standard();
      d.pageWidth = 1000;
      d.pageHeight = 500;
      return d;
    }());
    startUp();
    if (cancel) user().onFilterDialog = [](flhost::ModalSession& s) { s.end(2); };
    ASSERT_EQ(host().getParameters(), cancel ? kStop : 0);
    const BurstParams p = record();
    const std::map<int, int32_t> ints = {
        {60, 1},
        {72, 1},
        {88, 2},
        {100, 2},
        {112, 999},
        {116, 999},
        {140, 1},
        {148, 1},
        {152, 1},
        {156, 10},
        {300, 1},
        {304, 1},
        {312, cancel ? 0 : 1},  // the confirmed dialog keeps its first preview
    };
    const std::map<int, float> reals = {{168, 500.0f - 200.0f}, {172, 250.0f}, {176, 100.0f}, {200, 300.0f}};
    const auto* bytes = reinterpret_cast<const unsigned char*>(&p);
    for (int offset = 0; offset < 336; offset += 4) {
      if (offset == 308 || (offset >= 316 && offset <= 328)) continue;  // not written
      SCOPED_TRACE(offset);
      if (offset >= 168 && offset <= 276) {
        float v;
        std::memcpy(&v, bytes + offset, 4);
        const float want = offset >= 216 ? 100.0f : reals.count(offset) ? reals.at(offset) : 0.0f;
        EXPECT_EQ(v, want);
      } else {
        int32_t v;
        std::memcpy(&v, bytes + offset, 4);
        EXPECT_EQ(v, ints.count(offset) ? ints.at(offset) : 0);
      }
    }
    EXPECT_EQ(arts(), cancel ? 0u : 10u);
  }
}

TEST_F(HostTest, LaterRunsOpenWithTheLastValues) {
  startUp();
  BurstParams p = defaults();
  p.currentPage = 4;
  p.burstCount = 33;
  p.startX = -12.5f;
  p.preview = 0;  // so that nothing but the dialog's own reading touches the record
  setRecord(p);
  ASSERT_EQ(host().getParameters(), 0);
  EXPECT_TRUE(sameBytes(record(), p));
  EXPECT_EQ(host().faults().count("memory.newHandle"), 0u);
}

TEST_F(HostTest, EveryEndingButConfirmIsACancel) {
  startUp();
  for (int32_t ending : {2, 0, 7, -1}) {
    SCOPED_TRACE(ending);
    BurstParams before = defaults();
    before.previewValid = 1;
    setRecord(before);
    // The user changes every field of the record through the dialog and then leaves it.
    user().onFilterDialog = [&](flhost::ModalSession& s) {
      std::memset(s.dialog().userData, 0x5A, sizeof(BurstParams));
      s.end(ending);
    };
    EXPECT_EQ(host().getParameters(), kStop);
    BurstParams after = record();
    before.previewValid = 0;
    EXPECT_TRUE(sameBytes(after, before));
    EXPECT_TRUE(user().errors.empty());
  }
  // Confirming keeps what the dialog left.
  user().onFilterDialog = [&](flhost::ModalSession& s) {
    static_cast<BurstParams*>(s.dialog().userData)->burstCount = 42;
    s.end(1);
  };
  EXPECT_EQ(host().getParameters(), 0);
  EXPECT_EQ(record().burstCount, 42);
}

TEST_F(HostTest, CancelTakesBackEverythingDrawnInTheCall) {
  startUp();
  setRecord(defaults());
  ASSERT_EQ(host().go(), 0);  // a design from an earlier run stays
  ASSERT_EQ(arts(), 10u);
  user().onFilterDialog = [&](flhost::ModalSession& s) {
    // Art the call draws while the dialog is open, as previews do.
    EXPECT_EQ(host().send("AI Filter", "AI Go"), 0);
    EXPECT_EQ(arts(), 20u);
    s.end(2);
  };
  EXPECT_EQ(host().getParameters(), kStop);
  EXPECT_EQ(arts(), 10u);
}

TEST_F(HostTest, HostFailuresOfGetParameters) {
  startUp();
  // No block can be made: the memory code is the result and is shown.
  host().faults().failOn("memory.newHandle", 1, -108);
  EXPECT_EQ(host().getParameters(), -108);
  EXPECT_FALSE(host().memory().hasParameters());
  EXPECT_EQ(user().filterDialogs, 0);
  ASSERT_EQ(user().errors.size(), 1u);
  EXPECT_EQ(user().errors[0].code, "-108");

  // Cancel whose undo fails: its code is the result and the record keeps the dialog's values.
  setRecord(defaults());
  user().onFilterDialog = [&](flhost::ModalSession& s) {
    static_cast<BurstParams*>(s.dialog().userData)->burstCount = 77;
    s.end(2);
  };
  user().onFilterDialog = [&](flhost::ModalSession& s) {
    static_cast<BurstParams*>(s.dialog().userData)->burstCount = 77;
    // The cancel's own undo is the next one.
    host().faults().failOn("undo.undoChanges", 1, HOST_FOURCC('U', 'N', 'D', 'O'));
    s.end(2);
  };
  EXPECT_EQ(host().getParameters(), HOST_FOURCC('U', 'N', 'D', 'O'));
  EXPECT_EQ(record().burstCount, 77);
}

}  // namespace
}  // namespace fltest
