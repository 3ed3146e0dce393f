#include "document.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>

#include "art_suite.h"
#include "color.h"
#include "document_suite.h"
#include "geometry.h"
#include "handles.h"
#include "path_suite.h"

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
  int32_t kind = model == kDocumentCMYKModel   ? kHostColorFour
                 : model == kDocumentGreyModel ? kHostColorGrey
                                               : kHostColorThree;
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
      {"Red", 0.93f, 0.11f, 0.14f},      {"Orange", 0.97f, 0.58f, 0.11f}, {"Yellow", 1.0f, 0.95f, 0.0f},
      {"Lime", 0.55f, 0.78f, 0.25f},     {"Green", 0.0f, 0.65f, 0.32f},   {"Teal", 0.0f, 0.59f, 0.58f},
      {"Cyan", 0.0f, 0.68f, 0.94f},      {"Sky", 0.43f, 0.76f, 0.91f},    {"Blue", 0.18f, 0.19f, 0.57f},
      {"Violet", 0.40f, 0.18f, 0.57f},   {"Purple", 0.57f, 0.15f, 0.56f}, {"Magenta", 0.93f, 0.0f, 0.55f},
      {"Rose", 0.96f, 0.60f, 0.76f},     {"Brown", 0.55f, 0.38f, 0.24f},  {"Tan", 0.78f, 0.65f, 0.47f},
      {"Olive", 0.50f, 0.50f, 0.0f},     {"Navy", 0.0f, 0.0f, 0.50f},     {"Maroon", 0.50f, 0.0f, 0.0f},
      {"Gold", 0.85f, 0.65f, 0.13f},     {"Silver", 0.75f, 0.75f, 0.75f}, {"Grey 50%", 0.5f, 0.5f, 0.5f},
      {"Grey 25%", 0.75f, 0.75f, 0.75f}, {"Coral", 1.0f, 0.50f, 0.31f},   {"Mint", 0.60f, 1.0f, 0.60f},
  };
  for (const Named& c : colours) s.push_back({c.name, inModel(model, c.r, c.g, c.b)});
  return s;
}

HostPathStyle defaultNewPathStyle(int16_t model) {
  HostPathStyle st{};
  st.fillPaint = 1;
  st.strokePaint = 1;
  st.fillColor = model == kDocumentCMYKModel   ? fourColor(0, 0, 0, 0)
                 : model == kDocumentGreyModel ? greyColor(0)
                                               : threeColor(1, 1, 1);
  st.strokeColor = model == kDocumentCMYKModel   ? fourColor(0, 0, 0, 1)
                   : model == kDocumentGreyModel ? greyColor(1)
                                                 : threeColor(0, 0, 0);
  st.strokeWidth = 1.0f;
  st.stroke.miterLimit = 4.0f;
  return st;
}

