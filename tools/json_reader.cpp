#include "json_reader.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "output_file.h"

namespace fltools {

std::string jsonErrorText(const std::exception& e) {
  std::string what = e.what();
  size_t close = what.find("] ");
  return what.rfind("[json.exception.", 0) == 0 && close != std::string::npos ? what.substr(close + 2) : what;
}

std::string jsonSyntaxProblem(std::string_view source, const nlohmann::detail::exception& ex) {
  // The library's text reads "[json.exception...] parse error at line L, column C: what";
  // turn it into the usual SOURCE:LINE:COLUMN: form.
  std::string what = ex.what();
  std::string where, detail = jsonErrorText(ex);
  size_t at = what.find("at line ");
  size_t colon = at == std::string::npos ? std::string::npos : what.find(": ", at);
  if (colon != std::string::npos) {
    unsigned line = 0, column = 0;
    if (std::sscanf(what.c_str() + at, "at line %u, column %u", &line, &column) == 2)
      where = ":" + std::to_string(line) + ":" + std::to_string(column);
    detail = what.substr(colon + 2);
  }
  return std::string(source) + where + ": JSON " + detail;
}

JsonTreeReader::JsonTreeReader(std::string source, int maxDepth, Route route)
    : source_(std::move(source)), maxDepth_(maxDepth), route_(std::move(route)) {}

std::string JsonTreeReader::path() const {
  std::string p;
  for (size_t i = 1; i < stack_.size(); ++i) {
    const std::string& name = stack_[i].name;
    if (!p.empty() && name.front() != '[') p += '.';
    p += name;
  }
  return p;
}

std::vector<std::string> JsonTreeReader::keys() const {
  std::vector<std::string> k;
  for (size_t i = 1; i < stack_.size(); ++i) k.push_back(stack_[i].name);
  return k;
}

std::string JsonTreeReader::pendingPath() const {
  std::string at = path();
  if (stack_.empty()) return at;
  const Json& into = *stack_.back().value;
  if (into.is_object() && hasKey_) return at + (at.empty() ? "" : ".") + pendingKey_;
  if (into.is_array()) return at + "[" + std::to_string(into.size()) + "]";
  return at;
}

void JsonTreeReader::enter() {
  if (++depth_ > maxDepth_) {
    std::string at = pendingPath();
    if (at.size() > 60) at = at.substr(0, 60) + "...";
    throw ToolError(source_ + ": nests deeper than " + std::to_string(maxDepth_) + " levels" +
                    (at.empty() ? std::string() : " (at " + at + ")"));
  }
}

bool JsonTreeReader::routed() { return to_ != nullptr; }

bool JsonTreeReader::add(Json value) {
  if (stack_.empty()) {
    root_ = std::move(value);
    return true;
  }
  Json& into = *stack_.back().value;
  if (into.is_object()) {
    into[pendingKey_] = std::move(value);
    hasKey_ = false;
  } else {
    into.push_back(std::move(value));
  }
  return true;
}

bool JsonTreeReader::open(Json value) {
  enter();
  if (stack_.empty()) {
    root_ = std::move(value);
    stack_.push_back({&root_, ""});
    return true;
  }
  Json& into = *stack_.back().value;
  if (into.is_object()) {
    std::string name = pendingKey_;
    into[pendingKey_] = std::move(value);
    hasKey_ = false;
    stack_.push_back({&into[name], name});
  } else {
    std::string name = "[" + std::to_string(into.size()) + "]";
    into.push_back(std::move(value));
    stack_.push_back({&into.back(), name});
  }
  return true;
}

bool JsonTreeReader::close() {
  --depth_;
  stack_.pop_back();
  return true;
}

// While a value is routed, its events go to its reader; the value ends with its last close (or
// at once, for a single value).
#define FL_ROUTE_SCALAR(call)         \
  if (to_) {                          \
    JsonEvents* to = to_;             \
    bool more = to->call;             \
    if (toDepth_ == 0) to_ = nullptr; \
    if (!more) stopped(to);           \
    return more;                      \
  }

bool JsonTreeReader::null() {
  FL_ROUTE_SCALAR(null());
  return add(nullptr);
}

bool JsonTreeReader::boolean(bool val) {
  FL_ROUTE_SCALAR(boolean(val));
  return add(val);
}

bool JsonTreeReader::number_integer(number_integer_t val) {
  FL_ROUTE_SCALAR(number_integer(val));
  return add(val);
}

bool JsonTreeReader::number_unsigned(number_unsigned_t val) {
  FL_ROUTE_SCALAR(number_unsigned(val));
  return add(val);
}

bool JsonTreeReader::number_float(number_float_t val, const string_t& text) {
  FL_ROUTE_SCALAR(number_float(val, text));
  // The float the text names, straight from the text; a text past the largest float keeps its
  // double (as a float it is infinite), one below the smallest reads as the nearest float.
  float f = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), f);
  if (ec == std::errc() && end == text.data() + text.size() && std::isfinite(f)) return add(static_cast<double>(f));
  if (ec == std::errc::result_out_of_range && std::fabs(val) < 1)
    return add(static_cast<double>(static_cast<float>(val)));
  return add(val);
}

