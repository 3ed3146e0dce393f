#include "cli_options.h"

#include "export.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "colour_names.h"
#include "document_suite.h"
#include "faults.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fltools {

namespace fs = std::filesystem;

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string inQuotes(std::string_view s) { return "\"" + std::string(s) + "\""; }

// A whole float: the text must be a number and nothing else.
bool readFloat(std::string_view text, float* v) {
  if (text.empty()) return false;
  const char* first = text.data();
  if (*first == '+') ++first;  // from_chars takes no plus sign; people do write one
  auto [end, ec] = std::from_chars(first, text.data() + text.size(), *v);
  return ec == std::errc() && end == text.data() + text.size();
}

bool readInteger(std::string_view text, int64_t* v) {
  bool negative = !text.empty() && text.front() == '-';
  std::string_view digits = negative ? text.substr(1) : text;
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    base = 16;
  }
  if (digits.empty() || digits.front() == '-' || digits.front() == '+') return false;
  uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
  if (ec != std::errc() || end != digits.data() + digits.size()) return false;
  if (magnitude > (negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX))) return false;
  *v = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

}  // namespace

FailSpec parseFailSpec(std::string_view text) {
  const std::string option = "--fail " + inQuotes(text);
  FailSpec fail;
  std::string_view rest = text;
  std::string_view code;
  if (size_t eq = rest.find('='); eq != std::string_view::npos) {
    code = rest.substr(eq + 1);
    rest = rest.substr(0, eq);
    if (code.empty()) throw ToolError(option + ": no code after '='");
  }
  if (size_t at = rest.find('@'); at != std::string_view::npos) {
    std::string_view nth = rest.substr(at + 1);
    rest = rest.substr(0, at);
    int64_t n = 0;
    if (!readInteger(nth, &n) || n < 1)
      throw ToolError(option + ": the call number " + inQuotes(nth) + " is not a whole number from 1");
    fail.nth = static_cast<uint64_t>(n);
  }
  const auto& names = flhost::operationNames();
  if (std::find(names.begin(), names.end(), rest) == names.end())
    throw ToolError(option + ": " + inQuotes(rest) +
                    " is not a host operation ('flarimond info' lists them, e.g. art.newArt)");
  fail.operation = std::string(rest);
  if (!code.empty()) {
    int64_t n = 0;
    if (readInteger(code, &n)) {
      if (n < INT32_MIN || n > UINT32_MAX)
        throw ToolError(option + ": the code " + std::string(code) + " does not fit in 32 bits");
      fail.code = static_cast<HostErr>(static_cast<uint32_t>(n));
    } else if (code.size() == 4 && std::all_of(code.begin(), code.end(), [](char c) { return c > ' ' && c < 127; })) {
      fail.code = HOST_FOURCC(code[0], code[1], code[2], code[3]);
    } else {
      throw ToolError(option + ": the code " + inQuotes(code) +
                      " is neither a number nor four characters such as SEGM");
    }
    if (fail.code == 0) throw ToolError(option + ": the code 0 means success; a failure needs another");
  }
  return fail;
}

uint64_t parseSeed(std::string_view text) {
  uint64_t seed = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size())
    throw ToolError("--seed " + inQuotes(text) + ": expected a whole number from 0 to 18446744073709551615");
  return seed;
}

float checkedDraw(float v, std::string_view written, std::string_view what) {
  // Checked as the float it becomes: 0.99999999 rounds to 1, which no draw can be.
  if (!(v >= 0.0f && v < 1.0f)) {
    double asWritten = 0;
    std::from_chars(written.data(), written.data() + written.size(), asWritten);
    throw ToolError(std::string(what) + ": " + std::string(written) + " is not in [0, 1)" +
                    (asWritten < 1.0 && v == 1.0f ? " (as a float it rounds to 1)" : ""));
  }
  return v;
}

