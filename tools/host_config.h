// The host options of a run as values. The command line's text is turned into a HostConfig once
// (parseHostOptions); a design's description holds the same values and gives them back
// (documentJson / documentFromJson, randomStart members); a design drawn again takes its own
// values with the ones the user gave on top (overlay); the session is made from the result
// (sessionOptions). Each option's text is read and written by one pair of functions in
// cli_options.h.
//
// A new document option takes edits in three files: its field in DocumentConfig and its text in
// HostArgs (this header); its CLI11 option (command_options.cpp); and in host_config.cpp its
// parsing, overlay, what it sets in the document, how the document says it back, its member of
// the description (written and read) and its words in documentSummary. (An option whose text is
// of a new kind also gets its parser and text in cli_options.)
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli_options.h"
#include "document.h"
#include "json_reader.h"
#include "session.h"
#include "swatch_file.h"

namespace fltools {

// The host options as the command line gives them, as text (CLI11 fills these in).
struct HostArgs {
  std::string module;
  bool seedGiven = false;
  std::string seed;
  std::string draws;
  std::string colorModel;  // "" is rgb
  std::string page;
  std::vector<std::string> fails;
  std::string swatches;  // a swatch file replacing the default list
  std::string fill;      // the paint for new paths
  std::string stroke;
  std::string opacity;    // of new paths
  std::string artStyles;  // how many named art styles
};

// The document options a design depends on; each unset one is the host's default for the colour
// model (as a fresh document has it).
struct DocumentConfig {
  std::optional<int16_t> colorModel;
  std::optional<PageSize> page;
  std::optional<PaintColour> fill;   // the fill of new paths
  std::optional<StrokeSpec> stroke;  // the stroke of new paths, and its width when given
  std::optional<SwatchList> swatches;
  std::optional<float> opacity;  // the opacity of new paths
  std::optional<int> artStyles;  // the document has the first this many of the host's named art styles
};

// Where the random source stands when a design's drawing begins: seeded with `seed` (a fresh one
// when unset), after the exact draws `firstDraws`, once `drawsBefore` draws were taken.
struct RandomStart {
  std::optional<uint64_t> seed;
  std::vector<float> firstDraws;
  uint64_t drawsBefore = 0;
};

struct HostConfig {
  std::filesystem::path module;  // resolved: --module, $FLARIMOND_MODULE, or beside the program
  DocumentConfig document;
  RandomStart random;
  std::vector<FailSpec> fails;
};

// Every host option checked and turned into values; ToolError naming the option for a bad one
// (a swatch file is read here).
HostConfig parseHostOptions(const HostArgs& args, const char* argv0);

// A design's document options with each one `given` sets in its place.
DocumentConfig overlay(const DocumentConfig& design, const DocumentConfig& given);
// Where a design drawn again starts: its own position, unless the command line gives a seed or
// first draws (`given`), which start the random source afresh from them (a given seed with its
// draws; given draws after the design's seed).
RandomStart overlay(const RandomStart& design, const RandomStart& given);

// The document a session is made with, and the session's options.
flhost::DocumentOptions documentOptions(const DocumentConfig& config);
flhost::SessionOptions sessionOptions(const HostConfig& config);

// Every document option as the document has it (the swatch list only when it is not the default
// one): what a description holds.
DocumentConfig describedDocument(const flhost::DocumentOptions& doc, const std::optional<SwatchList>& swatches);

// The description's "document" member: {"colorModel", "page", "fill", "stroke", "swatches",
// "opacity", "artStyles" (the last three when set and not the host's default)}, each option in the text its
// command-line option takes, as one line of JSON. And back: every member must be there and read as the option does;
// ToolError naming `source` and the member.
std::string documentJson(const DocumentConfig& config);
DocumentConfig documentFromJson(const Json& object, std::string_view source);
// The options in words, as inspect shows them: "colour model rgb, page 612x792, ...".
std::string documentSummary(const DocumentConfig& config);

// Above this many draws to skip, making a design again would take minutes: a file claiming more
// was not written by this program.
inline constexpr uint64_t kMostDrawsBefore = uint64_t{1} << 34;

// The members a random start is written as, in descriptions and parameter files alike, each as
// (name, JSON value): "seed" and "drawsBefore" (when there is a seed to count from) and, when
// there are any, "firstDraws" (each draw the shortest text of its float).
std::vector<std::pair<std::string, std::string>> randomStartMembers(const RandomStart& start);
// Reads them back from an object (members it does not have are left as they are); ToolError
// naming `source` and the member.
void readRandomStart(const Json& object, std::string_view source, RandomStart& start);

}  // namespace fltools