std::vector<NamedArtStyle> defaultArtStyles() {
  auto make = [](const char* name, HostColor fill, bool fillPaint, HostColor stroke, bool strokePaint, float width,
                 float opacity) {
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

// ---- Style table --------------------------------------------------------------------------------

namespace {

uint64_t hashOf(const HostPathStyle& style) {
  // FNV-1a over the record's words: every byte counts, so styles equal here are equal whole.
  static_assert(sizeof(HostPathStyle) % 4 == 0);
  uint32_t words[sizeof(HostPathStyle) / 4];
  std::memcpy(words, &style, sizeof style);
  uint64_t h = 1469598103934665603ull;
  for (uint32_t w : words) h = (h ^ w) * 1099511628211ull;
  return h;
}

bool sameStyle(const HostPathStyle& a, const HostPathStyle& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

uint32_t StyleTable::acquire(const HostPathStyle& style) {
  if (last_ != kNone && uses_[last_] > 0 && sameStyle(styles_[last_], style)) {
    ++uses_[last_];
    return last_;
  }
  uint64_t h = hashOf(style);
  auto [from, to] = byHash_.equal_range(h);
  for (auto it = from; it != to; ++it)
    if (sameStyle(styles_[it->second], style)) {
      ++uses_[it->second];
      return last_ = it->second;
    }
  uint32_t index;
  if (!free_.empty()) {
    index = free_.back();
    free_.pop_back();
    styles_[index] = style;
  } else {
    index = static_cast<uint32_t>(styles_.size());
    styles_.push_back(style);
    uses_.push_back(0);
  }
  byHash_.emplace(h, index);
  uses_[index] = 1;
  return last_ = index;
}

void StyleTable::release(uint32_t index) {
  if (--uses_[index] > 0) return;
  auto [from, to] = byHash_.equal_range(hashOf(styles_[index]));
  for (auto it = from; it != to; ++it)
    if (it->second == index) {
      byHash_.erase(it);
      break;
    }
  free_.push_back(index);
}

// ---- Segment store ------------------------------------------------------------------------------

SegmentStore::SegmentStore(const SegmentStore& other) : used_(other.used_), free_(other.free_) {
  chunks_.reserve(other.chunks_.size());
  for (const auto& c : other.chunks_) {
    chunks_.push_back(std::make_unique<HostPathSegment[]>(size_t{1} << kShift));
    std::copy(c.get(), c.get() + (size_t{1} << kShift), chunks_.back().get());
  }
}

SegmentStore& SegmentStore::operator=(const SegmentStore& other) {
  if (this != &other) *this = SegmentStore(other);
  return *this;
}

uint32_t SegmentStore::allocate(uint16_t capacity) {
  if (capacity == 0) return 0;
  if (capacity < free_.size() && !free_[capacity].empty()) {
    uint32_t first = free_[capacity].back();
    free_[capacity].pop_back();
    return first;
  }
  if (used_ + capacity > (1u << kShift)) {
    // The rest of the last chunk serves a later range of its size.
    uint32_t rest = (1u << kShift) - used_;
    if (rest > 0 && !chunks_.empty() && rest <= kHostMaxPathSegments)
      release(static_cast<uint32_t>((chunks_.size() - 1) << kShift) + used_, static_cast<uint16_t>(rest));
    if (chunks_.size() >= (size_t{1} << (32 - kShift))) throw std::bad_alloc();
    chunks_.push_back(std::make_unique_for_overwrite<HostPathSegment[]>(size_t{1} << kShift));
    used_ = 0;
  }
  uint32_t first = static_cast<uint32_t>((chunks_.size() - 1) << kShift) + used_;
  used_ += capacity;
  return first;
}

void SegmentStore::release(uint32_t first, uint16_t capacity) {
  if (capacity == 0) return;
  if (capacity >= free_.size()) free_.resize(capacity + 1u);
  free_[capacity].push_back(first);
}

namespace {

// Room for count segments: exact for the short paths most arts are, doubling beyond, so a path
// grown one segment at a time is copied O(log n) times.
uint16_t capacityFor(size_t count) {
  if (count <= 16) return static_cast<uint16_t>(count);
  size_t c = 32;
  while (c < count) c *= 2;
  return static_cast<uint16_t>(std::min<size_t>(c, kHostMaxPathSegments));
}

}  // namespace

// ---- Document -----------------------------------------------------------------------------------

Document::Document(DocumentOptions options, uint64_t firstRevision)
    : options_(std::move(options)), logStart_(firstRevision) {
  viewCentre_ = {options_.pageWidth * 0.5f, options_.pageHeight * 0.5f};
  HostPathStyle paint = options_.newPathStyle;
  paint.strokeWidth = 0.0f;
  newPathStyle_ = styles_.acquire(paint);  // held for the document's life
}

HostArt Document::handleOf(uint32_t slot) const {
  return encodeHandle<HostArt>(slot, records_[slot].generation, kSaltArt);
}

int32_t Document::slotOf(HostArt art) const {
  auto bits = decodeHandle(art, kSaltArt);
  if (!bits || bits->index >= records_.size()) return -1;
  const Record& r = records_[bits->index];
  if (!(r.flags & kAlive) || r.generation != bits->generation) return -1;
  return static_cast<int32_t>(bits->index);
}

namespace {

// The axes (1 across, 2 up) along which every curve's handles lie between its anchors (all
// anchors finite): the curves' extent there is the anchors' extremes, and it stays so under any
// matrix that keeps the axes, since it moves each coordinate by itself, in order.
uint8_t axesWithHandlesWithinAnchors(std::span<const HostPathSegment> segments, bool closed) {
  if (segments.empty()) return 0;
  auto within = [](float a, float h1, float h2, float b) {
    return std::isfinite(h1) && std::isfinite(h2) && std::min(a, b) <= std::min(h1, h2) &&
           std::max(h1, h2) <= std::max(a, b);
  };
  const size_t n = segments.size();
  for (const HostPathSegment& s : segments)
    if (!std::isfinite(s.p.h) || !std::isfinite(s.p.v)) return 0;
  bool across = true, up = true;
  for (size_t i = 0; i < (closed ? n : n - 1) && (across || up); ++i) {
    const HostPathSegment& a = segments[i];
    const HostPathSegment& b = segments[(i + 1) % n];
    across = across && within(a.p.h, a.out.h, b.in.h, b.p.h);
    up = up && within(a.p.v, a.out.v, b.in.v, b.p.v);
  }
  return static_cast<uint8_t>((across ? 1 : 0) | (up ? 2 : 0));
}

// The axes along which a coordinate of the two runs of segments differs, bit for bit.
uint8_t axesChanged(const HostPathSegment& a, const HostPathSegment& b) {
  auto differs = [](float x, float y) { return std::bit_cast<uint32_t>(x) != std::bit_cast<uint32_t>(y); };
  const bool across = differs(a.p.h, b.p.h) || differs(a.in.h, b.in.h) || differs(a.out.h, b.out.h);
  const bool up = differs(a.p.v, b.p.v) || differs(a.in.v, b.in.v) || differs(a.out.v, b.out.v);
  return static_cast<uint8_t>((across ? 1 : 0) | (up ? 2 : 0));
}

}  // namespace

std::span<const HostPathSegment> Document::segmentsOf(const Record& r) const {
  if (r.count == 0) return {};
  return {segments_.at(r.first), r.count};
}

const HostRealRect& Document::boundsOf(const Record& r) const {
  if (r.boundsStale) {
    std::span<const HostPathSegment> segments = segmentsOf(r);
    const bool closed = (r.flags & kClosed) != 0;
    if (r.boundsStale & kAlongH) {
      const Extent e = pathExtent(segments, closed, Axis::Horizontal);
      r.bounds.left = e.lo;
      r.bounds.right = e.hi;
    }
    if (r.boundsStale & kAlongV) {
      const Extent e = pathExtent(segments, closed, Axis::Vertical);
      r.bounds.bottom = e.lo;
      r.bounds.top = e.hi;
    }
    r.boundsAtAnchors = static_cast<uint8_t>((r.boundsAtAnchors & ~r.boundsStale) |
                                             (axesWithHandlesWithinAnchors(segments, closed) & r.boundsStale));
    r.boundsStale = 0;
  }
  return r.bounds;
}

ArtView Document::viewOf(uint32_t slot) const {
  const Record& r = records_[slot];
  ArtView view{segmentsOf(r), styles_[r.style], boundsOf(r), r.opacity, r.artStyle, (r.flags & kClosed) != 0};
  view.style.strokeWidth = r.strokeWidth;
  return view;
}

std::optional<ArtView> Document::find(HostArt art) const {
  int32_t s = slotOf(art);
  if (s < 0) return std::nullopt;
  return viewOf(static_cast<uint32_t>(s));
}

std::optional<HostRealRect> Document::bounds(HostArt art) const {
  int32_t s = slotOf(art);
  if (s < 0) return std::nullopt;
  return boundsOf(records_[static_cast<uint32_t>(s)]);
}

std::optional<std::span<const HostPathSegment>> Document::segments(HostArt art) const {
  int32_t s = slotOf(art);
  if (s < 0) return std::nullopt;
  return segmentsOf(records_[static_cast<uint32_t>(s)]);
}

const std::string* Document::artStyleName(const ArtView& art) const {
  if (art.artStyle < 0 || static_cast<size_t>(art.artStyle) >= options_.artStyles.size()) return nullptr;
  return &options_.artStyles[art.artStyle].name;
}

Document::Record* Document::modify(HostArt art) {
  int32_t s = slotOf(art);
  if (s < 0) return nullptr;
  return &modifySlot(static_cast<uint32_t>(s));
}

Document::Record& Document::modifySlot(uint32_t s) {
  logChange(s);
  if (!callOpen_) forgetSteps();
  Record& r = records_[s];
  // An art made or already saved in this call needs no (further) snapshot: undo frees or
  // restores it whole.
  if (callOpen_ && r.lastCall != callNumber_) {
    // Segments still shared with the kept step's snapshot: the art takes a copy of its own, so
    // that each range has one owner whichever of the two is dropped first.
    if (r.flags & kShared) writableSegments(r, r.count);
    // Room first: once the snapshot is taken nothing may fail.
    call_.journal.reserveOne();
    call_.changed.push_back(r);
    styles_.retain(r.style);
    if (r.capacity > 0) r.flags |= kShared;
    call_.journal.push_back(static_cast<uint32_t>(s) | static_cast<uint32_t>(Change::Changed));
    r.lastCall = callNumber_;
  }
  return r;
}

HostPathSegment* Document::writableSegments(Record& r, size_t count) {
  const size_t keep = std::min<size_t>(r.count, count);
  const bool shared = (r.flags & kShared) != 0;
  if (shared || count > r.capacity) {
    uint16_t capacity = capacityFor(count);
    uint32_t first = segments_.allocate(capacity);
    if (keep > 0) std::memcpy(segments_.at(first), segments_.at(r.first), keep * sizeof(HostPathSegment));
    if (!shared) segments_.release(r.first, r.capacity);
    r.first = first;
    r.capacity = capacity;
    r.flags &= ~kShared;
  }
  HostPathSegment* s = count > 0 ? segments_.at(r.first) : nullptr;
  for (size_t i = keep; i < count; ++i) s[i] = HostPathSegment{};
  r.count = static_cast<uint16_t>(count);
  r.boundsStale = kAlongBoth;
  return s;
}

void Document::setStyle(Record& r, const HostPathStyle& style) {
  HostPathStyle paint = style;
  paint.strokeWidth = 0.0f;
  uint32_t index = styles_.acquire(paint);
  styles_.release(r.style);
  r.style = index;
  r.strokeWidth = style.strokeWidth;
}

HostErr Document::setSegmentCount(HostArt art, size_t count) {
  if (count > kHostMaxPathSegments) return kHostTooManyPointsErr;
  Record* r = modify(art);
  if (!r) return kHostBadHandleErr;
  writableSegments(*r, count);
  return kHostNoErr;
}

HostErr Document::setSegments(HostArt art, size_t index, std::span<const HostPathSegment> segments) {
  if (index > kHostMaxPathSegments || segments.size() > kHostMaxPathSegments - index) return kHostTooManyPointsErr;
  Record* r = modify(art);
  if (!r) return kHostBadHandleErr;
  HostPathSegment* s = writableSegments(*r, std::max<size_t>(r->count, index + segments.size()));
  if (!segments.empty()) std::memcpy(s + index, segments.data(), segments.size_bytes());
  return kHostNoErr;
}

HostErr Document::setClosed(HostArt art, bool closed) {
  Record* r = modify(art);
  if (!r) return kHostBadHandleErr;
  if (closed != ((r->flags & kClosed) != 0)) r->boundsStale = kAlongBoth;
  r->flags = closed ? (r->flags | kClosed) : (r->flags & ~kClosed);
  return kHostNoErr;
}

HostErr Document::setStyle(HostArt art, const HostPathStyle& style) {
  Record* r = modify(art);
  if (!r) return kHostBadHandleErr;
  setStyle(*r, style);
  return kHostNoErr;
}

HostErr Document::setOpacity(HostArt art, float opacity) {
  Record* r = modify(art);
  if (!r) return kHostBadHandleErr;
  r->opacity = opacity;
  return kHostNoErr;
}

HostErr Document::applyArtStyle(HostArt art, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= options_.artStyles.size()) return kHostBadParameterErr;
  Record* r = modify(art);
  if (!r) return kHostBadHandleErr;
  const NamedArtStyle& named = options_.artStyles[static_cast<size_t>(index)];
  setStyle(*r, named.style);
  r->opacity = named.opacity;
  r->artStyle = index;
  return kHostNoErr;
}

HostErr Document::transform(HostArt art, const HostMatrix& m, bool movePoints, std::optional<float> lineScale) {
  const int32_t slot = slotOf(art);
  if (slot < 0) return kHostBadHandleErr;
  const Record& current = records_[static_cast<uint32_t>(slot)];
  // A finite matrix can still carry a point past the largest float: such a move is refused and
  // the art stays as it was. The points are moved into a buffer of their own and checked there.
  uint8_t moved = 0;  // the axes along which some coordinate changed
  if (movePoints) {
    moved_.resize(current.count);
    const HostPathSegment* from = current.count > 0 ? segments_.at(current.first) : nullptr;
    bool finite = true;
    for (size_t i = 0; i < current.count; ++i) {
      HostPathSegment& to = moved_[i];
      to = from[i];
      to.p = apply(m, from[i].p);
      to.in = apply(m, from[i].in);
      to.out = apply(m, from[i].out);
      finite = finite && isFinite(to.p) && isFinite(to.in) && isFinite(to.out);
      moved |= axesChanged(from[i], to);
    }
    if (!finite) return kHostBadParameterErr;
  }
  if (lineScale && !std::isfinite(current.strokeWidth * *lineScale)) return kHostBadParameterErr;

  Record& r = modifySlot(static_cast<uint32_t>(slot));
  if (moved) {
    const uint8_t stale = r.boundsStale, atAnchors = r.boundsAtAnchors;
    const HostRealRect old = r.bounds;
    HostPathSegment* s = writableSegments(r, r.count);
    std::copy(moved_.begin(), moved_.end(), s);
    // An axis along which nothing moved keeps its extent. One that moved keeps it too when its
    // extremes are anchors and the matrix keeps the axes: each coordinate is then moved on its
    // own, by a rounding that keeps its order, so the extreme anchors stay the extreme ones.
    r.boundsStale = stale | moved;
    const bool keepAxes = m.b == 0 && m.c == 0;
    const uint8_t carried = keepAxes ? static_cast<uint8_t>(moved & ~stale & atAnchors) : 0;
    if (carried) {
      const HostRealPoint a = apply(m, {old.left, old.bottom}), b = apply(m, {old.right, old.top});
      if ((carried & kAlongH) && std::isfinite(a.h) && std::isfinite(b.h)) {
        r.bounds.left = std::min(a.h, b.h);
        r.bounds.right = std::max(a.h, b.h);
        r.boundsStale &= ~kAlongH;
      }
      if ((carried & kAlongV) && std::isfinite(a.v) && std::isfinite(b.v)) {
        r.bounds.bottom = std::min(a.v, b.v);
        r.bounds.top = std::max(a.v, b.v);
        r.boundsStale &= ~kAlongV;
      }
    }
  }
  if (lineScale) r.strokeWidth = r.strokeWidth * *lineScale;
  return kHostNoErr;
}

uint32_t Document::allocateSlot() {
  if (const auto reused = freeSlots_.reuse()) return *reused;
  if (records_.size() >= kMaxHandleSlots) return kNone;
  records_.push_back(Record{});
  return static_cast<uint32_t>(records_.size() - 1);
}

void Document::freeSlot(uint32_t slot) {
  Record& r = records_[slot];
  styles_.release(r.style);
  if (!(r.flags & kShared)) segments_.release(r.first, r.capacity);
  uint8_t generation = static_cast<uint8_t>(r.generation + 1);
  r = Record{};
  r.generation = generation;
  freeSlots_.release(slot);
}

void Document::link(uint32_t slot, uint32_t below, uint32_t above) {
  Record& r = records_[slot];
  r.below = below;
  r.above = above;
  if (below == kNone)
    bottom_ = slot;
  else
    records_[below].above = slot;
  if (above == kNone)
    top_ = slot;
  else
    records_[above].below = slot;
}

void Document::unlink(uint32_t slot) {
  Record& r = records_[slot];
  if (r.below == kNone)
    bottom_ = r.above;
  else
    records_[r.below].above = r.above;
  if (r.above == kNone)
    top_ = r.below;
  else
    records_[r.above].below = r.below;
  r.below = r.above = kNone;
}

HostErr Document::place(uint32_t slot, int16_t paintOrder, HostArt reference) {
  // clang-format off
  switch (paintOrder) {
    case kPlaceAboveAll: link(slot, top_, kNone); return kHostNoErr;
    case kPlaceBelowAll: link(slot, kNone, bottom_); return kHostNoErr;
    case kPlaceAbove:
    case kPlaceBelow: {
      int32_t ref = slotOf(reference);
      if (ref < 0) return kHostBadHandleErr;
      if (paintOrder == kPlaceAbove)
        link(slot, static_cast<uint32_t>(ref), records_[ref].above);
      else
        link(slot, records_[ref].below, static_cast<uint32_t>(ref));
      return kHostNoErr;
    }
    default: return kHostBadParameterErr;
  }
  // clang-format on
}

HostErr Document::newArt(int16_t kind, int16_t paintOrder, HostArt reference, HostArt* art) {
  if (!art) return kHostBadParameterErr;
  if (kind != kHostArtPath) return kHostBadParameterErr;
  const bool relative = paintOrder == kPlaceAbove || paintOrder == kPlaceBelow;
  if (!relative && paintOrder != kPlaceAboveAll && paintOrder != kPlaceBelowAll) return kHostBadParameterErr;
  if (relative && slotOf(reference) < 0) return kHostBadHandleErr;
  if (callOpen_) call_.journal.reserveOne();  // room first: once the art is placed nothing may fail
  uint32_t slot = allocateSlot();
  if (slot == kNone) return kHostOutOfMemoryErr;
  Record& r = records_[slot];
  r.flags = kAlive;
  r.style = newPathStyle_;
  r.strokeWidth = options_.newPathStyle.strokeWidth;
  r.opacity = options_.newPathOpacity;
  styles_.retain(newPathStyle_);
  r.lastCall = callNumber_;
  place(slot, paintOrder, reference);
  ++liveCount_;
  logChange(slot);
  if (callOpen_)
    call_.journal.push_back(slot | static_cast<uint32_t>(Change::Created));
  else
    forgetSteps();
  *art = handleOf(slot);
  return kHostNoErr;
}

HostErr Document::duplicateArt(HostArt source, int16_t paintOrder, HostArt reference, HostArt* copy) {
  if (!copy) return kHostBadParameterErr;
  int32_t src = slotOf(source);
  if (src < 0) return kHostBadHandleErr;
  HostArt made = nullptr;
  if (HostErr e = newArt(kHostArtPath, paintOrder, reference, &made)) return e;
  Record& r = records_[static_cast<uint32_t>(slotOf(made))];
  const Record& s = records_[static_cast<uint32_t>(src)];
  r.flags = static_cast<uint8_t>(kAlive | (s.flags & kClosed));
  r.artStyle = s.artStyle;
  r.opacity = s.opacity;
  styles_.retain(s.style);
  styles_.release(r.style);
  r.style = s.style;
  r.strokeWidth = s.strokeWidth;
  HostPathSegment* to = writableSegments(r, s.count);
  if (s.count > 0) std::memcpy(to, segments_.at(s.first), s.count * sizeof(HostPathSegment));
  r.bounds = s.bounds;
  r.boundsStale = s.boundsStale;
  r.boundsAtAnchors = s.boundsAtAnchors;
  *copy = made;
  return kHostNoErr;
}

HostErr Document::disposeArt(HostArt art) {
  int32_t s = slotOf(art);
  if (s < 0) return kHostBadHandleErr;
  uint32_t slot = static_cast<uint32_t>(s);
  logChange(slot);
  if (callOpen_) {
    // Keep the slot reserved while undo can bring the art back in place.
    call_.journal.reserveOne();
    call_.disposed.push_back({records_[slot].below, records_[slot].above});
    call_.journal.push_back(slot | static_cast<uint32_t>(Change::Disposed));
    unlink(slot);
    records_[slot].flags &= ~kAlive;
  } else {
    forgetSteps();
    unlink(slot);
    freeSlot(slot);
  }
  --liveCount_;
  return kHostNoErr;
}

namespace {
constexpr uint32_t kSlotBits = 0x00FFFFFFu;
constexpr uint32_t kChangeBits = 0xC0000000u;
}  // namespace

void Document::dropSnapshot(uint32_t slot, const Record& snapshot) {
  styles_.release(snapshot.style);
  if (snapshot.capacity == 0 || (snapshot.flags & kShared)) return;
  // An owned range is garbage unless the art still names it, which then owns it.
  Record& r = records_[slot];
  if ((r.flags & kShared) && sharesRange(r, snapshot))
    r.flags &= ~kShared;
  else
    segments_.release(snapshot.first, snapshot.capacity);
}

void Document::forget(Step& step) {
  size_t changed = 0;
  for (size_t i = 0; i < step.journal.size(); ++i) {
    const uint32_t slot = step.journal[i] & kSlotBits;
    switch (static_cast<Change>(step.journal[i] & kChangeBits)) {
      case Change::Created:
        break;
      case Change::Changed:
        dropSnapshot(slot, step.changed[changed++]);
        break;
      case Change::Disposed:
        // Its slot can be reused now that nothing can bring the art back.
        freeSlot(slot);
        break;
    }
  }
  step.clear();
}

void Document::forgetSteps() {
  if (!undoStep_.journal.empty()) forget(undoStep_);
  if (!redoStep_.journal.empty()) forget(redoStep_);
  stepIsLastCall_ = false;
}

void Document::beginCall() {
  callOpen_ = true;
  ++callNumber_;
}

void Document::endCall() {
  callOpen_ = false;
  // Only a step made by the call just before can be joined.
  const bool join = joinNext_ && stepIsLastCall_;
  joinNext_ = false;
  // A call that changed nothing leaves Undo and Redo as they were.
  if (call_.journal.empty()) {
    stepIsLastCall_ = false;
    return;
  }
  if (join) {
    forget(redoStep_);  // out of date
    for (size_t i = 0; i < call_.journal.size(); ++i) undoStep_.journal.push_back(call_.journal[i]);
    undoStep_.changed.insert(undoStep_.changed.end(), call_.changed.begin(), call_.changed.end());
    undoStep_.disposed.insert(undoStep_.disposed.end(), call_.disposed.begin(), call_.disposed.end());
  } else {
    forgetSteps();
    undoStep_ = std::move(call_);
  }
  stepIsLastCall_ = true;
  call_.clear();
}

HostErr Document::undoCall() {
  if (!callOpen_) return kHostNotInCallErr;
  revert(call_, Inverse::Drop);
  // Arts restored from snapshots may be changed again in this call and must be saved again.
  ++callNumber_;
  return kHostNoErr;
}

Document::Step Document::revert(Step& step, Inverse what) {
  // Each change taken back gives the entry that would put it back: the inverse of a creation is
  // a disposal, and the other way round; a snapshot and the art trade places. Dropped, that entry
  // is forgotten at once, as forget would later.
  const bool keep = what == Inverse::Keep;
  Step inverse;
  size_t changed = step.changed.size(), disposed = step.disposed.size();
  for (size_t i = step.journal.size(); i-- > 0;) {
    const uint32_t slot = step.journal[i] & kSlotBits;
    Record& r = records_[slot];
    logChange(slot);
    switch (static_cast<Change>(step.journal[i] & kChangeBits)) {
      case Change::Created:
        // The art goes; kept, its slot stays reserved for the redo.
        if (keep) {
          inverse.disposed.push_back({r.below, r.above});
          inverse.journal.push_back(slot | static_cast<uint32_t>(Change::Disposed));
          r.flags &= ~kAlive;
        }
        unlink(slot);
        --liveCount_;
        if (!keep) freeSlot(slot);
        break;
      case Change::Changed: {
        // Style uses and segment ranges go with the records.
        Record now = r;
        const Record& old = step.changed[--changed];
        r = old;
        r.below = now.below;
        r.above = now.above;
        r.generation = now.generation;
        if (sharesRange(now, old)) {
          // The snapshot side keeps owning it.
          now.flags &= ~kShared;
          r.flags |= kShared;
        }
        if (keep) {
          inverse.changed.push_back(now);
          inverse.journal.push_back(slot | static_cast<uint32_t>(Change::Changed));
        } else {
          dropSnapshot(slot, now);
        }
        break;
      }
      case Change::Disposed: {
        const Neighbours& n = step.disposed[--disposed];
        r.flags |= kAlive;
        link(slot, n.below, n.above);
        ++liveCount_;
        if (keep) inverse.journal.push_back(slot | static_cast<uint32_t>(Change::Created));
        break;
      }
    }
  }
  step.clear();
  // The inverse is journalled in the order its changes were made, as a call's journal is.
  return inverse;
}

HostErr Document::undo() {
  if (!canUndo()) return kHostBadParameterErr;
  redoStep_ = revert(undoStep_, Inverse::Keep);
  stepIsLastCall_ = false;
  return kHostNoErr;
}

HostErr Document::redo() {
  if (!canRedo()) return kHostBadParameterErr;
  undoStep_ = revert(redoStep_, Inverse::Keep);
  stepIsLastCall_ = false;
  return kHostNoErr;
}

void Document::logChange(uint32_t slot) {
  // Inside a call an art is made and given its points and paint in a row: while nobody has read
  // the revision in between, those changes are one, and a design's log one entry an art.
  if (callOpen_ && !revisionRead_ && !log_.empty() && log_.back() == slot) return;
  revisionRead_ = false;
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
  // The log names a slot once for each change of it: marked, then collected in slot order, which
  // costs less than sorting a design's hundreds of thousands of entries.
  std::vector<bool> marked(records_.size());
  for (auto at = log_.begin() + static_cast<std::ptrdiff_t>(since - logStart_); at != log_.end(); ++at)
    marked[*at] = true;
  for (uint32_t slot = 0; slot < marked.size(); ++slot)
    if (marked[slot]) slots->push_back(slot);
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
