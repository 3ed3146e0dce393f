// Parameter files: the filter's record as the user keeps it between runs of the program.
//
//   .bin   the 336-byte record exactly as the host stores it (84 little-endian 4-byte fields)
//   .json  one object with the fields by name, in record order: flags as 0 or 1, integers and
//          list positions as integers, reals as the shortest text that reads back as the same
//          float; optionally first where the random source stood when the design's drawing
//          began: "seed" (a whole number), "drawsBefore" (the draws taken by then) and
//          "firstDraws" (the exact first draws, when there were any). A saved file names all 84
//          fields; one written by hand may name only some, and the others then take the defaults
//          (the caller fills them in: see ParamRecord::over).
//   .bin.random  beside a .bin file, which holds the record alone: the random start as a JSON
//          object of the same three members. Optional: without it the .bin is drawn as before.
//
// Reading refuses what cannot be a record: a .bin file of another size, and in either format a
// real that is not a finite number; a .json file may name each field at most once, with a value of
// the field's kind. A value outside its control's range is a record all the same (an older or
// hand-edited one): it is read as stored, and rangeProblem says which values those are. Every
// problem found is reported, each naming the file, the field and the value.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "burst_fields.h"
#include "burst_params.h"
#include "host_config.h"
#include "output_file.h"

namespace fltools {

enum class ParamFormat { Bin, Json };

// By the file's extension, in any case; nullopt for any other.
std::optional<ParamFormat> paramFormatOf(const std::filesystem::path& path);

// Every problem with one parameter file; what() lists them one a line.
class ParamFileError : public ToolError {
 public:
  explicit ParamFileError(std::vector<std::string> problems);
  const std::vector<std::string>& problems() const { return problems_; }

 private:
  std::vector<std::string> problems_;
};

// The record's values outside the ranges of their controls, each "NAME: FIELD = VALUE is outside
// LO..HI"; "" from rangeProblem for a value inside. The range of the two swatch fields depends on the
// document, so the caller says how many swatches it has. `name` is how messages name the record's
// source (a file name).
std::string rangeProblem(const BurstParams& params, const BurstField& field, int32_t swatchCount,
                         std::string_view name);

// A record as a parameter file gives it: a .bin names every field, a .json perhaps only some.
struct ParamRecord {
  BurstParams params{};                              // the named fields; the others 0
  std::array<bool, kBurstParamsFieldCount> named{};  // by field index (offset / 4)
  RandomStart random;  // the file's random start: no seed, no draws, 0 draws before when it has none

  bool complete() const;
  // The names of the fields the file leaves out, in record order.
  std::vector<std::string> missing() const;
  // The record with each field the file leaves out taken from `defaults`.
  BurstParams over(const BurstParams& defaults) const;
};

// The field of that name, or null.
const BurstField* fieldNamed(std::string_view name);

// Every value of the record outside its control's range, as rangeProblem gives them.
std::vector<std::string> checkParams(const BurstParams& params, int32_t swatchCount, std::string_view name);

// The stored form and back. fromBytes throws ParamFileError when the size is not 336 or a real is
// not finite; it does not check ranges (checkParams does).
std::vector<uint8_t> paramsToBytes(const BurstParams& params);
BurstParams paramsFromBytes(std::span<const uint8_t> bytes, std::string_view name);

// The JSON form and back. toJson throws ParamFileError for a non-finite real, which JSON cannot
// hold; with a random start it writes its members first. fromJson reports syntax errors with line
// and column, unknown and repeated fields (with the field a mistyped name most likely meant), and
// values of the wrong kind; it does not check ranges; fields it does not name are left out of
// the result.
std::string paramsToJson(const BurstParams& params, std::string_view name = "record",
                         const RandomStart* start = nullptr);
ParamRecord paramsFromJson(std::string_view text, std::string_view name);

// Reads one record object from the JSON library's events (a parameter file's whole text, or a
// record inside a larger JSON text), collecting every problem. `withRandomStart`: the object may
// also hold "seed", "drawsBefore" and "firstDraws", as a parameter file does.
class RecordReader : public nlohmann::json_sax<nlohmann::json> {
 public:
  RecordReader(std::string_view source, bool withRandomStart);
  // The record read, once the events ended; ParamFileError with every problem found.
  ParamRecord result() const;

  bool null() override;
  bool boolean(bool val) override;
  bool number_integer(number_integer_t val) override;
  bool number_unsigned(number_unsigned_t val) override;
  bool number_float(number_float_t val, const string_t& s) override;
  bool string(string_t& val) override;
  bool binary(binary_t&) override;
  bool start_object(std::size_t) override;
  bool end_object() override;
  bool start_array(std::size_t) override;
  bool end_array() override;
  bool key(string_t& val) override;
  bool parse_error(std::size_t, const std::string& lastToken, const nlohmann::detail::exception& ex) override;

 private:
  enum class Special { None, Seed, DrawsBefore, FirstDraws };
  struct Value;
  bool scalar(const Value& v);
  bool whole(bool isWhole, uint64_t value, const std::string& text);
  bool draw(bool isNumber, float value, const std::string& text);
  void topLevel(const char* found);

  std::string source_;
  bool withRandomStart_;
  ParamRecord record_;
  std::vector<std::string> problems_;
  bool sawObject_ = false;
  bool syntaxError_ = false;
  bool seen_[kBurstParamsFieldCount] = {};
  bool seenSpecial_[4] = {};
  int depth_ = 0;
  const BurstField* current_ = nullptr;
  Special special_ = Special::None;  // the value that comes is this member's
  bool inDraws_ = false;             // inside the firstDraws list
};

// A .bin file keeps its random start in FILE.random beside it (a JSON object of "seed",
// "drawsBefore" and "firstDraws"): the record's 336 bytes are a stored format and hold nothing
// else.
std::filesystem::path randomStartFile(const std::filesystem::path& binFile);
std::string randomStartJson(const RandomStart& start);

// Reads a .bin or .json file (through readInputFile), and a .bin's randomStartFile when there is
// one. ParamFileError (a ToolError) for what cannot be read as a record, including a file that is
// missing, unreadable, too large or of another type; one line on `warnings` for each value the
// file names outside its control's range (for a document with swatchCount swatches).
ParamRecord readParamFile(const std::filesystem::path& path, int32_t swatchCount, std::ostream& warnings);

// The record as the host stores it with the filter to hand to another document: the run state of
// the document it was last used in is cleared. previewValid says that art drawn by the dialog is in
// that document; no other document holds that art, so a record read from a file starts at 0 (with 1,
// Go would take the empty document for the finished design and draw nothing). finalRun is kept: it
// is set before every read.
BurstParams storedRecord(BurstParams params);

// The field a mistyped name most likely meant (the same name in another case, or one a couple of
// edits away), or null.
const char* closestFieldName(std::string_view name);
// "unknown field "NAME"", with " (did you mean FIELD?)" when closestFieldName finds one.
std::string unknownFieldText(std::string_view name);

// Writes the record in the format to a stream (so a caller can claim its output file early); the
// random start goes into the JSON form only (a .bin's goes to randomStartFile, which the caller
// writes). ParamFileError for a record JSON cannot hold; nothing is written then.
void writeParams(std::ostream& out, ParamFormat format, const BurstParams& params, std::string_view name,
                 const RandomStart* start = nullptr);

// Writes the record in the format the extension names, whole or not at all. ToolError for an
// unknown extension, ParamFileError for a record JSON cannot hold, ToolError when writing fails.
void writeParamFile(const std::filesystem::path& path, const BurstParams& params);

}  // namespace fltools
