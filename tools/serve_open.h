// What `serve --from FILE` and the page's Open start the filter dialog on: the record, the
// document options and the random source a kept file gives. This is where serve reads kept files;
// design_file.h and param_file.h do the reading.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "host_run.h"
#include "params/burst_params.h"

namespace fltools {

struct KeptStart {
  // The host options: the document's, and the random source (seed, first draws, draws to skip)
  // when the file gives one; module and faults as `given` says.
  HostConfig config;
  flhost::DocumentOptions document;   // the document to open into: config's, or `into`
  BurstParams record{};               // as the host hands a record to a new document (storedRecord)
  bool design = false;                // a design a document carries, rather than a parameter file
  std::vector<std::string> warnings;  // about the file's values, one line each
};

// Reads `file`, named `name` in every message (the page's uploads live under another name), as
// `name`'s extension says: a design from a .svg, .png or .json flarimond wrote (the one `id` names,
// or the tile of a sheet `tile` names, as chooseDesign chooses), or a parameter file (.bin, or a
// .json that is not a document). A
// parameter file gives no document: it opens into one with the options of `into` when given (the
// page's document), else as `given` describes.
//
// A design gives its record, its document options and its random source where its drawing began,
// so that the dialog opened on it previews, and OK draws, that design again; the options `given`
// names replace the design's, and a seed given starts the random source afresh (as render --from
// does). A parameter file gives its record, with the fields it leaves out at the plug-in's own
// defaults for that document, and its random start when it has one. ToolError for a file that
// cannot be read or gives no design or record; KeptSheet for several designs and none chosen.
KeptStart readKeptFile(const std::filesystem::path& file, const std::string& name, const HostConfig& given,
                       const std::optional<std::string>& id, std::optional<int> tile,
                       const flhost::DocumentOptions* into = nullptr);

// How the server reads a kept file the page opens: readKeptFile with the server's own module
// and none of its document options, which the file gives.
using OpenKept = std::function<KeptStart(const std::filesystem::path& file, const std::string& name,
                                         std::optional<int> tile, const flhost::DocumentOptions& into)>;

// A folder of its own for a file the page sends (to be read as a kept file), removed with
// everything in it. ToolError when it cannot be made.
class UploadFolder {
 public:
  UploadFolder();
  ~UploadFolder();
  UploadFolder(const UploadFolder&) = delete;
  UploadFolder& operator=(const UploadFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The name the page gives a file it sends, as a file name of its own in an UploadFolder: its last
// part, printable; nullopt when there is none.
std::optional<std::string> uploadName(const std::string& given);

// A sheet of several designs was opened without saying which.
struct KeptSheet : ToolError {
  KeptSheet(const std::string& what, std::vector<int> tiles) : ToolError(what), tiles(std::move(tiles)) {}
  std::vector<int> tiles;  // the designs' tile numbers
};

}  // namespace fltools
