#include "output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

namespace fltools {

namespace fs = std::filesystem;

std::string displayPath(const fs::path& path) { return path.string(); }

namespace {

// Claims a fresh name beside the target. The file is created exclusively, so two runs writing
// into one directory never share a temporary file.
fs::path claimTemporary(const fs::path& target) {
  fs::path dir = target.parent_path();
  std::random_device entropy;
  std::mt19937_64 pick((static_cast<uint64_t>(entropy()) << 32) ^ entropy());
  int lastErrno = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(pick()));
    fs::path temp = dir / ("." + target.filename().string() + suffix);
#ifdef _WIN32
    // The C runtime of older Windows builds lacks the exclusive mode; a random name suffices there.
    std::error_code ec;
    if (fs::exists(temp, ec)) continue;
    FILE* f = std::fopen(temp.string().c_str(), "wb");
#else
    FILE* f = std::fopen(temp.string().c_str(), "wbx");
#endif
    if (f) {
      std::fclose(f);
      return temp;
    }
    lastErrno = errno;
    if (lastErrno != EEXIST) break;
  }
  std::string where = dir.empty() ? std::string(".") : displayPath(dir);
  throw ToolError("cannot write " + displayPath(target) + ": cannot create a file in " + where + ": " +
                  std::strerror(lastErrno));
}

}  // namespace

OutputFile::OutputFile(fs::path target) : target_(std::move(target)), temp_(claimTemporary(target_)) {
  out_.open(temp_, std::ios::binary | std::ios::trunc);
  if (!out_) {
    int err = errno;
    std::error_code ec;
    fs::remove(temp_, ec);
    throw ToolError("cannot write " + displayPath(target_) + ": " + std::strerror(err));
  }
}

OutputFile::~OutputFile() {
  if (committed_) return;
  if (out_.is_open()) out_.close();
  std::error_code ec;
  fs::remove(temp_, ec);
}

void OutputFile::commit() {
  committed_ = true;  // from here on this function cleans up itself
  errno = 0;
  out_.flush();
  bool written = static_cast<bool>(out_);
  out_.close();
  if (!written || out_.fail()) {
    int err = errno;  // the stream keeps no reason; the failed write left one here
    std::error_code ignored;
    fs::remove(temp_, ignored);
    throw ToolError("cannot write " + displayPath(target_) + ": " +
                    (err ? std::strerror(err) : "write failed"));
  }
  std::error_code ec;
  fs::rename(temp_, target_, ec);
#ifdef _WIN32
  // Some Windows runtimes refuse to rename over an existing file.
  if (ec && fs::exists(target_) && !fs::is_directory(target_)) {
    std::error_code removed;
    fs::remove(target_, removed);
    ec.clear();
    fs::rename(temp_, target_, ec);
  }
#endif
  if (ec) {
    std::error_code ignored;
    fs::remove(temp_, ignored);
    throw ToolError("cannot write " + displayPath(target_) + ": " + ec.message());
  }
}

void writeFileAtomically(const fs::path& target, const std::function<void(std::ostream&)>& write) {
  OutputFile file(target);
  write(file.stream());
  file.commit();
}

}  // namespace fltools
