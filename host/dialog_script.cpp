#include "dialog_script.h"

#include <array>
#include <charconv>
#include <cmath>

#include "adm_dialog_suite.h"

namespace flhost {
namespace {

using Kind = DialogAction::Kind;

struct Syntax {
  std::string_view keyword;
  Kind kind;
  std::string_view usage;
  size_t arguments;
};

constexpr std::array<Syntax, 7> kSyntax = {{
    {"set", Kind::Set, "set ID VALUE", 2},
    {"check", Kind::Check, "check ID 0|1", 2},
    {"choose", Kind::Choose, "choose ID POSITION", 2},
    {"press", Kind::Press, "press ID", 1},
    {"pick", Kind::Pick, "pick ID X Y", 3},
    {"confirm", Kind::Confirm, "confirm", 0},
    {"cancel", Kind::Cancel, "cancel", 0},
}};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::vector<std::string_view> words(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isSpace(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !isSpace(line[i])) ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != b[i]) return false;
  }
  return true;
}

std::optional<int32_t> parseInt(std::string_view word) {
  int32_t v = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
  if (ec != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return v;
}

std::optional<double> parseReal(std::string_view word) {
  double v = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), v);
  if (ec != std::errc() || end != word.data() + word.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

// "unknown action ... (expected page, set, ..., confirm or cancel)".
std::string unknownAction(std::string_view word, const std::vector<ScriptKeyword>& extra) {
  std::vector<std::string_view> known;
  known.reserve(extra.size() + kSyntax.size());
  for (const ScriptKeyword& k : extra) known.push_back(k.keyword);
  for (const Syntax& s : kSyntax) known.push_back(s.keyword);
  std::string list;
  for (size_t i = 0; i < known.size(); ++i)
    list += (i == 0 ? "" : i + 1 == known.size() ? " or " : ", ") + std::string(known[i]);
  return "unknown action \"" + std::string(word) + "\" (expected " + list + ")";
}

// Checks one line's words into an action; returns what is wrong, or "".
std::string parseAction(const std::vector<std::string_view>& w, DialogAction& action,
                        const std::vector<ScriptKeyword>& extra) {
  for (const ScriptKeyword& k : extra) {
    if (!equalsIgnoringCase(w[0], k.keyword)) continue;
    if (w.size() != 2) return "expected " + std::string(k.usage);
    const auto n = parseInt(w[1]);
    if (!n) return "\"" + std::string(w[1]) + "\" is not " + std::string(k.argument);
    return k.make(*n, action);
  }
  const Syntax* syntax = nullptr;
  for (const Syntax& s : kSyntax) {
    if (equalsIgnoringCase(w[0], s.keyword)) syntax = &s;
  }
  if (!syntax) return unknownAction(w[0], extra);
  if (w.size() != syntax->arguments + 1) return "expected " + std::string(syntax->usage);
  action.kind = syntax->kind;
  if (syntax->arguments == 0) return {};

  const auto id = parseInt(w[1]);
  if (!id) return "\"" + std::string(w[1]) + "\" is not an item id";
  action.id = *id;
  // clang-format off
  switch (syntax->kind) {
    case Kind::Set: {
      const auto v = parseReal(w[2]);
      if (!v) return "\"" + std::string(w[2]) + "\" is not a number";
      action.value = *v;
      return {};
    }
    case Kind::Check: {
      const auto v = parseInt(w[2]);
      if (!v || (*v != 0 && *v != 1)) return "a check box takes 0 or 1, not \"" + std::string(w[2]) + "\"";
      action.value = *v;
      return {};
    }
    case Kind::Choose: {
      const auto v = parseInt(w[2]);
      if (!v || *v < 0) return "\"" + std::string(w[2]) + "\" is not a list position (0, 1, 2, ...)";
      action.value = *v;
      return {};
    }
    case Kind::Pick: {
      const auto x = parseReal(w[2]);
      const auto y = parseReal(w[3]);
      if (!x || !y) return "\"" + std::string(x ? w[3] : w[2]) + "\" is not a number";
      action.x = *x;
      action.y = *y;
      return {};
    }
    default: return {};
  }
  // clang-format on
}

}  // namespace

std::optional<std::vector<DialogAction>> parseDialogScript(std::string_view text, std::string* error,
                                                           const std::vector<ScriptKeyword>& extra) {
  std::vector<DialogAction> actions;
  int lineNumber = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    const size_t newline = text.find('\n', pos);
    std::string_view line = text.substr(pos, newline == std::string_view::npos ? text.size() - pos : newline - pos);
    pos = newline == std::string_view::npos ? text.size() + 1 : newline + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const std::vector<std::string_view> w = words(line);
    if (w.empty() || w[0].front() == '#') continue;
    DialogAction action;
    action.line = lineNumber;
    if (std::string why = parseAction(w, action, extra); !why.empty()) {
      if (error) {
        *error = "line " + std::to_string(lineNumber) + " \"" + std::string(line) + "\": " + why;
      }
      return std::nullopt;
    }
    actions.push_back(action);
  }
  return actions;
}

void ScriptDriver::run(ModalSession& s) {
  if (s.resourceId() != filterDialogId_) {
    if (onOtherDialog) onOtherDialog(s);
    if (!s.ended()) {
      DialogAction press;
      press.kind = Kind::Press;
      press.id = kDialogOkId;
      s.apply(press);
    }
    return;
  }
  if (failed()) {
    s.end(kDialogCancelId);
    return;
  }
  while (!s.ended() && next_ < actions_.size()) {
    const DialogAction& action = actions_[next_++];
    bool ending = action.kind == Kind::Confirm || action.kind == Kind::Cancel;
    if (ending && beforeEnd) beforeEnd(s);
    if (beforeAction) beforeAction(s, action);
    if (std::string why = s.apply(action); !why.empty()) {
      errorLine_ = action.line;
      error_ = (action.origin.empty() ? "script line " + std::to_string(action.line) : action.origin) + ": " + why;
      s.end(kDialogCancelId);
      return;
    }
    if (afterAction && !s.ended()) afterAction(s, action);
  }
  if (!s.ended()) {
    if (beforeEnd) beforeEnd(s);
    s.end(confirmWhenDone ? kDialogOkId : kDialogCancelId);
  }
}

void ScriptDriver::alert(std::string_view text) {
  alerts_.emplace_back(text);
  if (onAlert) onAlert(text);
}

}  // namespace flhost
