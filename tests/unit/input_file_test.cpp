// Input files: anything but a small regular file is refused at once, by name.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "input_file.h"
#include "output_file.h"
#include "unit/temp_dir.h"

namespace fltools {
namespace {

namespace fs = std::filesystem;

TEST(InputFile, OnlySmallRegularFilesAreRead) {
  fltest::TempDir dir;
  const fs::path d = dir.path();
  std::ofstream(d / "limit.json", std::ios::binary) << std::string(kMaxInputBytes, ' ');
  std::ofstream(d / "over.json", std::ios::binary) << std::string(kMaxInputBytes + 1, ' ');
  fs::create_directory(d / "folder.json");
  ASSERT_EQ(::mkfifo((d / "fifo.json").c_str(), 0600), 0);  // no writer: opening it must not wait
  fs::create_symlink("limit.json", d / "link.json");
  EXPECT_EQ(readInputFile(d / "limit.json").size(), kMaxInputBytes);
  EXPECT_EQ(readInputFile(d / "link.json").size(), kMaxInputBytes);

  const std::pair<fs::path, std::string> refused[] = {
      {d / "absent.json", ": no such file"},
      {d / "folder.json", ": is a directory, not a regular file"},
      {d / "fifo.json", ": is a FIFO, not a regular file"},
      {"/dev/null", ": is a character device, not a regular file"},
      {d / "over.json", ": is larger than 1 MiB (1048577 bytes)"},
      {d / "limit.json/x", ": cannot read: Not a directory"},
  };
  for (const auto& [path, message] : refused) {
    SCOPED_TRACE(path.string());
    try {
      readInputFile(path);
      ADD_FAILURE() << "read";
    } catch (const ToolError& e) {
      EXPECT_EQ(std::string(e.what()), path.string() + message);
    }
  }
}

}  // namespace
}  // namespace fltools
