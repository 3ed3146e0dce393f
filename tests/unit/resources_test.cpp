// The compiled resources as the host reads them, and the reader's refusal of
// damaged input. The first group checks the real build product, so a slip in
// flarimond.rc or in the resource compiler's handling of it shows up here
// rather than as a module the host silently refuses to load.
#include "resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "shell/module_ids.h"

namespace flhost {
namespace {

using Bytes = std::vector<uint8_t>;

const ResourceSet& compiled() {
  static const ResourceSet set = [] {
    std::string error;
    auto parsed = ResourceSet::readResFile(FLARIMOND_RES_FILE, &error);
    if (!parsed) {
      ADD_FAILURE() << error;
      return ResourceSet{};
    }
    return *parsed;
  }();
  return set;
}

Bytes compiledFileBytes() {
  std::ifstream in(FLARIMOND_RES_FILE, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Little helpers to write resource data by hand.
void put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}
void putText(Bytes& b, const std::string& s) {
  for (char c : s) put16(b, static_cast<uint8_t>(c));
  put16(b, 0);
}
void pad4(Bytes& b) {
  while (b.size() % 4) b.push_back(0);
}
void set32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// One RES entry with ordinal type and name.
Bytes resEntry(uint16_t type, uint16_t name, uint16_t language, const Bytes& data) {
  Bytes b;
  put32(b, static_cast<uint32_t>(data.size()));
  put32(b, 32);  // header size
  for (uint32_t v : {0xFFFFu, uint32_t{type}, 0xFFFFu, uint32_t{name}}) put16(b, v);
  put32(b, 0);     // data version
  put16(b, 0x30);  // memory flags
  put16(b, language);
  put32(b, 0);  // version
  put32(b, 0);  // characteristics
  b.insert(b.end(), data.begin(), data.end());
  pad4(b);
  return b;
}

Bytes resFile(const std::vector<Bytes>& entries) {
  Bytes b = resEntry(0, 0, 0, {});
  for (const auto& e : entries) b.insert(b.end(), e.begin(), e.end());
  return b;
}

// A string-table block whose string `index` is `text` and the rest empty.
Bytes stringBlock(unsigned index, const std::u16string& text) {
  Bytes b;
  for (unsigned i = 0; i < 16; ++i) {
    if (i != index) {
      put16(b, 0);
      continue;
    }
    put16(b, static_cast<uint32_t>(text.size()));
    for (char16_t c : text) put16(b, c);
  }
  return b;
}

// ---------------------------------------------------------------------------
// The compiled flarimond.res

TEST(CompiledResources, PropertyListIsByteExact) {
  const Bytes expected = {
      0x01, 0x00,              // list format
      0x00, 0x00, 0x00, 0x00,  // version
      0x03, 0x00, 0x00, 0x00,  // count
      'E',  'B',  'D',  'A',  'd', 'n', 'i', 'k', 0, 0, 0,   0,   4,   0,   0,   0,   'A', 'E', 'P', 'S', 'E', 'B', 'D',
      'A',  's',  'r',  'v',  'i', 0,   0,   0,   0, 4, 0,   0,   0,   2,   0,   0,   0,   'E', 'B', 'D', 'A', '6', '8',
      'x',  'w',  0,    0,    0,   0,   12,  0,   0, 0, 'P', 'l', 'u', 'g', 'i', 'n', 'M', 'a', 'i', 'n', 0,   0,
  };
  const Bytes* pipl = compiled().find("PIPL", 16000);
  ASSERT_NE(pipl, nullptr);
  EXPECT_EQ(*pipl, expected);
  EXPECT_EQ(compiled().find("pipl", 16000), pipl) << "type names are looked up without case";

  std::string error;
  const auto list = parsePropertyList(*pipl, &error);
  ASSERT_TRUE(list) << error;
  EXPECT_EQ(list->kind, fourCharCode("SPEA"));
  EXPECT_EQ(list->interfaceVersion, 2);
  EXPECT_EQ(list->entryName, "PluginMain");
}

TEST(CompiledResources, StringLists) {
  const std::string memory = "The filter cannot complete because there isn't enough memory (RAM) available.";
  const std::vector<std::pair<uint16_t, std::string>> expected = {
      {16000, "<First Mac index is 1>"},
      {16001, "ZUN <Create>"},
      {16002, "Flarimond..."},
      {fl::kErrorStringList, "<Mac strings begin at index 1>"},
      {fl::kErrorStringList + 1, "-108"},
      {fl::kErrorStringList + 2, memory},
      {fl::kErrorStringList + 3, "271"},
      {fl::kErrorStringList + 4, memory},
      {fl::kErrorStringList + 5, "SEGM"},
      {fl::kErrorStringList + 6, "The filter cannot complete because a layer is locked or invisible."},
      {fl::kErrorStringList + 7, "NESS"},
      {fl::kErrorStringList + 8, "The filter cannot complete because a path has too many anchor points."},
      {fl::kErrorStringList + 9, "!sel"},
      {fl::kErrorStringList + 10, "The selection is not valid for this filter."},
      {fl::kErrorStringList + 11, "<Others>"},
      {fl::kErrorStringList + 12, "The filter cannot complete because of an unknown error."},
  };
  for (const auto& [id, text] : expected) EXPECT_EQ(compiled().string(id), text) << id;
  // Both lists are read until the first missing string.
  EXPECT_EQ(compiled().string(16003), std::nullopt);
  EXPECT_EQ(compiled().string(fl::kErrorStringList + 13), std::nullopt);
}

struct ItemExpectation {
  int id;
  const char* className;
  const char* text;  // nullptr: wording free
  int x, y, cx, cy;
};

TEST(CompiledResources, Dialogs) {
  constexpr uint32_t kModalFrameWithCaption = 0x80 | 0x80000000 | 0x00C00000 | 0x00080000;
  struct Case {
    uint16_t id;
    const char* caption;
    int cx, cy;
    std::vector<ItemExpectation> items;
  };
  const std::vector<Case> cases = {
      {fl::kErrorStringList + 1,
       "Plug-in Error",
       185,
       92,
       {{1, "BUTTON", "OK", 127, 65, 50, 14},
        {2, "STATIC", "Message", 43, 12, 126, 28},
        {3, "STATIC", "Code", 13, 66, 30, 8},
        {4, "STATIC", "", 10, 10, 18, 20}}},
      {fl::kErrorStringList,
       "Flarimond Plug-in About",
       303,
       170,
       {{1, "BUTTON", "&OK", 137, 151, 40, 14},
        {-1, "STATIC", "Flarimond", 10, 7, 254, 28},
        {-1, "STATIC", nullptr, 10, 39, 279, 8},
        {-1, "STATIC", nullptr, 10, 54, 271, 8},
        {-1, "STATIC", nullptr, 10, 68, 271, 8},
        {-1, "STATIC", nullptr, 10, 81, 271, 8},
        {-1, "STATIC", nullptr, 10, 95, 271, 8},
        {-1, "STATIC", nullptr, 10, 110, 271, 8},
        {-1, "STATIC", nullptr, 10, 124, 271, 8}}},
      {fl::kFilterDialogId, "Flarimond Plug-in", 600, 260, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("dialog " + std::to_string(c.id));
    std::string error;
    const auto dialog = compiled().dialog(c.id, &error);
    ASSERT_TRUE(dialog) << error;
    EXPECT_EQ(dialog->caption, c.caption);
    EXPECT_EQ(std::pair(dialog->cx, dialog->cy), std::pair(c.cx, c.cy));
    EXPECT_EQ(dialog->fontName, "MS Sans Serif");
    EXPECT_EQ(dialog->fontSize, 8);
    EXPECT_EQ(dialog->style & kModalFrameWithCaption, kModalFrameWithCaption);
    ASSERT_EQ(dialog->items.size(), c.items.size());
    for (size_t i = 0; i < c.items.size(); ++i) {
      const auto& got = dialog->items[i];
      const auto& want = c.items[i];
      EXPECT_EQ(got.id, want.id) << i;
      EXPECT_EQ(got.className, want.className) << i;
      if (want.text) {
        EXPECT_EQ(got.text, want.text) << i;
      }
      EXPECT_EQ(std::tuple(got.x, got.y, got.cx, got.cy), std::tuple(want.x, want.y, want.cx, want.cy)) << i;
    }
    if (!c.items.empty()) {
      EXPECT_EQ(dialog->items[0].style & 0xF, 1u) << "default push button";
    }
  }
  EXPECT_EQ(compiled().dialog(fl::kErrorDialogId)->items[3].style & 0x1F, 7u) << "item 4 is a black frame";
  std::string about;
  const auto aboutDialog = compiled().dialog(fl::kAboutDialogId);
  for (const auto& item : aboutDialog->items) about += item.text + "\n";
  EXPECT_NE(about.find("1.0.0"), std::string::npos) << about;
  EXPECT_NE(about.find("Copyright 2026 the Flarimond team"), std::string::npos) << about;
}

TEST(CompiledResources, EverythingIsUsEnglishAndPresent) {
  for (const auto& [key, data] : compiled().entries()) EXPECT_EQ(key.language, kLanguageEnUs);
  EXPECT_NE(compiled().find(kResGroupIcon, fl::kErrorDialogId), nullptr);
  EXPECT_NE(compiled().find(kResGroupCursor, 16000), nullptr);
  const Bytes* version = compiled().find(kResVersion, 1);
  ASSERT_NE(version, nullptr);
  Bytes fileName;
  for (char c : std::string("flarimond.aip")) put16(fileName, static_cast<uint8_t>(c));
  EXPECT_NE(std::search(version->begin(), version->end(), fileName.begin(), fileName.end()), version->end());
}

// ---------------------------------------------------------------------------
// Damaged RES files

TEST(ResParse, EveryTruncationIsRefusedOrAWholeEntryPrefix) {
  const Bytes file = compiledFileBytes();
  ASSERT_FALSE(file.empty());
  for (size_t n = 0; n < file.size(); ++n) {
    std::string error;
    const auto set = ResourceSet::parseRes(std::span(file).first(n), &error);
    if (!set) {
      EXPECT_FALSE(error.empty()) << n;
      continue;
    }
    // A cut between entries is a valid, shorter file: what it keeps must be
    // exactly what the whole file holds.
    EXPECT_LT(set->entries().size(), compiled().entries().size()) << n;
    for (const auto& [key, data] : set->entries()) {
      const auto whole = compiled().entries().find(key);
      ASSERT_NE(whole, compiled().entries().end()) << n;
      EXPECT_EQ(data, whole->second) << n;
    }
  }
}

TEST(ResParse, CorruptedBytesNeverCrash) {
  const Bytes file = compiledFileBytes();
  // Image bits have no structure the reader looks into; leave them alone.
  std::vector<bool> opaque(file.size());
  for (const auto& [key, data] : compiled().entries()) {
    if (key.type != ResourceId{kResIcon} && key.type != ResourceId{kResCursor}) continue;
    const auto at = std::search(file.begin(), file.end(), data.begin(), data.end());
    ASSERT_NE(at, file.end());
    std::fill_n(opaque.begin() + (at - file.begin()), data.size(), true);
  }
  for (size_t i = 0; i < file.size(); ++i) {
    if (opaque[i]) continue;
    for (uint8_t value : {uint8_t{0xFF}, static_cast<uint8_t>(file[i] ^ 0x01)}) {
      Bytes damaged = file;
      damaged[i] = value;
      std::string error;
      if (!ResourceSet::parseRes(damaged, &error)) {
        EXPECT_FALSE(error.empty());
      }
    }
  }
}

TEST(ResParse, RefusesMalformedEntries) {
  const Bytes good = resEntry(kResString, 1001, kLanguageEnUs, stringBlock(1, u"hi"));
  constexpr size_t kEntry = 32;  // the damaged entry follows the leading empty one
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"empty", [](Bytes& b) { b.clear(); }, "empty"},
      {"no leading entry", [](Bytes& b) { b.erase(b.begin(), b.begin() + kEntry); }, "does not start with the empty"},
      {"leading entry with data", [](Bytes& b) { set32(b, 0, 4); }, "does not start with the empty"},
      {"header size too small", [](Bytes& b) { set32(b, kEntry + 4, 16); }, "header size 16 is out of range"},
      {"header size disagrees with its fields", [](Bytes& b) { set32(b, kEntry + 4, 36); },
       "does not match its fields"},
      {"data past the end", [](Bytes& b) { set32(b, kEntry, 1000); }, "data of 1000 bytes runs past the end"},
      {"unterminated type name", [](Bytes& b) { std::fill(b.begin() + kEntry + 8, b.begin() + kEntry + 32, 'A'); },
       "type name runs past the header"},
      {"duplicate", [&](Bytes& b) { b.insert(b.end(), good.begin(), good.end()); }, "duplicate resource"},
      {"string runs past its block", [](Bytes& b) { b[kEntry + 32 + 2] = 100; },
       "string 1 of 100 characters runs past the end"},
      {"broken dialog",
       [](Bytes& b) {
         const Bytes dialog = resEntry(kResDialog, 7, kLanguageEnUs, {0, 0, 0, 0, 0, 0, 0, 0, 1});
         b.insert(b.end(), dialog.begin(), dialog.end());
       },
       "name 7 language 1033: dialog template: header is truncated"},
  };
  for (const auto& c : cases) {
    Bytes b = resFile({good});
    c.damage(b);
    std::string error;
    EXPECT_FALSE(ResourceSet::parseRes(b, &error)) << c.name;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
  }
  std::string error;
  EXPECT_TRUE(ResourceSet::parseRes(resFile({good}), &error)) << error;
}

// ---------------------------------------------------------------------------
// Dialog templates and strings not produced by our own .rc

TEST(DialogTemplateParse, ExtendedTemplate) {
  Bytes dlg;
  put16(dlg, 1);
  put16(dlg, 0xFFFF);
  put32(dlg, 0);                                                            // help id
  put32(dlg, 0x20);                                                         // extended style
  put32(dlg, 0x80C80048);                                                   // style, with the shell font
  put16(dlg, 2);                                                            // items
  for (uint32_t v : {5u, 6u, 200u, 100u, 0xFFFFu, 42u, 0u}) put16(dlg, v);  // menu 42, no class
  putText(dlg, "Ex");
  for (uint32_t v : {9u, 700u, 0x0100u}) put16(dlg, v);  // size, weight, italic + charset
  putText(dlg, "Tahoma");
  for (auto [id, cls, text] : {std::tuple{70000u, "Edit", "x"}, std::tuple{0xFFFFFFFFu, "", ""}}) {
    pad4(dlg);
    put32(dlg, 0);
    put32(dlg, 0);
    put32(dlg, 0x50010000);
    for (uint32_t v : {1u, 2u, 3u, 4u}) put16(dlg, v);
    put32(dlg, id);
    if (*cls) {
      putText(dlg, cls);
      putText(dlg, text);
    } else {
      for (uint32_t v : {0xFFFFu, 0x82u, 0xFFFFu, 700u}) put16(dlg, v);  // static, icon 700
    }
    put16(dlg, 2);  // creation data
    put16(dlg, 0xABCD);
  }

  std::string error;
  const auto parsed = parseDialogTemplate(dlg, &error);
  ASSERT_TRUE(parsed) << error;
  EXPECT_TRUE(parsed->extended);
  EXPECT_EQ(parsed->caption, "Ex");
  EXPECT_EQ(parsed->fontName, "Tahoma");
  EXPECT_EQ(parsed->fontSize, 9);
  EXPECT_EQ(parsed->exStyle, 0x20u);
  ASSERT_EQ(parsed->items.size(), 2u);
  const auto& [edit, icon] = std::tie(parsed->items[0], parsed->items[1]);
  EXPECT_EQ(std::tie(edit.id, edit.className, edit.text), std::tuple(70000, "EDIT", "x"));
  EXPECT_EQ(std::tie(icon.id, icon.className, icon.text), std::tuple(-1, "STATIC", "#700"));
  EXPECT_EQ(std::tie(icon.x, icon.y, icon.cx, icon.cy, icon.style), std::tuple(1, 2, 3, 4, 0x50010000u));

  // No proper prefix of a template is complete.
  for (size_t n = 0; n < dlg.size(); ++n) {
    EXPECT_FALSE(parseDialogTemplate(std::span(dlg).first(n), &error)) << n;
    EXPECT_FALSE(error.empty());
  }
}

TEST(ResourceSetAdd, LanguagePreferenceAndUtf8) {
  ResourceSet set;
  set.add(kResString, 1, 1031, stringBlock(0, u"Abbrechen"));
  set.add(kResString, 1, 0, stringBlock(0, u"neutral"));
  EXPECT_EQ(set.string(0), "neutral") << "neutral wins over another language";
  set.add(kResString, 1, kLanguageEnUs, stringBlock(0, u"Cancel \u00e9\u20ac\U0001F31F"));
  EXPECT_EQ(set.string(0), "Cancel \xC3\xA9\xE2\x82\xAC\xF0\x9F\x8C\x9F");

  // A block damaged after loading gives no string rather than a wrong one.
  Bytes damaged = stringBlock(3, u"abcdef");
  damaged.resize(damaged.size() - 1);
  set.add(kResString, 2, kLanguageEnUs, damaged);
  EXPECT_EQ(set.string(16 + 3), std::nullopt);
}

// ---------------------------------------------------------------------------
// Damaged property lists

TEST(PropertyListParse, RefusesDamagedLists) {
  const Bytes* realList = compiled().find("PIPL", 16000);
  ASSERT_NE(realList, nullptr);
  const Bytes good = *realList;
  // Offsets into the good list: header 10, then properties of 20, 20, 28 bytes.
  constexpr size_t kKindValue = 10 + 16, kVersionValue = 30 + 16, kEntry = 50;
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"empty", [](Bytes& b) { b.clear(); }, "too short"},
      {"format", [](Bytes& b) { b[0] = 2; }, "format word is 2, expected 1"},
      {"version", [](Bytes& b) { b[2] = 1; }, "version is 1, expected 0"},
      {"count too big", [](Bytes& b) { set32(b, 6, 9); }, "count 9 cannot fit"},
      {"wrong kind", [&](Bytes& b) { b[kKindValue] = 'B'; }, "kind is 'SPEB', expected 'SPEA'"},
      {"wrong interface version", [&](Bytes& b) { b[kVersionValue] = 3; }, "interface version is 3, expected 2"},
      {"wrong vendor", [&](Bytes& b) { b[kEntry] = 'X'; }, "vendor 'ADBX'"},
      {"missing entry",
       [&](Bytes& b) {
         b.resize(kEntry);
         set32(b, 6, 2);
       },
       "missing 'wx86' entry name"},
      {"missing kind", [&](Bytes& b) { b[14] = 'x'; },  // 'kind' becomes 'kinx', an unknown key
       "missing 'kind'"},
      {"entry length past the end", [&](Bytes& b) { set32(b, kEntry + 12, 200); }, "has length 200"},
      {"unterminated entry name", [&](Bytes& b) { b[kEntry + 26] = b[kEntry + 27] = 'X'; }, "not zero-terminated"},
      {"nonzero padding",
       [&](Bytes& b) {
         set32(b, kEntry + 12, 11);
         b[kEntry + 27] = 'X';
       },
       "padding that is not zero"},
      {"trailing bytes",
       [](Bytes& b) {
         b.insert(b.end(), {0, 0, 0, 0});
       },
       "4 bytes follow"},
  };
  for (const auto& c : cases) {
    Bytes b = good;
    c.damage(b);
    std::string error;
    EXPECT_FALSE(parsePropertyList(b, &error)) << c.name;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    EXPECT_EQ(error.rfind("property list: ", 0), 0u) << c.name << ": " << error;
  }
  for (size_t n = 0; n < good.size(); ++n) {
    std::string error;
    EXPECT_FALSE(parsePropertyList(std::span(good).first(n), &error)) << n;
  }
}

TEST(PropertyListParse, SkipsPropertiesOfOtherKeys) {
  Bytes list = *compiled().find("PIPL", 16000);
  const Bytes other = {'E', 'B', 'D', 'A', 'y', 't', 'r', 'p', 0, 0, 0, 0, 6, 0, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0};
  list.insert(list.begin() + 10, other.begin(), other.end());
  set32(list, 6, 4);
  std::string error;
  const auto parsed = parsePropertyList(list, &error);
  ASSERT_TRUE(parsed) << error;
  EXPECT_EQ(parsed->entryName, "PluginMain");
}

}  // namespace
}  // namespace flhost
