// Checked handles: every handle the host hands out names a slot and that slot's generation, so a
// stale handle (its object gone) or a foreign one (another kind's) is refused, never followed.
//
// Encoding (32 bits, so the 32-bit build can carry it in a pointer): bits 0-23 the slot index + 1,
// bits 24-31 the slot's generation mixed with a per-kind salt. Null is never a valid handle.
#pragma once

#include <cstdint>
#include <optional>

namespace flhost {

struct HandleBits {
  uint32_t index;
  uint8_t generation;
};

constexpr uint32_t kMaxHandleSlots = (1u << 24) - 1;

template <class H>
H encodeHandle(uint32_t index, uint8_t generation, uint8_t salt) {
  uint32_t v = ((index + 1) & 0xFFFFFFu) | (uint32_t(uint8_t(generation ^ salt)) << 24);
  return reinterpret_cast<H>(static_cast<uintptr_t>(v));
}

template <class H>
std::optional<HandleBits> decodeHandle(H handle, uint8_t salt) {
  uintptr_t raw = reinterpret_cast<uintptr_t>(handle);
  if (raw == 0 || raw > 0xFFFFFFFFu) return std::nullopt;
  uint32_t v = static_cast<uint32_t>(raw);
  uint32_t slot = v & 0xFFFFFFu;
  if (slot == 0) return std::nullopt;
  return HandleBits{slot - 1, uint8_t(uint8_t(v >> 24) ^ salt)};
}

// Salts, one per kind of handle.
enum HandleSalt : uint8_t {
  kSaltArt = 0x11,
  kSaltSwatch = 0x23,
  kSaltArtStyle = 0x35,
  kSaltView = 0x47,
  kSaltFilter = 0x59,
  kSaltMenuItem = 0x6B,
  kSaltDialog = 0x7D,
  kSaltItem = 0x8F,
  kSaltList = 0x91,
  kSaltEntry = 0xA3,
  kSaltNotifier = 0xB5,
  kSaltTracker = 0xC7,
  kSaltPlugin = 0xD9,
};

}  // namespace flhost
