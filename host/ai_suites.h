// The artwork side of the host interface: the "SP" and "AI" suites.
#pragma once

#include <cstdint>
#include <string_view>

namespace flhost {

// The function table of the named suite at exactly that version, or null.
const void* findAiSuite(std::string_view name, int32_t version);

}  // namespace flhost
