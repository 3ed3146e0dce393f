#include "variant_history.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "control_notes.h"
#include "dialog_actions.h"
#include "dialog/dialog_layout.h"
#include "param_file.h"
#include "params/burst_fields.h"
#include "text_format.h"

namespace fltools {

namespace {

using Kind = flhost::DialogAction::Kind;

// A field of the table, by a name the table holds.
const BurstField& tableField(std::string_view name) { return *fieldNamed(name); }

const unsigned char* bytesOf(const BurstParams& p, const BurstField& f) {
  return reinterpret_cast<const unsigned char*>(&p) + f.offset;
}

bool same(const BurstParams& a, const BurstParams& b, const BurstField& f) {
  return std::memcmp(bytesOf(a, f), bytesOf(b, f), 4) == 0;
}

// A field's value as its control takes it: a float spin edit the real, the others the number.
double valueOf(const BurstParams& p, const BurstField& f) {
  if (f.kind == FieldKind::Float) {
    float v;
    std::memcpy(&v, bytesOf(p, f), 4);
    return v;
  }
  int32_t v;
  std::memcpy(&v, bytesOf(p, f), 4);
  return v;
}

std::string valueText(const BurstParams& p, const BurstField& f) {
  return f.kind == FieldKind::Float ? floatText(static_cast<float>(valueOf(p, f)))
                                    : std::to_string(static_cast<int32_t>(valueOf(p, f)));
}

// Fields that are no part of a variant: the run state, the page shown, the view zoom and the
// dialog's saved place.
bool partOfVariant(const BurstField& f) {
  static constexpr std::string_view kNot[] = {"finalRun", "previewValid", "currentPage", "viewZoom",
                                              "dialogBoundsSaved"};
  return f.range != FieldRange::Unchecked && std::find(std::begin(kNot), std::end(kNot), f.name) == std::end(kNot);
}

// The control that edits field f and which member of a factor pair f is (0 per star, 1 per
// element); null for a field no control edits.
const fl::DialogItem* controlFor(const BurstField& f, int* member) {
  const fl::DialogItem* control = fl::controlOf(f.offset);
  if (control) *member = (f.offset - control->field) / 4;
  return control;
}

// Whether field f's control can give it the value it has in target: a float spin edit reads back
// only as many decimal places as it shows.
bool reachable(const flhost::ModalSession& s, const BurstField& f, const BurstParams& target) {
  int member = 0;
  const fl::DialogItem* control = controlFor(f, &member);
  const flhost::Item* item = control ? s.item(control->id) : nullptr;
  if (f.kind != FieldKind::Float || !item || item->kind != flhost::ItemKind::SpinEdit) return true;
  const float v = static_cast<float>(valueOf(target, f));
  const double scale = std::pow(10.0, item->decimals);
  return !std::isfinite(v) || static_cast<float>(std::round(static_cast<double>(v) * scale) / scale) == v;
}

// The fields of target that differ from the dialog's and that no control can give.
std::vector<const BurstField*> unreachable(const flhost::ModalSession& s, const BurstParams& target) {
  std::vector<const BurstField*> out;
  int member = 0;
  for (const BurstField& f : kBurstFields)
    if (controlFor(f, &member) && partOfVariant(f) && !same(liveRecord(s), target, f) && !reachable(s, f, target))
      out.push_back(&f);
  return out;
}

// Works the dialog as setFields needs it: each step is one control's value and its notifier.
class ControlSetter {
 public:
  explicit ControlSetter(flhost::ModalSession& s) : s_(s) {}

  const BurstParams& live() const { return liveRecord(s_); }

  bool put(int32_t id, double value) {
    if (!why_.empty()) return false;
    why_ = s_.putBack(id, value);
    return why_.empty();
  }

  // Sets field f's control to its value in target.
  bool set(const BurstField& f, const BurstParams& target) {
    int member = 0;
    const fl::DialogItem* control = controlFor(f, &member);
    return control && put(control->id, valueOf(target, f));
  }

  const std::string& why() const { return why_; }

