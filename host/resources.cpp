#include "resources.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <new>

namespace flhost {
namespace {

// Style bit that says a dialog template carries a font (DS_SETFONT; the
// shell-font variant includes it).
constexpr uint32_t kDialogSetFont = 0x40;

constexpr uint16_t kOrdinalMarker = 0xFFFF;

// Every RES entry's header holds at least DataSize, HeaderSize, two ordinal
// ids and the 16 bytes of version, flags, language and characteristics.
constexpr size_t kMinEntryHeader = 32;

constexpr size_t alignUp4(size_t n) { return (n + 3) & ~size_t{3}; }

std::string hex(uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
  return buffer;
}

std::string describeFourCharCode(uint32_t code) {
  std::string chars;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto c = static_cast<unsigned char>(code >> shift);
    if (c < 0x20 || c > 0x7E) return hex(code);
    chars += static_cast<char>(c);
  }
  return "'" + chars + "'";
}

char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string asciiUpper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](char c) { return asciiUpper(c); });
  return s;
}

ResourceId normalised(ResourceId id) {
  if (auto* name = std::get_if<std::string>(&id)) *name = asciiUpper(std::move(*name));
  return id;
}

std::string describe(const ResourceId& id) {
  if (const auto* ordinal = std::get_if<uint16_t>(&id)) return std::to_string(*ordinal);
  return "\"" + std::get<std::string>(id) + "\"";
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Resource texts are UTF-16; a lone surrogate becomes U+FFFD rather than an
// error, as the texts are only ever shown, never round-tripped.
std::string utf16ToUtf8(const std::vector<uint16_t>& units) {
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const char32_t unit = units[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      appendUtf8(out, 0xFFFD);
    } else {
      appendUtf8(out, unit);
    }
  }
  return out;
}

