// Numbers and text as the tool writes them into messages and files.
#pragma once

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "export.h"

namespace fltools {

// The shortest text that reads back as the same double.
inline std::string realText(double v) {
  char text[40];
  auto [end, ec] = std::to_chars(text, text + sizeof text, v);
  (void)ec;  // 40 characters hold any double
  return std::string(text, end);
}

// The shortest text that reads back as the same float, as the exports write reals; "nan", "inf"
// and "-inf" for the others.
inline std::string floatText(float v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  std::string s;
  flhost::appendShortestFloat(s, v);
  return s;
}

// Character data for XML: &, < and > escaped.
inline std::string xmlEscaped(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

// An attribute's value in double quotes: character data with the quote escaped too.
inline std::string xmlAttributeEscaped(std::string_view s) {
  std::string out;
  for (char c : xmlEscaped(s)) {
    if (c == '"')
      out += "&quot;";
    else
      out += c;
  }
  return out;
}

}  // namespace fltools
