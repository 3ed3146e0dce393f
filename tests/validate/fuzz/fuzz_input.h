// What every fuzz target shares: the input as text, and a failure that libFuzzer reports with
// the input that caused it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace flfuzz {

inline std::string_view text(const uint8_t* data, size_t size) { return {reinterpret_cast<const char*>(data), size}; }

// A broken promise of the code under test: abort, so libFuzzer keeps the input as a crash.
[[noreturn]] inline void broken(const char* what) {
  std::fprintf(stderr, "fuzz target: %s\n", what);
  std::abort();
}

}  // namespace flfuzz
