#include "param_file.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cfloat>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <ostream>
#include <limits>
#include <nlohmann/json.hpp>

#include "burst_fields.h"
#include "export.h"
#include "input_file.h"
#include "json_reader.h"
#include "suggest.h"
#include "text_format.h"

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

// One field's value as found in a file, before it is checked and stored.
struct FoundValue {
  enum class Kind { Integer, Real, Other } kind = Kind::Other;
  int64_t integer = 0;  // Integer
  double real = 0;      // Real: the value as written
  float asFloat = 0;    // Real: the float the text reads as (exact, not through double)
  std::string text;     // for messages
};

FoundValue integerValue(int64_t v) {
  FoundValue f;
  f.kind = FoundValue::Kind::Integer;
  f.integer = v;
  f.text = std::to_string(v);
  return f;
}

// Stores one value in its field when the record can hold it: a finite number for a real, an
// integer of 32 bits for the others. Returns the problem, or "" when stored. Ranges are not
// checked here (rangeProblem does): a record holds what it holds.
std::string storeField(const BurstField& field, const FoundValue& v, std::string_view source, BurstParams& out) {
  std::string prefix = std::string(source) + ": " + field.name + " = " + v.text;
  auto* slot = reinterpret_cast<unsigned char*>(&out) + field.offset;
  if (field.kind == FieldKind::Float) {
    float f;
    if (v.kind == FoundValue::Kind::Integer) {
      f = static_cast<float>(v.integer);
    } else if (v.kind == FoundValue::Kind::Real) {
      if (!std::isfinite(v.real)) return prefix + " is not a finite number";
      if (!std::isfinite(v.asFloat)) return prefix + " is too large for a 32-bit real";
      f = v.asFloat;
    } else {
      return prefix + " is not a number";
    }
    std::memcpy(slot, &f, 4);
    return "";
  }
  if (v.kind != FoundValue::Kind::Integer)
    return prefix + (field.kind == FieldKind::Flag ? " is not a flag (0 or 1)" : " is not an integer");
  if (v.integer < std::numeric_limits<int32_t>::min() || v.integer > std::numeric_limits<int32_t>::max())
    return prefix + " does not fit in 32 bits";
  int32_t i = static_cast<int32_t>(v.integer);
  std::memcpy(slot, &i, 4);
  return "";
}

uint32_t loadLittleEndian(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

const BurstField* fieldNamed(std::string_view name) {
  for (const BurstField& f : kBurstFields)
    if (name == f.name) return &f;
  return nullptr;
}

struct RecordReader::Value : FoundValue {
  Value() = default;
  Value(FoundValue v) : FoundValue(std::move(v)) {}  // NOLINT: a found value is a value
};

namespace {

FoundValue other(std::string text) {
  FoundValue v;
  v.text = std::move(text);
  return v;
}

}  // namespace

// Reads the flat object of a .json record as events: the parser hands over each number's text,
// so a real is read straight into a float (never rounded twice through a double), and a
// repeated name is seen rather than silently replaced.
RecordReader::RecordReader(std::string_view source, bool withRandomStart)
    : source_(source), withRandomStart_(withRandomStart) {}

bool RecordReader::null() { return scalar(other("null")); }
bool RecordReader::boolean(bool val) { return scalar(other(val ? "true" : "false")); }

bool RecordReader::number_integer(number_integer_t val) {
  if (special_ == Special::FirstDraws) return draw(true, static_cast<float>(val), std::to_string(val));
  if (special_ != Special::None) return whole(val >= 0, static_cast<uint64_t>(val), std::to_string(val));
  return scalar(integerValue(val));
}

bool RecordReader::number_unsigned(number_unsigned_t val) {
  if (special_ == Special::FirstDraws) return draw(true, static_cast<float>(val), std::to_string(val));
  if (special_ != Special::None) return whole(true, val, std::to_string(val));
  // Anything past int64 is far outside every range; saturating keeps the message's text right.
  FoundValue v = integerValue(static_cast<int64_t>(std::min<number_unsigned_t>(val, INT64_MAX)));
  v.text = std::to_string(val);
  return scalar(v);
}

bool RecordReader::number_float(number_float_t val, const string_t& s) {
  FoundValue v;
  v.kind = FoundValue::Kind::Real;
  v.real = val;
  v.text = s;
  if (std::isfinite(val)) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v.asFloat);
    // Out of range is either past the largest float (no record holds it) or underflow, which
    // reads as the nearest float, as the conversion from the double gives.
    if (ec != std::errc() || end != s.data() + s.size())
      v.asFloat = std::fabs(val) > 1 ? std::numeric_limits<float>::infinity() : static_cast<float>(val);
  }
  if (special_ == Special::FirstDraws) return draw(true, v.asFloat, s);
  if (special_ != Special::None) return whole(false, 0, s);
  return scalar(v);
}

