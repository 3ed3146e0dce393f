// Parameter files: the filter's record as the user keeps it between runs of the program.
//
//   .bin   the 336-byte record exactly as the host stores it (84 little-endian 4-byte fields)
//   .json  one object with the fields by name, in record order: flags as 0 or 1, integers and
//          list positions as integers, reals as the shortest text that reads back as the same
//          float; optionally "seed", the random source's seed (a whole number). A saved file names
//          all 84 fields; one written by hand may name only some, and the others then take the
//          defaults the plug-in makes (the caller fills them in: see ParamRecord::over).
//
// Reading checks every field the way the filter's dialog would have left it: the kind of each
// value and the range its control allows. The range of the two swatch fields depends on the
// document, so the caller says how many swatches it has. Every problem found is reported, each
// naming the file, the field and the value.
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

#include "burst_params.h"
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

// A record as a parameter file gives it: a .bin names every field, a .json perhaps only some.
struct ParamRecord {
  BurstParams params{};                               // the named fields; the others 0
  std::array<bool, kBurstParamsFieldCount> named{};   // by field index (offset / 4)
  std::optional<uint64_t> seed;                       // the .json's "seed"

  bool complete() const;
  // The names of the fields the file leaves out, in record order.
  std::vector<std::string> missing() const;
  // The record with each field the file leaves out taken from `defaults`.
  BurstParams over(const BurstParams& defaults) const;
};

// The record's problems against the ranges of its controls, each "NAME: FIELD = VALUE is ...".
// `name` is how messages name the record's source (a file name).
std::vector<std::string> checkParams(const BurstParams& params, int32_t swatchCount, std::string_view name);

// The stored form and back. fromBytes throws ParamFileError when the size is not 336; it does not
// check the values (checkParams does).
std::vector<uint8_t> paramsToBytes(const BurstParams& params);
BurstParams paramsFromBytes(std::span<const uint8_t> bytes, std::string_view name);

// The JSON form and back. toJson throws ParamFileError for a non-finite real, which JSON cannot
// hold; with a seed it writes "seed" first. fromJson reports syntax errors with line and column,
// unknown and repeated fields (with the field a mistyped name most likely meant), and values of
// the wrong kind or outside their range; fields it does not name are left out of the result.
std::string paramsToJson(const BurstParams& params, std::string_view name = "record",
                         std::optional<uint64_t> seed = std::nullopt);
ParamRecord paramsFromJson(std::string_view text, int32_t swatchCount, std::string_view name);

// Reads a .bin or .json file and checks it. ParamFileError (a ToolError) for any problem,
// including a file that is missing, unreadable or of another type.
ParamRecord readParamFile(const std::filesystem::path& path, int32_t swatchCount);

// The field a mistyped name most likely meant (the same name in another case, or one a couple of
// edits away), or null.
const char* closestFieldName(std::string_view name);

// Writes the record in the format to a stream (so a caller can claim its output file early); the
// seed goes into the JSON form only. ParamFileError for a record JSON cannot hold; nothing is
// written then.
void writeParams(std::ostream& out, ParamFormat format, const BurstParams& params, std::string_view name,
                 std::optional<uint64_t> seed = std::nullopt);

// Writes the record in the format the extension names, whole or not at all. ToolError for an
// unknown extension, ParamFileError for a record JSON cannot hold, ToolError when writing fails.
void writeParamFile(const std::filesystem::path& path, const BurstParams& params);

}  // namespace fltools
