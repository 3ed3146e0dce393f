// What made a design, carried inside the files the program writes so that a design can be made
// again from its own file: the record, where the random source stood, the document options that
// change the drawing and the program's version.
//
// The description is one JSON object (designJson), the same in every carrier:
//   {"program": "flarimond 1.0.0", "tile": N (a tile of a sheet, from 1; only there),
//    "seed": S, "drawsBefore": D, "firstDraws": [...] (only when given),
//    "document": {"colorModel", "page": "WxH", "fill", "stroke", "swatches": [...] (only when not
//                 the default list)},
//    "record": {the 84 fields, as in .json parameter files}}
// The design was drawn from the random source seeded with S (after its first draws, when given)
// once D draws had been taken: the plug-in takes back its call's changes before every drawing,
// and that is where the host notes the count. Colours and the page are written as the command
// line takes them (--fill, --stroke, --page), every number as the shortest text of its float.
//
// Carriers:
//   .json  the document's first member, "design"
//   .svg   <metadata><flarimond:design xmlns:flarimond="urn:flarimond:design:1">JSON</...>
//          </metadata>, the JSON as XML text; a sheet holds one such element per tile
//   .png   an iTXt chunk with the keyword "flarimond:design" before the image data, one per tile
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "cli_options.h"
#include "export.h"
#include "host_run.h"
#include "params/burst_params.h"

namespace fltools {

inline constexpr std::string_view kDesignNamespace = "urn:flarimond:design:1";
inline constexpr std::string_view kDesignPngKeyword = "flarimond:design";

struct DesignMeta {
  std::string program;  // "flarimond VERSION"
  std::optional<int> tile;
  uint64_t seed = 0;
  uint64_t drawsBefore = 0;
  std::vector<float> firstDraws;
  std::string colorModel = "rgb";
  std::string page = "612x792";
  std::string fill;        // as --fill takes it
  std::string stroke;      // as --stroke takes it, with its width
  std::string swatchList;  // compact JSON as swatch files hold it; "" for the default list
  BurstParams record{};
};

// "flarimond 1.0.0".
std::string programVersion();

// What made the design in a session that has run: its document options and random source, with
// the record the host holds.
DesignMeta describeDesign(const HostSetup& setup, flhost::Session& session, const BurstParams& record);

// The host options that make the design again: each option the user did not give (left empty in
// `given`) is taken from the design. The seed, the first draws and the draws to skip are the
// caller's to set, since --seed on top of a design starts its random source afresh.
HostArgs hostArgsFor(const DesignMeta& design, const HostArgs& given);

// The description as one line of JSON, and back. designFromJson throws ToolError naming `source`
// for anything missing or malformed; the record is checked as a parameter file's is.
std::string designJson(const DesignMeta& design);
DesignMeta designFromJson(std::string_view text, std::string_view source);

// The carriers: the SVG <metadata> content and the PNG text chunk.
std::string designSvgMetadata(const DesignMeta& design);
flhost::PngText designPngText(const DesignMeta& design);

// Writes the document with its design inside, in the format: what render, apply and the served
// downloads write. ToolError when the PNG cannot be made (named after `name`).
struct PictureOptions {
  int pixelWidth = 1200;
  bool transparent = false;
  flhost::Frame frame = flhost::Frame::Page;
};
void writeDesignDocument(const flhost::Document& doc, const DesignMeta& design, OutputFormat format,
                         const PictureOptions& picture, std::ostream& out, std::string_view name);

// Every design a file carries, in file order (several for a sheet). ToolError for a file that
// cannot be read, is not SVG, PNG or JSON, or carries none.
std::vector<DesignMeta> readDesigns(const std::filesystem::path& path);

// The design `tile` names (tiles count from 1), or the file's one design when tile is not given.
// ToolError when the file holds no such tile, or several and no tile is chosen.
const DesignMeta& pickDesign(const std::vector<DesignMeta>& designs, std::optional<int> tile, std::string_view source);

}  // namespace fltools
