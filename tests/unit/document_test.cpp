// The host's document: stacking order, checked handles, the undo of one call and the host's
// Undo and Redo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

#include "art_suite.h"
#include "document.h"
#include "geometry.h"
#include "path_suite.h"

namespace flhost {
namespace {

class DocumentTest : public ::testing::Test {
 protected:
  Document doc{DocumentOptions::standard()};

  HostArt make(int16_t order, HostArt reference = nullptr, float tag = 0) {
    HostArt a = nullptr;
    EXPECT_EQ(doc.newArt(kHostArtPath, order, reference, &a), 0);
    EXPECT_EQ(doc.setOpacity(a, tag), 0);  // tells the arts apart
    return a;
  }
  std::vector<float> order() const {
    std::vector<float> tags;
    doc.forEachArt([&](const ArtView& a) { tags.push_back(a.opacity); });
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
  EXPECT_EQ(doc.newArt(kHostArtPath, 9, a, &x), kHostBadParameterErr);  // no art left outside the order
  EXPECT_EQ(doc.newArt(7, kPlaceAboveAll, nullptr, &x), kHostBadParameterErr);
  EXPECT_EQ(doc.artCount(), 6u);
}

TEST_F(DocumentTest, UndoRevertsExactlyTheCall) {
  // A first call leaves two arts; the second changes one, adds and disposes, then undoes.
  doc.beginCall();
  HostArt keep = make(kPlaceAboveAll, nullptr, 1);
  HostArt other = make(kPlaceAboveAll, nullptr, 2);
  const HostPathSegment one{{1, 2}, {1, 2}, {1, 2}, 1};
  ASSERT_EQ(doc.setSegments(keep, 0, {&one, 1}), 0);
  doc.endCall();

  doc.beginCall();
  ASSERT_EQ(doc.setOpacity(keep, 0.5f), 0);
  ASSERT_EQ(doc.setSegmentCount(keep, 0), 0);
  HostArt added = make(kPlaceBelowAll, nullptr, 3);
  ASSERT_EQ(doc.disposeArt(other), 0);
  EXPECT_EQ(order(), (std::vector<float>{3, 0.5f}));
  ASSERT_EQ(doc.undoCall(), 0);
  EXPECT_EQ(order(), (std::vector<float>{1, 2}));
  ASSERT_TRUE(doc.find(keep));
  EXPECT_EQ(doc.find(keep)->segments.size(), 1u);
  EXPECT_TRUE(doc.find(other));
  EXPECT_FALSE(doc.find(added));  // its handle is stale now
  EXPECT_EQ(doc.journalSize(), 0u);

  // Undo again in the same call: changes made after the first undo are taken back too.
  ASSERT_EQ(doc.setOpacity(keep, 0.25f), 0);
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
  ASSERT_EQ(doc.setOpacity(base, 0.5f), 0);
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

TEST_F(DocumentTest, KeptStepsAndTheArtNeverShareARangeThatOneOfThemFrees) {
  // Segments shared between an art and the snapshots of the kept steps: whichever is dropped
  // first, the others keep their points, also once the freed ranges are reused.
  auto path = [](float x) {
    return std::vector<HostPathSegment>{{{x, 0}, {x, 0}, {x, 0}, 1}, {{x, 5}, {x, 5}, {x, 5}, 1}};
  };
  auto points = [&](HostArt a) {
    auto art = doc.find(a);
    std::vector<float> xs;
    for (const HostPathSegment& s : art->segments) xs.push_back(s.p.h + s.p.v);
    return xs;
  };
  doc.beginCall();
  HostArt a = make(kPlaceAboveAll, nullptr, 1);
  ASSERT_EQ(doc.setSegments(a, 0, path(1)), 0);
  doc.endCall();
  doc.beginCall();
  ASSERT_EQ(doc.setOpacity(a, 0.5f), 0);  // the snapshot shares the points
  doc.endCall();
  doc.joinNextCall();
  doc.beginCall();
  ASSERT_EQ(doc.setSegments(a, 0, path(2)), 0);
  doc.endCall();

  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(doc.undo(), 0);
    EXPECT_EQ(points(a), (std::vector<float>{1, 6}));
    EXPECT_EQ(doc.find(a)->bounds.right, 1);
    ASSERT_EQ(doc.redo(), 0);
    EXPECT_EQ(points(a), (std::vector<float>{2, 7}));
    EXPECT_EQ(doc.find(a)->opacity, 0.5f);
  }
  ASSERT_EQ(doc.undo(), 0);
  // A new step forgets the redo step; arts of the same size take the ranges it gave back.
  doc.beginCall();
  ASSERT_EQ(doc.setOpacity(a, 0.25f), 0);
  doc.endCall();
  doc.beginCall();
  for (int i = 0; i < 8; ++i) ASSERT_EQ(doc.setSegments(make(kPlaceAboveAll), 0, path(9)), 0);
  doc.endCall();
  EXPECT_EQ(points(a), (std::vector<float>{1, 6}));
  // A change outside a call forgets the undo step: the art alone holds its points.
  ASSERT_EQ(doc.setOpacity(a, 1), 0);
  EXPECT_FALSE(doc.canUndo());
  for (int i = 0; i < 8; ++i) ASSERT_EQ(doc.setSegments(make(kPlaceAboveAll), 0, path(8)), 0);
  ASSERT_EQ(doc.setSegments(a, 1, {path(3).data(), 1}), 0);
  EXPECT_EQ(points(a), (std::vector<float>{1, 3}));
  // A step forgotten at the end of the next call, whose snapshot holds the same points.
  doc.beginCall();
  ASSERT_EQ(doc.setOpacity(a, 0.75f), 0);
  doc.endCall();
  doc.beginCall();
  ASSERT_EQ(doc.setSegments(a, 0, path(4)), 0);
  doc.endCall();
  doc.joinNextCall();
  doc.beginCall();
  for (int i = 0; i < 8; ++i) ASSERT_EQ(doc.setSegments(make(kPlaceAboveAll), 0, path(6)), 0);
  doc.endCall();
  ASSERT_EQ(doc.undo(), 0);
  EXPECT_EQ(points(a), (std::vector<float>{1, 3}));
}

TEST_F(DocumentTest, UndoInsideACallHandsBackRangesTheKeptStepStillNeeds) {
  // The kept step's snapshot shares an art's points; a later call changes the art, takes the
  // changes back twice (once after the art wrote its points, once while it still shares them with
  // the call's snapshot) and makes arts of the same size, which reuse any range given back.
  auto path = [](float x) {
    return std::vector<HostPathSegment>{{{x, 0}, {x, 0}, {x, 0}, 1}, {{x, 5}, {x, 5}, {x, 5}, 1}};
  };
  auto points = [&](HostArt a) {
    auto art = doc.find(a);
    std::vector<float> xs;
    for (const HostPathSegment& s : art->segments) xs.push_back(s.p.h + s.p.v);
    return xs;
  };
  doc.beginCall();
  HostArt a = make(kPlaceAboveAll, nullptr, 1);
  ASSERT_EQ(doc.setSegments(a, 0, path(1)), 0);
  doc.endCall();
  doc.beginCall();
  ASSERT_EQ(doc.setOpacity(a, 0.5f), 0);
  doc.endCall();

  doc.beginCall();
  ASSERT_EQ(doc.setOpacity(a, 0.25f), 0);
  ASSERT_EQ(doc.setSegments(a, 0, path(2)), 0);
  ASSERT_EQ(doc.undoCall(), 0);
  ASSERT_EQ(doc.setOpacity(a, 0.75f), 0);
  ASSERT_EQ(doc.undoCall(), 0);
  for (int i = 0; i < 8; ++i) ASSERT_EQ(doc.setSegments(make(kPlaceAboveAll), 0, path(9)), 0);
  EXPECT_EQ(points(a), (std::vector<float>{1, 6}));
  EXPECT_EQ(doc.find(a)->opacity, 0.5f);
  ASSERT_EQ(doc.undoCall(), 0);
  doc.endCall();
  ASSERT_TRUE(doc.canUndo());  // the call changed nothing in the end: the step stays

  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(doc.undo(), 0);
    EXPECT_EQ(points(a), (std::vector<float>{1, 6}));
    EXPECT_EQ(doc.find(a)->opacity, 1.0f);
    ASSERT_EQ(doc.redo(), 0);
    EXPECT_EQ(points(a), (std::vector<float>{1, 6}));
    EXPECT_EQ(doc.find(a)->opacity, 0.5f);
  }
  // Once the step is forgotten the art alone holds its points, and writing them leaves arts
  // made since alone.
  ASSERT_EQ(doc.setOpacity(a, 1), 0);
  std::vector<HostArt> others;
  for (int i = 0; i < 8; ++i) {
    others.push_back(make(kPlaceAboveAll));
    ASSERT_EQ(doc.setSegments(others.back(), 0, path(7)), 0);
  }
  ASSERT_EQ(doc.setSegments(a, 0, path(3)), 0);
  EXPECT_EQ(points(a), (std::vector<float>{3, 8}));
  for (HostArt o : others) EXPECT_EQ(points(o), (std::vector<float>{7, 12}));
  EXPECT_EQ(doc.styleCount(), 1u);
}

// A simple model of the arts (bottom to top), against which random sequences of changes, undo
// inside a call, ends of calls (joined or not) and the host's Undo and Redo are checked: each
// art's points, paint, opacity and closing, the stacking order, which handles are live, and that
// once no step is kept the document holds exactly the paints its arts use.
struct ModelArt {
  int id;
  float opacity;
  float grey;  // the fill's grey, -1 for the new-path paint
  bool closed;
  std::vector<float> xs;  // each segment's anchor across
};
using ModelState = std::vector<ModelArt>;

TEST_F(DocumentTest, RandomSequencesFollowASimpleModel) {
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    Document d{DocumentOptions::standard()};
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
    std::vector<HostArt> handles;  // by model id
    ModelState state, callStart, before, after;
    bool dirty = false, canUndo = false, canRedo = false, lastCall = false, join = false;
    float next = 1;
    auto segs = [](const std::vector<float>& xs) {
      std::vector<HostPathSegment> s;
      for (float x : xs) s.push_back({{x, 1}, {x, 2}, {x, 3}, 1});
      return s;
    };
    auto at = [&](int n) -> ModelArt& { return state[static_cast<size_t>(n)]; };
    auto check = [&](int step) {
      SCOPED_TRACE(step);
      std::vector<int> live;
      size_t k = 0;
      d.forEachArt([&](const ArtView& v) {
        ASSERT_LT(k, state.size());
        const ModelArt& m = state[k++];
        EXPECT_EQ(v.opacity, m.opacity);
        EXPECT_EQ(v.closed, m.closed);
        EXPECT_EQ(v.style.fillColor.kind == kHostColorGrey ? v.style.fillColor.c.grey : -1.0f, m.grey);
        std::vector<float> xs;
        for (const HostPathSegment& s : v.segments) xs.push_back(s.p.h);
        EXPECT_EQ(xs, m.xs);
      });
      ASSERT_EQ(k, state.size());
      ASSERT_EQ(d.artCount(), state.size());
      std::vector<bool> isLive(handles.size());
      for (const ModelArt& m : state) {
        isLive[static_cast<size_t>(m.id)] = true;
        auto v = d.find(handles[static_cast<size_t>(m.id)]);
        ASSERT_TRUE(v);
        EXPECT_EQ(v->opacity, m.opacity);
      }
      for (size_t id = 0; id < handles.size(); ++id) {
        if (!isLive[id]) {
          EXPECT_FALSE(d.find(handles[id])) << id;
        }
      }
      EXPECT_EQ(d.canUndo(), canUndo);
      EXPECT_EQ(d.canRedo(), canRedo);
      if (!d.inCall() && !canUndo && !canRedo) {
        std::vector<float> greys{-1};
        for (const ModelArt& m : state)
          if (std::find(greys.begin(), greys.end(), m.grey) == greys.end()) greys.push_back(m.grey);
        EXPECT_EQ(d.styleCount(), greys.size());
      }
    };
    // A change to the arts: in a call it joins the call's step; outside, it forgets the steps.
    auto change = [&](bool inCall) {
      const int n = static_cast<int>(state.size());
      const int op = n == 0 ? 0 : pick(10);
      const int i = n == 0 ? 0 : pick(n);
      HostArt a = n == 0 ? nullptr : handles[static_cast<size_t>(at(i).id)];
      // clang-format off
      switch (op) {
        case 0: {  // a new art, in any of the placements
          const int16_t orders[] = {kPlaceAboveAll, kPlaceBelowAll, kPlaceAbove, kPlaceBelow};
          const int16_t order = orders[n == 0 ? pick(2) : pick(4)];
          HostArt made = nullptr;
          ASSERT_EQ(d.newArt(kHostArtPath, order, a, &made), 0);
          const ModelArt m{static_cast<int>(handles.size()), 1.0f, -1.0f, false, {}};
          handles.push_back(made);
          const auto where = order == kPlaceAboveAll   ? state.end()
                             : order == kPlaceBelowAll ? state.begin()
                                                       : state.begin() + i + (order == kPlaceAbove ? 1 : 0);
          state.insert(where, m);
          break;
        }
        case 1: {  // points written from an index, growing the path when they reach past its end
          const size_t index = static_cast<size_t>(pick(static_cast<int>(at(i).xs.size()) + 1));
          std::vector<float> xs(static_cast<size_t>(1 + pick(3)));
          for (float& x : xs) x = next++;
          ASSERT_EQ(d.setSegments(a, index, segs(xs)), 0);
          if (at(i).xs.size() < index + xs.size()) at(i).xs.resize(index + xs.size());
          std::copy(xs.begin(), xs.end(), at(i).xs.begin() + static_cast<std::ptrdiff_t>(index));
          break;
        }
        case 2: {  // shorter or longer, in small sizes that reuse each other's ranges, and past 16
          const size_t counts[] = {0, 1, 2, 3, 4, 17, 20};
          const size_t count = counts[pick(7)];
          ASSERT_EQ(d.setSegmentCount(a, count), 0);
          at(i).xs.resize(count, 0.0f);
          break;
        }
        case 3:
          at(i).opacity = static_cast<float>(pick(100)) / 100;
          ASSERT_EQ(d.setOpacity(a, at(i).opacity), 0);
          break;
        case 4: {
          HostPathStyle st = d.options().newPathStyle;
          at(i).grey = static_cast<float>(1 + pick(3)) / 4;
          st.fillColor = greyColor(at(i).grey);
          ASSERT_EQ(d.setStyle(a, st), 0);
          break;
        }
        case 5:
          ASSERT_EQ(d.disposeArt(a), 0);
          state.erase(state.begin() + i);
          break;
        case 6: {
          HostArt copy = nullptr;
          ASSERT_EQ(d.duplicateArt(a, kPlaceAboveAll, nullptr, &copy), 0);
          ModelArt m = at(i);
          m.id = static_cast<int>(handles.size());
          handles.push_back(copy);
          state.push_back(m);
          break;
        }
        case 7:
          ASSERT_EQ(d.transform(a, {1, 0, 0, 1, 1, 0}, true, std::nullopt), 0);
          for (float& x : at(i).xs) x += 1;
          break;
        case 8:
          at(i).closed = !at(i).closed;
          ASSERT_EQ(d.setClosed(a, at(i).closed), 0);
          break;
        default:
          ASSERT_EQ(d.setOpacity(a, at(i).opacity), 0);  // a change that changes nothing visible
          break;
      }
      // clang-format on
      if (inCall) {
        dirty = true;
      } else {
        canUndo = canRedo = lastCall = false;
      }
    };

    for (int step = 0; step < 400; ++step) {
      const int what = pick(10);
      if (what < 6) {  // a call of a few changes, some taken back inside it
        if (pick(3) == 0) {
          d.joinNextCall();
          join = true;
        }
        d.beginCall();
        callStart = state;
        dirty = false;
        const int changes = pick(8);
        for (int c = 0; c < changes; ++c) {
          if (pick(6) == 0) {
            ASSERT_EQ(d.undoCall(), 0);
            state = callStart;
            dirty = false;
          } else {
            ASSERT_NO_FATAL_FAILURE(change(true));
          }
        }
        d.endCall();
        if (dirty) {
          if (!(join && lastCall)) before = callStart;
          after = state;
          canUndo = lastCall = true;
          canRedo = false;
        } else {
          lastCall = false;
        }
        join = false;
      } else if (what < 8) {
        ASSERT_EQ(d.undo(), canUndo ? 0 : kHostBadParameterErr);
        if (canUndo) {
          state = before;
          canUndo = lastCall = false;
          canRedo = true;
        }
      } else if (what < 9) {
        ASSERT_EQ(d.redo(), canRedo ? 0 : kHostBadParameterErr);
        if (canRedo) {
          state = after;
          canRedo = lastCall = false;
          canUndo = true;
        }
      } else {
        ASSERT_NO_FATAL_FAILURE(change(false));
      }
      ASSERT_NO_FATAL_FAILURE(check(step));
    }
  }
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
  doc.forEachSlot([&](uint32_t slot, const ArtView& art) {
    if (art.opacity == 2) slotB = slot;
  });
  doc.beginCall();
  ASSERT_EQ(doc.setOpacity(b, 3), 0);
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
  // Changes of one art in a row inside a call count once, unless the revision was read between.
  const uint64_t before = doc.revision();
  doc.beginCall();
  ASSERT_EQ(doc.setOpacity(b, 4), 0);
  ASSERT_EQ(doc.setClosed(b, true), 0);
  EXPECT_EQ(doc.revision(), before + 1);
  ASSERT_EQ(doc.setClosed(b, false), 0);
  EXPECT_EQ(doc.revision(), before + 2) << "a viewer that read the revision sees the next change";
  doc.endCall();
}

TEST_F(DocumentTest, HandlesAreChecked) {
  doc.beginCall();
  HostArt a = make(kPlaceAboveAll);
  ASSERT_EQ(doc.disposeArt(a), 0);
  EXPECT_FALSE(doc.find(a));
  EXPECT_EQ(doc.disposeArt(a), kHostBadHandleErr);
  EXPECT_FALSE(doc.find(nullptr));
  EXPECT_FALSE(doc.find(reinterpret_cast<HostArt>(uintptr_t{0x12345})));
  EXPECT_EQ(doc.setOpacity(a, 1), kHostBadHandleErr);
  EXPECT_EQ(doc.setSegmentCount(a, 1), kHostBadHandleErr);
  doc.endCall();
  // A slot reused after the call does not revive the old handle.
  HostArt b = make(kPlaceAboveAll);
  EXPECT_NE(a, b);
  EXPECT_FALSE(doc.find(a));
  // Paths stop at the most segments a path may have.
  const HostPathSegment one{};
  EXPECT_EQ(doc.setSegmentCount(b, kHostMaxPathSegments + 1), kHostTooManyPointsErr);
  EXPECT_EQ(doc.setSegments(b, kHostMaxPathSegments, {&one, 1}), kHostTooManyPointsErr);
  EXPECT_EQ(doc.setSegmentCount(b, kHostMaxPathSegments), 0);
  EXPECT_EQ(doc.find(b)->segments.size(), size_t{kHostMaxPathSegments});
}

// Every kind of change, undone: the art comes back exactly (segments, bounds, paint), whether the
// change wrote its segments in place, grew or shrank them, or moved them.
TEST_F(DocumentTest, UndoRestoresSegmentsStyleAndBoundsAfterEveryKindOfChange) {
  const std::vector<HostPathSegment> original = {{{0, 0}, {0, 0}, {0, 10}, 1}, {{10, 0}, {10, 10}, {10, 0}, 0}};
  struct Case {
    const char* what;
    std::function<void(HostArt)> change;
  };
  const HostPathSegment far{{100, 100}, {100, 100}, {100, 100}, 1};
  const Case cases[] = {
      {"overwritten",
       [&](HostArt a) {
         EXPECT_EQ(doc.setSegments(a, 1, {&far, 1}), 0);
       }},
      {"grown",
       [&](HostArt a) {
         EXPECT_EQ(doc.setSegments(a, 2, {&far, 1}), 0);
       }},
      {"grown past short paths", [&](HostArt a) { EXPECT_EQ(doc.setSegmentCount(a, 40), 0); }},
      {"shrunk", [&](HostArt a) { EXPECT_EQ(doc.setSegmentCount(a, 1), 0); }},
      {"closed", [&](HostArt a) { EXPECT_EQ(doc.setClosed(a, true), 0); }},
      {"moved and restroked",
       [&](HostArt a) {
         EXPECT_EQ(doc.transform(a, {2, 0, 0, 2, 5, 5}, true, 3.0f), 0);
       }},
      {"restyled", [&](HostArt a) { EXPECT_EQ(doc.applyArtStyle(a, 2), 0); }},
      {"disposed", [&](HostArt a) { EXPECT_EQ(doc.disposeArt(a), 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    doc.beginCall();
    HostArt a = make(kPlaceAboveAll, nullptr, 1);
    HostArt b = nullptr;  // a copy that must not see the change
    ASSERT_EQ(doc.setSegments(a, 0, original), 0);
    ASSERT_EQ(doc.duplicateArt(a, kPlaceAboveAll, nullptr, &b), 0);
    doc.endCall();
    const HostRealRect before = doc.find(a)->bounds;
    const size_t styles = doc.styleCount();
    EXPECT_EQ(before.left, 0);
    EXPECT_EQ(before.right, 10);
    EXPECT_EQ(before.top, 7.5f);  // the curve's top, not its handles'

    doc.beginCall();
    c.change(a);
    // While changed, the bounds are those of the changed curves.
    if (auto now = doc.find(a)) {
      HostRealRect exact = pathBounds(now->segments, now->closed);
      EXPECT_EQ(std::tie(now->bounds.left, now->bounds.top, now->bounds.right, now->bounds.bottom),
                std::tie(exact.left, exact.top, exact.right, exact.bottom));
    }
    ASSERT_EQ(doc.undoCall(), 0);
    doc.endCall();
    for (HostArt h : {a, b}) {
      auto art = doc.find(h);
      ASSERT_TRUE(art);
      ASSERT_EQ(art->segments.size(), original.size());
      EXPECT_EQ(std::memcmp(art->segments.data(), original.data(), sizeof(HostPathSegment) * original.size()), 0);
      EXPECT_FALSE(art->closed);
      EXPECT_EQ(art->artStyle, -1);
      EXPECT_EQ(art->style.strokeWidth, 1.0f);
      EXPECT_EQ(art->bounds.top, before.top);
    }
    EXPECT_EQ(doc.styleCount(), styles) << "the undone style is not kept";
  }
}

// After every move the art's bounds are, bit for bit, those its moved curves give: whichever axes
// the move touched, whether its extremes are anchors or inside curves, and whether the bounds
// were known or not yet worked out when it moved.
TEST_F(DocumentTest, BoundsAfterEveryMoveAreThoseOfTheMovedCurves) {
  const std::vector<HostPathSegment> curved = {{{0, 0}, {-3.3f, 1.7f}, {2.9f, -4.1f}, 1},
                                               {{10.1f, 1}, {12.7f, -3.1f}, {7.3f, 6.3f}, 1},
                                               {{4, 9.3f}, {9.1f, 11.3f}, {-1.9f, 8.6f}, 1}};
  const std::vector<HostPathSegment> straight = {
      {{0, 0}, {0, 0}, {0, 0}, 1}, {{10.1f, 1}, {10.1f, 1}, {10.1f, 1}, 1}, {{4, 9.3f}, {4, 9.3f}, {4, 9.3f}, 1}};
  const HostMatrix moves[] = {
      {1, 0, 0, 1, 3.7f, 0},            // across only
      {1, 0, 0, 1, 0, -2.3f},           // up only
      {1, 0, 0, 1, 0.1f, 0.3f},         // both ways
      {-1, 0, 0, 1, 20.3f, 0},          // flipped across
      {1, 0, 0, -1, 0, 7.7f},           // flipped up
      {0.3f, 0, 0, 1.7f, 1.1f, 1.3f},   // stretched
      {0.8f, 0.6f, -0.6f, 0.8f, 0, 0},  // turned
      {1, 0, 0, 1, 0, 0},               // not moved
  };
  doc.beginCall();
  for (const auto* shape : {&curved, &straight}) {
    HostArt a = make(kPlaceAboveAll);
    ASSERT_EQ(doc.setSegments(a, 0, *shape), 0);
    ASSERT_EQ(doc.setClosed(a, true), 0);
    int step = 0;
    for (int round = 0; round < 3; ++round)
      for (const HostMatrix& m : moves) {
        SCOPED_TRACE(testing::Message() << (shape == &curved ? "curved" : "straight") << ", move " << step);
        if (step++ % 3 != 0) (void)doc.bounds(a);
        ASSERT_EQ(doc.transform(a, m, true, std::nullopt), 0);
        const HostRealRect got = *doc.bounds(a), want = pathBounds(*doc.segments(a), true);
        EXPECT_EQ(std::tie(got.left, got.top, got.right, got.bottom),
                  std::tie(want.left, want.top, want.right, want.bottom));
        EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << "the same bits, the sign of zero included";
      }
  }
}

// A move is made whole or not at all: one that would carry any point, a handle included, or the
// stroke width past the largest float is refused and leaves the art and the journal as they were.
TEST_F(DocumentTest, MovesAreMadeWholeOrRefused) {
  doc.beginCall();
  HostArt a = make(kPlaceAboveAll);
  const HostPathSegment dot{{1.5f, 2.5f}, {1.5f, 2.5f}, {1.5f, 1e30f}, 1};  // one handle far up
  ASSERT_EQ(doc.setSegments(a, 0, {&dot, 1}), 0);
  HostPathStyle wide = doc.options().newPathStyle;
  wide.strokeWidth = 1e30f;
  ASSERT_EQ(doc.setStyle(a, wide), 0);
  doc.endCall();

  doc.beginCall();
  const size_t journal = doc.journalSize();
  EXPECT_EQ(doc.transform(a, {1, 0, 0, 1e10f, 0, 0}, true, std::nullopt), kHostBadParameterErr);
  EXPECT_EQ(doc.transform(a, {2, 0, 0, 2, 0, 0}, true, 1e10f), kHostBadParameterErr);  // the width
  EXPECT_EQ(doc.journalSize(), journal);
  std::span<const HostPathSegment> now = *doc.segments(a);
  ASSERT_EQ(now.size(), 1u);
  EXPECT_EQ(std::memcmp(now.data(), &dot, sizeof dot), 0);
  EXPECT_EQ(doc.find(a)->style.strokeWidth, 1e30f);

  // A move that stays finite moves every point of even a one-point path.
  EXPECT_EQ(doc.transform(a, {1, 0, 0, 1, 2, -1}, true, 0.5f), 0);
  now = *doc.segments(a);
  EXPECT_EQ(now[0].p.h, 3.5f);
  EXPECT_EQ(now[0].p.v, 1.5f);
  EXPECT_EQ(now[0].in.h, 3.5f);
  EXPECT_EQ(now[0].out.h, 3.5f);
  EXPECT_EQ(now[0].out.v, 1e30f);  // 1 down is below its rounding
  EXPECT_EQ(doc.find(a)->style.strokeWidth, 5e29f);
}

TEST_F(DocumentTest, ArtsShareEachDistinctStyleOnce) {
  doc.beginCall();
  HostPathStyle red = doc.options().newPathStyle;
  red.fillColor = threeColor(1, 0, 0);
  std::vector<HostArt> arts;
  for (int i = 0; i < 1000; ++i) {
    arts.push_back(make(kPlaceAboveAll));
    ASSERT_EQ(doc.setStyle(arts.back(), red), 0);
  }
  EXPECT_EQ(doc.styleCount(), 2u);  // the new-path paint and red
  HostPathStyle wider = red;
  wider.strokeWidth = 2;
  ASSERT_EQ(doc.setStyle(arts[7], wider), 0);
  EXPECT_EQ(doc.find(arts[7])->style.strokeWidth, 2);
  EXPECT_EQ(doc.find(arts[8])->style.strokeWidth, 1);
  doc.endCall();
  // Styles nobody uses any more are dropped, whether the art went or changed paint.
  for (HostArt a : arts) ASSERT_EQ(doc.disposeArt(a), 0);
  EXPECT_EQ(doc.styleCount(), 1u);
}

TEST_F(DocumentTest, RepeatedPreviewsKeepNothingOfTheUndoneOnes) {
  // A preview draws, is undone and drawn again in one call, with a fresh paint each time.
  doc.beginCall();
  for (int round = 0; round < 20; ++round) {
    for (int i = 0; i < 300; ++i) {
      HostArt a = make(kPlaceAboveAll);
      HostPathStyle st = doc.options().newPathStyle;
      st.fillColor = greyColor(static_cast<float>(round * 1000 + i));
      ASSERT_EQ(doc.setStyle(a, st), 0);
      ASSERT_EQ(doc.setSegmentCount(a, static_cast<size_t>(i % 5)), 0);
    }
    ASSERT_EQ(doc.undoCall(), 0);
    EXPECT_EQ(doc.artCount(), 0u);
    EXPECT_EQ(doc.styleCount(), 1u);
  }
  doc.endCall();
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
