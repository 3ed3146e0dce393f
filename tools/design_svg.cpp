// The SVG carrier: where descriptions sit in a picture, found with pugixml, and the digest of the
// art beside each one as the picture shows it now.
#include <charconv>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "art_digest.h"
#include "design_file.h"
#include "text_format.h"

#ifdef FLARIMOND_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace fltools {

std::string designSvgMetadata(const DesignRecord& design, bool plot) {
  return "<flarimond:design xmlns:flarimond=\"" + std::string(kDesignNamespace) + "\"" + (plot ? " art=\"plot\"" : "") +
         ">" + xmlEscaped(designJson(design)) + "</flarimond:design>";
}

#ifdef FLARIMOND_HAVE_PUGIXML

namespace {

std::string_view localName(std::string_view name) {
  size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string_view prefixOf(std::string_view name) {
  size_t colon = name.find(':');
  return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// The namespaces in scope while walking the tree: each prefix's bindings, innermost last.
class Namespaces {
 public:
  // Takes the element's declarations; returns how many it made, for leave().
  size_t enter(const pugi::xml_node& e) {
    size_t made = 0;
    for (const pugi::xml_attribute& a : e.attributes()) {
      std::string_view name = a.name();
      if (name == "xmlns")
        declare("", a.value(), made);
      else if (name.starts_with("xmlns:"))
        declare(std::string(name.substr(6)), a.value(), made);
    }
    return made;
  }
  void leave(size_t made) {
    for (; made > 0; --made) {
      bindings_[declared_.back()].pop_back();
      declared_.pop_back();
    }
  }
  std::string_view uri(std::string_view prefix) const {
    auto it = bindings_.find(std::string(prefix));
    return it == bindings_.end() || it->second.empty() ? std::string_view() : std::string_view(it->second.back());
  }

 private:
  void declare(std::string prefix, const char* uri, size_t& made) {
    bindings_[prefix].emplace_back(uri);
    declared_.push_back(std::move(prefix));
    ++made;
  }
  std::unordered_map<std::string, std::vector<std::string>> bindings_;
  std::vector<std::string> declared_;
};

constexpr std::string_view kSvgNamespace = "http://www.w3.org/2000/svg";

// Visits every element below `top` in document order, without recursion (a hostile file may nest
// as deep as it likes). visit(element, namespaces) returns whether to go into its children.
template <class Visit>
void walk(const pugi::xml_node& top, Namespaces& ns, Visit&& visit) {
  struct Frame {
    pugi::xml_node node;
    size_t declared;
  };
  std::vector<Frame> stack;
  pugi::xml_node node = top.first_child();
  while (true) {
    while (node) {
      if (node.type() == pugi::node_element) {
        size_t declared = ns.enter(node);
        if (visit(node, ns) && node.first_child()) {
          stack.push_back({node, declared});
          node = node.first_child();
          continue;
        }
        ns.leave(declared);
      }
      node = node.next_sibling();
    }
    if (stack.empty()) return;
    ns.leave(stack.back().declared);
    node = stack.back().node.next_sibling();
    stack.pop_back();
  }
}

// Whether an element is of SVG's namespace (or, without a prefix, of none, as a fragment pasted
// without its declarations is). An element of an editor's own namespace is the editor's.
bool svgElement(const pugi::xml_node& e, const Namespaces& ns) {
  std::string_view prefix = prefixOf(e.name());
  std::string_view uri = ns.uri(prefix);
  return uri == kSvgNamespace || (prefix.empty() && uri.empty());
}

// The paint properties a group hands down to what it holds, as written.
enum Property { kFill, kFillRule, kStroke, kStrokeWidth, kCap, kJoin, kMiter, kDash, kDashOffset, kPropertyCount };
const char* const kPropertyNames[kPropertyCount] = {"fill",
                                                    "fill-rule",
                                                    "stroke",
                                                    "stroke-width",
                                                    "stroke-linecap",
                                                    "stroke-linejoin",
                                                    "stroke-miterlimit",
                                                    "stroke-dasharray",
                                                    "stroke-dashoffset"};
struct Inherited {
  std::string value[kPropertyCount];
  bool set[kPropertyCount] = {};
};

// Properties and values that change nothing in the picture, as editors write them.
bool neutral(std::string_view name, std::string_view value) {
  static const std::pair<std::string_view, std::string_view> kNeutral[] = {
      {"display", "inline"},  {"visibility", "visible"}, {"fill-opacity", "1"},        {"stroke-opacity", "1"},
      {"opacity", "1"},       {"paint-order", "normal"}, {"marker", "none"},           {"marker-start", "none"},
      {"marker-mid", "none"}, {"marker-end", "none"},    {"mix-blend-mode", "normal"}, {"isolation", "auto"},
  };
  for (const auto& [n, v] : kNeutral)
    if (name == n && value == v) return true;
  return false;
}

// One element's own properties: attributes, then its style declarations over them.
void ownProperties(const pugi::xml_node& e, Inherited& into, std::string* opacity, std::vector<std::string>& others) {
  auto take = [&](std::string_view name, std::string_view value) {
    for (int p = 0; p < kPropertyCount; ++p)
      if (name == kPropertyNames[p]) {
        into.value[p] = std::string(value);
        into.set[p] = true;
        return;
      }
    if (name == "opacity" && opacity) {
      *opacity = std::string(value);
      return;
    }
    if (!neutral(name, value)) others.push_back(std::string(name) + "=" + std::string(value));
  };
  for (const pugi::xml_attribute& a : e.attributes()) {
    std::string_view name = a.name();
    if (name == "id" || name == "d" || name == "style" || name == "xmlns" || name.find(':') != std::string_view::npos)
      continue;
    take(name, trimmed(a.value()));
  }
  std::string_view style = e.attribute("style").value();
  while (!style.empty()) {
    size_t semi = style.find(';');
    std::string_view decl = style.substr(0, semi);
    style = semi == std::string_view::npos ? std::string_view() : style.substr(semi + 1);
    size_t colon = decl.find(':');
    if (trimmed(decl).empty()) continue;
    if (colon == std::string_view::npos) {
      others.push_back("style:" + std::string(decl));
      continue;
    }
    take(trimmed(decl.substr(0, colon)), trimmed(decl.substr(colon + 1)));
  }
}

bool readFloat(std::string_view text, float* v) {
  text = trimmed(text);
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *v);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size() && std::isfinite(*v);
}

// A paint value as a key; false for one the reader cannot say is a plain colour.
bool readPaint(std::string_view text, uint32_t* key) {
  if (text == "none") {
    *key = kNoPaint;
    return true;
  }
  if (text.size() != 4 && text.size() != 7) return false;
  if (text[0] != '#') return false;
  std::string hex(text.substr(1));
  if (hex.size() == 3) hex = {hex[0], hex[0], hex[1], hex[1], hex[2], hex[2]};
  uint32_t v = 0;
  auto [end, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), v, 16);
  if (ec != std::errc() || end != hex.data() + hex.size()) return false;
  *key = v;
  return true;
}

// The paint the path shows, from what it and its groups say; what cannot be read goes to others.
ShownPaint shownPaint(const Inherited& p, const std::string& opacity, std::vector<std::string>& others) {
  ShownPaint s;
  auto unread = [&](int property) {
    others.push_back(std::string(kPropertyNames[property]) + "=" + p.value[property]);
  };
  if (p.set[kFill] && !readPaint(p.value[kFill], &s.fill)) unread(kFill);
  if (p.set[kFillRule]) {
    if (p.value[kFillRule] == "evenodd")
      s.evenOdd = true;
    else if (p.value[kFillRule] != "nonzero")
      unread(kFillRule);
  }
  if (p.set[kStroke] && !readPaint(p.value[kStroke], &s.stroke)) unread(kStroke);
  if (p.set[kStrokeWidth]) {
    std::string_view w = p.value[kStrokeWidth];
    if (w.ends_with("px")) w.remove_suffix(2);
    if (!svgMillis(trimmed(w), &s.widthMillis)) unread(kStrokeWidth);
  }
  if (p.set[kCap]) {
    const std::string& v = p.value[kCap];
    s.cap = v == "round" ? 1 : v == "square" ? 2 : 0;
    if (v != "butt" && v != "round" && v != "square") unread(kCap);
  }
  if (p.set[kJoin]) {
    const std::string& v = p.value[kJoin];
    s.join = v == "round" ? 1 : v == "bevel" ? 2 : 0;
    if (v != "miter" && v != "round" && v != "bevel") unread(kJoin);
  }
  if (p.set[kMiter] && !readFloat(p.value[kMiter], &s.miterLimit)) unread(kMiter);
  if (p.set[kDash] && p.value[kDash] != "none") {
    std::string_view rest = p.value[kDash];
    while (true) {
      size_t end = rest.find_first_of(", \t\n\r");
      std::string_view item = rest.substr(0, end);
      float v = 0;
      if (!item.empty()) {
        if (!readFloat(item, &v)) {
          unread(kDash);
          break;
        }
        s.dash.push_back(v);
      }
      if (end == std::string_view::npos) break;
      rest = rest.substr(end + 1);
    }
  }
  if (p.set[kDashOffset] && !readFloat(p.value[kDashOffset], &s.dashOffset)) unread(kDashOffset);
  if (!opacity.empty()) {
    if (!readFloat(opacity, &s.opacity)) others.push_back("opacity=" + opacity);
    s.opacity = std::min(s.opacity, 1.0f);
  }
  return s;
}

// SVG's path data into the digest's commands, each point made absolute in thousandths. False for
// data the SVG export does not write and an editor's rewrite would not need (arcs, quadratic and
// smooth curves), or that does not parse.
bool readPathData(std::string_view d, ArtDigest& digest) {
  size_t i = 0;
  auto skip = [&] {
    while (i < d.size() && (d[i] == ' ' || d[i] == '\t' || d[i] == '\n' || d[i] == '\r' || d[i] == ',')) ++i;
  };
  auto number = [&](int64_t* out) {
    skip();
    size_t start = i;
    if (i < d.size() && (d[i] == '+' || d[i] == '-')) ++i;
    bool point = false;
    while (i < d.size() && ((d[i] >= '0' && d[i] <= '9') || (d[i] == '.' && !point))) {
      if (d[i] == '.') point = true;
      ++i;
    }
    if (i < d.size() && (d[i] == 'e' || d[i] == 'E')) {
      ++i;
      if (i < d.size() && (d[i] == '+' || d[i] == '-')) ++i;
      while (i < d.size() && d[i] >= '0' && d[i] <= '9') ++i;
    }
    return i > start && svgMillis(d.substr(start, i - start), out);
  };
  auto startsNumber = [&] {
    skip();
    return i < d.size() && ((d[i] >= '0' && d[i] <= '9') || d[i] == '.' || d[i] == '-' || d[i] == '+');
  };
  // A relative step from the current point; false past what 64 bits hold (no art of ours is there).
  auto at = [](int64_t from, int64_t step, int64_t* to) { return !__builtin_add_overflow(from, step, to); };
  int64_t x = 0, y = 0, startX = 0, startY = 0;
  char command = 0;
  bool first = true;
  while (true) {
    skip();
    if (i >= d.size()) return true;
    if (!startsNumber()) {
      command = d[i++];
    } else if (command == 0 || command == 'Z' || command == 'z') {
      return false;
    }
    bool relative = command >= 'a' && command <= 'z';
    int64_t bx = relative ? x : 0, by = relative ? y : 0;
    switch (command) {
      case 'M':
      case 'm': {
        int64_t px, py;
        if (!number(&px) || !number(&py)) return false;
        if (first) bx = by = 0;  // a first moveto is absolute either way
        if (!at(bx, px, &x) || !at(by, py, &y)) return false;
        startX = x;
        startY = y;
        digest.move(x, y);
        command = relative ? 'l' : 'L';  // further pairs are lines
        break;
      }
      case 'L':
      case 'l': {
        int64_t px, py;
        if (!number(&px) || !number(&py) || !at(bx, px, &x) || !at(by, py, &y)) return false;
        digest.line(x, y);
        break;
      }
      case 'H':
      case 'h': {
        int64_t px;
        if (!number(&px) || !at(bx, px, &x)) return false;
        digest.line(x, y);
        break;
      }
      case 'V':
      case 'v': {
        int64_t py;
        if (!number(&py) || !at(by, py, &y)) return false;
        digest.line(x, y);
        break;
      }
      case 'C':
      case 'c': {
        int64_t v[6], p[6];
        for (int k = 0; k < 6; ++k)
          if (!number(&v[k]) || !at(k % 2 ? by : bx, v[k], &p[k])) return false;
        x = p[4];
        y = p[5];
        digest.curve(p[0], p[1], p[2], p[3], x, y);
        break;
      }
      case 'Z':
      case 'z':
        x = startX;
        y = startY;
        digest.close();
        break;
      default:
        return false;
    }
    first = false;
  }
}

// The digest of the art a carrier holds: its paths, in order, with what they and the groups
// between show; groups that carry designs of their own are theirs, not this one's.
ArtDigest carriedArt(const pugi::xml_node& carrier, bool isRoot, const std::unordered_set<const void*>& carriers) {
  ArtDigest digest;
  Inherited top;
  if (!isRoot) {  // the picture's own attributes (size, view) are not the art's
    std::vector<std::string> others;
    std::string opacity;
    ownProperties(carrier, top, &opacity, others);
    if (!opacity.empty() && !neutral("opacity", opacity)) others.push_back("opacity=" + opacity);
    for (const std::string& o : others) digest.other(o);
  }
  // The properties in force at each open group, innermost last.
  struct Open {
    pugi::xml_node node;
    Inherited properties;
  };
  std::vector<Open> open{{carrier, top}};
  Namespaces ns;
  walk(carrier, ns, [&](const pugi::xml_node& e, const Namespaces& scope) {
    while (open.size() > 1 && open.back().node != e.parent()) open.pop_back();
    std::string_view name = localName(e.name());
    if (!svgElement(e, scope) || name == "metadata" || name == "title" || name == "desc") return false;
    if (carriers.count(e.internal_object())) return false;
    std::vector<std::string> extra;
    Inherited properties = open.back().properties;
    std::string opacity;
    ownProperties(e, properties, &opacity, extra);
    if (name == "path") {
      // An empty art draws nothing, however it is written.
      if (trimmed(e.attribute("d").value()).empty()) return false;
      digest.path();
      if (!readPathData(e.attribute("d").value(), digest)) digest.other(std::string("d=") + e.attribute("d").value());
      ShownPaint paint = shownPaint(properties, opacity, extra);
      digest.paint(paint);
      for (const std::string& o : extra) digest.other(o);
      return false;
    }
    if (name != "g") {
      digest.other("<" + std::string(e.name()) + ">");
      return false;
    }
    if (!opacity.empty() && !neutral("opacity", opacity)) extra.push_back("opacity=" + opacity);
    for (const std::string& o : extra) digest.other(o);
    open.push_back({e, properties});
    return true;
  });
  return digest;
}

}  // namespace