std::vector<float> parseDraws(std::string_view list, std::string_view what) {
  std::vector<float> draws;
  std::string_view rest = list;
  while (true) {
    size_t comma = rest.find(',');
    std::string_view item = trim(rest.substr(0, comma));
    float v = 0;
    if (!readFloat(item, &v)) throw ToolError(std::string(what) + ": " + inQuotes(item) + " is not a number");
    draws.push_back(checkedDraw(v, item, what));
    if (comma == std::string_view::npos) break;
    rest = rest.substr(comma + 1);
  }
  return draws;
}

std::string drawsText(const std::vector<float>& draws) {
  std::string s;
  for (float d : draws) {
    if (!s.empty()) s += ',';
    flhost::appendShortestFloat(s, d);
  }
  return s;
}

namespace {

constexpr double kPointsPerInch = 72.0;

struct PageName {
  std::string_view name;
  double width, height;  // points, portrait
};
// ISO sizes in whole millimetres, the North American ones in inches.
constexpr double kMm = kPointsPerInch / 25.4;
constexpr PageName kPageNames[] = {
    {"a3", 297 * kMm, 420 * kMm},  {"a4", 210 * kMm, 297 * kMm}, {"a5", 148 * kMm, 210 * kMm},
    {"letter", 8.5 * 72, 11 * 72}, {"legal", 8.5 * 72, 14 * 72}, {"tabloid", 11 * 72, 17 * 72},
};

// Points in one unit: "pt" (or none), "mm", "cm", "in"; 0 for anything else.
double pointsPerUnit(std::string_view unit) {
  if (unit.empty() || unit == "pt") return 1;
  if (unit == "mm") return kMm;
  if (unit == "cm") return 10 * kMm;
  if (unit == "in") return kPointsPerInch;
  return 0;
}

std::string lowered(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

PageSize parsePageSize(std::string_view text, std::string_view what) {
  const std::string option = std::string(what) + " " + inQuotes(text);
  const std::string accepted =
      ": expected WIDTHxHEIGHT with a unit pt (the default), mm, cm or in (612x792, 210x297mm, 8.5x11in), "
      "or a3, a4, a5, letter, legal or tabloid, each with :landscape or :portrait";
  std::string lower = lowered(trim(text));
  std::string_view size = lower;
  bool landscape = false;
  if (size_t colon = size.find(':'); colon != std::string_view::npos) {
    std::string_view orientation = size.substr(colon + 1);
    if (orientation != "landscape" && orientation != "portrait") throw ToolError(option + accepted);
    landscape = orientation == "landscape";
    size = size.substr(0, colon);
  }
  double width = 0, height = 0;
  bool named = false;
  for (const PageName& p : kPageNames)
    if (p.name == size) width = p.width, height = p.height, named = true;
  if (named) {
    if (landscape) std::swap(width, height);
  } else {
    if (text.find(':') != std::string_view::npos) throw ToolError(option + accepted);
    // The unit after the height, or after each number ("210mmx297mm").
    auto number = [&](std::string_view part, std::string_view unit, double* v) {
      part = trim(part);
      size_t end = part.find_last_of("0123456789.") + 1;
      if (end == 0) return false;
      std::string_view own = trim(part.substr(end));
      if (!own.empty() && !unit.empty() && own != unit) return false;
      double scale = pointsPerUnit(own.empty() ? unit : own);
      float f = 0;
      if (scale == 0 || !readFloat(trim(part.substr(0, end)), &f)) return false;
      *v = f * scale;
      return true;
    };
    size_t x = size.find('x');
    if (x == std::string_view::npos) throw ToolError(option + accepted);
    std::string_view h = trim(size.substr(x + 1));
    size_t unitAt = h.find_last_of("0123456789.") + 1;
    std::string_view unit = unitAt == 0 ? std::string_view() : trim(h.substr(unitAt));
    if (!number(size.substr(0, x), unit, &width) || !number(h, unit, &height)) throw ToolError(option + accepted);
  }
  PageSize page{static_cast<float>(width), static_cast<float>(height)};
  if (!(std::isfinite(page.width) && page.width > 0 && std::isfinite(page.height) && page.height > 0))
    throw ToolError(option + ": the width and the height must be positive");
  return page;
}

std::string pageText(const PageSize& page) {
  std::string s;
  flhost::appendShortestFloat(s, page.width);
  s += 'x';
  flhost::appendShortestFloat(s, page.height);
  return s;
}

int16_t parseColorModel(std::string_view text, std::string_view what) {
  if (text == "rgb" || text.empty()) return kDocumentRGBModel;
  if (text == "cmyk") return kDocumentCMYKModel;
  if (text == "grey") return kDocumentGreyModel;
  throw ToolError(std::string(what) + " " + inQuotes(text) + ": expected rgb, cmyk or grey");
}

std::string colorModelText(int16_t model) {
  return model == kDocumentCMYKModel ? "cmyk" : model == kDocumentGreyModel ? "grey" : "rgb";
}

OutputFormat outputFormatOf(const fs::path& path) {
  std::string ext = path.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".svg") return OutputFormat::Svg;
  if (ext == ".json") return OutputFormat::Json;
  if (ext == ".png" || ext == ".pdf") {
#ifdef FLARIMOND_HAVE_CAIRO
    return ext == ".png" ? OutputFormat::Png : OutputFormat::Pdf;
#else
    throw ToolError(displayPath(path) + ": " + (ext == ".png" ? "PNG" : "PDF") +
                    " export is not available in this build; use .svg or .json");
#endif
  }
  throw ToolError(displayPath(path) + ": unknown output type " +
                  (ext.empty() ? std::string("(no extension)") : inQuotes(ext)) + "; use .svg, .json, .png or .pdf");
}

PaintColour parseColour(std::string_view text, std::string_view what) {
  PaintColour result;
  if (text == "none") {
    result.paint = false;
    result.color.kind = kHostColorGrey;
    return result;
  }
  auto bad = [&](const std::string& why) {
    return ToolError(std::string(what) + " " + inQuotes(text) + ": " + why +
                     " (write none, #rgb, #rrggbb, a CSS colour name such as orange, or grey:G, rgb:R,G,B or "
                     "cmyk:C,M,Y,K with components from 0 to 1)");
  };
  // #rgb, #rrggbb and CSS's names: an RGB colour, each channel of 255 as a component.
  auto fromRgb24 = [&](uint32_t rgb) {
    result.color.kind = kHostColorThree;
    result.color.c.three = {static_cast<float>((rgb >> 16) & 255) / 255.0f,
                            static_cast<float>((rgb >> 8) & 255) / 255.0f, static_cast<float>(rgb & 255) / 255.0f};
    return result;
  };
  if (!text.empty() && text.front() == '#') {
    std::string_view hex = text.substr(1);
    uint32_t v = 0;
    auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), v, 16);
    if ((hex.size() != 3 && hex.size() != 6) || ec != std::errc() || end != hex.data() + hex.size() ||
        !std::isxdigit(static_cast<unsigned char>(hex.front())))
      throw bad("expected # and 3 or 6 hexadecimal digits");
    if (hex.size() == 3) v = ((v >> 8) & 15) * 0x110000 + ((v >> 4) & 15) * 0x1100 + (v & 15) * 0x11;
    return fromRgb24(v);
  }
  size_t colon = text.find(':');
  if (colon == std::string_view::npos)
    if (std::optional<uint32_t> named = namedColour(text)) return fromRgb24(*named);
  std::string_view kind = colon == std::string_view::npos ? text : text.substr(0, colon);
  size_t count = kind == "grey" ? 1 : kind == "rgb" ? 3 : kind == "cmyk" ? 4 : 0;
  if (count == 0 || colon == std::string_view::npos) throw bad("unknown colour");
  std::vector<float> values;
  std::string_view rest = text.substr(colon + 1);
  while (true) {
    size_t comma = rest.find(',');
    std::string part(rest.substr(0, comma));
    char* end = nullptr;
    errno = 0;
    float v = std::strtof(part.c_str(), &end);
    if (part.empty() || end != part.c_str() + part.size() || errno != 0 || !std::isfinite(v))
      throw bad(inQuotes(part) + " is not a number");
    if (v < 0.0f || v > 1.0f) throw bad(inQuotes(part) + " is outside 0..1");
    values.push_back(v);
    if (comma == std::string_view::npos) break;
    rest = rest.substr(comma + 1);
  }
  if (values.size() != count)
    throw bad(std::to_string(count) + (count == 1 ? " component" : " components") + " expected, " +
              std::to_string(values.size()) + " given");
  HostColor& c = result.color;
  if (kind == "grey") {
    c.kind = kHostColorGrey;
    c.c.grey = values[0];
  } else if (kind == "rgb") {
    c.kind = kHostColorThree;
    c.c.three = {values[0], values[1], values[2]};
  } else {
    c.kind = kHostColorFour;
    c.c.four = {values[0], values[1], values[2], values[3]};
  }
  return result;
}

