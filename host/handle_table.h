// Handle slots: the one rule by which the host reuses the slot of a freed object, and a table that
// maps the checked handles of one kind (handles.h) to objects owned elsewhere.
//
// A freed slot waits in line behind this many others before reuse, so one handle's generation
// comes round again only after thousands of frees and a stale handle stays refused for a long time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <stdexcept>
#include <vector>

#include "handles.h"

namespace flhost {

// Freed slot indices, reused oldest first once more than kQuarantine of them wait.
class SlotQuarantine {
 public:
  static constexpr size_t kQuarantine = 64;

  // A slot to reuse, or nullopt while too few have been freed (take a new slot then).
  std::optional<uint32_t> reuse() {
    if (free_.size() <= kQuarantine) return std::nullopt;
    const uint32_t index = free_.front();
    free_.pop_front();
    return index;
  }
  // Puts a freed slot in line. Out of memory, the slot is simply never reused.
  void release(uint32_t index) noexcept {
    try {
      free_.push_back(index);
    } catch (...) {
    }
  }
  size_t waiting() const { return free_.size(); }

 private:
  std::deque<uint32_t> free_;
};

// Slots for one kind of handle. Objects are owned elsewhere; the table only maps handles to them.
template <class T>
class HandleTable {
 public:
  // The slot now holding object; std::length_error when every slot a handle can name is taken.
  uint32_t insert(T* object) {
    if (const auto index = quarantine_.reuse()) {
      slots_[*index].object = object;
      return *index;
    }
    if (slots_.size() >= kMaxHandleSlots) throw std::length_error("handle slots exhausted");
    slots_.push_back(Slot{object, 0});
    return static_cast<uint32_t>(slots_.size() - 1);
  }
  // Empties the slot and moves its generation on, so handles to it are refused from now on.
  void erase(uint32_t index) {
    Slot& slot = slots_[index];
    slot.object = nullptr;
    ++slot.generation;
    quarantine_.release(index);
  }
  // The object a decoded handle names, or null for a stale, foreign or null handle.
  T* find(std::optional<HandleBits> bits) const {
    if (!bits || bits->index >= slots_.size()) return nullptr;
    const Slot& slot = slots_[bits->index];
    return slot.generation == bits->generation ? slot.object : nullptr;
  }
  uint8_t generation(uint32_t index) const { return slots_[index].generation; }
  size_t live() const { return slots_.size() - quarantine_.waiting(); }

 private:
  struct Slot {
    T* object = nullptr;
    uint8_t generation = 0;
  };
  std::vector<Slot> slots_;
  SlotQuarantine quarantine_;
};

}  // namespace flhost