// Little-endian reads assembled byte by byte: no alignment assumptions and
// no dependence on the machine's byte order. Every read is bounds-checked;
// a failed read leaves the position where it was.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t pos() const { return pos_; }
  size_t remaining() const { return bytes_.size() - pos_; }

  bool skip(size_t n) {
    if (n > remaining()) return false;
    pos_ += n;
    return true;
  }
  // Alignment is relative to the start of the span, which callers choose to
  // be the DWORD-aligned start of the structure.
  bool align4() { return skip(alignUp4(pos_) - pos_); }

  bool u8(uint8_t& out) {
    if (remaining() < 1) return false;
    out = bytes_[pos_++];
    return true;
  }
  bool u16(uint16_t& out) {
    if (remaining() < 2) return false;
    out = static_cast<uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool u32(uint32_t& out) {
    if (remaining() < 4) return false;
    out = static_cast<uint32_t>(bytes_[pos_]) | (static_cast<uint32_t>(bytes_[pos_ + 1]) << 8) |
          (static_cast<uint32_t>(bytes_[pos_ + 2]) << 16) | (static_cast<uint32_t>(bytes_[pos_ + 3]) << 24);
    pos_ += 4;
    return true;
  }
  bool i16(int& out) {
    uint16_t raw;
    if (!u16(raw)) return false;
    out = static_cast<int16_t>(raw);
    return true;
  }

  // UTF-16 text up to its zero terminator, which is consumed. `first` is a
  // unit the caller has already read (for the "string or ordinal" fields).
  bool utf16z(std::string& out, std::optional<uint16_t> first = std::nullopt) {
    std::vector<uint16_t> units;
    if (first) {
      if (*first == 0) {
        out.clear();
        return true;
      }
      units.push_back(*first);
    }
    const size_t start = pos_;
    for (;;) {
      uint16_t unit;
      if (!u16(unit)) {
        pos_ = start;
        return false;
      }
      if (unit == 0) break;
      units.push_back(unit);
    }
    out = utf16ToUtf8(units);
    return true;
  }

  // The "string or ordinal" field of RES headers and dialog templates:
  // 0xFFFF followed by a 16-bit ordinal, or zero-terminated UTF-16 text.
  bool stringOrOrdinal(ResourceId& out) {
    const size_t start = pos_;
    uint16_t first;
    if (!u16(first)) return false;
    if (first == kOrdinalMarker) {
      uint16_t ordinal;
      if (!u16(ordinal)) {
        pos_ = start;
        return false;
      }
      out = ordinal;
      return true;
    }
    std::string text;
    if (!utf16z(text, first)) {
      pos_ = start;
      return false;
    }
    out = std::move(text);
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

void setError(std::string* error, std::string message) {
  if (error) *error = std::move(message);
}

// Checks a string-table block: 16 counted UTF-16 strings that must all lie
// inside the data. Returns string `index` (empty if its count is 0), or
// nullopt if the block is malformed.
std::optional<std::string> stringFromBlock(std::span<const uint8_t> block, unsigned index, std::string* error) {
  Reader r(block);
  std::optional<std::string> wanted;
  for (unsigned i = 0; i < 16; ++i) {
    uint16_t count;
    if (!r.u16(count)) {
      setError(error, "string block ends before string " + std::to_string(i));
      return std::nullopt;
    }
    if (i != index) {
      if (!r.skip(size_t{count} * 2)) {
        setError(error, "string " + std::to_string(i) + " of " + std::to_string(count) +
                            " characters runs past the end of its block");
        return std::nullopt;
      }
      continue;
    }
    std::vector<uint16_t> units(count);
    for (auto& unit : units) {
      if (!r.u16(unit)) {
        setError(error, "string " + std::to_string(i) + " of " + std::to_string(count) +
                            " characters runs past the end of its block");
        return std::nullopt;
      }
    }
    wanted = utf16ToUtf8(units);
  }
  return wanted;
}

std::optional<std::string> controlClassName(const ResourceId& cls, std::string* error) {
  static constexpr std::array<const char*, 6> kPredefined = {"BUTTON",  "EDIT",      "STATIC",
                                                             "LISTBOX", "SCROLLBAR", "COMBOBOX"};
  if (const auto* atom = std::get_if<uint16_t>(&cls)) {
    if (*atom >= 0x80 && *atom < 0x80 + kPredefined.size()) return kPredefined[*atom - 0x80];
    setError(error, "unknown control class atom " + hex(*atom));
    return std::nullopt;
  }
  const auto& name = std::get<std::string>(cls);
  const std::string upper = asciiUpper(name);
  for (const char* predefined : kPredefined) {
    if (upper == predefined) return upper;
  }
  return name;
}

std::optional<DialogTemplate> parseDialogUnchecked(std::span<const uint8_t> bytes, std::string* error) {
  Reader r(bytes);
  DialogTemplate dialog;
  auto fail = [&](const std::string& what) -> std::optional<DialogTemplate> {
    setError(error, "dialog template: " + what + " (offset " + hex(r.pos()) + ")");
    return std::nullopt;
  };

  uint16_t version = 0, signature = 0;
  if (bytes.size() >= 4) {
    Reader peek(bytes);
    peek.u16(version);
    peek.u16(signature);
  }
  dialog.extended = version == 1 && signature == 0xFFFF;

  uint16_t itemCount = 0;
  if (dialog.extended) {
    uint32_t helpId;
    if (!r.skip(4) || !r.u32(helpId) || !r.u32(dialog.exStyle) || !r.u32(dialog.style) || !r.u16(itemCount))
      return fail("header is truncated");
  } else {
    if (!r.u32(dialog.style) || !r.u32(dialog.exStyle) || !r.u16(itemCount)) return fail("header is truncated");
  }
  if (!r.i16(dialog.x) || !r.i16(dialog.y) || !r.i16(dialog.cx) || !r.i16(dialog.cy))
    return fail("header is truncated");

  ResourceId menu, windowClass;
  if (!r.stringOrOrdinal(menu)) return fail("menu name is unterminated");
  if (!r.stringOrOrdinal(windowClass)) return fail("class name is unterminated");
  if (!r.utf16z(dialog.caption)) return fail("caption is unterminated");

  if (dialog.style & kDialogSetFont) {
    uint16_t pointSize;
    if (!r.u16(pointSize)) return fail("font size is truncated");
    dialog.fontSize = pointSize;
    if (dialog.extended) {
      uint16_t weight;
      uint8_t italic, charset;
      if (!r.u16(weight) || !r.u8(italic) || !r.u8(charset)) return fail("font is truncated");
    }
    if (!r.utf16z(dialog.fontName)) return fail("font name is unterminated");
  }

  for (unsigned i = 0; i < itemCount; ++i) {
    const std::string which = "item " + std::to_string(i) + " of " + std::to_string(itemCount);
    DialogItemTemplate item;
    if (!r.align4()) return fail(which + " is missing");
    if (dialog.extended) {
      uint32_t helpId, id;
      if (!r.u32(helpId) || !r.u32(item.exStyle) || !r.u32(item.style) || !r.i16(item.x) || !r.i16(item.y) ||
          !r.i16(item.cx) || !r.i16(item.cy) || !r.u32(id))
        return fail(which + " is truncated");
      item.id = static_cast<int32_t>(id);
    } else {
      int id;
      if (!r.u32(item.style) || !r.u32(item.exStyle) || !r.i16(item.x) || !r.i16(item.y) || !r.i16(item.cx) ||
          !r.i16(item.cy) || !r.i16(id))
        return fail(which + " is truncated");
      item.id = id;
    }
    ResourceId cls, text;
    if (!r.stringOrOrdinal(cls)) return fail(which + ": class is unterminated");
    std::string classError;
    auto className = controlClassName(cls, &classError);
    if (!className) return fail(which + ": " + classError);
    item.className = std::move(*className);
    if (!r.stringOrOrdinal(text)) return fail(which + ": text is unterminated");
    if (const auto* ordinal = std::get_if<uint16_t>(&text)) {
      item.text = "#" + std::to_string(*ordinal);
    } else {
      item.text = std::get<std::string>(std::move(text));
    }
    uint16_t extraBytes;
    if (!r.u16(extraBytes) || !r.skip(extraBytes)) return fail(which + ": creation data is truncated");
    dialog.items.push_back(std::move(item));
  }
  return dialog;
}

// The fields of one RES entry header, read from exactly `HeaderSize` bytes.
struct EntryHeader {
  uint32_t dataSize = 0;
  uint32_t headerSize = 0;
  ResourceKey key;
};

std::optional<EntryHeader> readEntryHeader(std::span<const uint8_t> rest, std::string& what) {
  EntryHeader h;
  Reader sizes(rest);
  if (!sizes.u32(h.dataSize) || !sizes.u32(h.headerSize)) {
    what = "entry is truncated (" + std::to_string(rest.size()) + " bytes left)";
    return std::nullopt;
  }
  if (h.headerSize < kMinEntryHeader || h.headerSize > rest.size()) {
    what = "header size " + std::to_string(h.headerSize) + " is out of range (" + std::to_string(kMinEntryHeader) +
           " to " + std::to_string(rest.size()) + ")";
    return std::nullopt;
  }
  Reader r(rest.first(h.headerSize));
  r.skip(8);
  if (!r.stringOrOrdinal(h.key.type)) {
    what = "type name runs past the header";
    return std::nullopt;
  }
  if (!r.stringOrOrdinal(h.key.name)) {
    what = "resource name runs past the header";
    return std::nullopt;
  }
  uint32_t dataVersion, version, characteristics;
  uint16_t memoryFlags;
  if (!r.align4() || !r.u32(dataVersion) || !r.u16(memoryFlags) || !r.u16(h.key.language) || !r.u32(version) ||
      !r.u32(characteristics)) {
    what = "header is shorter than its fields";
    return std::nullopt;
  }
  if (r.remaining() != 0) {
    what = "header size " + std::to_string(h.headerSize) + " does not match its fields (" + std::to_string(r.pos()) +
           " bytes)";
    return std::nullopt;
  }
  if (const auto* name = std::get_if<std::string>(&h.key.type); name && name->empty()) {
    what = "type name is empty";
    return std::nullopt;
  }
  if (const auto* name = std::get_if<std::string>(&h.key.name); name && name->empty()) {
    what = "resource name is empty";
    return std::nullopt;
  }
  h.key.type = normalised(std::move(h.key.type));
  h.key.name = normalised(std::move(h.key.name));
  return h;
}

// Structured resources are checked when the file is read, so a broken
// build product is reported at load time with its resource named, not
// later as an unexplained missing string or dialog.
bool checkEntry(const ResourceKey& key, std::span<const uint8_t> data, std::string& what) {
  const auto* type = std::get_if<uint16_t>(&key.type);
  if (!type) return true;
  if (*type == kResString) {
    return stringFromBlock(data, 0, &what).has_value();
  }
  if (*type == kResDialog) return parseDialogUnchecked(data, &what).has_value();
  return true;
}

bool isEmptyLeadingEntry(const EntryHeader& h) {
  return h.dataSize == 0 && h.headerSize == kMinEntryHeader && h.key.type == ResourceId{uint16_t{0}} &&
         h.key.name == ResourceId{uint16_t{0}};
}

}  // namespace

std::optional<DialogTemplate> parseDialogTemplate(std::span<const uint8_t> bytes, std::string* error) {
  try {
    return parseDialogUnchecked(bytes, error);
  } catch (const std::bad_alloc&) {
    setError(error, "dialog template: out of memory");
    return std::nullopt;
  }
}

std::optional<ResourceSet> ResourceSet::parseRes(std::span<const uint8_t> bytes, std::string* error) try {
  if (bytes.empty()) {
    setError(error, "resource file: empty");
    return std::nullopt;
  }
  ResourceSet set;
  size_t offset = 0;
  for (size_t index = 0; offset < bytes.size(); ++index) {
    auto fail = [&, entryOffset = offset](const std::string& what) -> std::optional<ResourceSet> {
      setError(error, "resource file: entry " + std::to_string(index) + " at offset " + hex(entryOffset) + ": " + what);
      return std::nullopt;
    };
    std::string what;
    const auto header = readEntryHeader(bytes.subspan(offset), what);
    if (!header) return fail(what);
    if (index == 0) {
      // The leading empty entry is what marks a 32-bit RES file.
      if (!isEmptyLeadingEntry(*header)) {
        setError(error,
                 "resource file: does not start with the empty 32-byte entry "
                 "(not a 32-bit RES file)");
        return std::nullopt;
      }
      offset += kMinEntryHeader;
      continue;
    }
    if (header->key.type == ResourceId{uint16_t{0}}) return fail("type 0 is reserved for the leading entry");
    const size_t dataStart = offset + header->headerSize;
    if (header->dataSize > bytes.size() - dataStart)
      return fail("data of " + std::to_string(header->dataSize) + " bytes runs past the end of the file (" +
                  std::to_string(bytes.size() - dataStart) + " bytes left)");
    const auto data = bytes.subspan(dataStart, header->dataSize);
    auto resource = [&] {
      return "type " + describe(header->key.type) + " name " + describe(header->key.name) + " language " +
             std::to_string(header->key.language);
    };
    if (!checkEntry(header->key, data, what)) return fail(resource() + ": " + what);
    if (!set.entries_.emplace(header->key, std::vector<uint8_t>(data.begin(), data.end())).second)
      return fail("duplicate resource, " + resource());
    // The last entry's padding may be missing; every other entry is whole.
    offset = std::min(alignUp4(dataStart + header->dataSize), bytes.size());
  }
  return set;
} catch (const std::bad_alloc&) {
  setError(error, "resource file: out of memory");
  return std::nullopt;
}

std::optional<ResourceSet> ResourceSet::readResFile(const std::filesystem::path& path, std::string* error) try {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    setError(error, "resource file: cannot open " + path.string());
    return std::nullopt;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    setError(error, "resource file: cannot read " + path.string());
    return std::nullopt;
  }
  std::string what;
  auto set = parseRes(bytes, &what);
  if (!set) setError(error, path.string() + ": " + what);
  return set;
} catch (const std::exception& e) {
  setError(error, "resource file: cannot read " + path.string() + ": " + e.what());
  return std::nullopt;
}

