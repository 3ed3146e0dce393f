// "Did you mean": the known name a mistyped one most likely meant.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fltools {

// The candidate nearest to `wanted`: the same name in another case, or one at most two edits
// (insertions, deletions, substitutions, ignoring case) away; the first of equally near ones.
// "" when none is that near.
std::string closestName(std::string_view wanted, const std::vector<std::string>& candidates);

// " (did you mean NAME?)" for the closest candidate, or "".
std::string didYouMean(std::string_view wanted, const std::vector<std::string>& candidates);

}  // namespace fltools
