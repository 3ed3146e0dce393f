// Parameter files: the filter's record as the user keeps it between runs of the program.
//
//   .bin   the 336-byte record exactly as the host stores it (84 little-endian 4-byte fields)
//   .json  one object with all 84 fields by name, in record order: flags as 0 or 1, integers and
//          list positions as integers, reals as the shortest text that reads back as the same float
//
// Reading checks every field the way the filter's dialog would have left it: the kind of each
// value and the range its control allows. The range of the two swatch fields depends on the
// document, so the caller says how many swatches it has. A record read from either format must be
// complete; every problem found is reported, each naming the file, the field and the value.
#pragma once

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

// The field of that name, or null.
const BurstField* fieldNamed(std::string_view name);
// The field a mistyped name most likely meant (another case, or a couple of edits away), or null.
const char* closestFieldName(std::string_view name);

// The record's problems against the ranges of its controls, each "NAME: FIELD = VALUE is ...".
// `name` is how messages name the record's source (a file name).
std::vector<std::string> checkParams(const BurstParams& params, int32_t swatchCount, std::string_view name);

// The stored form and back. fromBytes throws ParamFileError when the size is not 336; it does not
// check the values (checkParams does).
std::vector<uint8_t> paramsToBytes(const BurstParams& params);
BurstParams paramsFromBytes(std::span<const uint8_t> bytes, std::string_view name);

// The JSON form and back. toJson throws ParamFileError for a non-finite real, which JSON cannot
// hold. fromJson reports syntax errors with line and column, unknown, repeated and missing
// fields, and values of the wrong kind or outside their range.
std::string paramsToJson(const BurstParams& params, std::string_view name = "record");
BurstParams paramsFromJson(std::string_view text, int32_t swatchCount, std::string_view name);

// Reads a .bin or .json file and checks it. ParamFileError (a ToolError) for any problem,
// including a file that is missing, unreadable or of another type.
BurstParams readParamFile(const std::filesystem::path& path, int32_t swatchCount);

// Writes the record in the format to a stream (so a caller can claim its output file early).
// ParamFileError for a record JSON cannot hold; nothing is written then.
void writeParams(std::ostream& out, ParamFormat format, const BurstParams& params, std::string_view name);

// Writes the record in the format the extension names, whole or not at all. ToolError for an
// unknown extension, ParamFileError for a record JSON cannot hold, ToolError when writing fails.
void writeParamFile(const std::filesystem::path& path, const BurstParams& params);

}  // namespace fltools
