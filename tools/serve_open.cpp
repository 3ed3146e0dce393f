#include "serve_open.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "design_meta.h"
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

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) out.push_back(line);
  return out;
}

KeptStart fromDesign(const fs::path& file, const std::string& name, const HostArgs& given, const char* argv0,
                     std::optional<int> tile) {
  std::vector<DesignMeta> designs = readDesigns(file);
  const bool sheet = designs.size() > 1 || (designs.size() == 1 && designs.front().tile);
  if (sheet && !tile) {
    std::vector<int> tiles;
    for (const DesignMeta& d : designs) tiles.push_back(d.tile.value_or(0));
    throw KeptSheet(name + ": a sheet of " + std::to_string(designs.size()) + " designs: say which tile to open",
                    std::move(tiles));
  }
  const DesignMeta& design = pickDesign(designs, tile, name);
  HostArgs host = hostArgsFor(design, given);
  uint64_t skip = 0;
  if (!given.seedGiven) {
    host.seed = std::to_string(design.seed);
    host.seedGiven = true;
    host.draws = drawsText(design.firstDraws);
    skip = design.drawsBefore;
  }
  KeptStart start;
  start.setup = prepareHost(host, argv0);
  start.setup.options.skipDraws = skip;
  start.record = storedRecord(design.record);
  start.design = true;
  return start;
}

KeptStart fromParamFile(const fs::path& file, const HostArgs& given, const char* argv0,
                        const flhost::DocumentOptions* into) {
  KeptStart start;
  start.setup = prepareHost(given, argv0);
  if (into) start.setup.options.document = *into;
  const flhost::DocumentOptions& doc = start.setup.options.document;
  std::ostringstream warnings;
  ParamRecord r = readParamFile(file, static_cast<int32_t>(doc.swatches.size()), warnings);
  if (r.seed && !given.seedGiven) {
    start.setup.options.seed = r.seed;
    start.setup.options.draws.clear();
  }
  BurstParams record = r.params;
  if (!r.complete()) {
    // The plug-in's own defaults for a new document, whose view is centred on the page.
    BurstParams defaults{};
    writeFieldDefaults(&defaults, doc.pageWidth * 0.5f, doc.pageHeight * 0.5f);
    record = r.over(defaults);
    std::string names;
    for (const std::string& missing : r.missing()) names += (names.empty() ? "" : ", ") + missing;
    warnings << displayPath(file) << ": " << r.missing().size() << " of " << kBurstParamsFieldCount
             << " fields from the plug-in's defaults: " << names << "\n";
  }
  start.record = storedRecord(record);
  start.warnings = lines(warnings.str());
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

KeptStart readKeptFile(const fs::path& file, const std::string& name, const HostArgs& given, const char* argv0,
                       std::optional<int> tile, const flhost::DocumentOptions* into) {
  const std::string path = displayPath(file);
  try {
    std::optional<ParamFormat> format = paramFormatOf(file);
    const bool paramFile = format == ParamFormat::Bin || (format == ParamFormat::Json && !isDocumentJson(file));
    if (paramFile && tile) throw ToolError(path + ": a parameter file has no tiles");
    KeptStart start = paramFile ? fromParamFile(file, given, argv0, into) : fromDesign(file, name, given, argv0, tile);
    for (std::string& w : start.warnings) w = renamed(w, path, name);
    return start;
  } catch (const KeptSheet&) {
    throw;
  } catch (const ToolError& e) {
    throw ToolError(renamed(e.what(), path, name));
  }
}

}  // namespace fltools
