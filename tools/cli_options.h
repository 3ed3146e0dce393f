// The command line's values that need more than a type: parsed and checked here so that every bad
// argument is refused, with a message naming it, before any work starts. Each parser throws
// ToolError (exit status 2) with a message that starts with the option's name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export.h"
#include "export_plot.h"
#include "host_types.h"
#include "output_file.h"

namespace fltools {

// --fail OPERATION[@N][=CODE]: the host's operation fails on its Nth call with CODE.
struct FailSpec {
  std::string operation;
  uint64_t nth = 1;
  HostErr code = kHostOutOfMemoryErr;
};
// OPERATION must be one of flhost::operationNames(); N a whole number from 1; CODE a decimal or
// 0x-hex number (negative allowed) or exactly four characters packed big-endian ("SEGM", "!MEM").
// A CODE of four digits reads as a number. Without CODE the failure is -108 (out of memory).
FailSpec parseFailSpec(std::string_view text);

// Each option's text form has one owner here: a parser and, where the program writes the value
// back (design descriptions), the text the parser reads back as the same value. `what` names the
// text's source in messages: the option by default, a file's member when read from a file.

// --seed N: a whole number from 0 to 2^64 - 1.
uint64_t parseSeed(std::string_view text);

// --draws 0.25,0.9,...: the random source's first draws, each a number in [0, 1) as a float.
std::vector<float> parseDraws(std::string_view list, std::string_view what = "--draws");
// A draw as the list holds it: checks one float (ToolError "WHAT: V is not in [0, 1)").
float checkedDraw(float v, std::string_view written, std::string_view what);
// The list as --draws takes it, each draw the shortest text of its float.
std::string drawsText(const std::vector<float>& draws);

// --page: the page in points, both sides positive. WIDTHxHEIGHT in points ("612x792"; "x" or
// "X"), or with a unit after the height (or after each number): pt, mm, cm or in ("210x297mm",
// "8.5x11in"); or a name, a3, a4, a5, letter, legal or tabloid, portrait unless followed by
// ":landscape". Names and units in any case. pageText writes the points back.
struct PageSize {
  float width = 612.0f;
  float height = 792.0f;
};
PageSize parsePageSize(std::string_view text, std::string_view what = "--page");
std::string pageText(const PageSize& page);

// --color-model rgb|cmyk|grey: the document colour model (kDocument...Model of document_suite.h);
// "" is rgb.
int16_t parseColorModel(std::string_view text, std::string_view what = "--color-model");
// The model's name as --color-model takes it.
std::string colorModelText(int16_t model);

// The export formats, by the output file's extension (any case). PNG and PDF need a host built
// with cairo; without it .png and .pdf are refused with their own message.
enum class OutputFormat { Svg, Json, Png, Pdf };
OutputFormat outputFormatOf(const std::filesystem::path& path);

// A colour as written on the command line and in swatch files: none (no paint), grey:G,
// rgb:R,G,B or cmyk:C,M,Y,K with components in 0..1; or an RGB colour as #rgb, #rrggbb or a CSS
// colour name (any case), each channel N of 255 the component N/255 as a float. `what` names the
// option in messages.
struct PaintColour {
  bool paint = true;
  HostColor color{};
};
PaintColour parseColour(std::string_view text, std::string_view what);

// The text parseColour reads back as exactly this colour: none, grey:G, rgb:R,G,B or cmyk:C,M,Y,K,
// each component the shortest text of its float. Other kinds of colour (spot) have no such text:
// "" for them.
std::string colourText(const PaintColour& colour);

// --stroke COLOUR[@WIDTH]: the colour and, when given, the width in points (not negative).
struct StrokeSpec {
  PaintColour colour;
  bool widthGiven = false;
  float width = 1.0f;
};
StrokeSpec parseStroke(std::string_view text, std::string_view what = "--stroke");
// COLOUR, with @WIDTH when the width is given.
std::string strokeText(const StrokeSpec& stroke);

// --opacity O: the opacity of new paths, 0 to 1; written back as the shortest text of its float.
float parseOpacity(std::string_view text, std::string_view what = "--opacity");
std::string opacityText(float opacity);

// --art-styles N: how many of the host's named art styles the document has, from 0 to all of them.
int parseArtStyleCount(std::string_view text, std::string_view what = "--art-styles");

// --width PIXELS for PNG output: 1 to 20000.
int parsePixelWidth(std::string_view text);

// --frame page|art|all: what an exported picture shows.
flhost::Frame parseFrame(std::string_view text);

// --plot with --pens N (1 to 64) and --tolerance MM (0.001 to 10, default 0.05): the plot's
// options, or nullopt without --plot (where --pens and --tolerance are refused). --plot needs an
// .svg (`output`, "" when there is none to check) and a host built with the polygon clipping
// library; without it --plot is refused with its own message.
std::optional<flhost::PlotOptions> parsePlotOptions(bool plot, std::string_view pens, std::string_view tolerance,
                                                    const std::filesystem::path& output);

// What to tell the user when less than 1 % of the art's area falls inside the frame (as
// flhost::shareInFrame measures it): how much does, and the frame that shows it. Empty otherwise.
std::string frameWarning(const flhost::Document& doc, flhost::Frame frame);

// A host error code as people write it: 'SEGM' for four printable characters, else the number.
std::string codeText(HostErr code);

// Where the plug-in module is: `option` when given, else $FLARIMOND_MODULE when set and not
// empty, else flarimond.so (flarimond.aip on Windows) beside the running program.
std::filesystem::path resolveModulePath(const std::string& option, const char* argv0);

}  // namespace fltools
