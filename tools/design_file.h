// Where a design's description (design_record.h) sits in the files the program writes, how
// every design of a file is found again, and how one of them is chosen.
//
// Carriers:
//   .json  the document's first member, "design" (design_json.cpp)
//   .svg   <metadata><flarimond:design xmlns:flarimond="urn:flarimond:design:1">JSON</...>
//          </metadata>, the JSON as XML text, as the first child of the design's own group (the
//          group "design", or "tile-N-design" in a sheet), so that the group copied alone into
//          another document still carries it (design_svg.cpp). A plot (render --plot) has it in
//          the picture's own <metadata>, marked art="plot". Files written before kept it in
//          the picture's own <metadata> (or a sheet tile's group); those are read as well.
//   .png   an iTXt chunk with the keyword "flarimond:design" before the image data, one per
//          design (design_png.cpp)
//   .pdf   the document information: Keywords "flarimond:design" and the JSON as the Subject
//          (design_pdf.cpp), read with poppler; a PDF holds one design
//
// Reading goes through real parsers: the JSON library with json_reader.h's limits, pugixml for
// SVG (no DTD, no entity of its own, no network; a comment is not read at all), libpng for PNG,
// poppler for PDF.
// Every message names the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli_options.h"
#include "design_record.h"
#include "export.h"

namespace fltools {

inline constexpr std::string_view kDesignNamespace = "urn:flarimond:design:1";
inline constexpr std::string_view kDesignPngKeyword = "flarimond:design";

// The carriers' forms of a description: the SVG element that holds it, the PNG text chunk.
// A plot's (plot = true) says so with art="plot": its lines are not the arts the digest counts.
std::string designSvgMetadata(const DesignRecord& design, bool plot = false);
flhost::PngText designPngText(const DesignRecord& design);
inline constexpr std::string_view kDesignPdfKeywords = "flarimond:design";
flhost::PdfInfo designPdfInfo(const DesignRecord& design);

// Writes the document with its design inside, in the format: what render, apply and the served
// downloads write. ToolError when the PNG cannot be made (named after `name`).
// With `plot`, the SVG is the plotter's line art of the page (export_plot.h) with the design in its
// <metadata>, and what the plan measured goes to stderr ("plot: ...", named after `name`).
struct PictureOptions {
  int pixelWidth = 1200;
  bool transparent = false;
  flhost::Frame frame = flhost::Frame::Page;
  std::optional<flhost::PlotOptions> plot;
};
void writeDesignDocument(const flhost::Document& doc, const DesignRecord& design, OutputFormat format,
                         const PictureOptions& picture, std::ostream& out, std::string_view name);

// A design found in a file.
struct FoundDesign {
  DesignRecord design;
  // How --design names it: the id of the group that carries it (SVG), when that id is unique
  // among the file's designs and not a bare number; else its number in file order, from 1.
  std::string id;
  // Whether the art beside it is still the art it drew: known for a design on its own group of
  // an SVG whose description holds a digest; nullopt elsewhere.
  std::optional<bool> artMatches;
  size_t pathsFound = 0;  // the paths beside it, when artMatches is known
};

// The kinds of file that carry designs, by extension (any case).
enum class DesignFileKind { Svg, Png, Json, Pdf };

// Every design a file carries, in file order. ToolError for a file that cannot be read (missing,
// a folder, a FIFO, unreadable), is not SVG, PNG or JSON, is not well formed, or carries none; a
// description that cannot be used is refused with the file's name, and the design's id when the
// file holds several. A record value outside its control's range is a warning on `warnings`, one
// line a field, as a parameter file's is.
std::vector<FoundDesign> readDesigns(const std::filesystem::path& path, std::ostream& warnings);
// The same from the file's bytes, with `name` for messages (the fuzz target reads this way).
std::vector<FoundDesign> designsIn(std::string bytes, DesignFileKind kind, std::string_view name,
                                   std::ostream& warnings);

// The design --design ID or --tile N chooses (the tile's own number, as its description holds
// it), or the file's only design when neither is given. ToolError naming the file, and the
// choices, when there is no such design, several match, or the file holds several and none is
// chosen.
const FoundDesign& chooseDesign(const std::vector<FoundDesign>& designs, const std::optional<std::string>& id,
                                std::optional<int> tile, std::string_view source);

// How a design is named in messages: "FILE" for a file's only design, "FILE (design ID)" else.
std::string designSource(std::string_view file, const std::string& id, size_t designsInFile);

// --- the carriers (design_svg.cpp, design_png.cpp, design_pdf.cpp, design_json.cpp)

// A description as found in a carrier, before it is read.
struct CarriedText {
  std::string text;
  std::string groupId;  // SVG: the id of the element it sits on ("" when none)
  // SVG: the digest of the art in the group that carries it (design or tile group).
  std::optional<std::pair<size_t, std::string>> art;
};
std::vector<CarriedText> svgDescriptions(std::string& bytes, std::string_view name);
std::vector<CarriedText> pngDescriptions(const std::string& bytes, std::string_view name);
std::vector<CarriedText> pdfDescriptions(const std::string& bytes, std::string_view name);
// The JSON document's "design" member, read in the same pass as the document.
std::optional<DesignRecord> jsonDescription(std::string_view bytes, std::string_view name);

}  // namespace fltools
