// Whole-or-nothing output files, and the error the program reports as a problem with its input.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>

namespace fltools {

// Bad arguments or a bad file (missing, unreadable, malformed, unwritable): the program prints
// what() and exits with status 2. The text names the file and says what is wrong with it.
class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that appears complete or not at all: the content goes to a temporary file in the target's
// directory (so the final rename never crosses file systems) and commit() renames it over the
// target. Until then an existing target is untouched; dropping the object uncommitted (an error,
// an exception) removes the temporary file.
class OutputFile {
 public:
  // Creates the temporary file; ToolError when the directory does not take it.
  explicit OutputFile(std::filesystem::path target);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::ostream& stream() { return out_; }
  const std::filesystem::path& target() const { return target_; }
  // Flushes, closes and renames into place; ToolError when a write or the rename failed.
  void commit();

 private:
  std::filesystem::path target_;
  std::filesystem::path temp_;
  std::ofstream out_;
  bool committed_ = false;
};

// Writes a whole file through an OutputFile.
void writeFileAtomically(const std::filesystem::path& target,
                         const std::function<void(std::ostream&)>& write);

// The path as the user wrote it, for messages.
std::string displayPath(const std::filesystem::path& path);

}  // namespace fltools
