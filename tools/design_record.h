// What made a design, carried inside the files the program writes so that a design can be made
// again from its own file: the record, where the random source stood, the document options that
// change the drawing, the program's version and a digest of the art it drew.
//
// The description is one JSON object, the same in every carrier (design_file.h says where it
// sits in each):
//   {"program": "flarimond 1.0.0", "format": 2, "tile": N (a tile of a sheet, from 1; only there),
//    "seed": S, "drawsBefore": D, "firstDraws": [...] (only when given),
//    "document": {"colorModel", "page": "WxH", "fill", "stroke", "swatches": [...] (only when not
//                 the default list)},
//    "record": {the 84 fields, as in .json parameter files},
//    "art": {"paths": N, "digest": "16 hex digits"}}
// The design was drawn from the random source seeded with S (after its first draws, when given)
// once D draws had been taken: the plug-in takes back its call's changes before every drawing,
// and that is where the host notes the count. Colours and the page are written as the command
// line takes them (--fill, --stroke, --page), every number as the shortest text of its float.
// "art" is art_digest.h's digest of what the design drew, with the number of paths it counts.
//
// Format 1 is the description as written before "format" and "art" (no member "format"); it is
// read as it was. A description of a later format, or of a later version of the program, or from
// another program, is refused with a message that names it: its members may mean what this
// program would draw differently.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host_config.h"
#include "json_reader.h"
#include "param_file.h"
#include "params/burst_params.h"

namespace fltools {

inline constexpr int kDesignFormat = 2;

struct ArtSummary {
  size_t paths = 0;
  std::string digest;  // ArtDigest::hex()
};

struct DesignRecord {
  std::string program;  // "flarimond VERSION"
  int format = kDesignFormat;
  std::optional<int> tile;
  DocumentConfig document;  // every option set (the swatch list only when not the default one)
  RandomStart random;       // its seed always set
  BurstParams record{};
  std::optional<ArtSummary> art;  // format 2
};

// "flarimond 1.0.0".
std::string programVersion();

// What made the design in a session that has run on `config`: the document's options as the
// session has them, its random source, the record the host holds and the art in its document.
DesignRecord describeDesign(const HostConfig& config, flhost::Session& session, const BurstParams& record);

// The description as one line of JSON.
std::string designJson(const DesignRecord& design);

// Reads a description from the JSON library's events, in one pass: its record goes to the
// parameter file's reader (RecordReader), the rest into a tree (JsonTreeReader's limits). Usable
// alone or as the route of a member of a larger text (a JSON document's "design").
class DesignReader : public JsonTreeReader {
 public:
  // `source` names the file (and the design, when the file holds several) in messages.
  explicit DesignReader(std::string source);
  // The description once the events ended. ToolError naming the source for anything missing,
  // malformed, from another program or of a newer format; ParamFileError for the record's
  // problems (each field named). Values outside their controls' ranges are the caller's to warn
  // about (a record holds what it holds).
  DesignRecord result();

 protected:
  void stopped(JsonEvents* by) override;

 private:
  std::string source_;
  RecordReader record_;
  bool sawRecord_ = false;
};

// The whole text as one description.
DesignRecord designFromJson(std::string_view text, std::string_view source);

// Where a design drawn again starts, and on what document: the design's own, with what the
// command line gives on top (overlay).
HostConfig configToDraw(const DesignRecord& design, const HostConfig& given);

}  // namespace fltools
