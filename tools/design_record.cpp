#include "design_record.h"

#include <algorithm>
#include <cstdio>

#include "art_digest.h"

#ifndef FLARIMOND_VERSION
#error "FLARIMOND_VERSION is set by the build"
#endif

namespace fltools {

namespace {

constexpr std::string_view kProgram = "flarimond ";

// The version's numbers (1.0.0 as {1, 0, 0}); empty for text that is not one.
std::vector<unsigned> versionNumbers(std::string_view text) {
  std::vector<unsigned> numbers;
  unsigned n = 0;
  bool digit = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      n = std::min(n * 10 + static_cast<unsigned>(c - '0'), 1000000u);
      digit = true;
    } else if (c == '.' && digit) {
      numbers.push_back(n);
      n = 0;
      digit = false;
    } else {
      return {};
    }
  }
  if (!digit) return {};
  numbers.push_back(n);
  return numbers;
}

const char* const kMembers[] = {"program",    "format",   "tile",   "seed", "drawsBefore",
                                "firstDraws", "document", "record", "art"};

}  // namespace

std::string programVersion() { return std::string(kProgram) + FLARIMOND_VERSION; }

DesignRecord describeDesign(const HostConfig& config, flhost::Session& session, const BurstParams& record) {
  DesignRecord d;
  d.program = programVersion();
  d.document = describedDocument(session.document().options(), config.document.swatches);
  d.random.seed = session.random().seed();
  d.random.firstDraws = config.random.firstDraws;
  d.random.drawsBefore = session.random().drawingStart();
  d.record = record;
  ArtDigest art = digestOf(session.document());
  d.art = ArtSummary{art.paths(), art.hex()};
  return d;
}

std::string designJson(const DesignRecord& d) {
  std::string s = "{\"program\":" + Json(d.program).dump();
  if (d.format >= 2) s += ",\"format\":" + std::to_string(d.format);
  if (d.tile) s += ",\"tile\":" + std::to_string(*d.tile);
  for (const auto& [key, value] : randomStartMembers(d.random)) s += ",\"" + key + "\":" + value;
  s += ",\"document\":" + documentJson(d.document) + ",\"record\":";
  // The parameter file's form on one line: its names and numbers hold no white space.
  std::string record = paramsToJson(d.record);
  record.erase(std::remove_if(record.begin(), record.end(), [](char c) { return c == ' ' || c == '\n'; }),
               record.end());
  s += record;
  if (d.art)
    s += ",\"art\":{\"paths\":" + std::to_string(d.art->paths) + ",\"digest\":" + Json(d.art->digest).dump() + "}";
  return s + "}";
}

DesignReader::DesignReader(std::string source)
    : JsonTreeReader(source + ": the design's description", kMaxJsonDepth,
                     [this](const std::vector<std::string>& path, const std::string& key) -> JsonEvents* {
                       if (!path.empty() || key != "record") return nullptr;
                       sawRecord_ = true;
                       return &record_;
                     }),
      source_(std::move(source)),
      record_(source_ + " (the design's record)", false) {}

void DesignReader::stopped(JsonEvents* by) {
  if (by == &record_) (void)record_.result();  // throws with every problem of the record
  throw ToolError(source_ + ": the design's description cannot be read");
}

DesignRecord DesignReader::result() {
  const Json& j = JsonTreeReader::result();
  const std::string& name = source_;
  auto bad = [&](const std::string& why) { return ToolError(name + ": the design's description " + why); };
  if (!j.is_object()) throw bad("is not a JSON object");
  DesignRecord d;
  // Whose description it is, and of what format, before anything it says is read.
  if (!j.contains("program") || !j["program"].is_string())
    throw bad("does not say which program wrote it (\"program\")");
  d.program = j["program"].get<std::string>();
  if (!d.program.starts_with(kProgram))
    throw ToolError(name + ": the design's description was written by another program (" + Json(d.program).dump() +
                    "), not flarimond");
  std::vector<unsigned> theirs = versionNumbers(std::string_view(d.program).substr(kProgram.size()));
  std::vector<unsigned> ours = versionNumbers(FLARIMOND_VERSION);
  if (theirs.empty()) throw bad("names no version of flarimond (" + Json(d.program).dump() + ")");
  if (theirs > ours)
    throw ToolError(name + ": the design was made by " + d.program + ", newer than this program (" + programVersion() +
                    "): its description may mean what this version would draw differently");
  d.format = 1;
  if (j.contains("format")) {
    if (!j["format"].is_number_unsigned() || j["format"].get<uint64_t>() < 1)
      throw bad("has a \"format\" that is not a whole number from 1");
    uint64_t format = j["format"].get<uint64_t>();
    if (format > static_cast<uint64_t>(kDesignFormat))
      throw ToolError(name + ": the design's description is of format " + std::to_string(format) +
                      ", newer than this program reads (" + std::to_string(kDesignFormat) + ")");
    d.format = static_cast<int>(format);
  }
  for (const auto& [key, value] : j.items())
    if (std::find(std::begin(kMembers), std::end(kMembers), key) == std::end(kMembers))
      throw bad("has an unknown member \"" + key + "\"");

  if (j.contains("tile")) {
    const Json& t = j["tile"];
    if (!t.is_number_unsigned() || t.get<uint64_t>() < 1 || t.get<uint64_t>() > 100000)
      throw bad("has a \"tile\" that is not a whole number from 1 to 100000");
    d.tile = static_cast<int>(t.get<uint64_t>());
  }
  for (const char* key : {"seed", "drawsBefore"})
    if (!j.contains(key)) throw bad(std::string("has no \"") + key + "\"");
  readRandomStart(j, name + ": the design's description", d.random);
  if (!j.contains("document")) throw bad("has no \"document\"");
  d.document = documentFromJson(j["document"], name);
  if (!sawRecord_) throw bad("has no \"record\"");
  ParamRecord r = record_.result();
  if (!r.complete()) throw bad("has an incomplete record: no " + r.missing().front());
  d.record = r.params;
  if (j.contains("art")) {
    const Json& a = j["art"];
    bool ok = a.is_object() && a.size() == 2 && a.contains("paths") && a["paths"].is_number_unsigned() &&
              a.contains("digest") && a["digest"].is_string() && a["digest"].get<std::string>().size() == 16;
    if (!ok) throw bad("has an \"art\" that is not {\"paths\": N, \"digest\": 16 hex digits}");
    d.art = ArtSummary{static_cast<size_t>(a["paths"].get<uint64_t>()), a["digest"].get<std::string>()};
  } else if (d.format >= 2) {
    throw bad("has no \"art\"");
  }
  return d;
}

DesignRecord designFromJson(std::string_view text, std::string_view source) {
  DesignReader reader{std::string(source)};
  Json::sax_parse(text.begin(), text.end(), &reader);
  return reader.result();
}

HostConfig configToDraw(const DesignRecord& design, const HostConfig& given) {
  HostConfig c = given;
  c.document = overlay(design.document, given.document);
  c.random = overlay(design.random, given.random);
  return c;
}

}  // namespace fltools