bool ResourceSet::add(ResourceId type, uint16_t id, uint16_t language, std::vector<uint8_t> data) try {
  entries_.insert_or_assign(ResourceKey{normalised(std::move(type)), id, language}, std::move(data));
  return true;
} catch (const std::bad_alloc&) {
  return false;
}

const std::vector<uint8_t>* ResourceSet::find(const ResourceId& type, uint16_t id) const try {
  const ResourceId wantedType = normalised(type);
  const ResourceId wantedName = id;
  const std::vector<uint8_t>* best = nullptr;
  // Keys sort by type, name, then language, so one resource's languages are
  // adjacent and the lowest comes first.
  for (auto it = entries_.lower_bound(ResourceKey{wantedType, wantedName, 0});
       it != entries_.end() && it->first.type == wantedType && it->first.name == wantedName; ++it) {
    if (it->first.language == kLanguageEnUs) return &it->second;
    if (!best) best = &it->second;
  }
  return best;
} catch (const std::bad_alloc&) {
  return nullptr;
}

std::optional<std::string> ResourceSet::string(uint16_t id) const try {
  const auto* block = find(kResString, static_cast<uint16_t>(id / 16 + 1));
  if (!block) return std::nullopt;
  auto text = stringFromBlock(*block, id % 16, nullptr);
  if (!text || text->empty()) return std::nullopt;
  return text;
} catch (const std::bad_alloc&) {
  return std::nullopt;
}

