// The plug-in's compiled resources as the stand-in host sees them: a reader of
// the binary RES format (what windres -O res writes, and what a module's
// resource section holds entry by entry), with typed access to string tables,
// dialog templates and the plug-in property list.
//
// Every reader here treats its input as untrusted: each length is checked
// against the bytes at hand, and malformed data gives an error text, never a
// crash. No exception leaves a public function.
#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace flhost {

// Standard resource type ordinals used by the plug-in.
inline constexpr uint16_t kResCursor = 1;
inline constexpr uint16_t kResIcon = 3;
inline constexpr uint16_t kResDialog = 5;
inline constexpr uint16_t kResString = 6;
inline constexpr uint16_t kResVersion = 16;
inline constexpr uint16_t kResGroupCursor = 12;
inline constexpr uint16_t kResGroupIcon = 14;

// English (United States): the language the plug-in's resources are in.
inline constexpr uint16_t kLanguageEnUs = 1033;

// A resource type or name: a 16-bit ordinal or a string. Strings are kept in
// upper case, since resource names are looked up without regard to case.
using ResourceId = std::variant<uint16_t, std::string>;

struct ResourceKey {
  ResourceId type;
  ResourceId name;
  uint16_t language = 0;

  friend auto operator<=>(const ResourceKey&, const ResourceKey&) = default;
  friend bool operator==(const ResourceKey&, const ResourceKey&) = default;
};

struct DialogItemTemplate {
  int id = 0;  // sign-extended, so the usual "no id" 0xFFFF reads as -1
  // "BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX" for the
  // predefined classes (by atom or by name, in any case); other class names
  // as written.
  std::string className;
  std::string text;  // an ordinal text (e.g. an icon id) reads as "#<number>"
  int x = 0, y = 0, cx = 0, cy = 0;
  uint32_t style = 0;
  uint32_t exStyle = 0;
};

struct DialogTemplate {
  std::string caption;
  int x = 0, y = 0, cx = 0, cy = 0;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  std::string fontName;  // empty, with size 0, when the template sets no font
  int fontSize = 0;
  bool extended = false;  // DIALOGEX rather than DIALOG
  std::vector<DialogItemTemplate> items;
};

// Parses a DIALOG or DIALOGEX template. On failure returns nullopt and, if
// `error` is given, says what is wrong.
std::optional<DialogTemplate> parseDialogTemplate(std::span<const uint8_t> bytes, std::string* error);

class ResourceSet {
 public:
  // Parses a whole RES file. On failure returns nullopt and, if `error` is
  // given, says what is wrong and at which offset.
  static std::optional<ResourceSet> parseRes(std::span<const uint8_t> bytes, std::string* error);
  // Reads and parses a RES file from disk.
  static std::optional<ResourceSet> readResFile(const std::filesystem::path& path, std::string* error);

  // Adds or replaces one resource (the Windows build fills a set from the
  // loaded module this way). Returns false only when memory runs out.
  bool add(ResourceId type, uint16_t id, uint16_t language, std::vector<uint8_t> data);

  // Raw bytes of a resource, or nullptr if absent. When the resource exists
  // in several languages, US English wins, then language neutral, then the
  // lowest language id. The pointer stays valid until the set is changed.
  const std::vector<uint8_t>* find(const ResourceId& type, uint16_t id) const;

  // String resource `id` in UTF-8. nullopt when absent, when empty (string
  // tables cannot tell the two apart) and when its block is malformed.
  std::optional<std::string> string(uint16_t id) const;

  // Dialog template `id`; nullopt when absent or malformed (then `error`,
  // if given, says which).
  std::optional<DialogTemplate> dialog(uint16_t id, std::string* error = nullptr) const;

  const std::map<ResourceKey, std::vector<uint8_t>>& entries() const { return entries_; }

 private:
  std::map<ResourceKey, std::vector<uint8_t>> entries_;
};

// Four characters packed big-endian: fourCharCode("SPEA") == 0x53504541.
constexpr int32_t fourCharCode(const char (&chars)[5]) {
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(chars[0])) << 24) |
                              (static_cast<uint32_t>(static_cast<uint8_t>(chars[1])) << 16) |
                              (static_cast<uint32_t>(static_cast<uint8_t>(chars[2])) << 8) |
                              static_cast<uint32_t>(static_cast<uint8_t>(chars[3])));
}

// What the host needs from the plug-in property list before it loads the
// module.
struct PluginPropertyList {
  int32_t kind = 0;              // four-character code; 'SPEA' for this host
  int32_t interfaceVersion = 0;  // 2 for this host
  std::string entryName;         // exported entry point, e.g. "PluginMain"
};

// Checks a property list's layout (format and version fields, count, every
// property's vendor, id, length and zero padding, no trailing bytes) and that
// it names a plug-in this host can load: kind 'SPEA', interface version 2 and
// an x86 entry point. Properties of other keys are skipped. On failure
// returns nullopt and, if `error` is given, says exactly what is wrong
// ("property list: missing 'wx86' entry name", ...).
std::optional<PluginPropertyList> parsePropertyList(std::span<const uint8_t> bytes, std::string* error);

}  // namespace flhost
