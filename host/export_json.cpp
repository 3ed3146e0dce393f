#include <charconv>
#include <cmath>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "document_suite.h"
#include "export.h"

namespace flhost {

char* writeShortestFloat(char* at, float v) {
  if (!std::isfinite(v)) {
    std::memcpy(at, "null", 4);
    return at + 4;
  }
  // kMaxFloatText characters hold any float's shortest form, so to_chars cannot run out of room.
  return std::to_chars(at, at + kMaxFloatText, v).ptr;
}

void appendShortestFloat(std::string& out, float v) {
  char text[kMaxFloatText];
  out.append(text, writeShortestFloat(text, v));
}

namespace {

// Appends a JSON string literal. Names come from the plug-in and the document and may hold any
// bytes; bytes that are not valid UTF-8 become U+FFFD so the output stays valid JSON.
void appendJsonString(std::string& out, std::string_view s) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      if (b == '"' || b == '\\') {
        out += '\\';
        out += static_cast<char>(b);
      } else if (b < 0x20) {
        out += "\\u00";
        out += kHex[b >> 4];
        out += kHex[b & 15];
      } else {
        out += static_cast<char>(b);
      }
      ++i;
      continue;
    }
    // The length of a well-formed sequence starting here, or 0 (the ranges of RFC 3629).
    size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      n = 3;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      n = 4;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    }
    bool ok = n != 0 && i + n <= s.size();
    for (size_t k = 1; ok && k < n; ++k) {
      auto c = static_cast<unsigned char>(s[i + k]);
      ok = k == 1 ? (c >= lo && c <= hi) : (c >= 0x80 && c <= 0xBF);
    }
    if (ok) {
      out.append(s.substr(i, n));
      i += n;
    } else {
      out += "\\ufffd";
      ++i;
    }
  }
  out += '"';
}

// Upper bounds of the text of one segment and of an art without its segments, names and codes.
constexpr size_t kSegmentText = 64 + 6 * kMaxFloatText;
constexpr size_t kArtText = 256 + 12 * kMaxFloatText;

// Writes into a buffer of its own through a cursor, making room once an art (reserve) rather
// than checking at every piece: the JSON of a document is mostly numbers, and formatting them must
// be most of the work.
class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& os) : os_(os), buf_(kFlushAt + kSlack) { at_ = buf_.data(); }
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  // Room for n more characters: flushes, or grows the buffer for a piece larger than it.
  void reserve(size_t n) {
    if (static_cast<size_t>(buf_.data() + buf_.size() - at_) >= n) return;
    flush();
    if (buf_.size() < n) {
      buf_.resize(n);
      at_ = buf_.data();
    }
  }
  // A literal: its length is known when compiled.
  template <size_t N>
  JsonWriter& raw(const char (&s)[N]) {
    std::memcpy(at_, s, N - 1);
    at_ += N - 1;
    return *this;
  }
  // Text of any length (a name): what follows it in the art still fits after it.
  JsonWriter& raw(std::string_view s) {
    reserve(s.size() + kArtText);
    std::memcpy(at_, s.data(), s.size());
    at_ += s.size();
    return *this;
  }
  JsonWriter& num(float v) {
    // The suites keep the document finite; a NaN or infinity here is a fault of the host, and
    // writing it as null would hand a reader a document that was never drawn.
    if (!std::isfinite(v)) throw std::domain_error("the document holds a number that is not finite");
    at_ = writeShortestFloat(at_, v);
    return *this;
  }
  JsonWriter& str(std::string_view s) {
    std::string text;
    appendJsonString(text, s);
    return raw(text);
  }
  JsonWriter& boolean(bool b) { return b ? raw("true") : raw("false"); }
  JsonWriter& point(const HostRealPoint& p) {
    *at_++ = '[';
    num(p.h);
    *at_++ = ',';
    num(p.v);
    *at_++ = ']';
    return *this;
  }

  void maybeFlush() {
    if (static_cast<size_t>(at_ - buf_.data()) >= kFlushAt) flush();
  }
  void flush() {
    os_.write(buf_.data(), at_ - buf_.data());
    at_ = buf_.data();
  }

 private:
  static constexpr size_t kFlushAt = 1 << 16;
  static constexpr size_t kSlack = 4096;
  std::ostream& os_;
  std::vector<char> buf_;
  char* at_;
};

