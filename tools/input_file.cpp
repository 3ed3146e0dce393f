#include "input_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>

#include "output_file.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fltools {

namespace fs = std::filesystem;

std::string notRegularFileText(fs::file_type type) {
  // clang-format off
  switch (type) {
    case fs::file_type::directory: return "a directory";
    case fs::file_type::fifo: return "a FIFO";
    case fs::file_type::character: return "a character device";
    case fs::file_type::block: return "a block device";
    case fs::file_type::socket: return "a socket";
    default: return "not a regular file";
  }
  // clang-format on
}

namespace {

[[noreturn]] void refuse(const fs::path& path, const std::string& why) {
  throw ToolError(displayPath(path) + ": " + why);
}

[[noreturn]] void refuseKind(const fs::path& path, fs::file_type type) {
  refuse(path, "is " + notRegularFileText(type) + ", not a regular file");
}

void checkSize(const fs::path& path, std::uintmax_t size, std::uintmax_t maxBytes) {
  if (size > maxBytes)
    refuse(path,
           "is larger than " + std::to_string(maxBytes / (1024 * 1024)) + " MiB (" + std::to_string(size) + " bytes)");
}

#ifndef _WIN32
fs::file_type typeOf(mode_t mode) {
  if (S_ISREG(mode)) return fs::file_type::regular;
  if (S_ISDIR(mode)) return fs::file_type::directory;
  if (S_ISFIFO(mode)) return fs::file_type::fifo;
  if (S_ISCHR(mode)) return fs::file_type::character;
  if (S_ISBLK(mode)) return fs::file_type::block;
  if (S_ISSOCK(mode)) return fs::file_type::socket;
  return fs::file_type::unknown;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};
#endif

}  // namespace

std::string readInputFile(const fs::path& path, std::uintmax_t maxBytes) {
#ifndef _WIN32
  // O_NONBLOCK: opening a FIFO with no writer returns at once, and fstat then tells what it is.
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) {
    int err = errno;
    if (err == ENOENT) refuse(path, "no such file");
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);  // a socket cannot be opened at all
    if (!ec && st.type() != fs::file_type::regular && st.type() != fs::file_type::not_found)
      refuseKind(path, st.type());
    refuse(path, std::string("cannot read: ") + std::strerror(err));
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) refuse(path, std::string("cannot read: ") + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) refuseKind(path, typeOf(st.st_mode));
  checkSize(path, static_cast<std::uintmax_t>(st.st_size), maxBytes);
  // Read to the end rather than to the size seen, so a file that grows meanwhile is still caught.
  std::string bytes;
  char chunk[16384];
  for (;;) {
    ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) refuse(path, std::string("cannot read: ") + std::strerror(errno));
    if (n == 0) break;
    bytes.append(chunk, static_cast<size_t>(n));
    checkSize(path, bytes.size(), maxBytes);
  }
  return bytes;
#else
  std::error_code ec;
  fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) refuse(path, "no such file");
  if (ec) refuse(path, "cannot read: " + ec.message());
  if (!fs::is_regular_file(st)) refuseKind(path, st.type());
  checkSize(path, fs::file_size(path, ec), maxBytes);
  std::ifstream in(path, std::ios::binary);
  if (!in) refuse(path, std::string("cannot read: ") + std::strerror(errno));
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) refuse(path, std::string("cannot read: ") + std::strerror(errno));
  checkSize(path, bytes.size(), maxBytes);
  return bytes;
#endif
}

}  // namespace fltools
