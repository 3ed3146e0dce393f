// The numbers the module and everything that drives it must agree on: the ids of the module's
// resources and the result codes the module itself returns. Host code, tools, benchmarks and tests
// name these through this header; the resource script holds the resources under the same ids.
#pragma once

#include <cstdint>

namespace fl {

// Resources.
constexpr int32_t kErrorStringList = 16050;  // code/message pairs from index 1
constexpr int32_t kAboutDialogId = 16050;
constexpr int32_t kErrorDialogId = 16051;
constexpr int32_t kFilterDialogId = 16100;

// A four-character code as the host's result codes are built (first character most significant).
constexpr int32_t moduleCode(const char (&c)[5]) {
  return static_cast<int32_t>((uint32_t(uint8_t(c[0])) << 24) | (uint32_t(uint8_t(c[1])) << 16) |
                              (uint32_t(uint8_t(c[2])) << 8) | uint32_t(uint8_t(c[3])));
}

// The module's own result codes.
constexpr int32_t kUserCancelled = moduleCode("STOP");     // the user cancelled the filter dialog
constexpr int32_t kNoParameterBlock = moduleCode("!MEM");  // no parameter record could be had
constexpr int32_t kNotHandled = moduleCode("!sel");        // the menu command: the module works as a filter only

}  // namespace fl
