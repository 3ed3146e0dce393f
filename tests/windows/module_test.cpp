// The Windows module as the host finds it: the resources linked into flarimond.aip, read through
// the system's resource functions, and loading from places a narrow-character path cannot name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "module_loader.h"
#include "session.h"

namespace {

namespace fs = std::filesystem;

// Four-character codes are stored as little-endian integers of their big-endian packing, so each
// reads backwards.
constexpr char kPropertyList[] =
    "\x01\x00"          // format
    "\x00\x00\x00\x00"  // version
    "\x03\x00\x00\x00"  // property count
    "EBDA"
    "dnik"
    "\0\0\0\0"
    "\x04\0\0\0"
    "AEPS"
    "EBDA"
    "srvi"
    "\0\0\0\0"
    "\x04\0\0\0"
    "\x02\0\0\0"
    "EBDA"
    "68xw"
    "\0\0\0\0"
    "\x0c\0\0\0"
    "PluginMain\0\0";

flhost::ResourceSet moduleResources(const fs::path& module) {
  std::string error;
  auto set = flhost::readModuleResources(module, &error);
  EXPECT_TRUE(set) << error;
  return set ? *set : flhost::ResourceSet{};
}

fs::path freshDir(const std::wstring& name) {
  fs::path dir = fs::path(::testing::TempDir()) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

TEST(WindowsModule, PropertyListAndMenuNamesAreExact) {
  flhost::ResourceSet set = moduleResources(FLARIMOND_MODULE);
  const std::vector<uint8_t>* pipl = set.find(flhost::ResourceId(std::string("PIPL")), 16000);
  ASSERT_TRUE(pipl);
  EXPECT_EQ(std::string(pipl->begin(), pipl->end()), std::string(kPropertyList, sizeof kPropertyList - 1));
  EXPECT_EQ(set.string(16001), "ZUN <Create>");
  EXPECT_EQ(set.string(16002), "Flarimond...");
}

// The module links the resource script compiled once more; every resource, byte for byte and in
// the same language, must be the one the other builds read from flarimond.res.
TEST(WindowsModule, CarriesEveryResourceOfTheScript) {
  std::string error;
  auto script = flhost::ResourceSet::readResFile(FLARIMOND_RES_FILE, &error);
  ASSERT_TRUE(script) << error;
  flhost::ResourceSet linked = moduleResources(FLARIMOND_MODULE);
  EXPECT_GE(script->entries().size(), 10u);
  for (const auto& [key, data] : script->entries()) {
    auto found = linked.entries().find(key);
    ASSERT_NE(found, linked.entries().end())
        << "type " << key.type.index() << ", name " << std::get<uint16_t>(key.name) << " is not in the module";
    EXPECT_EQ(found->second, data) << "resource " << std::get<uint16_t>(key.name) << " differs";
  }
  EXPECT_EQ(linked.entries().size(), script->entries().size());
}

// Paths reach the system as UTF-16: a folder name outside the ANSI code page must not stop the
// host from reading, loading and starting the module.
TEST(WindowsModule, LoadsFromAFolderWithAnyName) {
  fs::path dir = freshDir(L"Flarimond \u00e9t\u00e9 \u2606 \u30d5\u30e9");
  fs::path copy = dir / "flarimond.aip";
  fs::copy_file(FLARIMOND_MODULE, copy);
  flhost::SessionOptions options;
  options.modulePath = copy;
  options.seed = 1;
  std::string error;
  auto session = flhost::Session::open(options, &error);
  ASSERT_TRUE(session) << error;
  EXPECT_EQ(session->startup(), 0);
  ASSERT_EQ(session->filters().size(), 1u);
  EXPECT_EQ(session->filters()[0].title, "Flarimond...");
  EXPECT_EQ(session->shutdown(), 0);
}

// What is not a 32-bit module is refused with the system's reason, and no message box waits for
// a user.
TEST(WindowsModule, NotAModuleIsRefusedWithAReason) {
  fs::path dir = freshDir(L"flarimond-not-a-module");
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"text.aip", "not a module\n"},
      {"truncated.aip", std::string("MZ\x90\0\3\0\0\0", 8)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::path file = dir / c.name;
    std::ofstream(file, std::ios::binary) << c.bytes;
    flhost::SessionOptions options;
    options.modulePath = file;
    std::string error;
    EXPECT_FALSE(flhost::Session::open(options, &error));
    EXPECT_NE(error.find("refused: its resources cannot be read: "), std::string::npos) << error;
  }
}

}  // namespace
