// Output files: each written whole or not at all, all outputs of one run put in place together, and
// never one file under two names. Also the error the program reports as a problem with its input.
//
// An output goes to a temporary file in its target's folder (so the final rename never crosses file
// systems) and is renamed over the target only when every output of the run was written, synced
// and closed without error. Until then an existing target is untouched. A temporary file is removed
// when its owner is dropped uncommitted (an error, an exception) and, on POSIX systems, when the
// program is ended by SIGINT, SIGTERM or SIGHUP (those whose action is still the default one when
// the first output is claimed; a signal the program handles or ignores is left alone).
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

namespace fltools {

// Bad arguments or a bad file (missing, unreadable, malformed, unwritable): the program prints
// what() and exits with status 2. The text names the file and says what is wrong with it.
class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The path as the user wrote it, for messages.
std::string displayPath(const std::filesystem::path& path);

// The file a path names, existing or not: symbolic links followed to their final target, then the
// folder resolved (links, "." and "..") and made absolute. Two spellings of one file give the same
// result, so outputs can be compared with each other and with inputs. ToolError for a loop of links.
std::filesystem::path resolvedFile(const std::filesystem::path& path);

// A file named on the command line and the option that named it; an empty path is one not given.
struct NamedFile {
  std::string option;  // "-o", "--save-params", "--params", ...
  std::filesystem::path path;
};

// Refuses, with a ToolError naming both options and the file, two outputs that name one file and an
// output that names one of the inputs: writing it would lose the other output or the input.
void refuseSharedFiles(const std::vector<NamedFile>& outputs, const std::vector<NamedFile>& inputs);

// A stream buffer over an open C file that keeps the system's reason (errno) for its first failed
// write; writes after a failure are dropped. It does not own the file.
class ErrnoFileBuf : public std::streambuf {
 public:
  explicit ErrnoFileBuf(std::FILE* file);
  // errno of the first failure, 0 while none.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type ch) override;
  int sync() override;

 private:
  bool drain();
  std::FILE* file_;
  std::vector<char> buffer_;
  int error_ = 0;
};

// One output file in two steps: finish() writes it out and closes it, publish() renames it into
// place. Symbolic links are written through: a link given as the target keeps pointing where it
// did, and the file it points to is replaced (in that file's folder).
class OutputFile {
 public:
  // Claims the temporary file. ToolError "cannot write NAME: REASON" when the target cannot be
  // replaced as cp would refuse it (a file the running user may not write, a directory, a device or
  // other special file) or its folder does not take the temporary file.
  explicit OutputFile(std::filesystem::path target);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::ostream& stream() { return out_; }
  const std::filesystem::path& target() const { return target_; }  // as given
  // ToolError "cannot write NAME: REASON" when a write to the file has failed already; nothing
  // otherwise. For a writer that gives up on a failed stream with a reason of its own (libpng's
  // "cannot write"): the system's reason is the one to tell.
  void throwIfWriteFailed() const;
  // Flushes, syncs and closes the temporary file; ToolError with the system's reason when any of
  // that failed, and the temporary file is removed.
  void finish();
  // Renames the finished file over the target; ToolError when the rename fails.
  void publish();
  // Both.
  void commit();

 private:
  void discard();
  std::filesystem::path target_;    // as the user gave it, for messages
  std::filesystem::path resolved_;  // the file replaced
  std::filesystem::path temp_;
  std::FILE* file_ = nullptr;
  std::unique_ptr<ErrnoFileBuf> buf_;
  std::ostream out_;
  int slot_ = -1;  // the temporary file's place in the list the signal handler removes
  bool published_ = false;
};

// The outputs of one run: every file is claimed when added, and none is put in place before all
// of them are written.
class OutputTransaction {
 public:
  // Claims the file (see OutputFile) and returns the stream to write it with.
  std::ostream& add(const std::filesystem::path& target);
  // OutputFile::throwIfWriteFailed for each file.
  void throwIfWriteFailed() const;
  // Finishes every file, then publishes them all. On a failure before the first rename, no target
  // is touched and every temporary file is removed; ToolError says which file failed and why.
  void commit();

 private:
  std::vector<std::unique_ptr<OutputFile>> files_;
};

// Writes a whole file through an OutputFile.
void writeFileAtomically(const std::filesystem::path& target, const std::function<void(std::ostream&)>& write);

}  // namespace fltools
