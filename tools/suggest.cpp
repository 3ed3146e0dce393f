#include "suggest.h"

#include <algorithm>
#include <cctype>

namespace fltools {

namespace {

std::string lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = up;
    }
  }
  return row.back();
}

}  // namespace

std::string closestName(std::string_view wanted, const std::vector<std::string>& candidates) {
  std::string w = lower(wanted);
  std::string best;
  size_t bestDistance = 3;
  for (const std::string& c : candidates) {
    size_t d = editDistance(w, lower(c));
    if (d < bestDistance) {
      bestDistance = d;
      best = c;
    }
  }
  return best;
}

std::string didYouMean(std::string_view wanted, const std::vector<std::string>& candidates) {
  std::string near = closestName(wanted, candidates);
  return near.empty() ? std::string() : " (did you mean " + near + "?)";
}

}  // namespace fltools
