// The variants the filter dialog has drawn, and the fields the user holds still while Tumble and
// Shuffle change the others: what `serve` keeps for the page's history strip and locks, and how
// the host brings a variant back through the dialog's own controls.
//
// Bringing a variant back is what a user would do by hand: each control is set to the variant's
// value and gets its notifier, so only the plug-in's notifiers write into the record. The field
// each control edits is read from the dialog's item table (dialog/dialog_layout.h, data only);
// the items themselves (their kinds, what they hold) are the running dialog's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs.h"
#include "params/burst_params.h"
#include "random_source.h"

namespace fltools {

// Where the random source stood when Tumble was last pressed, and which member of the factor pairs
// the dialog showed then. Tumble is the one control that leaves values in the record that no
// control can take: the factor members the dialog does not show keep its draws as they are,
// finer than a spin edit's two decimals. Pressing it again from there gives them again.
struct TumbleOrigin {
  flhost::RandomSource::Position before;
  int32_t factorMode = 0;
};

// One preview the filter dialog drew.
struct Variant {
  uint64_t id = 0;       // from 1, in the order they were drawn
  std::string label;     // what made it, in the user's words: "Tumble", "burstCount 10 → 16"
  BurstParams record{};  // the dialog's record as the preview drew it
  // Where the random source stood when the preview's drawing began, and the exact first draws the
  // source was given (what a design's description names beside the seed).
  flhost::RandomSource::Position start;
  std::vector<float> firstDraws;
  std::vector<std::string> locks;      // the fields locked then, sorted
  std::optional<TumbleOrigin> tumble;  // the Tumble whose values the record holds, when known
};

// The newest variants, oldest first, and the fields locked now.
class VariantHistory {
 public:
  static constexpr size_t kMaxVariants = 200;

  // Keeps v as the newest variant, the one the dialog now shows, and gives it its id; the oldest
  // goes when more than kMaxVariants are kept. Returns the id.
  uint64_t add(Variant v);
  // The variant with that id, or null once it has gone (or never was).
  const Variant* find(uint64_t id) const;
  const std::deque<Variant>& variants() const { return variants_; }
  // The variant the dialog shows: the newest, or the one last brought back (0: none yet).
  uint64_t current() const { return current_; }
  void show(uint64_t id) { current_ = id; }

  const std::vector<std::string>& locks() const { return locks_; }
  void setLock(const std::string& field, bool locked);
  void setLocks(std::vector<std::string> fields);
  bool locked(const std::string& field) const;

 private:
  std::deque<Variant> variants_;
  uint64_t next_ = 1;
  uint64_t current_ = 0;
  std::vector<std::string> locks_;  // sorted, no repeats
};

// The small pictures the page makes of the variants it shows, kept with the history so that a
// reloaded or new tab shows them too. Safe to use from any thread.
class VariantPictures {
 public:
  static constexpr size_t kMaxBytes = 64 * 1024;
  struct Picture {
    std::string type;  // image/png, image/jpeg or image/webp
    std::string bytes;
  };
  // The variants kept are first..last: a picture of another is refused, and those of variants
  // that went are forgotten.
  void keep(uint64_t first, uint64_t last);
  // Keeps a picture of variant id (a later one replaces it); false when no such variant is kept.
  bool put(uint64_t id, Picture picture);
  std::optional<Picture> get(uint64_t id) const;
  bool has(uint64_t id) const;

 private:
  mutable std::mutex m_;
  uint64_t first_ = 1, last_ = 0;
  std::map<uint64_t, Picture> pictures_;
};

// The field a lock beside control `id` holds still: the field it edits as the dialog shows it now
// (a factor spin edit: the member the factor-mode popup shows). "" for controls that edit no
// field of the design: the preset and factor-mode popups, the view zoom and the Preview check box.
std::string lockableField(int32_t id, int32_t factorMode);

// The fields that differ between two records, in the user's words: "burstCount 10 → 16", two at
// most, then "and N more". Run state, the page shown and the dialog's saved place are left out.
// "" when no other field differs.
std::string describeChange(const BurstParams& before, const BurstParams& after);

// What a user's action in the filter dialog is called in the history: a button's text (Tumble,
// Shuffle), "Page N" for a tab, the chosen preset, else the change it made to the record.
std::string variantLabel(const flhost::ModalSession& s, const flhost::DialogAction& action, const BurstParams& before,
                         const BurstParams& after);

// The record the running filter dialog edits (read only: the plug-in's notifiers write it).
const BurstParams& liveRecord(const flhost::ModalSession& s);

// The field NAME as a lock holds it: "" when a lock beside its control holds it (lockableField
// gives it for the member the factor popup shows, or the other), else why not, as a sentence that
// starts with the name: an unknown field (with the closest name), run state or the dialog's saved
// place, a field no control edits, or one whose control has no lock.
std::string lockRefusal(std::string_view name);

// Whether `action` presses Tumble or Shuffle: the buttons the locks hold fields still through.
bool pressesTumbleOrShuffle(const flhost::DialogAction& action);

// After Tumble or Shuffle: sets each locked field whose value changed back to its value in
// `before`, through its control (its value, then its notifier), so the preview shows the new
// variant with the locked settings. With the preview on and something to set, the preview is
// switched off while they are set and on again after, so the plug-in draws once. Returns "" or
// why a control refused its value.
std::string keepLocked(flhost::ModalSession& s, const BurstParams& before, const std::vector<std::string>& locks);

// What the locks do after a user's action in the filter dialog: keepLocked when it pressed Tumble
// or Shuffle (`before`: the record just before the press), nothing after any other action. The
// page and the command line both hold their locks through this.
std::string keepLockedAfter(flhost::ModalSession& s, const flhost::DialogAction& action, const BurstParams& before,
                            const std::vector<std::string>& locks);

// Brings variant v back while the dialog stays open, as a user would with the dialog's controls:
// its preset first when it differs (the preset's choice resets what has no other control); then,
// with the preview off, Tumble pressed again from where the random source stood for it when v
// holds factor members finer than their spin edit can take (see TumbleOrigin); then every control
// whose field differs from v's (both members of each factor pair, through the factor-mode popup);
// and last the Preview check box on again, whose notifier draws the preview. Just before that
// last notifier the random source is put back where it stood when v was drawn, so the preview is
// v's, exactly. The view zoom and the page shown stay as they are. Returns "" or why a control
// refused its value, or why v cannot be given exactly.
std::string restoreVariant(flhost::ModalSession& s, const Variant& v, flhost::RandomSource& random);

}  // namespace fltools
