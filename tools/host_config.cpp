#include "host_config.h"

#include <cmath>

#include "output_file.h"

namespace fltools {

HostConfig parseHostOptions(const HostArgs& a, const char* argv0) {
  HostConfig c;
  c.module = resolveModulePath(a.module, argv0);
  DocumentConfig& doc = c.document;
  if (!a.colorModel.empty()) doc.colorModel = parseColorModel(a.colorModel);
  if (!a.page.empty()) doc.page = parsePageSize(a.page);
  if (!a.swatches.empty()) doc.swatches = readSwatchFile(a.swatches);
  if (!a.fill.empty()) doc.fill = parseColour(a.fill, "--fill");
  if (!a.stroke.empty()) doc.stroke = parseStroke(a.stroke);
  if (!a.opacity.empty()) doc.opacity = parseOpacity(a.opacity);
  if (!a.artStyles.empty()) doc.artStyles = parseArtStyleCount(a.artStyles);
  if (a.seedGiven) c.random.seed = parseSeed(a.seed);
  if (!a.draws.empty()) c.random.firstDraws = parseDraws(a.draws);
  for (const std::string& f : a.fails) c.fails.push_back(parseFailSpec(f));
  return c;
}

DocumentConfig overlay(const DocumentConfig& design, const DocumentConfig& given) {
  DocumentConfig c = design;
  if (given.colorModel) c.colorModel = given.colorModel;
  if (given.page) c.page = given.page;
  if (given.fill) c.fill = given.fill;
  if (given.stroke) c.stroke = given.stroke;
  if (given.swatches) c.swatches = given.swatches;
  if (given.opacity) c.opacity = given.opacity;
  if (given.artStyles) c.artStyles = given.artStyles;
  return c;
}

RandomStart overlay(const RandomStart& design, const RandomStart& given) {
  if (given.seed) return {given.seed, given.firstDraws, 0};
  if (!given.firstDraws.empty()) return {design.seed, given.firstDraws, 0};
  return design;
}

flhost::DocumentOptions documentOptions(const DocumentConfig& c) {
  flhost::DocumentOptions doc = flhost::DocumentOptions::standard();
  if (c.colorModel && *c.colorModel != doc.colorModel) {
    // Swatches and the paint of new paths are colours of the model, so they change with it.
    doc.colorModel = *c.colorModel;
    doc.swatches = flhost::defaultSwatches(doc.colorModel);
    doc.newPathStyle = flhost::defaultNewPathStyle(doc.colorModel);
  }
  if (c.page) {
    doc.pageWidth = c.page->width;
    doc.pageHeight = c.page->height;
  }
  if (c.swatches) doc.swatches = c.swatches->swatches;
  if (c.opacity) doc.newPathOpacity = *c.opacity;
  if (c.artStyles) doc.artStyles.resize(static_cast<size_t>(*c.artStyles));
  HostPathStyle& style = doc.newPathStyle;
  if (c.fill) {
    style.fillPaint = c.fill->paint;
    if (c.fill->paint) style.fillColor = c.fill->color;
  }
  if (c.stroke) {
    style.strokePaint = c.stroke->colour.paint;
    if (c.stroke->colour.paint) style.strokeColor = c.stroke->colour.color;
    if (c.stroke->widthGiven) style.strokeWidth = c.stroke->width;
  }
  return doc;
}

flhost::SessionOptions sessionOptions(const HostConfig& c) {
  flhost::SessionOptions o;
  o.modulePath = c.module;
  o.document = documentOptions(c.document);
  o.seed = c.random.seed;
  o.draws = c.random.firstDraws;
  o.skipDraws = c.random.drawsBefore;
  return o;
}

DocumentConfig describedDocument(const flhost::DocumentOptions& doc, const std::optional<SwatchList>& swatches) {
  DocumentConfig c;
  c.colorModel = doc.colorModel;
  c.page = PageSize{doc.pageWidth, doc.pageHeight};
  const HostPathStyle& style = doc.newPathStyle;
  c.fill = PaintColour{style.fillPaint != 0, style.fillColor};
  // A stroke that does not paint has no width worth keeping.
  c.stroke = StrokeSpec{{style.strokePaint != 0, style.strokeColor}, style.strokePaint != 0, style.strokeWidth};
  c.swatches = swatches;
  // What a fresh document has is left unsaid, so that descriptions of such designs stay as they were.
  if (doc.newPathOpacity != 1.0f) c.opacity = doc.newPathOpacity;
  if (doc.artStyles.size() != flhost::defaultArtStyles().size()) c.artStyles = static_cast<int>(doc.artStyles.size());
  return c;
}

namespace {

void appendMember(std::string& out, std::string_view key, const std::string& value) {
  if (out.size() > 1) out += ',';
  out += Json(std::string(key)).dump();
  out += ':';
  out += value;
}

std::string quoted(const std::string& s) { return Json(s).dump(); }

const Json& member(const Json& object, const char* key, std::string_view source) {
  if (!object.contains(key))
    throw ToolError(std::string(source) + ": the design's description has no \"document." + key + "\"");
  const Json& v = object[key];
  if (!v.is_string()) throw ToolError(std::string(source) + ": the design's \"document." + key + "\" is not text");
  return v;
}

}  // namespace

std::string documentJson(const DocumentConfig& c) {
  std::string s = "{";
  if (c.colorModel) appendMember(s, "colorModel", quoted(colorModelText(*c.colorModel)));
  if (c.page) appendMember(s, "page", quoted(pageText(*c.page)));
  if (c.fill) appendMember(s, "fill", quoted(colourText(*c.fill)));
  if (c.stroke) appendMember(s, "stroke", quoted(strokeText(*c.stroke)));
  // One spelling of the list (the JSON library's: sorted keys), so that the same list always
  // gives the same text.
  if (c.swatches) appendMember(s, "swatches", c.swatches->json.dump());
  if (c.opacity) appendMember(s, "opacity", quoted(opacityText(*c.opacity)));
  if (c.artStyles) appendMember(s, "artStyles", quoted(std::to_string(*c.artStyles)));
  return s + "}";
}

DocumentConfig documentFromJson(const Json& object, std::string_view source) {
  std::string name(source);
  if (!object.is_object()) throw ToolError(name + ": the design's \"document\" is not an object");
  for (const auto& [key, value] : object.items())
    if (key != "colorModel" && key != "page" && key != "fill" && key != "stroke" && key != "swatches" &&
        key != "opacity" && key != "artStyles")
      throw ToolError(name + ": the design's \"document\" has an unknown member \"" + key + "\"");
  auto what = [&](const char* option) { return name + ": the design's " + option; };
  DocumentConfig c;
  c.colorModel = parseColorModel(member(object, "colorModel", source).get<std::string>(), what("colour model"));
  c.page = parsePageSize(member(object, "page", source).get<std::string>(), what("page"));
  c.fill = parseColour(member(object, "fill", source).get<std::string>(), what("fill"));
  c.stroke = parseStroke(member(object, "stroke", source).get<std::string>(), what("stroke"));
  if (object.contains("swatches")) c.swatches = swatchListFromJson(object["swatches"], what("swatch list"));
  if (object.contains("opacity"))
    c.opacity = parseOpacity(member(object, "opacity", source).get<std::string>(), what("opacity"));
  if (object.contains("artStyles"))
    c.artStyles = parseArtStyleCount(member(object, "artStyles", source).get<std::string>(), what("art style count"));
  return c;
}

std::string documentSummary(const DocumentConfig& c) {
  std::string s;
  auto add = [&](const std::string& part) { s += (s.empty() ? "" : ", ") + part; };
  if (c.colorModel) add("colour model " + colorModelText(*c.colorModel));
  if (c.page) add("page " + pageText(*c.page));
  if (c.fill) add("new paths filled " + colourText(*c.fill));
  if (c.stroke)
    s += (c.fill ? " and stroked " : (s.empty() ? "" : ", ") + std::string("new paths stroked ")) +
         strokeText(*c.stroke);
  add(c.swatches ? "its own list of " + std::to_string(c.swatches->swatches.size()) + " swatches"
                 : std::string("the default swatch list"));
  if (c.opacity) add("new paths at opacity " + opacityText(*c.opacity));
  if (c.artStyles) add(std::to_string(*c.artStyles) + " named art styles");
  return s;
}

std::vector<std::pair<std::string, std::string>> randomStartMembers(const RandomStart& start) {
  std::vector<std::pair<std::string, std::string>> m;
  if (start.seed) {
    m.emplace_back("seed", std::to_string(*start.seed));
    m.emplace_back("drawsBefore", std::to_string(start.drawsBefore));
  }
  if (!start.firstDraws.empty()) m.emplace_back("firstDraws", "[" + drawsText(start.firstDraws) + "]");
  return m;
}

void readRandomStart(const Json& object, std::string_view source, RandomStart& start) {
  std::string name(source);
  auto whole = [&](const char* key) {
    const Json& v = object[key];
    if (!v.is_number_unsigned() && !(v.is_number_integer() && v.get<int64_t>() >= 0))
      throw ToolError(name + ": \"" + key + "\" = " + v.dump() + " is not a whole number from 0 to " +
                      std::to_string(UINT64_MAX));
    return v.get<uint64_t>();
  };
  if (object.contains("seed")) start.seed = whole("seed");
  if (object.contains("drawsBefore")) {
    start.drawsBefore = whole("drawsBefore");
    if (start.drawsBefore > kMostDrawsBefore)
      throw ToolError(name + ": \"drawsBefore\" = " + std::to_string(start.drawsBefore) + " is above " +
                      std::to_string(kMostDrawsBefore) + ", more than this program would ever take");
  }
  if (object.contains("firstDraws")) {
    const Json& list = object["firstDraws"];
    if (!list.is_array()) throw ToolError(name + ": \"firstDraws\" is not a list of numbers");
    start.firstDraws.clear();
    for (const Json& v : list) {
      if (!v.is_number()) throw ToolError(name + ": \"firstDraws\" holds " + v.dump() + ", not a number");
      // The tree keeps every real as the float its text names.
      auto f = v.get<float>();
      start.firstDraws.push_back(checkedDraw(f, v.dump(), name + ": \"firstDraws\""));
    }
  }
}

}  // namespace fltools
