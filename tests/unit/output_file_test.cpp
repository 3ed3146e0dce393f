// Output files: one file under two spellings is found out, a run's outputs appear together or not
// at all, links are written through, and no temporary file outlives the program.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>

#include "output_file.h"
#include "unit/temp_dir.h"

namespace fltools {
namespace {

namespace fs = std::filesystem;
using fltest::TempDir;

std::string contentOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// The message refuseSharedFiles gives for an output and an input; empty when it accepts them.
std::string clash(const fs::path& output, const fs::path& input) {
  try {
    refuseSharedFiles({{"-o", output}}, {{"--params", input}});
    return "";
  } catch (const ToolError& e) {
    return e.what();
  }
}

TEST(OutputFile, OneFileUnderTwoSpellingsIsRefused) {
  TempDir dir;
  const fs::path d = dir.path();
  fs::create_directories(d / "sub/inner");
  fs::create_directory_symlink("sub", d / "alias");
  fs::create_directory_symlink("sub/inner", d / "deep");
  fs::create_symlink("sub/real.json", d / "link.json");  // dangling: real.json does not exist yet
  const struct {
    fs::path output, input;
    bool same;
  } cases[] = {
      {d / "sub/a.json", d / "sub/./a.json", true},   {d / "sub/a.json", d / "sub/../sub/a.json", true},
      {d / "sub/a.json", d / "alias/a.json", true},    // a linked folder, the file not there yet
      {d / "link.json", d / "sub/real.json", true},    // a link to a file that does not exist
      {d / "deep/../x.json", d / "sub/x.json", true},  // ".." after a linked folder leaves the folder linked to
      {d / "deep/../x.json", d / "x.json", false},    {d / "sub/a.json", d / "sub/b.json", false},
      {d / "sub/a.json", d / "a.json", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output.string() + " / " + c.input.string());
    std::string message = clash(c.output, c.input);
    if (c.same) {
      EXPECT_EQ(
          message.rfind("-o " + c.output.string() + " and --params " + c.input.string() + " name the same file", 0), 0u)
          << message;
    } else {
      EXPECT_EQ(message, "");
    }
  }
  try {
    refuseSharedFiles({{"-o", d / "x.json"}, {"--save-params", ""}, {"--dump", d / "sub/../x.json"}}, {});
    ADD_FAILURE() << "two outputs naming one file accepted";
  } catch (const ToolError& e) {
    EXPECT_NE(std::string(e.what()).find("-o " + (d / "x.json").string() + " and --dump"), std::string::npos)
        << e.what();
  }
}

TEST(OutputFile, OutputsAppearTogetherOrNotAtAll) {
  TempDir dir;
  writeText(dir.path() / "a.json", "old a");
  {
    OutputTransaction outputs;
    outputs.add(dir.path() / "a.json") << "new a";
    outputs.add(dir.path() / "b.json").setstate(std::ios::badbit);  // a writer that failed part-way
    try {
      outputs.commit();
      ADD_FAILURE() << "committed";
    } catch (const ToolError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("cannot write " + (dir.path() / "b.json").string(), 0), 0u) << e.what();
    }
  }
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.json"});
  EXPECT_EQ(contentOf(dir.path() / "a.json"), "old a");

