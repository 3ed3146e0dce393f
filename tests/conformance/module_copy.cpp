#include "conformance/module_copy.h"
#include <gtest/gtest.h>

#include <fstream>

#include "module_loader.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace fltest {

namespace {

#ifdef _WIN32
// The Windows host reads the resources linked into the module, so the copy's own are replaced.
bool replaceResources(const std::filesystem::path& module, const flhost::ResourceSet& set) {
  HANDLE update = BeginUpdateResourceW(module.c_str(), TRUE);
  if (!update) return false;
  for (const auto& [key, data] : set.entries()) {
    std::wstring typeName;
    const wchar_t* type;
    if (const auto* n = std::get_if<uint16_t>(&key.type)) {
      type = MAKEINTRESOURCEW(*n);
    } else {
      for (char c : std::get<std::string>(key.type)) typeName.push_back(static_cast<unsigned char>(c));
      type = typeName.c_str();
    }
    const auto* name = std::get_if<uint16_t>(&key.name);
    if (!name || !UpdateResourceW(update, type, MAKEINTRESOURCEW(*name), key.language,
                                  const_cast<uint8_t*>(data.data()), static_cast<DWORD>(data.size()))) {
      EndUpdateResourceW(update, TRUE);
      return false;
    }
  }
  return EndUpdateResourceW(update, FALSE);
}
#endif

void put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, static_cast<uint16_t>(v));
  put16(out, static_cast<uint16_t>(v >> 16));
}
void putId(std::vector<uint8_t>& out, const flhost::ResourceId& id) {
  if (const auto* n = std::get_if<uint16_t>(&id)) {
    put16(out, 0xFFFF);
    put16(out, *n);
  } else {
    for (char c : std::get<std::string>(id)) put16(out, static_cast<uint8_t>(c));
    put16(out, 0);
  }
}
void pad4(std::vector<uint8_t>& out) {
  while (out.size() % 4) out.push_back(0);
}

}  // namespace

std::vector<uint8_t> serializeRes(const flhost::ResourceSet& set) {
  std::vector<uint8_t> out = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0,
                              0, 0, 0, 0, 0,    0, 0, 0, 0,    0,    0, 0, 0,    0,    0, 0};
  for (const auto& [key, data] : set.entries()) {
    std::vector<uint8_t> header;
    putId(header, key.type);
    putId(header, key.name);
    pad4(header);
    put32(header, 0);       // data version
    put16(header, 0x1030);  // memory flags
    put16(header, key.language);
    put32(header, 0);  // version
    put32(header, 0);  // characteristics
    put32(out, static_cast<uint32_t>(data.size()));
    put32(out, static_cast<uint32_t>(header.size() + 8));
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), data.begin(), data.end());
    pad4(out);
  }
  return out;
}

std::vector<uint8_t> stringBlock(const std::vector<std::string>& sixteen) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < 16; ++i) {
    const std::string s = i < sixteen.size() ? sixteen[i] : std::string();
    put16(out, static_cast<uint16_t>(s.size()));
    for (char c : s) put16(out, static_cast<uint8_t>(c));
  }
  return out;
}

std::filesystem::path moduleCopy(const std::string& name, const std::function<void(flhost::ResourceSet&)>& change) {
  namespace fs = std::filesystem;
  fs::path module = FLARIMOND_MODULE;
  std::string error;
  auto set = flhost::readModuleResources(module, &error);
  if (!set) return {};
  change(*set);
  fs::path dir = fs::path(::testing::TempDir()) / ("flarimond-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::path copy = dir / module.filename();
  fs::copy_file(module, copy);
#ifdef _WIN32
  if (!replaceResources(copy, *set)) return {};
#else
  fs::path copyRes = copy;
  copyRes.replace_extension(".res");
  std::vector<uint8_t> bytes = serializeRes(*set);
  std::ofstream(copyRes, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
#endif
  return copy;
}

}  // namespace fltest