std::string colourText(const PaintColour& colour) {
  if (!colour.paint) return "none";
  const HostColor& c = colour.color;
  std::string s;
  auto add = [&](float v) {
    if (!s.empty() && s.back() != ':') s += ',';
    flhost::appendShortestFloat(s, v);
  };
  if (c.kind == kHostColorGrey) {
    s = "grey:";
    add(c.c.grey);
  } else if (c.kind == kHostColorThree) {
    s = "rgb:";
    for (float v : {c.c.three.red, c.c.three.green, c.c.three.blue}) add(v);
  } else if (c.kind == kHostColorFour) {
    s = "cmyk:";
    for (float v : {c.c.four.cyan, c.c.four.magenta, c.c.four.yellow, c.c.four.black}) add(v);
  }
  return s;
}

StrokeSpec parseStroke(std::string_view text, std::string_view what) {
  StrokeSpec s;
  size_t at = text.rfind('@');
  s.colour = parseColour(text.substr(0, at), what);
  if (at != std::string_view::npos) {
    std::string part(text.substr(at + 1));
    char* end = nullptr;
    float w = std::strtof(part.c_str(), &end);
    if (part.empty() || end != part.c_str() + part.size() || !std::isfinite(w) || w < 0.0f || w > 1000.0f)
      throw ToolError(std::string(what) + " " + inQuotes(text) + ": the width " + inQuotes(part) +
                      " must be a number of points from 0 to 1000");
    s.widthGiven = true;
    s.width = w;
  }
  return s;
}