std::vector<CarriedText> svgDescriptions(std::string& bytes, std::string_view name) {
  pugi::xml_document doc;
  // The default options: character and entity references decoded, no DTD, no entities of the
  // file's own (a reference to one stays as written), no comments and no processing instructions.
  pugi::xml_parse_result parsed = doc.load_buffer_inplace(bytes.data(), bytes.size(), pugi::parse_default);
  if (!parsed)
    throw ToolError(std::string(name) + ": not an SVG file that can be read: " + parsed.description() + " at byte " +
                    std::to_string(parsed.offset));
  pugi::xml_node root = doc.document_element();
  if (!root || localName(root.name()) != "svg")
    throw ToolError(std::string(name) + ": not an SVG file (its root is not <svg>)");

  struct Found {
    pugi::xml_node element;
    pugi::xml_node carrier;
  };
  std::vector<Found> found;
  Namespaces ns;
  size_t rootDeclared = ns.enter(root);
  auto isDesign = [&](const pugi::xml_node& e, const Namespaces& scope) {
    return localName(e.name()) == "design" && scope.uri(prefixOf(e.name())) == kDesignNamespace;
  };
  auto visit = [&](const pugi::xml_node& e, const Namespaces& scope) {
    if (!isDesign(e, scope)) return true;
    pugi::xml_node parent = e.parent();
    pugi::xml_node carrier = localName(parent.name()) == "metadata" ? parent.parent() : parent;
    found.push_back({e, carrier});
    return false;  // what a description holds is its text
  };
  if (isDesign(root, ns))
    found.push_back({root, root});
  else
    walk(root, ns, visit);
  ns.leave(rootDeclared);

  std::unordered_set<const void*> carriers;
  for (const Found& f : found) carriers.insert(f.carrier.internal_object());
  // Each carrier's art once, however many descriptions it holds.
  std::unordered_map<const void*, std::pair<size_t, std::string>> arts;
  std::vector<CarriedText> texts;
  for (const Found& f : found) {
    CarriedText t;
    for (pugi::xml_node c = f.element.first_child(); c; c = c.next_sibling())
      if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) t.text += c.value();
    // A plot's lines are drawn from the design's arts, not the arts themselves: nothing to check.
    const bool plot = std::string_view(f.element.attribute("art").value()) == "plot";
    if (f.carrier.type() == pugi::node_element && !plot) {
      t.groupId = f.carrier.attribute("id").value();
      auto [at, added] = arts.try_emplace(f.carrier.internal_object());
      if (added) {
        ArtDigest art = carriedArt(f.carrier, f.carrier == root, carriers);
        at->second = {art.paths(), art.hex()};
      }
      t.art = at->second;
    }
    texts.push_back(std::move(t));
  }
  return texts;
}

#else

std::vector<CarriedText> svgDescriptions(std::string&, std::string_view name) {
  throw ToolError(std::string(name) + ": reading SVG files is not available in this build (it needs pugixml)");
}

#endif

}  // namespace fltools
