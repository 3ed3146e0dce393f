// The stand-in host's document: path arts in a stacking order, the undo journal of the current
// plug-in call, the page, the colour model, the swatches, the named art styles and the view.
//
// Arts live in stable slots (a handle survives insertions, removals and undo of other arts); the
// stacking order is a doubly linked list, so placing above all, below all or directly below a
// reference is O(1). Undo reverts exactly the changes journalled since the call began, in
// O(changes): arts made in the call are unlinked and freed; arts that existed before are restored
// from the snapshot taken at their first change in the call. The journal of the last call that
// changed anything is kept after the call ends, for the host's own Undo and Redo (the slots of the
// arts it disposed stay reserved until it is forgotten), and a change log numbers every change to
// an art, so a viewer can ask what changed since a revision.
//
// A design can hold millions of arts, so an art is a small fixed record: its segments live in a
// shared store that grows by whole chunks (an art's segments are contiguous), its paint is an index
// into a table holding each distinct paint once with a count of its users (the arts of a design
// share a handful; the stroke width, which designs vary art by art, is kept in the record), and
// the exact bounds of its curves are kept with it, worked out again only after its segments
// changed. A snapshot for undo is a copy of that record: the segments it
// names are shared with the art until the art writes them, which then copies them first (who
// owns a range is set out once, above Document::Step).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "chunked_vector.h"
#include "handle_table.h"

#include "host_types.h"

namespace flhost {

struct Swatch {
  std::string name;
  HostColor color;
};

struct NamedArtStyle {
  std::string name;
  HostPathStyle style;
  float opacity = 1.0f;
};

// Colour helpers.
HostColor greyColor(float ink);
HostColor fourColor(float c, float m, float y, float k);
HostColor threeColor(float r, float g, float b);

struct DocumentOptions {
  float pageWidth = 612.0f;
  float pageHeight = 792.0f;
  int16_t colorModel = 1;  // kDocumentRGBModel
  std::vector<Swatch> swatches;
  std::vector<NamedArtStyle> artStyles;
  HostPathStyle newPathStyle;   // the paint for new paths
  float newPathOpacity = 1.0f;  // and their opacity (0 to 1)
  // The front view's window, in pixels; its centre shows the artwork point viewCentre.
  int32_t viewWidth = 1000;
  int32_t viewHeight = 800;

  // A document like a fresh one: US letter page, RGB, the default swatch list and art styles, and
  // new paths with a white fill and a black 1-point stroke.
  static DocumentOptions standard();
};

// A default swatch list like a real document's: [None], [Registration], White, Black, then colours.
std::vector<Swatch> defaultSwatches(int16_t colorModel);
std::vector<NamedArtStyle> defaultArtStyles();
HostPathStyle defaultNewPathStyle(int16_t colorModel);

// What exporters, tests and the suites read of an art: a view into the document, valid until the
// document next changes. Arts are visited in paint order (forEachArt); the segments are the
// art's own, in order; bounds are the exact bounds of its curves as pathBounds gives them
// (left > right when it has no segments). The document keeps no matrix per art: a transform is
// applied to the segments when it is made.
struct ArtView {
  std::span<const HostPathSegment> segments;
  HostPathStyle style;
  HostRealRect bounds;
  float opacity;
  int32_t artStyle;  // the named art style last applied, -1 none
  bool closed;
};

// Each distinct path style once, with a count of the records that use it; a style nobody uses
// any more is dropped and its entry reused. The document keeps its paints here: path styles with
// the stroke width left at 0.
class StyleTable {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  // The index of `style`, added when new; the caller holds one more use of it.
  uint32_t acquire(const HostPathStyle& style);
  void retain(uint32_t index) { ++uses_[index]; }
  void release(uint32_t index);
  const HostPathStyle& operator[](uint32_t index) const { return styles_[index]; }
  size_t size() const { return styles_.size() - free_.size(); }

 private:
  std::deque<HostPathStyle> styles_;  // a deque: entries keep their addresses as it grows
  std::vector<uint32_t> uses_;
  std::vector<uint32_t> free_;
  std::unordered_multimap<uint64_t, uint32_t> byHash_;
  uint32_t last_ = kNone;  // the style last asked for: consecutive arts mostly share it
};

// The segments of every art: ranges in chunks of 64K segments, an art's range inside one chunk.
// Ranges given back are kept by size and reused for the next range of that size.
class SegmentStore {
 public:
  SegmentStore() = default;
  SegmentStore(SegmentStore&&) noexcept = default;
  SegmentStore& operator=(SegmentStore&&) noexcept = default;
  // A copy holds copies of the segments (a snapshot of a document is one).
  SegmentStore(const SegmentStore& other);
  SegmentStore& operator=(const SegmentStore& other);