void writeColor(JsonWriter& w, const HostColor& c) {
  switch (c.kind) {
    case kHostColorGrey:
      w.raw("\"kind\":\"grey\",\"components\":[").num(c.c.grey).raw("]");
      break;
    case kHostColorFour:
      w.raw("\"kind\":\"cmyk\",\"components\":[").num(c.c.four.cyan).raw(",").num(c.c.four.magenta);
      w.raw(",").num(c.c.four.yellow).raw(",").num(c.c.four.black).raw("]");
      break;
    case kHostColorThree:
      w.raw("\"kind\":\"rgb\",\"components\":[").num(c.c.three.red).raw(",").num(c.c.three.green);
      w.raw(",").num(c.c.three.blue).raw("]");
      break;
    case kHostColorSpot: {
      // The name field need not be terminated when the plug-in fills all of it.
      const char* name = c.c.spot.name;
      size_t len = strnlen(name, sizeof c.c.spot.name);
      w.raw("\"kind\":\"spot\",\"components\":[").num(c.c.spot.tint).raw("],\"name\":");
      w.str(std::string_view(name, len));
      break;
    }
    default:
      w.raw("\"kind\":\"unknown\",\"code\":").raw(std::string_view(std::to_string(c.kind))).raw(",\"components\":[]");
      break;
  }
}

const char* colorModelName(int16_t model) {
  // clang-format off
  switch (model) {
    case kDocumentGreyModel: return "grey";
    case kDocumentCMYKModel: return "cmyk";
    default: return "rgb";
  }
  // clang-format on
}

}  // namespace

void writeDocumentJson(const Document& doc, std::ostream& out, std::string_view design) {
  JsonWriter w(out);
  w.raw("{");
  if (!design.empty()) w.raw("\"design\":").raw(design).raw(",\n");
  w.raw("\"page\":{\"width\":").num(doc.pageWidth()).raw(",\"height\":").num(doc.pageHeight());
  w.raw("},\"colorModel\":\"").raw(colorModelName(doc.colorModel())).raw("\",\"arts\":[");
  bool first = true;
  doc.forEachArt([&](const ArtView& art) {
    w.reserve(kArtText + art.segments.size() * kSegmentText);
    if (first)
      w.raw("\n{\"closed\":");
    else
      w.raw(",\n{\"closed\":");
    w.boolean(art.closed).raw(",\"segments\":[");
    first = false;
    bool firstSegment = true;
    for (const HostPathSegment& s : art.segments) {
      if (firstSegment)
        w.raw("{\"p\":");
      else
        w.raw(",{\"p\":");
      w.point(s.p);
      w.raw(",\"in\":").point(s.in).raw(",\"out\":").point(s.out);
      w.raw(",\"corner\":").boolean(s.corner != 0).raw("}");
      firstSegment = false;
    }
    const HostPathStyle& st = art.style;
    w.raw("],\"fill\":{\"paint\":").boolean(st.fillPaint != 0).raw(",");
    writeColor(w, st.fillColor);
    w.raw("},\"stroke\":{\"paint\":").boolean(st.strokePaint != 0).raw(",");
    writeColor(w, st.strokeColor);
    w.raw(",\"width\":").num(st.strokeWidth);
    w.raw("},\"opacity\":").num(art.opacity).raw(",\"artStyle\":");
    if (const std::string* name = doc.artStyleName(art))
      w.str(*name);
    else
      w.raw("null");
    w.raw("}");
    w.maybeFlush();
  });
  w.raw(first ? "]}\n" : "\n]}\n");
  w.flush();
}

}  // namespace flhost
