#include "param_file.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>

#include "burst_fields.h"
#include "export.h"

namespace fltools {

namespace fs = std::filesystem;

namespace {

std::string joinLines(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& line : lines) {
    if (!s.empty()) s += '\n';
    s += line;
  }
  return s;
}

std::string realText(double v) {
  char text[40];
  auto [end, ec] = std::to_chars(text, text + sizeof text, v);
  (void)ec;
  return std::string(text, end);
}

std::string floatText(float v) {
  if (std::isnan(v)) return "nan";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  std::string s;
  flhost::appendShortestFloat(s, v);
  return s;
}

// One field's value as found in a file, before it is checked and stored.
struct FoundValue {
  enum class Kind { Integer, Real, Other } kind = Kind::Other;
  int64_t integer = 0;  // Integer
  double real = 0;      // Real: the value as written
  float asFloat = 0;    // Real: the float the text reads as (exact, not through double)
  std::string text;  // for messages
};

FoundValue integerValue(int64_t v) {
  FoundValue f;
  f.kind = FoundValue::Kind::Integer;
  f.integer = v;
  f.text = std::to_string(v);
  return f;
}

FoundValue floatValue(float v) {
  FoundValue f;
  f.kind = FoundValue::Kind::Real;
  f.real = v;
  f.asFloat = v;
  f.text = floatText(v);
  return f;
}

// Checks one value against its field and stores it. Returns the problem, or "" when stored.
std::string storeField(const BurstField& field, const FoundValue& v, int32_t swatchCount,
                       std::string_view source, BurstParams& out) {
  std::string prefix = std::string(source) + ": " + field.name + " = " + v.text;
  auto* slot = reinterpret_cast<unsigned char*>(&out) + field.offset;
  if (field.kind == FieldKind::Float) {
    double d;
    if (v.kind == FoundValue::Kind::Integer) {
      d = static_cast<double>(v.integer);
    } else if (v.kind == FoundValue::Kind::Real) {
      // A finite value too large for a float is outside every range below; say that instead.
      if (!std::isfinite(v.real)) return prefix + " is not a finite number";
      d = v.real;
    } else {
      return prefix + " is not a number";
    }
    if (d < field.min || d > field.max)
      return prefix + " is outside " + realText(field.min) + ".." + realText(field.max);
    float f = v.kind == FoundValue::Kind::Integer ? static_cast<float>(v.integer) : v.asFloat;
    std::memcpy(slot, &f, 4);
    return "";
  }
  if (field.kind == FieldKind::Flag) {
    if (v.kind != FoundValue::Kind::Integer || (v.integer != 0 && v.integer != 1))
      return prefix + " is not a flag (0 or 1)";
  } else {
    if (v.kind != FoundValue::Kind::Integer) return prefix + " is not an integer";
    int64_t lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
    std::string note;
    if (field.range == FieldRange::Fixed) {
      lo = static_cast<int64_t>(field.min);
      hi = static_cast<int64_t>(field.max);
    } else if (field.range == FieldRange::Swatches) {
      lo = 0;
      hi = swatchCount;
      note = " (the document's swatches)";
    }
    if (v.integer < lo || v.integer > hi)
      return prefix + " is outside " + std::to_string(lo) + ".." + std::to_string(hi) + note;
  }
  int32_t i = static_cast<int32_t>(v.integer);
  std::memcpy(slot, &i, 4);
  return "";
}

uint32_t loadLittleEndian(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

const char* closestFieldName(std::string_view name) {
  auto lower = [](std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
  };
  std::string wanted = lower(name);
  const char* best = nullptr;
  size_t bestDistance = 3;
  for (const BurstField& f : kBurstFields) {
    std::string candidate = lower(f.name);
    std::vector<size_t> row(candidate.size() + 1);
    for (size_t j = 0; j <= candidate.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= wanted.size(); ++i) {
      size_t diagonal = row[0];
      row[0] = i;
      for (size_t j = 1; j <= candidate.size(); ++j) {
        size_t up = row[j];
        row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (wanted[i - 1] != candidate[j - 1])});
        diagonal = up;
      }
    }
    if (row.back() < bestDistance) {
      bestDistance = row.back();
      best = f.name;
    }
  }
  return best;
}

const BurstField* fieldNamed(std::string_view name) {
  for (const BurstField& f : kBurstFields)
    if (name == f.name) return &f;
  return nullptr;
}

namespace {

using Json = nlohmann::json;

// Reads the flat object of a .json record as events: the parser hands over each number's text,
// so a real is read straight into a float (never rounded twice through a double), and a
// repeated name is seen rather than silently replaced.
class RecordReader : public nlohmann::json_sax<Json> {
 public:
  RecordReader(int32_t swatchCount, std::string_view source, BurstParams& out)
      : swatchCount_(swatchCount), source_(source), out_(out) {}

  std::vector<std::string> problems;
  bool seen[kBurstParamsFieldCount] = {};
  bool sawObject = false;