  // The first index of a new range of `capacity` segments (0 for none).
  uint32_t allocate(uint16_t capacity);
  void release(uint32_t first, uint16_t capacity);
  HostPathSegment* at(uint32_t first) { return &chunks_[first >> kShift][first & kMask]; }
  const HostPathSegment* at(uint32_t first) const { return &chunks_[first >> kShift][first & kMask]; }

 private:
  static constexpr unsigned kShift = 16;
  static constexpr uint32_t kMask = (1u << kShift) - 1;
  std::vector<std::unique_ptr<HostPathSegment[]>> chunks_;
  uint32_t used_ = 1u << kShift;             // of the last chunk: none yet
  std::vector<std::vector<uint32_t>> free_;  // by capacity
};

class Document {
 public:
  // An empty document. Its change log starts at `firstRevision`, so that a document replacing
  // another (the host's New) can carry on the numbering: a viewer that held the old one and asks
  // for the changes since its revision is given every art again.
  explicit Document(DocumentOptions options, uint64_t firstRevision = 0);

  const DocumentOptions& options() const { return options_; }
  float pageWidth() const { return options_.pageWidth; }
  float pageHeight() const { return options_.pageHeight; }
  int16_t colorModel() const { return options_.colorModel; }
  const std::vector<Swatch>& swatches() const { return options_.swatches; }
  const std::vector<NamedArtStyle>& artStyles() const { return options_.artStyles; }

  // Arts. Every function checks its handles (kHostBadHandleErr for one that is not a live art);
  // placement orders as in art_suite.h.
  HostErr newArt(int16_t kind, int16_t paintOrder, HostArt reference, HostArt* art);
  HostErr duplicateArt(HostArt source, int16_t paintOrder, HostArt reference, HostArt* copy);
  HostErr disposeArt(HostArt art);
  // The art behind a handle, or nothing when the handle is not a live art.
  std::optional<ArtView> find(HostArt art) const;
  // Parts of it, for the suites' frequent questions, without making a whole view.
  std::optional<HostRealRect> bounds(HostArt art) const;
  std::optional<std::span<const HostPathSegment>> segments(HostArt art) const;
  size_t artCount() const { return liveCount_; }

  // Changes to an art; each journals the art first, so undo can restore it. Segment counts go up
  // to kHostMaxPathSegments (kHostTooManyPointsErr beyond); new segments are all zero.
  HostErr setSegmentCount(HostArt art, size_t count);
  // Writes segments from `index` on, growing the path when they reach past its end.
  HostErr setSegments(HostArt art, size_t index, std::span<const HostPathSegment> segments);
  HostErr setClosed(HostArt art, bool closed);
  HostErr setStyle(HostArt art, const HostPathStyle& style);
  HostErr setOpacity(HostArt art, float opacity);
  // Gives the art named art style `index`'s paint and opacity, and notes the style as applied.
  HostErr applyArtStyle(HostArt art, int32_t index);
  // Moves every point by m when movePoints; scales the stroke width by lineScale when given.
  // kHostBadParameterErr, the art unchanged, when a point or the width would not be finite.
  HostErr transform(HostArt art, const HostMatrix& m, bool movePoints, std::optional<float> lineScale);

  // Visits the live arts from the bottom of the stacking order to the top, as ArtViews. An art's
  // bounds are worked out here when its segments changed since they last were: once a visit has
  // run with no change since, visits from several threads at once only read.
  template <class F>
  void forEachArt(F&& f) const {
    for (uint32_t i = bottom_; i != kNone; i = records_[i].above) f(viewOf(i));
  }
  // The same, with each art's slot: f(slot, view). slotBelow names the neighbour down the order.
  template <class F>
  void forEachSlot(F&& f) const {
    for (uint32_t i = bottom_; i != kNone; i = records_[i].above) f(i, viewOf(i));
  }
  // The slot of the art below the live art in `slot` (0xFFFFFFFF: none).
  uint32_t slotBelow(uint32_t slot) const { return records_[slot].below; }
  // The handle of the live art in `slot`.
  HostArt handleOf(uint32_t slot) const;
  // The live art in a slot, or nothing.
  std::optional<ArtView> artAt(uint32_t slot) const {
    if (slot >= records_.size() || !(records_[slot].flags & kAlive)) return std::nullopt;
    return viewOf(slot);
  }
  // The name of an art's applied named style, or null.
  const std::string* artStyleName(const ArtView& art) const;
  // Distinct paints held (by arts and by the undo journal).
  size_t styleCount() const { return styles_.size(); }

