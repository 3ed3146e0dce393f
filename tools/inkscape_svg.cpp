// The Inkscape document: its page, layers and design groups found with pugixml; the document
// written back by splicing the text at the parser's positions.
#include "inkscape_svg.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <set>

#include "commands.h"
#include "design_file.h"
#include "text_format.h"

#ifdef FLARIMOND_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace fltools {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

// A number at the front of s (SVG's number syntax, as from_chars reads it), taken off s.
bool takeNumber(std::string_view& s, double* v) {
  while (!s.empty() && (isSpace(s.front()) || s.front() == ',')) s.remove_prefix(1);
  const char* begin = s.data();
  if (!s.empty() && s.front() == '+') ++begin;
  auto [end, ec] = std::from_chars(begin, s.data() + s.size(), *v);
  if (ec != std::errc() || !std::isfinite(*v)) return false;
  s.remove_prefix(static_cast<size_t>(end - s.data()));
  return true;
}

}  // namespace

Affine compose(const Affine& then, const Affine& first) {
  return {then.a * first.a + then.c * first.b,          then.b * first.a + then.d * first.b,
          then.a * first.c + then.c * first.d,          then.b * first.c + then.d * first.d,
          then.a * first.e + then.c * first.f + then.e, then.b * first.e + then.d * first.f + then.f};
}

std::optional<Affine> inverse(const Affine& m) {
  double det = m.a * m.d - m.b * m.c;
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return std::nullopt;
  Affine r{m.d / det, -m.b / det, -m.c / det, m.a / det, 0, 0};
  r.e = -(r.a * m.e + r.c * m.f);
  r.f = -(r.b * m.e + r.d * m.f);
  return r;
}

std::optional<Affine> parseTransform(std::string_view text) {
  Affine m;
  std::string_view s = trim(text);
  while (!s.empty()) {
    size_t open = s.find('(');
    size_t close = s.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
    std::string_view name = trim(s.substr(0, open));
    std::string_view args = s.substr(open + 1, close - open - 1);
    std::vector<double> v;
    double x;
    while (!trim(args).empty()) {
      if (!takeNumber(args, &x)) return std::nullopt;
      v.push_back(x);
    }
    Affine t;
    const double rad = std::numbers::pi / 180;
    if (name == "matrix" && v.size() == 6)
      t = {v[0], v[1], v[2], v[3], v[4], v[5]};
    else if (name == "translate" && (v.size() == 1 || v.size() == 2))
      t = {1, 0, 0, 1, v[0], v.size() == 2 ? v[1] : 0};
    else if (name == "scale" && (v.size() == 1 || v.size() == 2))
      t = {v[0], 0, 0, v.size() == 2 ? v[1] : v[0], 0, 0};
    else if (name == "rotate" && (v.size() == 1 || v.size() == 3)) {
      double c = std::cos(v[0] * rad), sn = std::sin(v[0] * rad);
      t = {c, sn, -sn, c, 0, 0};
      if (v.size() == 3) t = compose(Affine{1, 0, 0, 1, v[1], v[2]}, compose(t, Affine{1, 0, 0, 1, -v[1], -v[2]}));
    } else if (name == "skewX" && v.size() == 1)
      t = {1, 0, std::tan(v[0] * rad), 1, 0, 0};
    else if (name == "skewY" && v.size() == 1)
      t = {1, std::tan(v[0] * rad), 0, 1, 0, 0};
    else
      return std::nullopt;
    m = compose(m, t);  // the list applies its last transform first
    s = s.substr(close + 1);
    while (!s.empty() && (isSpace(s.front()) || s.front() == ',')) s.remove_prefix(1);
  }
  return m;
}

std::string transformText(const Affine& m) {
  std::string s = "matrix(";
  const double v[6] = {m.a, m.b, m.c, m.d, m.e, m.f};
  for (int i = 0; i < 6; ++i) {
    char text[32];
    double rounded = std::fabs(v[i]) < 1e-12 ? 0.0 : v[i];
    auto [end, ec] = std::to_chars(text, text + sizeof text, rounded);
    (void)ec;
    if (i) s += ' ';
    s.append(text, end);
  }
  return s + ")";
}

std::optional<double> lengthInPoints(std::string_view text) {
  std::string_view s = trim(text);
  double v;
  if (!takeNumber(s, &v) || v <= 0) return std::nullopt;
  static const std::pair<std::string_view, double> kUnits[] = {{"", 0.75},        {"px", 0.75},    {"pt", 1},
                                                               {"pc", 12},        {"in", 72},      {"mm", 72 / 25.4},
                                                               {"cm", 72 / 2.54}, {"q", 18 / 25.4}};
  for (const auto& [unit, points] : kUnits)
    if (trim(s) == unit) return v * points;
  return std::nullopt;
}

#ifdef FLARIMOND_HAVE_PUGIXML