bool JsonTreeReader::string(string_t& val) {
  FL_ROUTE_SCALAR(string(val));
  return add(val);
}

bool JsonTreeReader::binary(binary_t& val) {
  FL_ROUTE_SCALAR(binary(val));
  return add(nullptr);
}

#undef FL_ROUTE_SCALAR

// A routed reader keeps its own limits: it builds nothing a depth could overflow, or is a tree
// reader itself.
bool JsonTreeReader::start_object(std::size_t elements) {
  if (to_) {
    ++toDepth_;
    return forwarded(to_->start_object(elements));
  }
  return open(Json::object());
}

bool JsonTreeReader::start_array(std::size_t elements) {
  if (to_) {
    ++toDepth_;
    return forwarded(to_->start_array(elements));
  }
  return open(Json::array());
}

bool JsonTreeReader::end_object() {
  if (to_) {
    JsonEvents* to = to_;
    if (--toDepth_ == 0) to_ = nullptr;
    bool more = to->end_object();
    if (!more) stopped(to);
    return more;
  }
  return close();
}

bool JsonTreeReader::end_array() {
  if (to_) {
    JsonEvents* to = to_;
    if (--toDepth_ == 0) to_ = nullptr;
    bool more = to->end_array();
    if (!more) stopped(to);
    return more;
  }
  return close();
}

bool JsonTreeReader::forwarded(bool more) {
  if (!more) stopped(to_);
  return more;
}

bool JsonTreeReader::key(string_t& val) {
  if (to_) return forwarded(to_->key(val));
  Json& object = *stack_.back().value;
  if (object.contains(val)) {
    std::string where = path();
    throw ToolError(source_ + ": \"" + val + "\" appears more than once in " +
                    (where.empty() ? std::string("the top level") : where));
  }
  pendingKey_ = val;
  hasKey_ = true;
  if (route_) {
    if (JsonEvents* to = route_(keys(), val)) {
      std::string where = path();
      toPath_ = where.empty() ? val : where + "." + val;
      object[val] = nullptr;  // so that a second one is seen
      hasKey_ = false;
      to_ = to;
      toDepth_ = 0;
    }
  }
  return true;
}

bool JsonTreeReader::parse_error(std::size_t position, const std::string& lastToken,
                                 const nlohmann::detail::exception& ex) {
  // Inside a routed value its reader says what is wrong, when it can say more.
  if (to_) forwarded(to_->parse_error(position, lastToken, ex));
  // The reader gives up on a number no double holds (1e999) before it reaches us as a value.
  if (ex.id == 406) {
    std::string at = to_ ? toPath_ : pendingPath();
    throw ToolError(source_ + ": " + (at.empty() ? std::string("the value") : at) + " = " + lastToken +
                    " is not a finite number");
  }
  throw ToolError(jsonSyntaxProblem(source_, ex));
}

Json readJson(std::string_view text, std::string_view source, int maxDepth, JsonTreeReader::Route route) {
  JsonTreeReader reader{std::string(source), maxDepth, std::move(route)};
  // A routed reader that stops the reading has said why itself; the caller asks it.
  Json::sax_parse(text.begin(), text.end(), &reader);
  return std::move(reader.result());
}

}  // namespace fltools
