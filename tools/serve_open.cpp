#include "serve_open.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "design_file.h"
#include "host_run.h"
#include "output_file.h"
#include "param_file.h"
#include "params/burst_fields.h"
#include "text_format.h"

namespace fltools {

namespace fs = std::filesystem;

namespace {

// The first key of a JSON object, read no further; "" when the text does not start as one.
std::string firstKey(const fs::path& file) {
  struct FirstKey : nlohmann::json::json_sax_t {
    std::string first;
    int depth = 0;
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return ++depth == 1; }
    bool end_object() override { return false; }
    bool start_array(std::size_t) override { return false; }
    bool end_array() override { return false; }
    bool key(string_t& k) override {
      first = k;
      return false;  // enough
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::json::exception&) override { return false; }
  } sax;
  std::ifstream in(file, std::ios::binary);
  nlohmann::json::sax_parse(in, &sax);
  return sax.first;
}

// A .json flarimond wrote as a document starts with one of its members; a parameter file names
// record fields (and its seed).
bool isDocumentJson(const fs::path& file) {
  std::string key = firstKey(file);
  return key == "design" || key == "page" || key == "colorModel" || key == "arts";
}

// The messages of the readers name the file by its path; the caller's name replaces it.
std::string renamed(std::string text, const std::string& path, const std::string& name) {
  if (path == name) return text;
  for (size_t at = text.find(path); at != std::string::npos; at = text.find(path, at + name.size()))
    text.replace(at, path.size(), name);
  return text;
}

// The notes of the readers, one line each, without the program's name they start with.
std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("flarimond: ", 0) == 0) line.erase(0, 11);
    if (!line.empty()) out.push_back(line);
  }
  return out;
}

KeptStart fromDesign(const fs::path& file, const std::string& name, const HostConfig& given,
                     const std::optional<std::string>& id, std::optional<int> tile) {
  std::ostringstream notes;
  std::vector<FoundDesign> designs = readDesigns(file, notes);
  if (designs.size() > 1 && !tile && !id) {
    std::vector<int> tiles;
    tiles.reserve(designs.size());
    for (const FoundDesign& d : designs) tiles.push_back(d.design.tile.value_or(0));
    throw KeptSheet(name + ": a sheet of " + std::to_string(designs.size()) + " designs: say which tile to open",
                    std::move(tiles));
  }
  const FoundDesign& found = chooseDesign(designs, id, tile, name);
  if (found.artMatches == false)
    notes << designSource(displayPath(file), found.id, designs.size())
          << ": the art in the file is no longer the art this design drew (moved, recoloured or edited since); "
             "the dialog opens on the design as it was made\n";
  KeptStart start;
  start.config = configToDraw(found.design, given);
  start.document = documentOptions(start.config.document);
  start.record = storedRecord(found.design.record);
  start.design = true;
  start.warnings = lines(notes.str());
  return start;
}

KeptStart fromParamFile(const fs::path& file, const HostConfig& given, const flhost::DocumentOptions* into) {
  KeptStart start;
  start.config = given;
  start.document = into ? *into : documentOptions(given.document);
  std::ostringstream notes;
  start.record = recordFromFile(file, start.config, start.document, notes);
  start.warnings = lines(notes.str());
  return start;
}

}  // namespace

UploadFolder::UploadFolder() {
  std::string templ = (fs::temp_directory_path() / "flarimond-open-XXXXXX").string();
  if (!mkdtemp(templ.data()))
    throw ToolError(std::string("cannot make a folder for the file: ") + std::strerror(errno));
  path_ = templ;
}

UploadFolder::~UploadFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::optional<std::string> uploadName(const std::string& given) {
  std::string name = fs::path(given).filename().string();
  if (name.empty() || name == "." || name == ".." || name.size() > 200) return std::nullopt;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7f || c == '\\') return std::nullopt;
  return name;
}

KeptStart readKeptFile(const fs::path& file, const std::string& name, const HostConfig& given,
                       const std::optional<std::string>& id, std::optional<int> tile,
                       const flhost::DocumentOptions* into) {
  const std::string path = displayPath(file);
  try {
    std::optional<ParamFormat> format = paramFormatOf(file);
    const bool paramFile = format == ParamFormat::Bin || (format == ParamFormat::Json && !isDocumentJson(file));
    if (paramFile && tile) throw ToolError(path + ": a parameter file has no tiles");
    if (paramFile && id) throw ToolError(path + ": a parameter file has no designs to choose from");
    KeptStart start = paramFile ? fromParamFile(file, given, into) : fromDesign(file, name, given, id, tile);
    for (std::string& w : start.warnings) w = renamed(w, path, name);
    return start;
  } catch (const KeptSheet&) {
    throw;
  } catch (const ToolError& e) {
    throw ToolError(renamed(e.what(), path, name));
  }
}

}  // namespace fltools