std::string strokeText(const StrokeSpec& stroke) {
  std::string s = colourText(stroke.colour);
  if (stroke.widthGiven) {
    s += '@';
    flhost::appendShortestFloat(s, stroke.width);
  }
  return s;
}

float parseOpacity(std::string_view text, std::string_view what) {
  float v = 0;
  if (!readFloat(trim(text), &v) || !(v >= 0.0f && v <= 1.0f))
    throw ToolError(std::string(what) + " " + inQuotes(text) + ": expected an opacity from 0 to 1");
  return v == 0.0f ? 0.0f : v;  // -0 is 0
}

std::string opacityText(float opacity) {
  std::string s;
  flhost::appendShortestFloat(s, opacity);
  return s;
}

int parseArtStyleCount(std::string_view text, std::string_view what) {
  const size_t all = flhost::defaultArtStyles().size();
  int v = -1;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v < 0 || static_cast<size_t>(v) > all)
    throw ToolError(std::string(what) + " " + inQuotes(text) +
                    ": expected a whole number of named art styles from 0 to " + std::to_string(all));
  return v;
}

int parsePixelWidth(std::string_view text) {
  std::string part(text);
  char* end = nullptr;
  long v = std::strtol(part.c_str(), &end, 10);
  if (part.empty() || end != part.c_str() + part.size() || v < 1 || v > 20000)
    throw ToolError("--width " + inQuotes(text) + ": expected a whole number of pixels from 1 to 20000");
  return static_cast<int>(v);
}

