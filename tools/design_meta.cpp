#include "design_meta.h"

#ifdef FLARIMOND_HAVE_CAIRO
#include <png.h>
#endif

#include <algorithm>
#include <cctype>
#include <charconv>
#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "input_file.h"
#include "progress.h"
#include "param_file.h"
#include "text_format.h"

#ifndef FLARIMOND_VERSION
#error "FLARIMOND_VERSION is set by the build"
#endif

namespace fltools {

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

// Above this many draws to skip, making a design again would take minutes: a file claiming more
// was not written by this program.
constexpr uint64_t kMostDraws = uint64_t{1} << 34;

void appendString(std::string& out, std::string_view s) { out += Json(std::string(s)).dump(); }

// Where the JSON value starting at `at` ends (one past it); npos when the text ends first.
size_t valueEnd(std::string_view text, size_t at) {
  int depth = 0;
  for (size_t i = at; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      ++i;
      while (i < text.size() && text[i] != '"') i += text[i] == '\\' ? 2 : 1;
      if (i >= text.size()) return std::string_view::npos;
      if (depth == 0) return i + 1;
    } else if (c == '{' || c == '[') {
      ++depth;
    } else if (c == '}' || c == ']') {
      if (depth == 0) return i;
      if (--depth == 0) return i + 1;
    } else if (depth == 0 && (c == ',' || std::isspace(static_cast<unsigned char>(c)))) {
      return i;
    }
  }
  return depth == 0 ? text.size() : std::string_view::npos;
}

// The text of member `key` of the JSON object `text`, exactly as written, or nullopt. Reals keep
// their text this way: going through a double could round them twice. The text is not checked
// here; the member's own reader does that.
std::optional<std::string_view> rawMember(std::string_view text, std::string_view key) {
  int depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      size_t start = i + 1, end = start;
      while (end < text.size() && text[end] != '"') end += text[end] == '\\' ? 2 : 1;
      if (end >= text.size()) return std::nullopt;
      i = end;
      size_t colon = text.find_first_not_of(" \t\r\n", end + 1);
      if (depth != 1 || colon == std::string_view::npos || text[colon] != ':' ||
          text.substr(start, end - start) != key)
        continue;
      size_t value = text.find_first_not_of(" \t\r\n", colon + 1);
      size_t stop = value == std::string_view::npos ? value : valueEnd(text, value);
      if (stop == std::string_view::npos) return std::nullopt;
      return text.substr(value, stop - value);
    }
    if (c == '{' || c == '[') ++depth;
    if (c == '}' || c == ']') --depth;
  }
  return std::nullopt;
}

// Character data back to text: the five named entities and numeric references (as UTF-8).
std::string xmlUnescaped(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '&') {
      out += s[i];
      continue;
    }
    size_t semi = s.find(';', i);
    if (semi == std::string_view::npos) {
      out += s.substr(i);
      break;
    }
    std::string_view name = s.substr(i + 1, semi - i - 1);
    uint32_t code = 0;
    if (name == "amp") code = '&';
    else if (name == "lt") code = '<';
    else if (name == "gt") code = '>';
    else if (name == "quot") code = '"';
    else if (name == "apos") code = '\'';
    else if (name.size() > 1 && name[0] == '#') {
      bool hex = name[1] == 'x' || name[1] == 'X';
      std::string_view digits = name.substr(hex ? 2 : 1);
      std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    }
    if (code == 0 || code > 0x10FFFF) {
      out += s.substr(i, semi + 1 - i);
    } else if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
    i = semi;
  }
  return out;
}

// A design file is a whole picture or document, which can run to hundreds of megabytes.
std::string readWhole(const fs::path& path) { return readInputFile(path, std::uintmax_t{1} << 30); }