 private:
  flhost::ModalSession& s_;
  std::string why_;
};

const BurstField& kPreviewField = tableField("preview");
const BurstField& kPresetField = tableField("preset");
const BurstField& kFactorModeField = tableField("factorMode");

// Sets the controls of every field `wanted` names whose value differs from target's: a factor
// pair's members through the factor-mode popup, the other member first, so the popup ends on
// `factorMode`. While the preview is on and there is anything to set, it is switched off first,
// so that no notifier draws; then `beforeDrawing` runs and the Preview check box is set to
// `previewAfter`, whose notifier draws (when on). With `redraw`, that last step is taken even when
// nothing differed.
std::string setFields(flhost::ModalSession& s, const BurstParams& target,
                      const std::function<bool(const BurstField&)>& wanted, int32_t factorMode, int32_t previewAfter,
                      bool redraw, const std::function<void()>& beforeDrawing) {
  ControlSetter set(s);
  std::vector<const BurstField*> plain, members[2];
  for (const BurstField& f : kBurstFields) {
    int member = 0;
    const fl::DialogItem* control = controlFor(f, &member);
    if (!control || !wanted(f) || same(set.live(), target, f)) continue;
    if (&f == &kPreviewField || &f == &kPresetField || &f == &kFactorModeField) continue;
    (control->factorPair ? members[member] : plain).push_back(&f);
  }
  const bool modeChanges = set.live().factorMode != factorMode;
  if (plain.empty() && members[0].empty() && members[1].empty() && !modeChanges && !redraw) return {};

  const bool previewWasOn = set.live().preview != 0;
  if (previewWasOn) set.put(fl::kPreviewItem, 0);
  for (int member : {1 - factorMode, factorMode}) {
    if (members[member].empty() && member != factorMode) continue;
    if (set.live().factorMode != member) set.put(fl::kFactorModeItem, member);
    for (const BurstField* f : members[member]) set.set(*f, target);
  }
  for (const BurstField* f : plain) set.set(*f, target);
  if (!set.why().empty()) return set.why();
  if (previewAfter != 0 || previewWasOn) {
    if (beforeDrawing) beforeDrawing();
    set.put(fl::kPreviewItem, previewAfter);
  }
  return set.why();
}

}  // namespace

uint64_t VariantHistory::add(Variant v) {
  v.id = next_++;
  current_ = v.id;
  variants_.push_back(std::move(v));
  while (variants_.size() > kMaxVariants) variants_.pop_front();
  return current_;
}

const Variant* VariantHistory::find(uint64_t id) const {
  // Ids grow with their place, so the place of an id is found by bisection.
  auto at = std::lower_bound(variants_.begin(), variants_.end(), id,
                             [](const Variant& v, uint64_t wanted) { return v.id < wanted; });
  return at != variants_.end() && at->id == id ? &*at : nullptr;
}

void VariantHistory::setLock(const std::string& field, bool lock) {
  auto at = std::lower_bound(locks_.begin(), locks_.end(), field);
  const bool held = at != locks_.end() && *at == field;
  if (lock && !held) locks_.insert(at, field);
  if (!lock && held) locks_.erase(at);
}

void VariantHistory::setLocks(std::vector<std::string> fields) {
  std::sort(fields.begin(), fields.end());
  fields.erase(std::unique(fields.begin(), fields.end()), fields.end());
  locks_ = std::move(fields);
}

bool VariantHistory::locked(const std::string& field) const {
  return std::binary_search(locks_.begin(), locks_.end(), field);
}

void VariantPictures::keep(uint64_t first, uint64_t last) {
  std::lock_guard lock(m_);
  first_ = first;
  last_ = last;
  pictures_.erase(pictures_.begin(), pictures_.lower_bound(first));
}

bool VariantPictures::put(uint64_t id, Picture picture) {
  std::lock_guard lock(m_);
  if (id < first_ || id > last_) return false;
  pictures_[id] = std::move(picture);
  return true;
}

std::optional<VariantPictures::Picture> VariantPictures::get(uint64_t id) const {
  std::lock_guard lock(m_);
  auto at = pictures_.find(id);
  if (at == pictures_.end()) return std::nullopt;
  return at->second;
}

bool VariantPictures::has(uint64_t id) const {
  std::lock_guard lock(m_);
  return pictures_.count(id) != 0;
}

std::string lockableField(int32_t id, int32_t factorMode) {
  if (id == fl::kPresetItem || id == fl::kFactorModeItem || id == fl::kZoomItem || id == fl::kPreviewItem) return {};
  return controlFieldName(id, factorMode);
}

std::string lockRefusal(std::string_view name) {
  const BurstField* field = fieldNamed(name);
  if (!field) return unknownFieldText(name);
  if (std::string why = notASetting(*field); !why.empty()) return why;
  int member = 0;
  const fl::DialogItem* control = controlFor(*field, &member);
  if (!control) return std::string(name) + " has no control in the dialog, and a lock sits beside a control";
  if (lockableField(control->id, member) != name)
    return std::string(name) + " has no lock: the preset popup, the factor popup, the view zoom and Preview have none";
  return {};
}

bool pressesTumbleOrShuffle(const flhost::DialogAction& action) {
  return action.kind == Kind::Press && (action.id == fl::kTumble || action.id == fl::kShuffle);
}

std::string describeChange(const BurstParams& before, const BurstParams& after) {
  std::vector<std::string> changes;
  for (const BurstField& f : kBurstFields)
    if (partOfVariant(f) && !same(before, after, f))
      changes.push_back(std::string(f.name) + " " + valueText(before, f) + " \u2192 " + valueText(after, f));
  std::string text;
  for (size_t i = 0; i < changes.size() && i < 2; ++i) text += (i ? ", " : "") + changes[i];
  if (changes.size() > 2) text += " and " + std::to_string(changes.size() - 2) + " more";
  return text;
}

std::string variantLabel(const flhost::ModalSession& s, const flhost::DialogAction& action, const BurstParams& before,
                         const BurstParams& after) {
  const flhost::Item* item = s.item(action.id);
  if (action.kind == Kind::Press && item) {
    for (int page = 1; page <= fl::kPageCount; ++page)
      if (action.id == fl::pageTab(page)) return "Page " + std::to_string(page);
    std::string text;
    for (size_t i = 0; i < item->text.size(); ++i) {
      if (item->text[i] == '&' && i + 1 < item->text.size()) ++i;  // a mnemonic's marker
      text += item->text[i];
    }
    if (!text.empty()) return text;
  }
  if (action.kind == Kind::Choose && action.id == fl::kPresetItem && item) {
    if (const flhost::ListEntry* entry = item->selectedEntry()) {
      std::string name = entry->text;
      name.erase(0, name.find_first_not_of(' '));
      return "Preset " + name;
    }
  }
  std::string change = describeChange(before, after);
  if (change.empty()) return "Drawn again";
  return action.kind == Kind::Pick ? change + " (picked)" : change;
}

const BurstParams& liveRecord(const flhost::ModalSession& s) {
  return *static_cast<const BurstParams*>(s.dialog().userData);
}

std::string keepLocked(flhost::ModalSession& s, const BurstParams& before, const std::vector<std::string>& locks) {
  if (locks.empty()) return {};
  const BurstParams& live = liveRecord(s);
  auto wanted = [&](const BurstField& f) {
    return std::binary_search(locks.begin(), locks.end(), std::string(f.name));
  };
  return setFields(s, before, wanted, live.factorMode, live.preview, false, nullptr);
}

std::string keepLockedAfter(flhost::ModalSession& s, const flhost::DialogAction& action, const BurstParams& before,
                            const std::vector<std::string>& locks) {
  return pressesTumbleOrShuffle(action) ? keepLocked(s, before, locks) : std::string();
}

std::string restoreVariant(flhost::ModalSession& s, const Variant& v, flhost::RandomSource& random) {
  // Values only Tumble gives need its Tumble pressed again; without it they cannot be had.
  std::vector<const BurstField*> tumbled = unreachable(s, v.record);
  if (!tumbled.empty() && !v.tumble)
    return std::string(tumbled.front()->name) + " holds " + valueText(v.record, *tumbled.front()) +
           ", which no control takes, and the Tumble that gave it is not known";
  // The preset's choice resets every field to its defaults and the preset's changes, so it goes
  // first, and the rest is set after it.
  if (liveRecord(s).preset != v.record.preset)
    if (std::string why = s.putBack(fl::kPresetItem, v.record.preset); !why.empty()) return why;
  if (!tumbled.empty()) {
    // Tumble again, from where the random source stood and with the factor member shown then,
    // with the preview off: its preview would not be v's.
    ControlSetter set(s);
    if (set.live().preview) set.put(fl::kPreviewItem, 0);
    if (set.live().factorMode != v.tumble->factorMode) set.put(fl::kFactorModeItem, v.tumble->factorMode);
    if (!set.why().empty()) return set.why();
    random.restore(v.tumble->before);
    flhost::DialogAction press;
    press.kind = Kind::Press;
    press.id = fl::kTumble;
    if (std::string why = s.apply(press); !why.empty()) return why;
    if (!unreachable(s, v.record).empty())
      return std::string(tumbled.front()->name) + ": Tumble pressed again did not give " +
             valueText(v.record, *tumbled.front());
  }
  return setFields(s, v.record, partOfVariant, v.record.factorMode, v.record.preview, true,
                   [&] { random.restore(v.start); });
}

}  // namespace fltools