bool RecordReader::string(string_t& val) { return scalar(other(Json(val).dump())); }
bool RecordReader::binary(binary_t&) { return scalar(other("binary")); }

bool RecordReader::start_object(std::size_t) {
  if (depth_ == 0)
    sawObject_ = true;
  else if (depth_ == 1 || inDraws_)
    scalar(other("{...}"));
  ++depth_;
  return true;
}

bool RecordReader::end_object() {
  --depth_;
  return true;
}

bool RecordReader::start_array(std::size_t) {
  if (depth_ == 0) {
    topLevel("an array");
    return false;
  }
  if (depth_ == 1 && special_ == Special::FirstDraws) {
    inDraws_ = true;
    record_.random.firstDraws.clear();
  } else if (depth_ == 1 || inDraws_) {
    scalar(other("[...]"));
  }
  ++depth_;
  return true;
}

bool RecordReader::end_array() {
  --depth_;
  if (inDraws_ && depth_ == 1) {
    inDraws_ = false;
    special_ = Special::None;
  }
  return true;
}

bool RecordReader::key(string_t& val) {
  if (depth_ != 1) return true;
  special_ = !withRandomStart_      ? Special::None
             : val == "seed"        ? Special::Seed
             : val == "drawsBefore" ? Special::DrawsBefore
             : val == "firstDraws"  ? Special::FirstDraws
                                    : Special::None;
  current_ = nullptr;
  if (special_ != Special::None) {
    bool& seen = seenSpecial_[static_cast<int>(special_)];
    if (seen) problems_.push_back(source_ + ": " + val + " appears more than once");
    seen = true;
    return true;
  }
  current_ = fieldNamed(val);
  if (!current_) {
    std::string p = source_ + ": unknown field " + Json(val).dump();
    if (const char* near = closestFieldName(val)) p += std::string(" (did you mean ") + near + "?)";
    problems_.push_back(p);
    return true;
  }
  int index = current_->offset / 4;
  if (seen_[index]) {
    problems_.push_back(source_ + ": field " + current_->name + " appears more than once");
    current_ = nullptr;
    return true;
  }
  seen_[index] = true;
  return true;
}

bool RecordReader::parse_error(std::size_t, const std::string& lastToken, const nlohmann::detail::exception& ex) {
  syntaxError_ = true;
  // The reader gives up on a number no double holds (1e999) before it reaches us as a value.
  if (ex.id == 406 && depth_ == 1 && current_) {
    problems_.push_back(source_ + ": " + current_->name + " = " + lastToken + " is not a finite number");
    return false;
  }
  problems_.push_back(jsonSyntaxProblem(source_, ex));
  return false;
}

void RecordReader::topLevel(const char* found) {
  problems_.push_back(source_ + ": expected an object of the record's fields, found " + found);
  syntaxError_ = true;
}

bool RecordReader::whole(bool isWhole, uint64_t value, const std::string& text) {
  Special which = special_;
  special_ = Special::None;
  const char* name = which == Special::Seed ? "seed" : "drawsBefore";
  if (!isWhole) {
    problems_.push_back(source_ + ": " + name + " = " + text + " is not a whole number from 0 to " +
                        std::to_string(UINT64_MAX));
  } else if (which == Special::Seed) {
    record_.random.seed = value;
  } else if (value > kMostDrawsBefore) {
    problems_.push_back(source_ + ": drawsBefore = " + text + " is above " + std::to_string(kMostDrawsBefore) +
                        ", more than this program would ever take");
  } else {
    record_.random.drawsBefore = value;
  }
  return true;
}