// The designs of an SVG: the text of every design element of our namespace, whatever prefix an
// editor gave it.
std::vector<std::string> svgDesigns(const std::string& svg) {
  std::vector<std::string> found;
  std::vector<std::string> prefixes;
  std::string uri = "\"" + std::string(kDesignNamespace) + "\"";
  for (size_t at = svg.find(uri); at != std::string::npos; at = svg.find(uri, at + 1)) {
    size_t eq = svg.rfind('=', at);
    size_t colon = svg.rfind("xmlns:", eq);
    if (eq == std::string::npos || colon == std::string::npos) continue;
    std::string prefix = svg.substr(colon + 6, eq - colon - 6);
    if (std::find(prefixes.begin(), prefixes.end(), prefix) == prefixes.end()) prefixes.push_back(prefix);
  }
  for (const std::string& prefix : prefixes) {
    std::string open = "<" + prefix + ":design", close = "</" + prefix + ":design>";
    for (size_t at = svg.find(open); at != std::string::npos; at = svg.find(open, at + 1)) {
      size_t start = svg.find('>', at);
      size_t end = start == std::string::npos ? start : svg.find(close, start);
      if (end == std::string::npos) break;
      std::string_view body(svg.data() + start + 1, end - start - 1);
      // An editor may have wrapped the text in a CDATA section.
      if (body.starts_with("<![CDATA[") && body.ends_with("]]>"))
        found.emplace_back(body.substr(9, body.size() - 12));
      else
        found.push_back(xmlUnescaped(body));
    }
  }
  return found;
}

#ifdef FLARIMOND_HAVE_CAIRO
void onPngError(png_structp png, png_const_charp message) {
  *static_cast<std::string*>(png_get_error_ptr(png)) = message;
  png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

void fromMemory(png_structp png, png_bytep data, size_t length) {
  auto* in = static_cast<std::string_view*>(png_get_io_ptr(png));
  if (in->size() < length) png_error(png, "the file ends early");
  std::memcpy(data, in->data(), length);
  in->remove_prefix(length);
}

// The libpng calls, with no object that has a destructor, so that a longjmp skips none.
bool readPngInfo(png_structp png, png_infop info, png_textp* text, int* count) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  png_get_text(png, info, text, count);
  return true;
}

// The designs of a PNG: its text chunks before the image data with our keyword.
std::vector<std::string> pngDesigns(const std::string& bytes, const std::string& name) {
  if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) != 0)
    throw ToolError(name + ": not a PNG file");
  std::string error;
  std::string_view rest(bytes);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, onPngError, onPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    throw std::bad_alloc();
  }
  png_set_read_fn(png, &rest, fromMemory);
  png_textp text = nullptr;
  int count = 0;
  std::vector<std::string> found;
  bool ok = readPngInfo(png, info, &text, &count);
  for (int i = 0; ok && i < count; ++i)
    if (text[i].key == kDesignPngKeyword)
      found.emplace_back(text[i].text, text[i].compression > 0 ? text[i].itxt_length : text[i].text_length);
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) throw ToolError(name + ": " + error);
  return found;
}
#else
std::vector<std::string> pngDesigns(const std::string&, const std::string& name) {
  throw ToolError(name + ": reading PNG files is not available in this build");
}
#endif

}  // namespace

std::string programVersion() { return std::string("flarimond ") + FLARIMOND_VERSION; }

DesignMeta describeDesign(const HostSetup& setup, flhost::Session& session, const BurstParams& record) {
  DesignMeta d;
  d.program = programVersion();
  d.seed = session.random().seed();
  d.drawsBefore = session.random().drawingStart();
  d.firstDraws = setup.options.draws;
  const flhost::DocumentOptions& doc = setup.options.document;
  d.colorModel = colorModelText(doc.colorModel);
  d.page = floatText(doc.pageWidth) + "x" + floatText(doc.pageHeight);
  const HostPathStyle& style = doc.newPathStyle;
  d.fill = colourText({style.fillPaint != 0, style.fillColor});
  d.stroke = colourText({style.strokePaint != 0, style.strokeColor});
  if (style.strokePaint) d.stroke += "@" + floatText(style.strokeWidth);
  d.swatchList = setup.swatchList;
  d.record = record;
  return d;
}

HostArgs hostArgsFor(const DesignMeta& design, const HostArgs& given) {
  HostArgs a = given;
  if (a.colorModel.empty()) a.colorModel = design.colorModel;
  if (a.page.empty()) a.page = design.page;
  if (a.fill.empty()) a.fill = design.fill;
  if (a.stroke.empty()) a.stroke = design.stroke;
  if (a.swatches.empty() && a.swatchList.empty()) a.swatchList = design.swatchList;
  return a;
}

