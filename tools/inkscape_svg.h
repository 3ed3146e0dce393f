// An Inkscape document as the effect sees it: its page in points, the layer a new design goes into
// and where, the design group a selection names; and the document written back with one group
// added or replaced, every other byte as it was. Read with pugixml; the positions of elements in
// the text are the parser's own (offset_debug), so the document is never written out by us.
//
// A design in Inkscape is a wrapper group <g id="flarimond-N" transform="..."> holding the design's
// group as the exports write it (flarimond-N-design, with its description first and its arts
// flarimond-N-art-K): the wrapper's transform carries the design from the host's page points (y
// down from the page's top, as the SVG export writes them) into the layer's coordinates, so that
// the inner group stays exactly what the description's digest describes.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli_options.h"

namespace fltools {

// An SVG transform as the matrix (a b c d e f): (x, y) goes to (a x + c y + e, b x + d y + f).
struct Affine {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};
// The transform that applies `first`, then `then`.
Affine compose(const Affine& then, const Affine& first);
std::optional<Affine> inverse(const Affine& m);
// An SVG transform list (matrix, translate, scale, rotate, skewX, skewY); nullopt when it is not one.
std::optional<Affine> parseTransform(std::string_view text);
std::string transformText(const Affine& m);

// A length of the root's width or height in points ("210mm", "8.5in", "612pt", "800" in px);
// nullopt for a percentage or anything else.
std::optional<double> lengthInPoints(std::string_view text);

class EditorDocument {
 public:
  // ToolError naming `name` for a file that is not a well-formed SVG.
  EditorDocument(std::string bytes, std::string name);
  ~EditorDocument();
  EditorDocument(const EditorDocument&) = delete;
  EditorDocument& operator=(const EditorDocument&) = delete;

  const std::string& bytes() const { return bytes_; }
  // The page (the root's width and height, or its view box in px) in points.
  PageSize page() const { return page_; }
  // The first "flarimond-N" that no id of the document starts with.
  std::string freeId() const;
  // The document with `group` (a wrapper of freeId's) last in the current layer
  // (inkscape:current-layer, or the root when it names none or no group), and the transform the
  // wrapper takes there so that page points land where the page shows them.
  Affine pageToLayer() const;
  std::string withNewGroup(std::string_view group) const;

  // The design a selection names: the element with that id is a design's wrapper or a design's
  // group. ToolError, saying what was found, when it is neither.
  struct Selected {
    std::string id;         // the selected element's
    std::string designId;   // the id of the group that carries the description
    std::string transform;  // the selected element's transform attribute, as written
    bool wrapper = false;   // a wrapper (its content is replaced) or the design's group itself
  };
  Selected selected(const std::string& id) const;
  // The document with the selected element's content (a wrapper) or the element itself (a
  // design's group, which becomes a wrapper with its id and transform) made `inner`.
  std::string withReplaced(const Selected& s, std::string_view inner) const;

 private:
  struct Parsed;
  std::string bytes_;
  std::string name_;
  PageSize page_;
  std::unique_ptr<Parsed> parsed_;
};

}  // namespace fltools
