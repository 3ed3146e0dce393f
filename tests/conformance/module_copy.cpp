#include "conformance/module_copy.h"
#include <gtest/gtest.h>

#include <fstream>

namespace fltest {

namespace {

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
                              0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
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
  fs::path res = module;
  res.replace_extension(".res");
  std::string error;
  auto set = flhost::ResourceSet::readResFile(res, &error);
  if (!set) return {};
  change(*set);
  fs::path dir = fs::path(::testing::TempDir()) / ("flarimond-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::path copy = dir / module.filename();
  fs::copy_file(module, copy);
  fs::path copyRes = copy;
  copyRes.replace_extension(".res");
  std::vector<uint8_t> bytes = serializeRes(*set);
  std::ofstream(copyRes, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
  return copy;
}

}  // namespace fltest