std::optional<DialogTemplate> ResourceSet::dialog(uint16_t id, std::string* error) const try {
  const auto* data = find(kResDialog, id);
  if (!data) {
    setError(error, "dialog " + std::to_string(id) + " is not in the resources");
    return std::nullopt;
  }
  return parseDialogTemplate(*data, error);
} catch (const std::bad_alloc&) {
  setError(error, "dialog template: out of memory");
  return std::nullopt;
}

std::optional<PluginPropertyList> parsePropertyList(std::span<const uint8_t> bytes, std::string* error) try {
  auto fail = [&](const std::string& what) -> std::optional<PluginPropertyList> {
    setError(error, "property list: " + what);
    return std::nullopt;
  };
  constexpr uint32_t kVendor = static_cast<uint32_t>(fourCharCode("ADBE"));
  constexpr uint32_t kKind = static_cast<uint32_t>(fourCharCode("kind"));
  constexpr uint32_t kInterfaceVersion = static_cast<uint32_t>(fourCharCode("ivrs"));
  constexpr uint32_t kEntryX86 = static_cast<uint32_t>(fourCharCode("wx86"));
  constexpr size_t kPropertyHeader = 16;

  Reader r(bytes);
  uint16_t format;
  uint32_t version, count;
  if (!r.u16(format) || !r.u32(version) || !r.u32(count))
    return fail(std::to_string(bytes.size()) + " bytes is too short for its 10-byte header");
  if (format != 1) return fail("format word is " + std::to_string(format) + ", expected 1");
  if (version != 0) return fail("version is " + std::to_string(version) + ", expected 0");
  if (count > r.remaining() / kPropertyHeader)
    return fail("count " + std::to_string(count) + " cannot fit in the " + std::to_string(r.remaining()) +
                " bytes that follow the header");

  std::optional<int32_t> kind, interfaceVersion;
  std::optional<std::string> entryName;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t vendor, key, id, length;
    if (!r.u32(vendor) || !r.u32(key) || !r.u32(id) || !r.u32(length))
      return fail("property " + std::to_string(i) + " is truncated");
    const std::string which = "property " + std::to_string(i) + " (" + describeFourCharCode(key) + ")";
    if (vendor != kVendor) return fail(which + " has vendor " + describeFourCharCode(vendor) + ", expected 'ADBE'");
    if (id != 0) return fail(which + " has id " + std::to_string(id) + ", expected 0");
    if (length > r.remaining() || alignUp4(length) > r.remaining())
      return fail(which + " has length " + std::to_string(length) + " but only " + std::to_string(r.remaining()) +
                  " bytes follow");
    const auto data = bytes.subspan(r.pos(), length);
    const auto padding = bytes.subspan(r.pos() + length, alignUp4(length) - length);
    r.skip(alignUp4(length));
    if (std::any_of(padding.begin(), padding.end(), [](uint8_t b) { return b != 0; }))
      return fail(which + " has padding that is not zero");

    if (key == kKind || key == kInterfaceVersion) {
      auto& slot = key == kKind ? kind : interfaceVersion;
      if (slot) return fail(describeFourCharCode(key) + " appears twice");
      if (length != 4)
        return fail(describeFourCharCode(key) + " has length " + std::to_string(length) + ", expected 4");
      uint32_t value = 0;
      Reader(data).u32(value);
      slot = static_cast<int32_t>(value);
    } else if (key == kEntryX86) {
      if (entryName) return fail("'wx86' appears twice");
      const auto terminator = std::find(data.begin(), data.end(), uint8_t{0});
      if (terminator == data.end()) return fail("'wx86' entry name is not zero-terminated");
      if (terminator == data.begin()) return fail("'wx86' entry name is empty");
      if (std::any_of(data.begin(), terminator, [](uint8_t b) { return b < 0x21 || b > 0x7E; }))
        return fail("'wx86' entry name has a character that cannot be in a symbol name");
      if (std::any_of(terminator, data.end(), [](uint8_t b) { return b != 0; }))
        return fail("'wx86' entry name is followed by bytes that are not zero");
      entryName = std::string(data.begin(), terminator);
    }
    // Properties of other keys are legal and carry nothing this host needs.
  }
  if (r.remaining() != 0) return fail(std::to_string(r.remaining()) + " bytes follow the last property");
  if (!kind) return fail("missing 'kind' plug-in kind");
  if (!interfaceVersion) return fail("missing 'ivrs' interface version");
  if (!entryName) return fail("missing 'wx86' entry name");
  if (*kind != fourCharCode("SPEA"))
    return fail("kind is " + describeFourCharCode(static_cast<uint32_t>(*kind)) + ", expected 'SPEA'");
  if (*interfaceVersion != 2) return fail("interface version is " + std::to_string(*interfaceVersion) + ", expected 2");
  return PluginPropertyList{*kind, *interfaceVersion, std::move(*entryName)};
} catch (const std::bad_alloc&) {
  setError(error, "property list: out of memory");
  return std::nullopt;
}

}  // namespace flhost