bool RecordReader::draw(bool isNumber, float value, const std::string& text) {
  if (inDraws_ && depth_ != 2) return true;  // inside a value already refused
  if (!inDraws_) {                           // a single value where the list belongs
    special_ = Special::None;
    problems_.push_back(source_ + ": firstDraws = " + text + " is not a list of numbers in [0, 1)");
    return true;
  }
  if (!isNumber || !(value >= 0.0f && value < 1.0f))
    problems_.push_back(source_ + ": firstDraws holds " + text + ", which is not in [0, 1)" +
                        (isNumber && value == 1.0f ? " (as a float it rounds to 1)" : ""));
  else
    record_.random.firstDraws.push_back(value);
  return true;
}

bool RecordReader::scalar(const Value& v) {
  if (inDraws_) return draw(false, 0, v.text);
  if (special_ == Special::FirstDraws) return draw(false, 0, v.text);
  if (special_ != Special::None) return whole(false, 0, v.text);
  if (depth_ == 0) {
    topLevel(v.kind == FoundValue::Kind::Other ? "a single value" : "a number");
    return false;
  }
  if (depth_ == 1 && current_) {
    std::string problem = storeField(*current_, v, source_, record_.params);
    if (!problem.empty()) problems_.push_back(problem);
    current_ = nullptr;
  }
  return true;
}

ParamRecord RecordReader::result() const {
  std::vector<std::string> problems = problems_;
  if (!syntaxError_ && !sawObject_) problems.push_back(source_ + ": expected an object of the record's fields");
  if (seenSpecial_[static_cast<int>(Special::DrawsBefore)] && !seenSpecial_[static_cast<int>(Special::Seed)])
    problems.push_back(source_ + ": drawsBefore counts the draws of a seed, and the file gives none");
  if (!problems.empty()) throw ParamFileError(std::move(problems));
  ParamRecord record = record_;
  std::copy(std::begin(seen_), std::end(seen_), record.named.begin());
  return record;
}

namespace {

// The file's bytes; a file that cannot be read is one more problem of the record.
std::string readWholeFile(const fs::path& path) {
  try {
    return readInputFile(path);
  } catch (const ToolError& e) {
    throw ParamFileError({e.what()});
  }
}

}  // namespace

const char* closestFieldName(std::string_view name) {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> v;
    for (const BurstField& f : kBurstFields) v.emplace_back(f.name);
    return v;
  }();
  std::string near = closestName(name, names);
  if (near.empty()) return nullptr;
  for (const BurstField& f : kBurstFields)
    if (near == f.name) return f.name;
  return nullptr;
}

std::string unknownFieldText(std::string_view name) {
  const char* near = closestFieldName(name);
  return "unknown field \"" + std::string(name) + "\"" +
         (near ? std::string(" (did you mean ") + near + "?)" : std::string());
}

ParamFileError::ParamFileError(std::vector<std::string> problems)
    : ToolError(joinLines(problems)), problems_(std::move(problems)) {}

std::optional<ParamFormat> paramFormatOf(const fs::path& path) {
  std::string ext = path.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".bin") return ParamFormat::Bin;
  if (ext == ".json") return ParamFormat::Json;
  return std::nullopt;
}

std::string rangeProblem(const BurstParams& params, const BurstField& field, int32_t swatchCount,
                         std::string_view name) {
  if (field.range == FieldRange::Unchecked) return "";
  const auto* slot = reinterpret_cast<const unsigned char*>(&params) + field.offset;
  std::string prefix = std::string(name) + ": " + field.name + " = ";
  if (field.kind == FieldKind::Float) {
    float x;
    std::memcpy(&x, slot, 4);
    if (x >= field.min && x <= field.max) return "";
    return prefix + floatText(x) + " is outside " + realText(field.min) + ".." + realText(field.max);
  }
  int32_t v;
  std::memcpy(&v, slot, 4);
  int64_t lo = static_cast<int64_t>(field.min), hi = static_cast<int64_t>(field.max);
  std::string note;
  if (field.range == FieldRange::Swatches) {
    lo = 0;
    hi = swatchCount;
    note = " (the document's swatches)";
  }
  if (v >= lo && v <= hi) return "";
  return prefix + std::to_string(v) + " is outside " + std::to_string(lo) + ".." + std::to_string(hi) + note;
}

std::vector<std::string> checkParams(const BurstParams& params, int32_t swatchCount, std::string_view name) {
  std::vector<std::string> problems;
  for (const BurstField& f : kBurstFields)
    if (std::string problem = rangeProblem(params, f, swatchCount, name); !problem.empty())
      problems.push_back(std::move(problem));
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
  std::vector<std::string> problems;
  for (const BurstField& f : kBurstFields) {
    float x;
    std::memcpy(&x, dst + f.offset, 4);
    if (f.kind == FieldKind::Float && !std::isfinite(x))
      problems.push_back(std::string(name) + ": " + f.name + " = " + floatText(x) + " is not a finite number");
  }
  if (!problems.empty()) throw ParamFileError(std::move(problems));
  return params;
}

