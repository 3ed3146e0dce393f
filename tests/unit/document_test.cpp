// The host's document: stacking order, checked handles and the undo of one call.
#include <gtest/gtest.h>

#include "art_suite.h"
#include "document.h"

namespace flhost {
namespace {

class DocumentTest : public ::testing::Test {
 protected:
  Document doc{DocumentOptions::standard()};

  HostArt make(int16_t order, HostArt reference = nullptr, float tag = 0) {
    HostArt a = nullptr;
    EXPECT_EQ(doc.newArt(kHostArtPath, order, reference, &a), 0);
    doc.modify(a)->opacity = tag;  // tells the arts apart
    return a;
  }
  std::vector<float> order() const {
    std::vector<float> tags;
    doc.forEachArt([&](const Art& a) { tags.push_back(a.opacity); });
    return tags;
  }
};

TEST_F(DocumentTest, PaintOrders) {
  doc.beginCall();
  HostArt a = make(kPlaceAboveAll, nullptr, 1);
  make(kPlaceAboveAll, nullptr, 2);
  make(kPlaceBelowAll, nullptr, 3);
  make(kPlaceBelow, a, 4);
  make(kPlaceAbove, a, 5);
  EXPECT_EQ(order(), (std::vector<float>{3, 4, 1, 5, 2}));
  HostArt copy = nullptr;
  EXPECT_EQ(doc.duplicateArt(a, kPlaceBelow, a, &copy), 0);
  EXPECT_EQ(order(), (std::vector<float>{3, 4, 1, 1, 5, 2}));
  // Placing relative to nothing, or in an unknown order, is refused.
  HostArt x = nullptr;
  EXPECT_EQ(doc.newArt(kHostArtPath, kPlaceBelow, nullptr, &x), kHostBadHandleErr);
  EXPECT_EQ(doc.newArt(kHostArtPath, 9, nullptr, &x), kHostBadParameterErr);
  EXPECT_EQ(doc.newArt(7, kPlaceAboveAll, nullptr, &x), kHostBadParameterErr);
  EXPECT_EQ(doc.artCount(), 6u);
}

TEST_F(DocumentTest, UndoRevertsExactlyTheCall) {
  // A first call leaves two arts; the second changes one, adds and disposes, then undoes.
  doc.beginCall();
  HostArt keep = make(kPlaceAboveAll, nullptr, 1);
  HostArt other = make(kPlaceAboveAll, nullptr, 2);
  doc.modify(keep)->segments.push_back({{1, 2}, {1, 2}, {1, 2}, 1});
  doc.endCall();

  doc.beginCall();
  doc.modify(keep)->opacity = 0.5f;
  doc.modify(keep)->segments.clear();
  HostArt added = make(kPlaceBelowAll, nullptr, 3);
  ASSERT_EQ(doc.disposeArt(other), 0);
  EXPECT_EQ(order(), (std::vector<float>{3, 0.5f}));
  ASSERT_EQ(doc.undoCall(), 0);
  EXPECT_EQ(order(), (std::vector<float>{1, 2}));
  ASSERT_NE(doc.find(keep), nullptr);
  EXPECT_EQ(doc.find(keep)->segments.size(), 1u);
  EXPECT_NE(doc.find(other), nullptr);
  EXPECT_EQ(doc.find(added), nullptr);  // its handle is stale now
  EXPECT_EQ(doc.journalSize(), 0u);

  // Undo again in the same call: changes made after the first undo are taken back too.
  doc.modify(keep)->opacity = 0.25f;
  make(kPlaceAboveAll, nullptr, 9);
  ASSERT_EQ(doc.undoCall(), 0);
  EXPECT_EQ(order(), (std::vector<float>{1, 2}));
  doc.endCall();
  EXPECT_EQ(doc.undoCall(), kHostNotInCallErr);
}

TEST_F(DocumentTest, UndoAndRedoBetweenCallsTakeBackAndPutBackTheLastStep) {
  doc.beginCall();
  HostArt base = make(kPlaceAboveAll, nullptr, 1);
  HostArt gone = make(kPlaceAboveAll, nullptr, 2);
  doc.endCall();
  // A dialog's call (a change, an art below another, a disposal), then the joined Go adding one
  // on top; and a call that changes nothing, which leaves the step as it is.
  doc.beginCall();
  doc.modify(base)->opacity = 0.5f;
  make(kPlaceBelow, base, 3);
  ASSERT_EQ(doc.disposeArt(gone), 0);
  doc.endCall();
  doc.joinNextCall();
  doc.beginCall();
  make(kPlaceAboveAll, nullptr, 4);
  doc.endCall();
  doc.beginCall();
  doc.endCall();
  const std::vector<float> after{3, 0.5f, 4};
  ASSERT_EQ(order(), after);

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(doc.canUndo());
    ASSERT_EQ(doc.undo(), 0);
    EXPECT_EQ(order(), (std::vector<float>{1, 2}));
    EXPECT_EQ(doc.artCount(), 2u);
    EXPECT_FALSE(doc.canUndo());
    EXPECT_EQ(doc.undo(), kHostBadParameterErr);
    ASSERT_EQ(doc.redo(), 0);
    EXPECT_EQ(order(), after);
    EXPECT_EQ(doc.artCount(), 3u);
    EXPECT_FALSE(doc.canRedo());
  }
  // Inside a call neither works; a new step forgets the old one.
  doc.beginCall();
  EXPECT_EQ(doc.undo(), kHostBadParameterErr);
  make(kPlaceAboveAll, nullptr, 5);
  doc.endCall();
  ASSERT_EQ(doc.undo(), 0);
  EXPECT_EQ(order(), after);
  EXPECT_FALSE(doc.canUndo());
  // A change outside any call makes the kept step meaningless: it is forgotten.
  ASSERT_EQ(doc.redo(), 0);
  ASSERT_EQ(doc.undo(), 0);
  make(kPlaceAboveAll, nullptr, 6);
  EXPECT_FALSE(doc.canRedo());
}

TEST_F(DocumentTest, TheChangeLogNamesTheSlotsChangedSinceARevision) {
  doc.beginCall();
  HostArt a = make(kPlaceAboveAll, nullptr, 1);
  HostArt b = make(kPlaceAboveAll, nullptr, 2);
  doc.endCall();
  const uint64_t r = doc.revision();
  std::vector<uint32_t> slots;
  ASSERT_TRUE(doc.changedSince(r, &slots));
  EXPECT_TRUE(slots.empty());
  EXPECT_FALSE(doc.changedSince(r + 1, &slots)) << "a revision the document never had";

  uint32_t slotB = 0;
  doc.forEachSlot([&](uint32_t slot, const Art& art) {
    if (art.opacity == 2) slotB = slot;
  });
  doc.beginCall();
  doc.modify(b)->opacity = 3;
  doc.endCall();
  ASSERT_TRUE(doc.changedSince(r, &slots));
  EXPECT_EQ(slots, std::vector<uint32_t>{slotB});
  ASSERT_TRUE(doc.changedSince(0, &slots));
  EXPECT_EQ(slots.size(), 2u) << "each slot once";
  // Undo of the step and an undo inside a call are changes too.
  ASSERT_EQ(doc.undo(), 0);
  EXPECT_GT(doc.revision(), r + 1);
  doc.beginCall();
  ASSERT_EQ(doc.disposeArt(a), 0);
  ASSERT_EQ(doc.undoCall(), 0);
  doc.endCall();
  ASSERT_TRUE(doc.changedSince(r, &slots));
  EXPECT_EQ(slots.size(), 2u);
}

TEST_F(DocumentTest, HandlesAreChecked) {
  doc.beginCall();
  HostArt a = make(kPlaceAboveAll);
  ASSERT_EQ(doc.disposeArt(a), 0);
  EXPECT_EQ(doc.find(a), nullptr);
  EXPECT_EQ(doc.disposeArt(a), kHostBadHandleErr);
  EXPECT_EQ(doc.find(nullptr), nullptr);
  EXPECT_EQ(doc.find(reinterpret_cast<HostArt>(uintptr_t{0x12345})), nullptr);
  doc.endCall();
  // A slot reused after the call does not revive the old handle.
  HostArt b = make(kPlaceAboveAll);
  EXPECT_NE(a, b);
  EXPECT_EQ(doc.find(a), nullptr);
}

TEST_F(DocumentTest, ViewConversionsRoundTrip) {
  ASSERT_EQ(doc.setViewZoom(2.0f), 0);
  HostRealPoint centre = doc.viewCentre();
  HostViewPoint v = doc.artworkToView({centre.h + 10, centre.v + 20});
  HostRealPoint back = doc.viewToArtwork(v);
  EXPECT_FLOAT_EQ(back.h, centre.h + 10);
  EXPECT_FLOAT_EQ(back.v, centre.v + 20);
  EXPECT_EQ(doc.setViewZoom(0), kHostBadParameterErr);
}

}  // namespace
}  // namespace flhost