std::string designJson(const DesignMeta& d) {
  std::string s = "{\"program\":";
  appendString(s, d.program);
  if (d.tile) s += ",\"tile\":" + std::to_string(*d.tile);
  s += ",\"seed\":" + std::to_string(d.seed) + ",\"drawsBefore\":" + std::to_string(d.drawsBefore);
  if (!d.firstDraws.empty()) {
    s += ",\"firstDraws\":[";
    for (size_t i = 0; i < d.firstDraws.size(); ++i) s += (i ? "," : "") + floatText(d.firstDraws[i]);
    s += "]";
  }
  s += ",\"document\":{\"colorModel\":";
  appendString(s, d.colorModel);
  s += ",\"page\":";
  appendString(s, d.page);
  s += ",\"fill\":";
  appendString(s, d.fill);
  s += ",\"stroke\":";
  appendString(s, d.stroke);
  // One spelling of the list (the JSON library's: sorted keys), so that the same list always
  // gives the same text.
  if (!d.swatchList.empty()) s += ",\"swatches\":" + Json::parse(d.swatchList).dump();
  s += "},\"record\":";
  // The parameter file's form on one line: its names and numbers hold no white space.
  std::string record = paramsToJson(d.record);
  record.erase(std::remove_if(record.begin(), record.end(), [](char c) { return c == ' ' || c == '\n'; }),
               record.end());
  return s + record + "}";
}

DesignMeta designFromJson(std::string_view text, std::string_view source) {
  std::string name(source);
  Json j;
  try {
    j = Json::parse(text);
  } catch (const Json::exception& e) {
    // The library's text starts "[json.exception.KIND] ": the rest is the news.
    std::string what = e.what();
    size_t close = what.find("] ");
    throw ToolError(name + ": the design's description is not JSON we can read: " +
                    (close == std::string::npos ? what : what.substr(close + 2)));
  }
  auto bad = [&](const std::string& why) { return ToolError(name + ": the design's description " + why); };
  if (!j.is_object()) throw bad("is not a JSON object");
  DesignMeta d;
  auto text_ = [&](const Json& parent, const char* key, std::string& out, bool required) {
    if (!parent.contains(key)) {
      if (required) throw bad(std::string("has no \"") + key + "\"");
      return;
    }
    if (!parent[key].is_string()) throw bad(std::string("has a \"") + key + "\" that is not text");
    out = parent[key].get<std::string>();
  };
  auto whole = [&](const char* key, uint64_t& out, bool required) {
    if (!j.contains(key)) {
      if (required) throw bad(std::string("has no \"") + key + "\"");
      return false;
    }
    if (!j[key].is_number_unsigned()) throw bad(std::string("has a \"") + key + "\" that is not a whole number");
    out = j[key].get<uint64_t>();
    return true;
  };
  text_(j, "program", d.program, true);
  uint64_t tile = 0;
  if (whole("tile", tile, false)) {
    if (tile < 1 || tile > 100000) throw bad("has a \"tile\" outside 1..100000");
    d.tile = static_cast<int>(tile);
  }
  whole("seed", d.seed, true);
  whole("drawsBefore", d.drawsBefore, true);
  if (d.drawsBefore > kMostDraws) throw bad("has a \"drawsBefore\" above " + std::to_string(kMostDraws));
  if (j.contains("firstDraws")) {
    // Parsed from the text itself: each draw must be exactly the float it was.
    std::optional<std::string_view> raw = rawMember(text, "firstDraws");
    std::vector<float> draws;
    if (raw) {
      std::string list(raw->substr(1, raw->size() >= 2 ? raw->size() - 2 : 0));
      list.erase(std::remove_if(list.begin(), list.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); }),
                 list.end());
      try {
        if (!list.empty()) draws = parseDraws(list);
      } catch (const ToolError& e) {
        throw bad(std::string("has bad \"firstDraws\": ") + e.what());
      }
    }
    if (!raw || !j["firstDraws"].is_array() || draws.size() != j["firstDraws"].size())
      throw bad("has a \"firstDraws\" that is not a list of numbers");
    d.firstDraws = draws;
  }
  if (!j.contains("document") || !j["document"].is_object()) throw bad("has no \"document\" object");
  const Json& doc = j["document"];
  text_(doc, "colorModel", d.colorModel, true);
  text_(doc, "page", d.page, true);
  text_(doc, "fill", d.fill, true);
  text_(doc, "stroke", d.stroke, true);
  if (doc.contains("swatches")) d.swatchList = doc["swatches"].dump();
  // The document options are checked as the command line's are; the record is the one the
  // plug-in held, taken as it is (like any stored record).
  (void)prepareHost(hostArgsFor(d, HostArgs{}), nullptr);
  std::optional<std::string_view> record = rawMember(text, "record");
  if (!record) throw bad("has no \"record\"");
  ParamRecord r = paramsFromJson(*record, name + " (the design's record)");
  if (!r.complete()) throw bad("has an incomplete record: no " + r.missing().front());
  d.record = r.params;
  return d;
}