std::string paramsToJson(const BurstParams& params, std::string_view name, const RandomStart* start) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&params);
  std::string s = "{\n";
  if (start)
    for (const auto& [key, value] : randomStartMembers(*start)) s += "  \"" + key + "\": " + value + ",\n";
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

bool ParamRecord::complete() const {
  return std::all_of(named.begin(), named.end(), [](bool b) { return b; });
}

std::vector<std::string> ParamRecord::missing() const {
  std::vector<std::string> names;
  for (int i = 0; i < kBurstParamsFieldCount; ++i)
    if (!named[i]) names.push_back(kBurstFields[i].name);
  return names;
}

BurstParams ParamRecord::over(const BurstParams& defaults) const {
  BurstParams result = defaults;
  auto* to = reinterpret_cast<unsigned char*>(&result);
  const auto* from = reinterpret_cast<const unsigned char*>(&params);
  for (int i = 0; i < kBurstParamsFieldCount; ++i)
    if (named[i]) std::memcpy(to + kBurstFields[i].offset, from + kBurstFields[i].offset, 4);
  return result;
}

ParamRecord paramsFromJson(std::string_view text, std::string_view name) {
  RecordReader reader(name, true);
  nlohmann::json::sax_parse(text.begin(), text.end(), &reader);
  return reader.result();
}

fs::path randomStartFile(const fs::path& binFile) {
  fs::path p = binFile;
  p += ".random";
  return p;
}

std::string randomStartJson(const RandomStart& start) {
  std::string s = "{";
  for (const auto& [key, value] : randomStartMembers(start)) s += (s.size() > 1 ? ", \"" : "\"") + key + "\": " + value;
  return s + "}\n";
}

ParamRecord readParamFile(const fs::path& path, int32_t swatchCount, std::ostream& warnings) {
  std::string name = displayPath(path);
  std::optional<ParamFormat> format = paramFormatOf(path);
  if (!format) throw ParamFileError({name + ": unknown parameter file type (use .bin or .json)"});
  std::string bytes = readWholeFile(path);
  ParamRecord record;
  if (*format == ParamFormat::Json) {
    record = paramsFromJson(bytes, name);
  } else {
    record.params = paramsFromBytes(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), name);
    record.named.fill(true);
    // Its random start, when it was saved with one.
    fs::path companion = randomStartFile(path);
    std::error_code ec;
    if (fs::symlink_status(companion, ec).type() != fs::file_type::not_found) {
      std::string companionName = displayPath(companion);
      try {
        Json start = readJson(readInputFile(companion), companionName);
        if (!start.is_object())
          throw ToolError(companionName + ": expected an object of seed, drawsBefore and firstDraws");
        for (const auto& [key, value] : start.items())
          if (key != "seed" && key != "drawsBefore" && key != "firstDraws")
            throw ToolError(companionName + ": unknown member \"" + key +
                            "\" (expected seed, drawsBefore and firstDraws)");
        readRandomStart(start, companionName, record.random);
        if (!record.random.seed && start.contains("drawsBefore"))
          throw ToolError(companionName + ": drawsBefore counts the draws of a seed, and the file gives none");
      } catch (const ParamFileError&) {
        throw;
      } catch (const ToolError& e) {
        throw ParamFileError({e.what()});
      }
    }
  }
  // Only the fields the file names: the others come from the plug-in's own defaults.
  for (const BurstField& f : kBurstFields)
    if (record.named[static_cast<size_t>(f.offset / 4)])
      if (std::string problem = rangeProblem(record.params, f, swatchCount, name); !problem.empty())
        warnings << "flarimond: warning: " << problem << "; passed to the plug-in as stored\n";
  return record;
}

BurstParams storedRecord(BurstParams params) {
  params.previewValid = 0;
  return params;
}

void writeParams(std::ostream& out, ParamFormat format, const BurstParams& params, std::string_view name,
                 const RandomStart* start) {
  if (format == ParamFormat::Json) {
    out << paramsToJson(params, name, start);
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
