// The PNG carrier: a text chunk a design, before the image data, read with libpng.
#include "design_file.h"

#ifdef FLARIMOND_HAVE_CAIRO
#include <png.h>

#include <csetjmp>
#include <cstring>
#endif

namespace fltools {

flhost::PngText designPngText(const DesignRecord& design) {
  return {std::string(kDesignPngKeyword), designJson(design)};
}

#ifdef FLARIMOND_HAVE_CAIRO

namespace {

void onPngError(png_structp png, png_const_charp message) {
  *static_cast<std::string*>(png_get_error_ptr(png)) = message;
  png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

void fromMemory(png_structp png, png_bytep data, size_t length) {
  auto* in = static_cast<std::string_view*>(png_get_io_ptr(png));
  if (in->size() < length) png_error(png, "the file ends early");
  std::memcpy(data, in->data(), length);
  in->remove_prefix(length);
}

// The libpng calls, with no object that has a destructor, so that a longjmp skips none.
bool readPngInfo(png_structp png, png_infop info, png_textp* text, int* count) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  png_get_text(png, info, text, count);
  return true;
}

}  // namespace

std::vector<CarriedText> pngDescriptions(const std::string& bytes, std::string_view name) {
  if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) != 0)
    throw ToolError(std::string(name) + ": not a PNG file");
  std::string error;
  std::string_view rest(bytes);
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, onPngError, onPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    throw std::bad_alloc();
  }
  png_set_read_fn(png, &rest, fromMemory);
  png_textp text = nullptr;
  int count = 0;
  std::vector<CarriedText> found;
  bool ok = readPngInfo(png, info, &text, &count);
  for (int i = 0; ok && i < count; ++i)
    if (text[i].key == kDesignPngKeyword) {
      CarriedText t;
      t.text.assign(text[i].text, text[i].compression > 0 ? text[i].itxt_length : text[i].text_length);
      found.push_back(std::move(t));
    }
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) throw ToolError(std::string(name) + ": " + error);
  return found;
}

#else

std::vector<CarriedText> pngDescriptions(const std::string&, std::string_view name) {
  throw ToolError(std::string(name) + ": reading PNG files is not available in this build");
}

#endif

}  // namespace fltools
