// JSON from files the program did not necessarily write, read by the JSON library's own reader
// into values, with the limits untrusted text needs:
//   - nesting deeper than a limit is refused before it is built (a value nested 100,000 deep
//     would otherwise exhaust the stack of every recursive walk over it, the library's own
//     printing included);
//   - a key repeated in one object is refused (the library would keep the last one silently);
//   - every real is kept as the 32-bit float its text names, read from the text itself, so that
//     no real is rounded twice on its way through a double.
// Parts of the text can be handed to other readers of the library's events (routes): a record's
// fields go to the parameter file's reader, the arts of a large document to one that keeps none.
#pragma once

#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace fltools {

using Json = nlohmann::json;
using JsonEvents = nlohmann::json_sax<Json>;

// Deeper than any file of ours nests (a swatch list inside a description is four levels).
inline constexpr int kMaxJsonDepth = 64;

// Builds one value from the library's events. Problems throw ToolError at once, named after
// `source`: "SOURCE:LINE:COLUMN: JSON ..." for text that is not JSON, "SOURCE: nests deeper
// than N levels (at PATH)", "SOURCE: "KEY" appears more than once in PATH", and for a number no
// double holds "SOURCE: PATH = TEXT is not a finite number". Paths are written a.b[2].c; the top
// level is "the top level".
class JsonTreeReader : public JsonEvents {
 public:
  // Where the value of a member goes instead of the tree: the events of that one value, from its
  // first to its last, go to the returned reader (null: into the tree as usual). The tree then
  // holds null for the member. `path` is the member's object, `key` its name.
  using Route = std::function<JsonEvents*(const std::vector<std::string>& path, const std::string& key)>;

  explicit JsonTreeReader(std::string source, int maxDepth = kMaxJsonDepth, Route route = {});

  // The value read; valid once the library's sax_parse returned true.
  Json& result() { return root_; }

 protected:
  // A routed reader stopped the reading (it returned false, having found a problem): says why,
  // by throwing. The default leaves the reading stopped for the caller to ask that reader.
  virtual void stopped(JsonEvents* by) { (void)by; }

 public:
  bool null() override;
  bool boolean(bool val) override;
  bool number_integer(number_integer_t val) override;
  bool number_unsigned(number_unsigned_t val) override;
  bool number_float(number_float_t val, const string_t& text) override;
  bool string(string_t& val) override;
  bool binary(binary_t& val) override;
  bool start_object(std::size_t elements) override;
  bool key(string_t& val) override;
  bool end_object() override;
  bool start_array(std::size_t elements) override;
  bool end_array() override;
  bool parse_error(std::size_t position, const std::string& lastToken, const nlohmann::detail::exception& ex) override;

 private:
  struct Level {
    Json* value;       // the object or array being filled
    std::string name;  // its place in the path ("swatches", "[3]")
  };
  // Routes the next value when the member's route says so; false when it goes into the tree.
  bool routed();
  bool forwarded(bool more);
  bool add(Json value);
  bool open(Json value);
  bool close();
  void enter();
  std::string path() const;
  std::string pendingPath() const;  // with the member or element that comes next
  std::vector<std::string> keys() const;

  std::string source_;
  int maxDepth_;
  Route route_;
  Json root_;
  std::vector<Level> stack_;
  std::string pendingKey_;
  bool hasKey_ = false;
  int depth_ = 0;  // every open object and array of the tree (a routed reader keeps its own)
  // A routed value: its reader and how deep it is open.
  JsonEvents* to_ = nullptr;
  int toDepth_ = 0;
  std::string toPath_;
};

// The whole text as one value, through JsonTreeReader. ToolError as it says.
Json readJson(std::string_view text, std::string_view source, int maxDepth = kMaxJsonDepth,
              JsonTreeReader::Route route = {});

// A reader that keeps nothing: for parts of a file that only have to be JSON.
class JsonSkipper : public nlohmann::json_sax<Json> {
 public:
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return true; }
  bool key(string_t&) override { return true; }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return true; }
  bool end_array() override { return true; }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }
};

// The library's message without its "[json.exception.KIND] " prefix.
std::string jsonErrorText(const std::exception& e);
// A syntax error as "SOURCE:LINE:COLUMN: JSON what".
std::string jsonSyntaxProblem(std::string_view source, const nlohmann::detail::exception& ex);

}  // namespace fltools