struct EditorDocument::Parsed {
  pugi::xml_document doc;
  pugi::xml_node root;
  Affine userPerPoint;  // page points (y down) to the root's user units
};

namespace {

std::string_view localName(std::string_view name) {
  size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration | pugi::parse_doctype;

// Where an element's start tag begins ('<') and ends (after '>'), and whether it closes itself.
struct StartTag {
  size_t begin, end;
  bool selfClosing;
};

StartTag startTag(const std::string& text, const pugi::xml_node& e) {
  size_t at = static_cast<size_t>(e.offset_debug()) - 1;
  StartTag t{at, 0, false};
  size_t i = at + 1;
  // The parser has read this tag: outside quoted values, the first '>' ends it.
  char quote = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      t.selfClosing = text[i - 1] == '/';
      t.end = i + 1;
      return t;
    }
  }
  throw ToolError("the document's text ends inside a tag");
}

// The position of "</" of the element's closing tag (an element with children or text has one).
size_t closingTag(const std::string& text, const pugi::xml_node& e) {
  for (pugi::xml_node n = e; n; n = n.parent()) {
    if (pugi::xml_node next = n.next_sibling()) {
      // The closing tags of e and its ancestors up to n stand before whatever follows n; e's is
      // the first of them.
      size_t before = static_cast<size_t>(next.offset_debug());
      size_t found = text.rfind("</", before);
      for (pugi::xml_node up = e; up != n; up = up.parent()) found = text.rfind("</", found - 1);
      return found;
    }
    if (n.parent().type() == pugi::node_document) {
      size_t found = text.rfind("</");
      for (pugi::xml_node up = e; up != n; up = up.parent()) found = text.rfind("</", found - 1);
      return found;
    }
  }
  throw ToolError("the element has no closing tag");
}

// The element's text span: [begin, end).
std::pair<size_t, size_t> span(const std::string& text, const pugi::xml_node& e) {
  StartTag t = startTag(text, e);
  if (t.selfClosing) return {t.begin, t.end};
  return {t.begin, text.find('>', closingTag(text, e)) + 1};
}

bool isDesignGroup(const pugi::xml_node& g) {
  if (localName(g.name()) != "g") return false;
  for (pugi::xml_node m = g.first_child(); m; m = m.next_sibling()) {
    if (m.type() != pugi::node_element || localName(m.name()) != "metadata") continue;
    for (pugi::xml_node d = m.first_child(); d; d = d.next_sibling())
      if (d.type() == pugi::node_element && localName(d.name()) == "design") return true;
  }
  return false;
}

pugi::xml_node byId(const pugi::xml_node& root, const std::string& id) {
  return root.find_node(
      [&](const pugi::xml_node& n) { return n.type() == pugi::node_element && id == n.attribute("id").value(); });
}

// The transform from the root's user units to the element's own (its ancestors' transforms and
// its own, outermost first).
Affine userToElement(const pugi::xml_node& root, const pugi::xml_node& e) {
  Affine ctm;
  std::vector<pugi::xml_node> chain;
  for (pugi::xml_node n = e; n && n != root; n = n.parent()) chain.push_back(n);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    std::string_view written = it->attribute("transform").value();
    if (written.empty()) continue;
    std::optional<Affine> t = parseTransform(written);
    if (!t)
      throw ToolError("the transform \"" + std::string(written) + "\" of " + it->attribute("id").value() +
                      " cannot be read");
    ctm = compose(ctm, *t);
  }
  std::optional<Affine> inv = inverse(ctm);
  if (!inv) throw ToolError("the layer is flattened by its transform: a design cannot be placed in it");
  return *inv;
}

pugi::xml_node currentLayer(const pugi::xml_node& root) {
  for (pugi::xml_node n = root.first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element || localName(n.name()) != "namedview") continue;
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
      if (localName(a.name()) == "current-layer") {
        pugi::xml_node layer = byId(root, a.value());
        if (layer && localName(layer.name()) == "g") return layer;
      }
  }
  return root;
}

}  // namespace