  {
    OutputTransaction outputs;
    outputs.add(dir.path() / "a.json") << "new a";
    outputs.add(dir.path() / "b.json") << "new b";
    EXPECT_EQ(dir.entries().size(), 3u);  // a.json and the two temporary files
    outputs.commit();
  }
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.json", "b.json"}));
  EXPECT_EQ(contentOf(dir.path() / "a.json"), "new a");
}

TEST(OutputFile, WriteErrorsNameTheSystemsReason) {
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  std::setvbuf(full, nullptr, _IONBF, 0);
  ErrnoFileBuf buf(full);
  std::ostream out(&buf);
  out << std::string(100000, 'x') << std::flush;
  EXPECT_TRUE(out.bad());
  EXPECT_EQ(buf.error(), ENOSPC) << std::strerror(buf.error());
  std::fclose(full);
}

TEST(OutputFile, NamesUpToTheFoldersLimitAreWritten) {
  TempDir dir;
  // The temporary file's name holds the target's and 22 characters more: a long name is cut short
  // there, never in the middle of a character.
  const std::string accented = std::string(232, 'a') + "\xc3\xa9\xc3\xa9\xc3\xa9";  // 232 + 3 two-byte characters
  for (const std::string& name : {std::string(234, 'n'), std::string(255, 'm'), accented}) {
    SCOPED_TRACE(name.size());
    writeFileAtomically(dir.path() / name, [&](std::ostream& out) {
      out << "kept";
      if (name != accented) return;
      for (const std::string& entry : dir.entries()) {
        if (entry.front() == '.') {
          EXPECT_EQ(entry.substr(0, 234), "." + std::string(232, 'a') + ".");
        }
      }
    });
    EXPECT_EQ(contentOf(dir.path() / name), "kept");
  }
  try {
    OutputFile tooLong(dir.path() / std::string(256, 'x'));
    ADD_FAILURE() << "a name past the limit was taken";
  } catch (const ToolError& e) {
    EXPECT_NE(std::string(e.what()).find(": File name too long"), std::string::npos) << e.what();
  }
  EXPECT_EQ(dir.entries().size(), 3u);
}

TEST(OutputFile, LinksAreWrittenThroughAndModesKept) {
  TempDir dir;
  fs::create_directory(dir.path() / "store");
  writeText(dir.path() / "store/real.json", "old");
  fs::permissions(dir.path() / "store/real.json", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("store/real.json", dir.path() / "link.json");
  writeFileAtomically(dir.path() / "link.json", [](std::ostream& out) { out << "new"; });
  EXPECT_TRUE(fs::is_symlink(dir.path() / "link.json"));
  EXPECT_EQ(contentOf(dir.path() / "store/real.json"), "new");
  EXPECT_EQ(fs::status(dir.path() / "store/real.json").permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"link.json", "store"}));
  EXPECT_EQ(fs::directory_iterator(dir.path() / "store")->path().filename(), "real.json");
}

TEST(OutputFile, TargetsThatCannotBeReplacedAreRefused) {
  TempDir dir;
  fs::create_directory(dir.path() / "folder.json");
  ASSERT_EQ(::mkfifo((dir.path() / "fifo.json").c_str(), 0600), 0);
  const std::pair<fs::path, std::string> cases[] = {
      {dir.path() / "folder.json", ": it is a directory"},
      {dir.path() / "fifo.json", ": it is a FIFO"},
      {"/dev/null", ": it is a character device"},
      {dir.path() / "missing/x.json", ": cannot create a file in "},
  };
  for (const auto& [path, message] : cases) {
    SCOPED_TRACE(path.string());
    try {
      OutputFile file(path);
      ADD_FAILURE() << "claimed";
    } catch (const ToolError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("cannot write " + path.string() + message, 0), 0u) << e.what();
    }
  }
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"fifo.json", "folder.json"}));
}

TEST(OutputFileDeathTest, StopSignalsRemoveTemporaryFiles) {
  // Whoever started the tests may ignore some of these (a background job ignores SIGINT); the
  // program leaves an ignored signal alone.
  const int stops[] = {SIGINT, SIGTERM, SIGHUP};
  for (int sig : stops) std::signal(sig, SIG_DFL);
  for (int sig : stops) {
    SCOPED_TRACE(sig);
    TempDir dir;
    EXPECT_EXIT(
        {
          OutputTransaction outputs;
          outputs.add(dir.path() / "a.svg") << "partial";
          outputs.add(dir.path() / "b.json") << "partial";
          std::raise(sig);
        },
        testing::KilledBySignal(sig), "");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace fltools
