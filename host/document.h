// The stand-in host's document: path arts in a stacking order, the undo journal of the current
// plug-in call, the page, the colour model, the swatches, the named art styles and the view.
//
// Arts live in stable slots (a handle survives insertions, removals and undo of other arts); the
// stacking order is a doubly linked list, so placing above all, below all or directly below a
// reference is O(1). Undo reverts exactly the changes journalled since the call began, in
// O(changes): arts made in the call are unlinked and freed; arts that existed before are restored
// from the snapshot taken at their first change in the call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
  HostPathStyle newPathStyle;  // the paint for new paths
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

struct Art {
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  uint32_t below = kNone;  // next art down the stacking order
  uint32_t above = kNone;  // next art up
  uint32_t lastCall = 0;   // the call that created or snapshotted it
  uint8_t generation = 0;
  bool alive = false;
  bool closed = false;
  int32_t artStyle = -1;  // the named art style last applied, -1 none
  float opacity = 1.0f;
  HostPathStyle style{};
  std::vector<HostPathSegment> segments;
};

class Document {
 public:
  explicit Document(DocumentOptions options);

  const DocumentOptions& options() const { return options_; }
  float pageWidth() const { return options_.pageWidth; }
  float pageHeight() const { return options_.pageHeight; }
  int16_t colorModel() const { return options_.colorModel; }
  const std::vector<Swatch>& swatches() const { return options_.swatches; }
  const std::vector<NamedArtStyle>& artStyles() const { return options_.artStyles; }

  // Arts. Every function checks its handles; placement orders as in art_suite.h.
  HostErr newArt(int16_t kind, int16_t paintOrder, HostArt reference, HostArt* art);
  HostErr duplicateArt(HostArt source, int16_t paintOrder, HostArt reference, HostArt* copy);
  HostErr disposeArt(HostArt art);
  // The art behind a handle for reading, or null when the handle is not a live art.
  const Art* find(HostArt art) const;
  // The art for changing: journals it first, so undo can restore it. Null for a bad handle.
  Art* modify(HostArt art);
  size_t artCount() const { return liveCount_; }

  // Visits the live arts from the bottom of the stacking order to the top.
  template <class F>
  void forEachArt(F&& f) const {
    for (uint32_t i = bottom_; i != Art::kNone; i = arts_[i].above) f(arts_[i]);
  }
  // The same, with each art's slot: f(slot, art). An art's `below` is its neighbour's slot.
  template <class F>
  void forEachSlot(F&& f) const {
    for (uint32_t i = bottom_; i != Art::kNone; i = arts_[i].above) f(i, arts_[i]);
  }
  // The name of an art's applied named style, or null.
  const std::string* artStyleName(const Art& art) const;

  // The undo journal: beginCall opens a call's journal, undoCall reverts it (and leaves it open,
  // empty), endCall closes it and keeps the changes.
  void beginCall();
  void endCall();
  HostErr undoCall();
  bool inCall() const { return callOpen_; }
  size_t journalSize() const { return journal_.size(); }

  // The host's own Undo and Redo, between plug-in calls. The changes of the last call that changed
  // anything are kept when it ends (with those of the calls joined to it), so that undo() takes
  // them back and redo() puts them back; a change made outside a call forgets them. Both refuse
  // inside a call (kHostNotInCallErr is the wrong way round, so kHostBadParameterErr) and when
  // there is nothing to take back or put back.
  bool canUndo() const { return !callOpen_ && !undoStep_.journal.empty(); }
  bool canRedo() const { return !callOpen_ && !redoStep_.journal.empty(); }
  HostErr undo();
  HostErr redo();
  // The next call's changes join the kept ones as one step, as a filter's Go joins its dialog.
  void joinNextCall() { joinNext_ = true; }

  // The change log, for a viewer that keeps a copy of the arts: every change to an art (made,
  // changed, disposed, or brought back) moves the revision on and notes the art's slot.
  uint64_t revision() const { return logStart_ + log_.size(); }
  // The slots changed since revision `since`, each once, ascending; false when the log no longer
  // reaches back that far (or `since` is ahead of it), and the viewer needs every art again.
  bool changedSince(uint64_t since, std::vector<uint32_t>* slots) const;
  // The live art in a slot, or null.
  const Art* artAt(uint32_t slot) const {
    return slot < arts_.size() && arts_[slot].alive ? &arts_[slot] : nullptr;
  }

  // The front view.
  HostRealPoint viewCentre() const { return viewCentre_; }
  float viewZoom() const { return viewZoom_; }
  void setViewCentre(HostRealPoint centre) { viewCentre_ = centre; }
  HostErr setViewZoom(float zoom);
  HostRealPoint viewToArtwork(HostViewPoint p) const;
  HostViewPoint artworkToView(HostRealPoint p) const;

  uint64_t redrawCount() const { return redraws_; }
  void redraw() { ++redraws_; }

  // Checked handle of a live art slot (for the host's own use, such as tests and exports).
  HostArt handleOf(uint32_t slot) const;

 private:
  struct JournalEntry {
    enum class Kind : uint8_t { Created, Changed, Disposed } kind;
    uint32_t slot;
    uint32_t snapshot;  // index into snapshots_ for Changed and Disposed
  };
  struct Snapshot {
    Art art;
    uint32_t below, above;  // neighbours when disposed
  };
  // Changes that can be taken back: the journal in the order made, and the arts as they were.
  struct Step {
    std::vector<JournalEntry> journal;
    std::vector<Snapshot> snapshots;
  };

  HostErr place(uint32_t slot, int16_t paintOrder, HostArt reference);
  void link(uint32_t slot, uint32_t below, uint32_t above);
  void unlink(uint32_t slot);
  uint32_t allocateSlot();
  void freeSlot(uint32_t slot);
  int32_t slotOf(HostArt art) const;  // -1 when not a live art
  void journalChange(uint32_t slot);
  void restoreContents(uint32_t slot, Art&& old);
  // Takes back a step's changes, newest first, and returns the step that puts them back.
  Step revert(Step&& step);
  void forgetSteps();
  void logChange(uint32_t slot);

  DocumentOptions options_;
  std::vector<Art> arts_;
  std::vector<uint32_t> freeSlots_;
  uint32_t bottom_ = Art::kNone;
  uint32_t top_ = Art::kNone;
  size_t liveCount_ = 0;

  bool callOpen_ = false;
  uint32_t callNumber_ = 0;
  std::vector<JournalEntry> journal_;
  std::vector<Snapshot> snapshots_;
  Step undoStep_, redoStep_;
  bool joinNext_ = false;
  bool stepIsLastCall_ = false;  // the undo step ends with the changes of the call just ended

  std::vector<uint32_t> log_;  // the slot of each change since logStart_
  uint64_t logStart_ = 0;

  HostRealPoint viewCentre_{};
  float viewZoom_ = 1.0f;
  uint64_t redraws_ = 0;
};

}  // namespace flhost