flhost::Frame parseFrame(std::string_view text) {
  if (text == "page") return flhost::Frame::Page;
  if (text == "art") return flhost::Frame::Art;
  if (text == "all") return flhost::Frame::All;
  throw ToolError("--frame " + inQuotes(text) + ": expected page, art or all");
}

std::optional<flhost::PlotOptions> parsePlotOptions(bool plot, std::string_view pens, std::string_view tolerance,
                                                    const fs::path& output) {
  if (!plot) {
    if (!pens.empty()) throw ToolError("--pens is for --plot");
    if (!tolerance.empty()) throw ToolError("--tolerance is for --plot");
    return std::nullopt;
  }
#ifndef FLARIMOND_HAVE_CLIPPER
  throw ToolError("--plot is not available in this build (it needs the Clipper polygon library)");
#endif
  if (!output.empty() && outputFormatOf(output) != OutputFormat::Svg)
    throw ToolError(displayPath(output) + ": --plot writes an SVG: use .svg");
  flhost::PlotOptions options;
  if (!pens.empty()) {
    int64_t n = 0;
    if (!readInteger(pens, &n) || n < 1 || n > 64)
      throw ToolError("--pens " + inQuotes(pens) + ": expected a whole number of pens from 1 to 64");
    options.pens = static_cast<int>(n);
  }
  if (!tolerance.empty()) {
    float mm = 0;
    if (!readFloat(trim(tolerance), &mm) || !(mm >= 0.001f && mm <= 10.0f))
      throw ToolError("--tolerance " + inQuotes(tolerance) + ": expected millimetres from 0.001 to 10");
    options.toleranceMm = mm;
  }
  return options;
}

std::string frameWarning(const flhost::Document& doc, flhost::Frame frame) {
  // Framed on the art, or on the page with all of it, nothing is out of view: only the page can
  // leave the art out.
  double share = flhost::shareInFrame(doc, frame);
  if (share >= 0.01) return "";
  char percent[32];
  std::snprintf(percent, sizeof percent, "only %.2g %%", share * 100);
  std::string part = share == 0 ? "none" : share < 1e-4 ? "less than 0.01 %" : percent;
  return part + " of the art lies on the page; --frame art shows all of it";
}

std::string codeText(HostErr code) {
  auto u = static_cast<uint32_t>(code);
  char c[4] = {char(u >> 24), char(u >> 16), char(u >> 8), char(u)};
  if (std::all_of(c, c + 4, [](char ch) { return ch > ' ' && ch < 127; })) return "'" + std::string(c, 4) + "'";
  return std::to_string(code);
}

fs::path resolveModulePath(const std::string& option, const char* argv0) {
#ifdef _WIN32
  const char* moduleName = "flarimond.aip";
#else
  const char* moduleName = "flarimond.so";
#endif
  if (!option.empty()) return option;
  if (const char* env = std::getenv("FLARIMOND_MODULE"); env && *env) return env;
  fs::path exe;
  std::error_code ec;
#if defined(_WIN32)
  wchar_t buffer[32768];
  DWORD n = GetModuleFileNameW(nullptr, buffer, sizeof buffer / sizeof buffer[0]);
  if (n > 0 && n < sizeof buffer / sizeof buffer[0]) exe = fs::path(std::wstring(buffer, n));
#elif defined(__linux__)
  exe = fs::read_symlink("/proc/self/exe", ec);
#endif
  if (exe.empty() && argv0 && *argv0) exe = fs::absolute(argv0, ec);
  return exe.parent_path() / moduleName;
}

}  // namespace fltools