  bool null() override { return scalar(other("null")); }
  bool boolean(bool val) override { return scalar(other(val ? "true" : "false")); }
  bool number_integer(number_integer_t val) override { return scalar(integerValue(val)); }
  bool number_unsigned(number_unsigned_t val) override {
    // Anything past int64 is far outside every range; saturating keeps the message's text right.
    FoundValue v = integerValue(static_cast<int64_t>(std::min<number_unsigned_t>(val, INT64_MAX)));
    v.text = std::to_string(val);
    return scalar(v);
  }
  bool number_float(number_float_t val, const string_t& s) override {
    FoundValue v;
    v.kind = FoundValue::Kind::Real;
    v.real = val;
    v.text = s;
    if (std::isfinite(val) && std::fabs(val) <= FLT_MAX) {
      auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v.asFloat);
      // Underflow is the only way a finite value in float range fails here; it reads as the
      // nearest float, which the conversion from the double gives.
      if (ec != std::errc() || end != s.data() + s.size()) v.asFloat = static_cast<float>(val);
    }
    return scalar(v);
  }
  bool string(string_t& val) override { return scalar(other(Json(val).dump())); }
  bool binary(binary_t&) override { return scalar(other("binary")); }

  bool start_object(std::size_t) override {
    if (depth_ == 0) sawObject = true;
    else if (depth_ == 1) scalar(other("{...}"));
    ++depth_;
    return true;
  }
  bool end_object() override {
    --depth_;
    return true;
  }
  bool start_array(std::size_t) override {
    if (depth_ == 0) {
      topLevel("an array");
      return false;
    }
    if (depth_ == 1) scalar(other("[...]"));
    ++depth_;
    return true;
  }
  bool end_array() override {
    --depth_;
    return true;
  }
  bool key(string_t& val) override {
    if (depth_ != 1) return true;
    current_ = fieldNamed(val);
    if (!current_) {
      std::string p = std::string(source_) + ": unknown field " + Json(val).dump();
      if (const char* near = closestFieldName(val)) p += std::string(" (did you mean ") + near + "?)";
      problems.push_back(p);
      return true;
    }
    int index = current_->offset / 4;
    if (seen[index]) {
      problems.push_back(std::string(source_) + ": field " + current_->name + " appears more than once");
      current_ = nullptr;
      return true;
    }
    seen[index] = true;
    return true;
  }
  bool parse_error(std::size_t, const std::string& lastToken, const nlohmann::detail::exception& ex) override {
    syntaxError = true;
    // The reader gives up on a number no double holds (1e999) before it reaches us as a value.
    if (ex.id == 406 && depth_ == 1 && current_) {
      problems.push_back(std::string(source_) + ": " + current_->name + " = " + lastToken +
                         " is not a finite number");
      return false;
    }
    // The library's text reads "[json.exception...] parse error at line L, column C: what";
    // turn it into the usual FILE:LINE:COLUMN: form.
    std::string what = ex.what();
    std::string where, detail = what;
    size_t at = what.find("at line ");
    size_t colon = at == std::string::npos ? std::string::npos : what.find(": ", at);
    if (colon != std::string::npos) {
      unsigned line = 0, column = 0;
      if (std::sscanf(what.c_str() + at, "at line %u, column %u", &line, &column) == 2)
        where = ":" + std::to_string(line) + ":" + std::to_string(column);
      detail = what.substr(colon + 2);
    }
    problems.push_back(std::string(source_) + where + ": JSON " + detail);
    return false;
  }

  bool syntaxError = false;

 private:
  static FoundValue other(std::string text) {
    FoundValue v;
    v.text = std::move(text);
    return v;
  }
  void topLevel(const char* found) {
    problems.push_back(std::string(source_) + ": expected an object of the record's fields, found " + found);
    syntaxError = true;
  }
  bool scalar(const FoundValue& v) {
    if (depth_ == 0) {
      topLevel(v.kind == FoundValue::Kind::Other ? "a single value" : "a number");
      return false;
    }
    if (depth_ == 1 && current_) {
      std::string problem = storeField(*current_, v, swatchCount_, source_, out_);
      if (!problem.empty()) problems.push_back(problem);
      current_ = nullptr;
    }
    return true;
  }

  int32_t swatchCount_;
  std::string_view source_;
  BurstParams& out_;
  int depth_ = 0;
  const BurstField* current_ = nullptr;
};

std::string readWholeFile(const fs::path& path) {
  std::string name = displayPath(path);
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st)) throw ParamFileError({name + ": no such file"});
  if (fs::is_directory(st)) throw ParamFileError({name + ": is a directory, not a parameter file"});
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ParamFileError({name + ": cannot read: " + std::strerror(errno)});
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw ParamFileError({name + ": cannot read: " + std::strerror(errno)});
  return bytes;
}

}  // namespace

ParamFileError::ParamFileError(std::vector<std::string> problems)
    : ToolError(joinLines(problems)), problems_(std::move(problems)) {}

std::optional<ParamFormat> paramFormatOf(const fs::path& path) {
  std::string ext = path.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".bin") return ParamFormat::Bin;
  if (ext == ".json") return ParamFormat::Json;
  return std::nullopt;
}