  // The undo journal: beginCall opens a call's journal, undoCall reverts it (and leaves it open,
  // empty), endCall closes it and keeps the changes.
  void beginCall();
  void endCall();
  HostErr undoCall();
  bool inCall() const { return callOpen_; }
  size_t journalSize() const { return call_.journal.size(); }

  // The host's own Undo and Redo, between plug-in calls. The changes of the last call that changed
  // anything are kept when it ends (with those of the calls joined to it), so that undo() takes
  // them back and redo() puts them back; a change made outside a call forgets them. Both refuse
  // inside a call (kHostNotInCallErr is the wrong way round, so kHostBadParameterErr) and when
  // there is nothing to take back or put back. Each runs in O(changes of the step).
  bool canUndo() const { return !callOpen_ && !undoStep_.journal.empty(); }
  bool canRedo() const { return !callOpen_ && !redoStep_.journal.empty(); }
  HostErr undo();
  HostErr redo();
  // The next call's changes join the kept ones as one step, as a filter's Go joins its dialog.
  void joinNextCall() { joinNext_ = true; }

  // The change log, for a viewer that keeps a copy of the arts: every change to an art (made,
  // changed, disposed, or brought back) moves the revision on and notes the art's slot.
  uint64_t revision() const {
    revisionRead_ = true;
    return logStart_ + log_.size();
  }
  // The slots changed since revision `since`, each once, ascending; false when the log no longer
  // reaches back that far (or `since` is ahead of it), and the viewer needs every art again.
  bool changedSince(uint64_t since, std::vector<uint32_t>* slots) const;

  // The front view.
  HostRealPoint viewCentre() const { return viewCentre_; }
  float viewZoom() const { return viewZoom_; }
  void setViewCentre(HostRealPoint centre) { viewCentre_ = centre; }
  HostErr setViewZoom(float zoom);
  HostRealPoint viewToArtwork(HostViewPoint p) const;
  HostViewPoint artworkToView(HostRealPoint p) const;

  uint64_t redrawCount() const { return redraws_; }
  void redraw() { ++redraws_; }

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  enum Flags : uint8_t {
    kAlive = 1,
    kClosed = 2,
    kShared = 4,  // the segment range is owned by a snapshot (see below): copy before writing
  };
  // One art slot, 56 bytes.
  struct Record {
    uint32_t below = kNone;  // next art down the stacking order
    uint32_t above = kNone;  // next art up
    uint32_t lastCall = 0;   // the call that created or snapshotted it
    uint32_t first = 0;      // its segments in the store
    uint32_t style = 0;      // its paint in the style table
    float strokeWidth = 0.0f;
    float opacity = 1.0f;
    int32_t artStyle = -1;
    mutable HostRealRect bounds{1.0f, 0.0f, -1.0f, 0.0f};
    uint16_t count = 0, capacity = 0;  // segments
    uint8_t generation = 0;
    uint8_t flags = 0;
    // Axes (kAlongH, kAlongV) whose extent is to be worked out again: each axis's extent depends
    // on that axis's coordinates only, so a move along one axis keeps the other's.
    mutable uint8_t boundsStale = 0;
    // Axes along which every curve's handles lie between its anchors: the extent there is the
    // anchors' extremes, and a transform that keeps the axes moves it exactly as it moves them.
    mutable uint8_t boundsAtAnchors = 0;
  };
  enum Along : uint8_t { kAlongH = 1, kAlongV = 2, kAlongBoth = 3 };
  // Journal entries: the slot in the low 24 bits, the kind in the top two.
  enum class Change : uint32_t { Created = 0, Changed = 1u << 30, Disposed = 2u << 30 };
  struct Neighbours {
    uint32_t below, above;
  };
  // Who holds what. A record is a live art, a disposed art whose slot is kept for undo, or a
  // snapshot in a step's `changed`. Every record holds one use of its paint in styles_, given back
  // when the record goes. Its segment range (first, capacity; none when capacity is 0) has one
  // owner, which gives it back to segments_:
  // - a record without kShared owns its range;
  // - an art with kShared names the range of a snapshot of itself, which owns it: the art copies
  //   it before writing and never gives it back; a snapshot with kShared names the range of a
  //   later snapshot of the same art in the same step (taking back joined calls leaves it so).
  // Only these functions change which range a record names or who owns it:
  // - modifySlot: a snapshot takes a copy of the art's record and a paint use; the art keeps
  //   naming the range, kShared. An art still sharing with a kept step copies its range first,
  //   so each range is shared by an art with the snapshots of one step only;
  // - writableSegments: an art writes its own range only, copied first when it is shared;
  // - revert: art and snapshot trade places; where both name one range, the snapshot side keeps
  //   owning it (sharesRange);
  // - dropSnapshot: a snapshot nothing can restore any more gives back its paint use and its range,
  //   or hands the range to the art when the art still names it;
  // - freeSlot: an art gone for good gives back its paint use and the range it owns.
  //
  // Changes that can be taken back: entries as in the journal, the records as they were before
  // each Changed entry, and where each Disposed art sat. The current call's changes are one too.
  struct Step {
    ChunkedVector<uint32_t> journal;
    std::vector<Record> changed;
    std::vector<Neighbours> disposed;
    void clear() {
      journal.clear();
      changed.clear();
      disposed.clear();
    }
  };

