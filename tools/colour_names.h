// The colour names of CSS (Color Module Level 4's named colours) as 24-bit RGB.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace fltools {

// 0xRRGGBB for a name (any case: "orange", "DarkSlateGray"); nullopt for a name CSS does not have.
std::optional<uint32_t> namedColour(std::string_view name);

}  // namespace fltools
