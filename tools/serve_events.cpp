#include "serve_events.h"

#include <climits>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "dialog_actions.h"

namespace fltools {

namespace {

using json = nlohmann::json;
using Kind = flhost::DialogAction::Kind;

struct EventSyntax {
  const char* type;
  BrowserEvent::Op op;
  Kind kind;
  std::vector<const char*> keys;
};

const std::vector<EventSyntax>& eventSyntax() {
  using Op = BrowserEvent::Op;
  static const std::vector<EventSyntax> table = {
      {"set", Op::Action, Kind::Set, {"id", "value"}},
      {"check", Op::Action, Kind::Check, {"id", "value"}},
      {"choose", Op::Action, Kind::Choose, {"id", "value"}},
      {"press", Op::Action, Kind::Press, {"id"}},
      {"page", Op::Action, Kind::Press, {"page"}},
      {"pick", Op::Action, Kind::Pick, {"id", "x", "y"}},
      {"confirm", Op::Action, Kind::Confirm, {}},
      {"cancel", Op::Action, Kind::Cancel, {}},
      {"open", Op::Open, Kind::Confirm, {}},
      {"apply", Op::Apply, Kind::Confirm, {}},
      {"about", Op::About, Kind::Confirm, {}},
      {"undo", Op::Undo, Kind::Confirm, {}},
      {"redo", Op::Redo, Kind::Confirm, {}},
      {"new", Op::New, Kind::Confirm, {}},
      {"variant", Op::Variant, Kind::Confirm, {"id"}},
      {"lock", Op::Lock, Kind::Check, {"id", "value"}},
  };
  return table;
}

}  // namespace

std::optional<BrowserEvent> parseBrowserEvent(std::string_view body, std::string* why) {
  auto refuse = [&](std::string text) -> std::optional<BrowserEvent> {
    if (why) *why = std::move(text);
    return std::nullopt;
  };
  json j;
  // The reader keeps the last of a repeated key; an event that says two things is refused instead.
  std::vector<std::set<std::string>> keysSeen;  // one set for each object being read
  std::string repeated;
  auto watch = [&](int, json::parse_event_t event, json& parsed) {
    if (event == json::parse_event_t::object_start) {
      keysSeen.emplace_back();
    } else if (event == json::parse_event_t::object_end && !keysSeen.empty()) {
      keysSeen.pop_back();
    } else if (event == json::parse_event_t::key && !keysSeen.empty() && repeated.empty() &&
               !keysSeen.back().insert(parsed.get<std::string>()).second) {
      repeated = parsed.get<std::string>();
    }
    return true;
  };
  try {
    j = json::parse(body, watch);
  } catch (const json::exception& e) {
    // A syntax error, or a number past the largest double (1e400).
    std::string text = e.what();
    // nlohmann prefixes its own exception id, which tells the user nothing.
    if (size_t end = text.find("] "); text.rfind("[json.exception", 0) == 0 && end != std::string::npos)
      text = text.substr(end + 2);
    return refuse("malformed JSON: " + text);
  }
  if (!repeated.empty()) return refuse("the key \"" + repeated + "\" is given twice");
  if (!j.is_object()) return refuse("an event is a JSON object such as {\"type\": \"press\", \"id\": 111}");
  auto type = j.find("type");
  if (type == j.end() || !type->is_string()) return refuse("the event has no \"type\" text");
  const EventSyntax* syntax = nullptr;
  for (const EventSyntax& s : eventSyntax())
    if (type->get<std::string>() == s.type) syntax = &s;
  if (!syntax)
    return refuse("unknown event type \"" + type->get<std::string>() +
                  "\" (expected set, check, choose, press, page, pick, confirm, cancel, open, apply, about, undo,"
                  " redo, new, variant or lock)");

  BrowserEvent event;
  event.op = syntax->op;
  event.action.kind = syntax->kind;
  event.action.origin = "browser";
  const std::string name = syntax->type;
  for (const auto& [key, value] : j.items()) {
    if (key == "type") continue;
    bool known = false;
    for (const char* k : syntax->keys) known = known || key == k;
    if (!known) return refuse("a \"" + name + "\" event has no key \"" + key + "\"");
  }
  for (const char* key : syntax->keys) {
    auto it = j.find(key);
    if (it == j.end()) return refuse("a \"" + name + "\" event needs \"" + key + "\"");
    if (!it->is_number()) return refuse("\"" + std::string(key) + "\" must be a number");
    double v = it->get<double>();
    if (!std::isfinite(v)) return refuse("\"" + std::string(key) + "\" must be a finite number");
    std::string_view k = key;
    if (k == "id" || k == "page") {
      if (v != std::trunc(v) || v < INT32_MIN || v > INT32_MAX)
        return refuse("\"" + std::string(key) + "\" must be a whole number of 32 bits");
      event.action.id = static_cast<int32_t>(v);
    } else if (k == "value") {
      event.action.value = v;
    } else if (k == "x") {
      event.action.x = v;
    } else {
      event.action.y = v;
    }
  }
  if (name == "page")
    if (std::string wrong = pageAction(event.action.id, event.action); !wrong.empty()) return refuse(wrong);
  if (name == "lock" && event.action.value != 0 && event.action.value != 1)
    return refuse("a lock's \"value\" is 0 or 1");
  return event;
}

}  // namespace fltools