std::string designSvgMetadata(const DesignMeta& design) {
  return "<flarimond:design xmlns:flarimond=\"" + std::string(kDesignNamespace) + "\">" +
         xmlEscaped(designJson(design)) + "</flarimond:design>";
}

flhost::PngText designPngText(const DesignMeta& design) {
  return {std::string(kDesignPngKeyword), designJson(design)};
}

void writeDesignDocument(const flhost::Document& doc, const DesignMeta& design, OutputFormat format,
                         [[maybe_unused]] const PictureOptions& picture, std::ostream& out,
                         [[maybe_unused]] std::string_view name) {
  if (format == OutputFormat::Svg) {
    flhost::writeDocumentSvg(doc, out, picture.frame, designSvgMetadata(design));
  } else if (format == OutputFormat::Json) {
    flhost::writeDocumentJson(doc, out, designJson(design));
  } else {
#ifdef FLARIMOND_HAVE_CAIRO
    std::string why;
    if (!flhost::writeDocumentPng(doc, out, picture.pixelWidth, picture.transparent, &why,
                                  picture.frame,
                                  {designPngText(design)}, terminalProgress("drawing " + std::string(name))))
      throw ToolError(std::string(name) + ": " + why);
#endif
  }
}

std::vector<DesignMeta> readDesigns(const fs::path& path) {
  std::string name = displayPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) throw ToolError(name + ": no such file");
  std::string ext = path.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string bytes = readWhole(path);
  std::vector<std::string> texts;
  if (ext == ".svg") {
    texts = svgDesigns(bytes);
  } else if (ext == ".png") {
    texts = pngDesigns(bytes, name);
  } else if (ext == ".json") {
    std::optional<std::string_view> design = rawMember(bytes, "design");
    if (design) texts.emplace_back(*design);
  } else {
    throw ToolError(name + ": expected a .svg, .png or .json file that flarimond wrote");
  }
  if (texts.empty()) throw ToolError(name + ": carries no design (flarimond writes one into every SVG, PNG and JSON)");
  std::vector<DesignMeta> designs;
  for (const std::string& text : texts) designs.push_back(designFromJson(text, name));
  return designs;
}

const DesignMeta& pickDesign(const std::vector<DesignMeta>& designs, std::optional<int> tile, std::string_view source) {
  std::string name(source);
  bool sheet = designs.size() > 1 || (designs.size() == 1 && designs.front().tile);
  if (!tile) {
    if (sheet)
      throw ToolError(name + ": a sheet of " + std::to_string(designs.size()) + " tiles: choose one with --tile N");
    return designs.front();
  }
  for (const DesignMeta& d : designs)
    if (d.tile == tile) return d;
  if (!sheet) throw ToolError(name + ": --tile " + std::to_string(*tile) + ": the file holds one design, not a sheet");
  throw ToolError(name + ": --tile " + std::to_string(*tile) + ": the sheet has tiles 1.." +
                  std::to_string(designs.size()));
}

}  // namespace fltools