  ArtView viewOf(uint32_t slot) const;
  std::span<const HostPathSegment> segmentsOf(const Record& r) const;
  const HostRealRect& boundsOf(const Record& r) const;  // worked out again when stale
  HostErr place(uint32_t slot, int16_t paintOrder, HostArt reference);
  void link(uint32_t slot, uint32_t below, uint32_t above);
  void unlink(uint32_t slot);
  uint32_t allocateSlot();
  void freeSlot(uint32_t slot);
  int32_t slotOf(HostArt art) const;  // -1 when not a live art
  // The live record behind a handle for changing, journalled; null for a bad handle.
  Record* modify(HostArt art);
  Record& modifySlot(uint32_t slot);  // the same for a live art's slot
  // The record's segments, resized to count, for writing: copied first when shared or too small.
  HostPathSegment* writableSegments(Record& r, size_t count);
  // Gives the record the paint and stroke width of style.
  void setStyle(Record& r, const HostPathStyle& style);
  // Whether two records name the same segment range.
  static bool sharesRange(const Record& a, const Record& b) {
    return a.capacity > 0 && b.capacity > 0 && a.first == b.first;
  }
  // Gives back what a snapshot of the art in `slot` holds, once nothing can restore it.
  void dropSnapshot(uint32_t slot, const Record& snapshot);
  // Drops a step keeping its changes: frees what only its snapshots and disposed arts held.
  void forget(Step& step);
  void forgetSteps();
  // What revert does with the step that would put the changes back: keeps it (the host's Undo
  // and Redo) or drops it as it is made, freeing what it would hold (undo inside a call).
  enum class Inverse { Keep, Drop };
  // Takes back a step's changes, newest first, and returns the step that puts them back (empty
  // when dropped). The step is left empty.
  Step revert(Step& step, Inverse inverse);
  void logChange(uint32_t slot);

  DocumentOptions options_;
  ChunkedVector<Record> records_;
  SlotQuarantine freeSlots_;  // the dialogs' handle tables reuse slots by the same rule
  uint32_t bottom_ = kNone;
  uint32_t top_ = kNone;
  size_t liveCount_ = 0;
  SegmentStore segments_;
  StyleTable styles_;
  uint32_t newPathStyle_;
  std::vector<HostPathSegment> moved_;  // a transform's points, checked before they are written

  bool callOpen_ = false;
  uint32_t callNumber_ = 0;
  Step call_;  // the changes of the current call, since it began or was last undone
  Step undoStep_, redoStep_;
  bool joinNext_ = false;
  bool stepIsLastCall_ = false;  // the undo step ends with the changes of the call just ended

  std::vector<uint32_t> log_;  // the slot of each change since logStart_
  uint64_t logStart_ = 0;
  mutable bool revisionRead_ = false;  // since the last entry: no viewer can have seen it alone

  HostRealPoint viewCentre_{};
  float viewZoom_ = 1.0f;
  uint64_t redraws_ = 0;
};

}  // namespace flhost