std::vector<std::string> checkParams(const BurstParams& params, int32_t swatchCount, std::string_view name) {
  std::vector<std::string> problems;
  BurstParams scratch = params;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&params);
  for (const BurstField& f : kBurstFields) {
    FoundValue v;
    if (f.kind == FieldKind::Float) {
      float x;
      std::memcpy(&x, bytes + f.offset, 4);
      v = floatValue(x);
    } else {
      int32_t i;
      std::memcpy(&i, bytes + f.offset, 4);
      v = integerValue(i);
    }
    std::string problem = storeField(f, v, swatchCount, name, scratch);
    if (!problem.empty()) problems.push_back(std::move(problem));
  }
  return problems;
}

std::vector<uint8_t> paramsToBytes(const BurstParams& params) {
  std::vector<uint8_t> bytes(sizeof(BurstParams));
  const auto* src = reinterpret_cast<const unsigned char*>(&params);
  for (size_t at = 0; at < sizeof(BurstParams); at += 4) {
    uint32_t v;
    std::memcpy(&v, src + at, 4);
    for (int b = 0; b < 4; ++b) bytes[at + b] = static_cast<uint8_t>(v >> (8 * b));
  }
  return bytes;
}

BurstParams paramsFromBytes(std::span<const uint8_t> bytes, std::string_view name) {
  if (bytes.size() != sizeof(BurstParams))
    throw ParamFileError({std::string(name) + ": a parameter record is " + std::to_string(sizeof(BurstParams)) +
                          " bytes, this file has " + std::to_string(bytes.size())});
  BurstParams params;
  auto* dst = reinterpret_cast<unsigned char*>(&params);
  for (size_t at = 0; at < sizeof(BurstParams); at += 4) {
    uint32_t v = loadLittleEndian(bytes.data() + at);
    std::memcpy(dst + at, &v, 4);
  }
  return params;
}

std::string paramsToJson(const BurstParams& params, std::string_view name) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&params);
  std::string s = "{\n";
  std::vector<std::string> problems;
  for (int i = 0; i < kBurstParamsFieldCount; ++i) {
    const BurstField& f = kBurstFields[i];
    s += "  \"";
    s += f.name;
    s += "\": ";
    if (f.kind == FieldKind::Float) {
      float x;
      std::memcpy(&x, bytes + f.offset, 4);
      if (!std::isfinite(x))
        problems.push_back(std::string(name) + ": " + f.name + " = " + floatText(x) + " has no JSON form");
      // "-0" would read back as the integer 0 and lose its sign.
      if (x == 0.0f && std::signbit(x))
        s += "-0.0";
      else
        flhost::appendShortestFloat(s, x);
    } else {
      int32_t v;
      std::memcpy(&v, bytes + f.offset, 4);
      s += std::to_string(v);
    }
    s += i + 1 < kBurstParamsFieldCount ? ",\n" : "\n";
  }
  s += "}\n";
  if (!problems.empty()) throw ParamFileError(problems);
  return s;
}

BurstParams paramsFromJson(std::string_view text, int32_t swatchCount, std::string_view name) {
  BurstParams params{};
  RecordReader reader(swatchCount, name, params);
  Json::sax_parse(text.begin(), text.end(), &reader);
  if (!reader.syntaxError && !reader.sawObject)
    reader.problems.push_back(std::string(name) + ": expected an object of the record's fields");
  if (!reader.syntaxError) {
    std::string missing;
    int count = 0;
    for (int i = 0; i < kBurstParamsFieldCount; ++i) {
      if (reader.seen[i]) continue;
      missing += count++ ? ", " : "";
      missing += kBurstFields[i].name;
    }
    if (count)
      reader.problems.push_back(std::string(name) + ": missing " + (count == 1 ? "field " : "fields ") + missing +
                                " (a saved record has all " + std::to_string(kBurstParamsFieldCount) + ")");
  }
  if (!reader.problems.empty()) throw ParamFileError(std::move(reader.problems));
  return params;
}

BurstParams readParamFile(const fs::path& path, int32_t swatchCount) {
  std::string name = displayPath(path);
  std::optional<ParamFormat> format = paramFormatOf(path);
  if (!format) throw ParamFileError({name + ": unknown parameter file type (use .bin or .json)"});
  std::string bytes = readWholeFile(path);
  if (*format == ParamFormat::Json) return paramsFromJson(bytes, swatchCount, name);
  BurstParams params =
      paramsFromBytes(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), name);
  std::vector<std::string> problems = checkParams(params, swatchCount, name);
  if (!problems.empty()) throw ParamFileError(std::move(problems));
  return params;
}

void writeParams(std::ostream& out, ParamFormat format, const BurstParams& params, std::string_view name) {
  if (format == ParamFormat::Json) {
    out << paramsToJson(params, name);
  } else {
    std::vector<uint8_t> bytes = paramsToBytes(params);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
}

void writeParamFile(const fs::path& path, const BurstParams& params) {
  std::optional<ParamFormat> format = paramFormatOf(path);
  if (!format) throw ToolError(displayPath(path) + ": unknown parameter file type (use .bin or .json)");
  std::string name = displayPath(path);
  writeFileAtomically(path, [&](std::ostream& out) { writeParams(out, *format, params, name); });
}

}  // namespace fltools