EditorDocument::EditorDocument(std::string bytes, std::string name)
    : bytes_(std::move(bytes)), name_(std::move(name)), parsed_(std::make_unique<Parsed>()) {
  pugi::xml_parse_result r = parsed_->doc.load_buffer(bytes_.data(), bytes_.size(), kParseOptions, pugi::encoding_utf8);
  if (!r)
    throw ToolError(name_ + ": not an SVG file that can be read: " + r.description() + " at byte " +
                    std::to_string(r.offset));
  parsed_->root = parsed_->doc.document_element();
  if (localName(parsed_->root.name()) != "svg") throw ToolError(name_ + ": not an SVG file (its root is not <svg>)");
  const pugi::xml_node& root = parsed_->root;
  // The view box: the page in user units; the width and height: the page's size.
  double box[4] = {0, 0, 0, 0};
  bool hasBox = false;
  if (std::string_view vb = root.attribute("viewBox").value(); !vb.empty()) {
    hasBox = takeNumber(vb, &box[0]) && takeNumber(vb, &box[1]) && takeNumber(vb, &box[2]) && takeNumber(vb, &box[3]) &&
             box[2] > 0 && box[3] > 0;
  }
  std::optional<double> w = lengthInPoints(root.attribute("width").value());
  std::optional<double> h = lengthInPoints(root.attribute("height").value());
  if (!w) w = hasBox ? std::optional<double>(box[2] * 0.75) : std::nullopt;
  if (!h) h = hasBox ? std::optional<double>(box[3] * 0.75) : std::nullopt;
  if (!w || !h) throw ToolError(name_ + ": the page's size is not given (width and height, or a view box)");
  if (!hasBox) box[2] = *w / 0.75, box[3] = *h / 0.75;
  page_ = {static_cast<float>(*w), static_cast<float>(*h)};
  parsed_->userPerPoint = {box[2] / *w, 0, 0, box[3] / *h, box[0], box[1]};
}

EditorDocument::~EditorDocument() = default;

std::string EditorDocument::freeId() const {
  std::set<std::string> ids;
  for (pugi::xpath_node n : parsed_->doc.select_nodes("//*[@id]")) ids.insert(n.node().attribute("id").value());
  for (int n = 1;; ++n) {
    std::string id = "flarimond-" + std::to_string(n);
    auto it = ids.lower_bound(id);
    if (it == ids.end() || it->compare(0, id.size(), id) != 0) return id;
  }
}

Affine EditorDocument::pageToLayer() const {
  return compose(userToElement(parsed_->root, currentLayer(parsed_->root)), parsed_->userPerPoint);
}

std::string EditorDocument::withNewGroup(std::string_view group) const {
  pugi::xml_node layer = currentLayer(parsed_->root);
  StartTag t = startTag(bytes_, layer);
  if (t.selfClosing) {
    // <g .../> opens to hold the design: the tag's "/>" becomes ">" GROUP "</NAME>".
    size_t slash = bytes_.rfind('/', t.end - 1);
    return bytes_.substr(0, slash) + ">\n" + std::string(group) + "</" + layer.name() + ">" + bytes_.substr(t.end);
  }
  size_t at = closingTag(bytes_, layer);
  return bytes_.substr(0, at) + std::string(group) + bytes_.substr(at);
}

EditorDocument::Selected EditorDocument::selected(const std::string& id) const {
  pugi::xml_node e = byId(parsed_->root, id);
  if (!e) throw ToolError("the document has no object \"" + id + "\"");
  Selected s;
  s.id = id;
  s.transform = e.attribute("transform").value();
  if (isDesignGroup(e)) {
    s.designId = e.attribute("id").value();
    return s;
  }
  // A wrapper holds its design's group and nothing else (a layer with one design in it is no
  // wrapper).
  pugi::xml_node inner;
  int elements = 0;
  for (pugi::xml_node c = e.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) inner = c, ++elements;
  if (localName(e.name()) != "g" || elements != 1 || !isDesignGroup(inner))
    throw ToolError("\"" + id + "\" is not a Flarimond design: select the group New design drew");
  s.designId = inner.attribute("id").value();
  if (s.designId.empty()) throw ToolError("the design in \"" + id + "\" has no id");
  s.wrapper = true;
  return s;
}

std::string EditorDocument::withReplaced(const Selected& s, std::string_view inner) const {
  pugi::xml_node e = byId(parsed_->root, s.id);
  if (s.wrapper) {
    StartTag t = startTag(bytes_, e);
    size_t close = closingTag(bytes_, e);
    return bytes_.substr(0, t.end) + "\n" + std::string(inner) + bytes_.substr(close);
  }
  auto [begin, end] = span(bytes_, e);
  std::string wrapper = "<g id=\"" + xmlAttributeEscaped(s.id) + "\"";
  if (!s.transform.empty()) wrapper += " transform=\"" + xmlAttributeEscaped(s.transform) + "\"";
  return bytes_.substr(0, begin) + wrapper + ">\n" + std::string(inner) + "</g>" + bytes_.substr(end);
}

#else

struct EditorDocument::Parsed {};

EditorDocument::EditorDocument(std::string bytes, std::string name) : bytes_(std::move(bytes)), name_(std::move(name)) {
  throw ToolError(name_ + ": reading SVG files is not available in this build (it needs pugixml)");
}
EditorDocument::~EditorDocument() = default;
std::string EditorDocument::freeId() const { return {}; }
Affine EditorDocument::pageToLayer() const { return {}; }
std::string EditorDocument::withNewGroup(std::string_view) const { return bytes_; }
EditorDocument::Selected EditorDocument::selected(const std::string&) const { return {}; }
std::string EditorDocument::withReplaced(const Selected&, std::string_view) const { return bytes_; }

#endif

}  // namespace fltools
