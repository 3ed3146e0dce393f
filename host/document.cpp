#include "document.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "art_suite.h"
#include "color.h"
#include "document_suite.h"
#include "handles.h"

namespace flhost {

HostColor greyColor(float ink) {
  HostColor c{};
  c.kind = kHostColorGrey;
  c.c.grey = ink;
  return c;
}

HostColor fourColor(float cy, float m, float y, float k) {
  HostColor c{};
  c.kind = kHostColorFour;
  c.c.four = {cy, m, y, k};
  return c;
}

HostColor threeColor(float r, float g, float b) {
  HostColor c{};
  c.kind = kHostColorThree;
  c.c.three = {r, g, b};
  return c;
}

namespace {

HostColor inModel(int16_t model, float r, float g, float b) {
  int32_t kind = model == kDocumentCMYKModel ? kHostColorFour : model == kDocumentGreyModel ? kHostColorGrey : kHostColorThree;
  return fromRgb(kind, {r, g, b});
}

}  // namespace

std::vector<Swatch> defaultSwatches(int16_t model) {
  std::vector<Swatch> s;
  HostColor none{};
  none.kind = kHostColorSpot;
  none.c.spot.tint = 0;
  std::snprintf(none.c.spot.name, sizeof none.c.spot.name, "None");
  HostColor registration{};
  registration.kind = kHostColorSpot;
  registration.c.spot = {1.0f, 1, 1, 1, 1, {}};
  std::snprintf(registration.c.spot.name, sizeof registration.c.spot.name, "Registration");
  s.push_back({"[None]", none});
  s.push_back({"[Registration]", registration});
  s.push_back({"White", inModel(model, 1, 1, 1)});
  s.push_back({"Black", model == kDocumentCMYKModel ? fourColor(0, 0, 0, 1) : inModel(model, 0, 0, 0)});
  struct Named {
    const char* name;
    float r, g, b;
  };
  static const Named colours[] = {
      {"Red", 0.93f, 0.11f, 0.14f},        {"Orange", 0.97f, 0.58f, 0.11f},
      {"Yellow", 1.0f, 0.95f, 0.0f},       {"Lime", 0.55f, 0.78f, 0.25f},
      {"Green", 0.0f, 0.65f, 0.32f},       {"Teal", 0.0f, 0.59f, 0.58f},
      {"Cyan", 0.0f, 0.68f, 0.94f},        {"Sky", 0.43f, 0.76f, 0.91f},
      {"Blue", 0.18f, 0.19f, 0.57f},       {"Violet", 0.40f, 0.18f, 0.57f},
      {"Purple", 0.57f, 0.15f, 0.56f},     {"Magenta", 0.93f, 0.0f, 0.55f},
      {"Rose", 0.96f, 0.60f, 0.76f},       {"Brown", 0.55f, 0.38f, 0.24f},
      {"Tan", 0.78f, 0.65f, 0.47f},        {"Olive", 0.50f, 0.50f, 0.0f},
      {"Navy", 0.0f, 0.0f, 0.50f},         {"Maroon", 0.50f, 0.0f, 0.0f},
      {"Gold", 0.85f, 0.65f, 0.13f},       {"Silver", 0.75f, 0.75f, 0.75f},
      {"Grey 50%", 0.5f, 0.5f, 0.5f},      {"Grey 25%", 0.75f, 0.75f, 0.75f},
      {"Coral", 1.0f, 0.50f, 0.31f},       {"Mint", 0.60f, 1.0f, 0.60f},
  };
  for (const Named& c : colours) s.push_back({c.name, inModel(model, c.r, c.g, c.b)});
  return s;
}

HostPathStyle defaultNewPathStyle(int16_t model) {
  HostPathStyle st{};
  st.fillPaint = 1;
  st.strokePaint = 1;
  st.fillColor = model == kDocumentCMYKModel ? fourColor(0, 0, 0, 0)
                 : model == kDocumentGreyModel ? greyColor(0)
                                               : threeColor(1, 1, 1);
  st.strokeColor = model == kDocumentCMYKModel ? fourColor(0, 0, 0, 1)
                   : model == kDocumentGreyModel ? greyColor(1)
                                                 : threeColor(0, 0, 0);
  st.strokeWidth = 1.0f;
  st.stroke.miterLimit = 4.0f;
  return st;
}

std::vector<NamedArtStyle> defaultArtStyles() {
  auto make = [](const char* name, HostColor fill, bool fillPaint, HostColor stroke, bool strokePaint,
                 float width, float opacity) {
    NamedArtStyle s;
    s.name = name;
    s.style = defaultNewPathStyle(kDocumentRGBModel);
    s.style.fillColor = fill;
    s.style.fillPaint = fillPaint;
    s.style.strokeColor = stroke;
    s.style.strokePaint = strokePaint;
    s.style.strokeWidth = width;
    s.opacity = opacity;
    return s;
  };
  return {
      make("[Default]", threeColor(1, 1, 1), true, threeColor(0, 0, 0), true, 1.0f, 1.0f),
      make("Ink Outline", threeColor(1, 1, 1), false, threeColor(0, 0, 0), true, 2.0f, 1.0f),
      make("Sunset Glow", threeColor(0.98f, 0.55f, 0.2f), true, threeColor(0.75f, 0.1f, 0.2f), true, 1.5f, 0.9f),
      make("Sea Glass", threeColor(0.4f, 0.8f, 0.75f), true, threeColor(0.1f, 0.4f, 0.45f), true, 0.5f, 0.6f),
      make("Night Sky", threeColor(0.1f, 0.12f, 0.35f), true, threeColor(0.9f, 0.85f, 0.3f), true, 0.75f, 1.0f),
      make("Ghost", threeColor(1, 1, 1), true, threeColor(0.6f, 0.6f, 0.6f), true, 0.25f, 0.35f),
      make("Heavy Rule", threeColor(0.2f, 0.2f, 0.2f), true, threeColor(0, 0, 0), true, 6.0f, 1.0f),
      make("Gold Leaf", threeColor(0.85f, 0.68f, 0.2f), true, threeColor(0.45f, 0.3f, 0.05f), true, 1.0f, 1.0f),
  };
}

DocumentOptions DocumentOptions::standard() {
  DocumentOptions o;
  o.swatches = defaultSwatches(o.colorModel);
  o.artStyles = defaultArtStyles();
  o.newPathStyle = defaultNewPathStyle(o.colorModel);
  return o;
}

Document::Document(DocumentOptions options) : options_(std::move(options)) {
  viewCentre_ = {options_.pageWidth * 0.5f, options_.pageHeight * 0.5f};
}

HostArt Document::handleOf(uint32_t slot) const {
  return encodeHandle<HostArt>(slot, arts_[slot].generation, kSaltArt);
}

int32_t Document::slotOf(HostArt art) const {
  auto bits = decodeHandle(art, kSaltArt);
  if (!bits || bits->index >= arts_.size()) return -1;
  const Art& a = arts_[bits->index];
  if (!a.alive || a.generation != bits->generation) return -1;
  return static_cast<int32_t>(bits->index);
}

const Art* Document::find(HostArt art) const {
  int32_t s = slotOf(art);
  return s < 0 ? nullptr : &arts_[s];
}

Art* Document::modify(HostArt art) {
  int32_t s = slotOf(art);
  if (s < 0) return nullptr;
  logChange(static_cast<uint32_t>(s));
  journalChange(static_cast<uint32_t>(s));
  return &arts_[s];
}

const std::string* Document::artStyleName(const Art& art) const {
  if (art.artStyle < 0 || static_cast<size_t>(art.artStyle) >= options_.artStyles.size()) return nullptr;
  return &options_.artStyles[art.artStyle].name;
}

void Document::journalChange(uint32_t slot) {
  Art& a = arts_[slot];
  if (!callOpen_) return forgetSteps();
  // An art made or already saved in this call needs no (further) snapshot: undo frees or
  // restores it whole.
  if (a.lastCall == callNumber_) return;
  snapshots_.push_back({a, Art::kNone, Art::kNone});
  journal_.push_back({JournalEntry::Kind::Changed, slot, static_cast<uint32_t>(snapshots_.size() - 1)});
  a.lastCall = callNumber_;
}

uint32_t Document::allocateSlot() {
  if (!freeSlots_.empty()) {
    uint32_t s = freeSlots_.back();
    freeSlots_.pop_back();
    return s;
  }
  if (arts_.size() >= kMaxHandleSlots) return Art::kNone;
  arts_.emplace_back();
  return static_cast<uint32_t>(arts_.size() - 1);
}

void Document::freeSlot(uint32_t slot) {
  Art& a = arts_[slot];
  uint8_t generation = static_cast<uint8_t>(a.generation + 1);
  a = Art{};
  a.generation = generation;
  freeSlots_.push_back(slot);
}

void Document::link(uint32_t slot, uint32_t below, uint32_t above) {
  Art& a = arts_[slot];
  a.below = below;
  a.above = above;
  if (below == Art::kNone) bottom_ = slot; else arts_[below].above = slot;
  if (above == Art::kNone) top_ = slot; else arts_[above].below = slot;
}

void Document::unlink(uint32_t slot) {
  Art& a = arts_[slot];
  if (a.below == Art::kNone) bottom_ = a.above; else arts_[a.below].above = a.above;
  if (a.above == Art::kNone) top_ = a.below; else arts_[a.above].below = a.below;
  a.below = a.above = Art::kNone;
}

HostErr Document::place(uint32_t slot, int16_t paintOrder, HostArt reference) {
  switch (paintOrder) {
    case kPlaceAboveAll:
      link(slot, top_, Art::kNone);
      return kHostNoErr;
    case kPlaceBelowAll:
      link(slot, Art::kNone, bottom_);
      return kHostNoErr;
    case kPlaceAbove:
    case kPlaceBelow: {
      int32_t ref = slotOf(reference);
      if (ref < 0) return kHostBadHandleErr;
      if (paintOrder == kPlaceAbove) link(slot, static_cast<uint32_t>(ref), arts_[ref].above);
      else link(slot, arts_[ref].below, static_cast<uint32_t>(ref));
      return kHostNoErr;
    }
    default:
      return kHostBadParameterErr;
  }
}

HostErr Document::newArt(int16_t kind, int16_t paintOrder, HostArt reference, HostArt* art) {
  if (!art) return kHostBadParameterErr;
  if (kind != kHostArtPath) return kHostBadParameterErr;
  if (paintOrder != kPlaceAboveAll && paintOrder != kPlaceBelowAll && slotOf(reference) < 0)
    return paintOrder == kPlaceAbove || paintOrder == kPlaceBelow ? kHostBadHandleErr : kHostBadParameterErr;
  uint32_t slot = allocateSlot();
  if (slot == Art::kNone) return kHostOutOfMemoryErr;
  Art& a = arts_[slot];
  a.alive = true;
  a.style = options_.newPathStyle;
  a.lastCall = callNumber_;
  place(slot, paintOrder, reference);
  ++liveCount_;
  logChange(slot);
  if (callOpen_) journal_.push_back({JournalEntry::Kind::Created, slot, 0});
  else forgetSteps();
  *art = handleOf(slot);
  return kHostNoErr;
}

HostErr Document::duplicateArt(HostArt source, int16_t paintOrder, HostArt reference, HostArt* copy) {
  if (!copy) return kHostBadParameterErr;
  int32_t src = slotOf(source);
  if (src < 0) return kHostBadHandleErr;
  HostArt made = nullptr;
  if (HostErr e = newArt(kHostArtPath, paintOrder, reference, &made)) return e;
  uint32_t slot = static_cast<uint32_t>(slotOf(made));
  Art& a = arts_[slot];
  const Art& s = arts_[src];  // arts_ may have grown: take the reference afterwards
  a.closed = s.closed;
  a.artStyle = s.artStyle;
  a.opacity = s.opacity;
  a.style = s.style;
  a.segments = s.segments;
  *copy = made;
  return kHostNoErr;
}

HostErr Document::disposeArt(HostArt art) {
  int32_t s = slotOf(art);
  if (s < 0) return kHostBadHandleErr;
  uint32_t slot = static_cast<uint32_t>(s);
  logChange(slot);
  if (callOpen_) {
    // Keep the slot reserved until the call ends, so undo can bring the art back in place.
    snapshots_.push_back({arts_[slot], arts_[slot].below, arts_[slot].above});
    journal_.push_back({JournalEntry::Kind::Disposed, slot, static_cast<uint32_t>(snapshots_.size() - 1)});
    unlink(slot);
    arts_[slot].alive = false;
  } else {
    forgetSteps();
    unlink(slot);
    freeSlot(slot);
  }
  --liveCount_;
  return kHostNoErr;
}

void Document::beginCall() {
  callOpen_ = true;
  ++callNumber_;
  journal_.clear();
  snapshots_.clear();
}

void Document::endCall() {
  callOpen_ = false;
  // Only a step made by the call just before can be joined.
  const bool join = joinNext_ && stepIsLastCall_;
  joinNext_ = false;
  stepIsLastCall_ = !journal_.empty();
  // A call that changed nothing leaves Undo and Redo as they were.
  if (journal_.empty()) return;
  if (!join) {
    forgetSteps();
    undoStep_.journal = std::move(journal_);
    undoStep_.snapshots = std::move(snapshots_);
  } else {
    Step undo = std::move(undoStep_);
    forgetSteps();  // the redo step, now out of date
    const auto base = static_cast<uint32_t>(undo.snapshots.size());
    for (JournalEntry e : journal_) {
      if (e.kind != JournalEntry::Kind::Created) e.snapshot += base;
      undo.journal.push_back(e);
    }
    std::move(snapshots_.begin(), snapshots_.end(), std::back_inserter(undo.snapshots));
    undoStep_ = std::move(undo);
  }
  // Slots of arts disposed in the step stay reserved while Undo may bring them back.
  journal_.clear();
  snapshots_.clear();
}

void Document::restoreContents(uint32_t slot, Art&& old) {
  Art& a = arts_[slot];
  uint32_t below = a.below, above = a.above;
  uint8_t generation = a.generation;
  a = std::move(old);
  a.below = below;
  a.above = above;
  a.generation = generation;
}

HostErr Document::undoCall() {
  if (!callOpen_) return kHostNotInCallErr;
  for (auto it = journal_.rbegin(); it != journal_.rend(); ++it) {
    logChange(it->slot);
    switch (it->kind) {
      case JournalEntry::Kind::Created:
        unlink(it->slot);
        freeSlot(it->slot);
        --liveCount_;
        break;
      case JournalEntry::Kind::Changed:
        restoreContents(it->slot, std::move(snapshots_[it->snapshot].art));
        break;
      case JournalEntry::Kind::Disposed: {
        Snapshot& snap = snapshots_[it->snapshot];
        arts_[it->slot] = std::move(snap.art);
        arts_[it->slot].alive = true;
        link(it->slot, snap.below, snap.above);
        ++liveCount_;
        break;
      }
    }
  }
  journal_.clear();
  snapshots_.clear();
  // Arts restored from snapshots may be changed again in this call and must be saved again.
  ++callNumber_;
  return kHostNoErr;
}

Document::Step Document::revert(Step&& step) {
  Step inverse;
  for (auto it = step.journal.rbegin(); it != step.journal.rend(); ++it) {
    const uint32_t slot = it->slot;
    Art& a = arts_[slot];
    logChange(slot);
    switch (it->kind) {
      case JournalEntry::Kind::Created: {
        // The art goes, and its slot stays reserved for the redo.
        uint32_t below = a.below, above = a.above;
        unlink(slot);
        inverse.snapshots.push_back({std::move(a), below, above});
        a.alive = false;
        inverse.journal.push_back({JournalEntry::Kind::Disposed, slot, uint32_t(inverse.snapshots.size() - 1)});
        --liveCount_;
        break;
      }
      case JournalEntry::Kind::Changed: {
        inverse.snapshots.push_back({a, Art::kNone, Art::kNone});
        inverse.journal.push_back({JournalEntry::Kind::Changed, slot, uint32_t(inverse.snapshots.size() - 1)});
        restoreContents(slot, std::move(step.snapshots[it->snapshot].art));
        break;
      }
      case JournalEntry::Kind::Disposed: {
        Snapshot& snap = step.snapshots[it->snapshot];
        a = std::move(snap.art);
        a.alive = true;
        link(slot, snap.below, snap.above);
        ++liveCount_;
        inverse.journal.push_back({JournalEntry::Kind::Created, slot, 0});
        break;
      }
    }
  }
  // The inverse is journalled in the order its changes were made, as a call's journal is.
  return inverse;
}

HostErr Document::undo() {
  if (!canUndo()) return kHostBadParameterErr;
  redoStep_ = revert(std::move(undoStep_));
  undoStep_ = Step{};
  stepIsLastCall_ = false;
  return kHostNoErr;
}

HostErr Document::redo() {
  if (!canRedo()) return kHostBadParameterErr;
  undoStep_ = revert(std::move(redoStep_));
  redoStep_ = Step{};
  stepIsLastCall_ = false;
  return kHostNoErr;
}

void Document::forgetSteps() {
  for (Step* step : {&undoStep_, &redoStep_}) {
    for (const JournalEntry& e : step->journal)
      if (e.kind == JournalEntry::Kind::Disposed && !arts_[e.slot].alive) freeSlot(e.slot);
    step->journal.clear();
    step->snapshots.clear();
  }
}

void Document::logChange(uint32_t slot) {
  // A design of millions of arts would keep a log as large as itself: past this, a viewer that
  // far behind is given every art again.
  constexpr size_t kMaxLog = size_t(1) << 22;
  if (log_.size() >= kMaxLog) {
    logStart_ += log_.size();
    log_.clear();
  }
  log_.push_back(slot);
}

bool Document::changedSince(uint64_t since, std::vector<uint32_t>* slots) const {
  slots->clear();
  if (since < logStart_ || since > revision()) return false;
  slots->assign(log_.begin() + static_cast<std::ptrdiff_t>(since - logStart_), log_.end());
  std::sort(slots->begin(), slots->end());
  slots->erase(std::unique(slots->begin(), slots->end()), slots->end());
  return true;
}

HostErr Document::setViewZoom(float zoom) {
  if (!(zoom > 0.0f) || !std::isfinite(zoom)) return kHostBadParameterErr;
  viewZoom_ = zoom;
  return kHostNoErr;
}

HostRealPoint Document::viewToArtwork(HostViewPoint p) const {
  float dx = static_cast<float>(p.h - options_.viewWidth / 2) / viewZoom_;
  float dy = static_cast<float>(p.v - options_.viewHeight / 2) / viewZoom_;
  return {viewCentre_.h + dx, viewCentre_.v - dy};
}

HostViewPoint Document::artworkToView(HostRealPoint p) const {
  double h = (static_cast<double>(p.h) - viewCentre_.h) * viewZoom_ + options_.viewWidth / 2;
  double v = (viewCentre_.v - static_cast<double>(p.v)) * viewZoom_ + options_.viewHeight / 2;
  return {static_cast<int32_t>(std::lround(h)), static_cast<int32_t>(std::lround(v))};
}

}  // namespace flhost
