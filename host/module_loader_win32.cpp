#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <new>

#include "module_loader.h"

namespace flhost {

namespace {

std::string utf8(const wchar_t* text, int length = -1) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  if (length < 0) out.pop_back();  // the terminator was counted
  return out;
}

std::string systemMessage(DWORD code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out;
  if (n > 0 && text) out = utf8(text, static_cast<int>(n));
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
    out.pop_back();
  return out.empty() ? "system error " + std::to_string(code) : out + " (system error " + std::to_string(code) + ")";
}

// A module that cannot be mapped must give an error text, never a message box that waits for a
// user nobody sees.
class QuietErrors {
 public:
  QuietErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_); }
  ~QuietErrors() { SetThreadErrorMode(previous_, nullptr); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  DWORD previous_ = 0;
};

class Win32Library : public ModuleLibrary {
 public:
  explicit Win32Library(HMODULE handle) : handle_(handle) {}
  ~Win32Library() override { FreeLibrary(handle_); }
  void* symbol(const char* name) const override { return reinterpret_cast<void*>(GetProcAddress(handle_, name)); }

 private:
  HMODULE handle_;
};

// What the enumeration callbacks share. They are called from the system's code, so nothing may
// be thrown through them: a failure is noted here and ends the walk.
struct Walk {
  ResourceSet set;
  std::string failure;
  ResourceId type;
};

Walk& walkOf(LONG_PTR param) { return *reinterpret_cast<Walk*>(param); }

BOOL CALLBACK onLanguage(HMODULE module, const wchar_t* type, const wchar_t* name, WORD language, LONG_PTR param) try {
  Walk& walk = walkOf(param);
  HRSRC found = FindResourceExW(module, type, name, language);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const auto* bytes = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
  DWORD size = found ? SizeofResource(module, found) : 0;
  if (!found || (!bytes && size > 0)) {
    walk.failure = "a resource cannot be read: " + systemMessage(GetLastError());
    return FALSE;
  }
  auto id = static_cast<uint16_t>(reinterpret_cast<uintptr_t>(name));
  if (!walk.set.add(walk.type, id, language, std::vector<uint8_t>(bytes, bytes + size))) throw std::bad_alloc();
  return TRUE;
} catch (...) {
  walkOf(param).failure = "out of memory";
  return FALSE;
}

BOOL CALLBACK onName(HMODULE module, const wchar_t* type, wchar_t* name, LONG_PTR param) {
  // The host looks every resource up by number; a resource with a text name is none of its
  // business, and a resource set holds numbered names only.
  if (!IS_INTRESOURCE(name)) return TRUE;
  EnumResourceLanguagesW(module, type, name, onLanguage, param);
  return walkOf(param).failure.empty();
}

BOOL CALLBACK onType(HMODULE module, wchar_t* type, LONG_PTR param) try {
  Walk& walk = walkOf(param);
  if (IS_INTRESOURCE(type))
    walk.type = static_cast<uint16_t>(reinterpret_cast<uintptr_t>(type));
  else
    walk.type = utf8(type);
  EnumResourceNamesW(module, type, onName, param);
  return walk.failure.empty();
} catch (...) {
  walkOf(param).failure = "out of memory";
  return FALSE;
}

// A module mapped for its resources only.
struct ResourceImage {
  HMODULE handle;
  ~ResourceImage() {
    if (handle) FreeLibrary(handle);
  }
};

}  // namespace

std::unique_ptr<ModuleLibrary> ModuleLibrary::load(const std::filesystem::path& path, std::string* error) {
  HMODULE handle;
  {
    QuietErrors quiet;
    handle = LoadLibraryW(path.c_str());
  }
  if (!handle) {
    if (error) *error = systemMessage(GetLastError());
    return nullptr;
  }
  return std::make_unique<Win32Library>(handle);
}

std::optional<ResourceSet> readModuleResources(const std::filesystem::path& modulePath, std::string* error) try {
  ResourceImage image{nullptr};
  {
    // Mapped as an image for its resources only: none of the module's code runs, not even its
    // DllMain, before the host has seen its property list.
    QuietErrors quiet;
    image.handle =
        LoadLibraryExW(modulePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  }
  if (!image.handle) {
    if (error) *error = "its resources cannot be read: " + systemMessage(GetLastError());
    return std::nullopt;
  }
  Walk walk;
  SetLastError(ERROR_SUCCESS);
  BOOL complete = EnumResourceTypesW(image.handle, onType, reinterpret_cast<LONG_PTR>(&walk));
  DWORD why = GetLastError();
  if (!walk.failure.empty()) {
    if (error) *error = "its resources cannot be read: " + walk.failure;
    return std::nullopt;
  }
  // A module without a resource section is not an error here: the caller refuses it for the
  // property list it lacks.
  if (!complete && why != ERROR_RESOURCE_DATA_NOT_FOUND && why != ERROR_RESOURCE_TYPE_NOT_FOUND &&
      why != ERROR_SUCCESS) {
    if (error) *error = "its resources cannot be read: " + systemMessage(why);
    return std::nullopt;
  }
  return std::move(walk.set);
} catch (const std::bad_alloc&) {
  if (error) *error = "its resources cannot be read: out of memory";
  return std::nullopt;
}

}  // namespace flhost
