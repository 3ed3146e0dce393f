#include "output_file.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <random>
#include <system_error>

#include "input_file.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fltools {

namespace fs = std::filesystem;

std::string displayPath(const fs::path& path) { return path.string(); }

fs::path resolvedFile(const fs::path& path) {
  std::error_code ec;
  fs::path p = fs::absolute(path, ec);
  if (ec) throw ToolError(displayPath(path) + ": " + ec.message());
  for (int hops = 0; fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
    if (hops == 40) throw ToolError(displayPath(path) + ": too many levels of symbolic links");
    fs::path link = fs::read_symlink(p, ec);
    if (ec) throw ToolError(displayPath(path) + ": " + ec.message());
    p = link.is_absolute() ? link : p.parent_path() / link;
  }
  fs::path name = p.filename();
  if (name.empty() || name == "." || name == "..") return fs::weakly_canonical(p, ec);
  fs::path dir = fs::weakly_canonical(p.parent_path(), ec);
  if (ec) dir = p.parent_path().lexically_normal();
  return dir / name;
}

namespace {

// Same name in the same folder; a folder reached by two paths (a bind mount) is still one folder.
bool sameFile(const fs::path& a, const fs::path& b) {
  if (a == b) return true;
  if (a.filename() != b.filename()) return false;
  std::error_code ec;
  return fs::equivalent(a.parent_path(), b.parent_path(), ec);
}

}  // namespace

void refuseSharedFiles(const std::vector<NamedFile>& outputs, const std::vector<NamedFile>& inputs) {
  for (size_t i = 0; i < outputs.size(); ++i) {
    const NamedFile& out = outputs[i];
    if (out.path.empty()) continue;
    fs::path file = resolvedFile(out.path);
    auto check = [&](const NamedFile& other) {
      if (other.path.empty() || !sameFile(file, resolvedFile(other.path))) return;
      throw ToolError(out.option + " " + displayPath(out.path) + " and " + other.option + " " +
                      displayPath(other.path) + " name the same file (" + displayPath(file) + ")");
    };
    for (size_t j = i + 1; j < outputs.size(); ++j) check(outputs[j]);
    for (const NamedFile& in : inputs) check(in);
  }
}

// ---- the temporary files a signal removes

namespace {

#ifndef _WIN32
// A fixed table, so that the signal handler touches no allocator and no lock: a slot is free (0),
// being filled (1), or holds the path of a temporary file that the handler removes (2).
// Room for a file per tile of the largest batch (sheet --each) and the run's other outputs.
constexpr int kTempSlots = 512;
struct TempSlot {
  std::atomic<int> state{0};
  char path[4096];
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler may only touch lock-free atomics");
TempSlot gTempSlots[kTempSlots];

extern "C" void removeTemporariesAndStop(int sig) {
  int saved = errno;
  for (TempSlot& s : gTempSlots)
    if (s.state.load() == 2) ::unlink(s.path);
  errno = saved;
  // The handler was installed with SA_RESETHAND, so the signal's own action (ending the program)
  // applies to it again; raised again, it ends the program as if this handler had not been there.
  ::raise(sig);
}

// Installs the handler for the stop signals whose action is still the default one: a signal the
// program (or whoever started it) handles or ignores is left alone.
void installStopHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
      struct sigaction old {};
      if (::sigaction(sig, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) || old.sa_handler != SIG_DFL) continue;
      struct sigaction sa {};
      sa.sa_handler = removeTemporariesAndStop;
      sigemptyset(&sa.sa_mask);
      for (int other : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&sa.sa_mask, other);
      sa.sa_flags = SA_RESETHAND;
      ::sigaction(sig, &sa, nullptr);
    }
  });
}

// The slot now holding `path`, or -1 when the table is full (the file is then only removed by the
// program itself).
int registerTemporary(const fs::path& path) {
  installStopHandlers();
  const std::string& text = path.native();
  if (text.size() >= sizeof gTempSlots[0].path) return -1;
  for (int i = 0; i < kTempSlots; ++i) {
    int expected = 0;
    if (!gTempSlots[i].state.compare_exchange_strong(expected, 1)) continue;
    std::memcpy(gTempSlots[i].path, text.c_str(), text.size() + 1);
    gTempSlots[i].state.store(2);
    return i;
  }
  return -1;
}

void releaseTemporary(int& slot) {
  if (slot >= 0) gTempSlots[slot].state.store(0);
  slot = -1;
}
#else
// Windows delivers console signals on a thread of their own; temporary files are left to the
// program's own clean-up there.
int registerTemporary(const fs::path&) { return -1; }
void releaseTemporary(int& slot) { slot = -1; }
#endif

std::string reasonText(int err) { return err ? std::strerror(err) : "write failed"; }

// Why `file` may not be replaced, as cp would refuse to overwrite it; empty when it may, or when
// it does not exist. Checked for the running user: root may replace a read-only file, as with cp.
std::string whyNotReplaceable(const fs::path& file) {
  std::error_code ec;
  fs::file_status st = fs::status(file, ec);
  if (st.type() == fs::file_type::not_found) return "";
  if (ec) return ec.message();
  if (!fs::is_regular_file(st)) return "it is " + notRegularFileText(st.type());
#ifndef _WIN32
  if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) return std::strerror(errno);
#else
  if ((st.permissions() & fs::perms::owner_write) == fs::perms::none) return std::strerror(EACCES);
#endif
  return "";
}

// The longest file name the folder takes, in bytes.
size_t nameLimit([[maybe_unused]] const fs::path& dir) {
#ifndef _WIN32
  long limit = ::pathconf(dir.c_str(), _PC_NAME_MAX);
  if (limit > 0) return static_cast<size_t>(limit);
#endif
  return 255;
}

// The first bytes of a name, at most `most`, not cutting a UTF-8 character in two.
std::string namePrefix(const std::string& name, size_t most) {
  if (name.size() <= most) return name;
  size_t cut = most;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  return name.substr(0, cut);
}

}  // namespace

// ---- one output file

ErrnoFileBuf::ErrnoFileBuf(std::FILE* file) : file_(file), buffer_(64 * 1024) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

bool ErrnoFileBuf::drain() {
  size_t n = static_cast<size_t>(pptr() - pbase());
  if (n > 0 && error_ == 0) {
    errno = 0;
    if (std::fwrite(pbase(), 1, n, file_) != n) error_ = errno ? errno : EIO;
  }
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return error_ == 0;
}

ErrnoFileBuf::int_type ErrnoFileBuf::overflow(int_type ch) {
  if (!drain()) return traits_type::eof();
  if (!traits_type::eq_int_type(ch, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
  }
  return traits_type::not_eof(ch);
}

int ErrnoFileBuf::sync() {
  if (!drain()) return -1;
  if (std::fflush(file_) != 0) {
    error_ = errno ? errno : EIO;
    return -1;
  }
  return 0;
}

OutputFile::OutputFile(fs::path target) : target_(std::move(target)), out_(nullptr) {
  resolved_ = resolvedFile(target_);
  std::string why = whyNotReplaceable(resolved_);
  if (!why.empty()) throw ToolError("cannot write " + displayPath(target_) + ": " + why);

  // A fresh name beside the file, created exclusively, so two runs writing into one folder never
  // share a temporary file. It is listed for the signal handler before it exists. The target's name
  // in it is cut short where the whole would pass the folder's limit, so that any name the folder
  // takes can be written.
  fs::path dir = resolved_.parent_path();
  const std::string name = resolved_.filename().string();
  const size_t limit = nameLimit(dir);
  if (name.size() > limit) throw ToolError("cannot write " + displayPath(target_) + ": " + std::strerror(ENAMETOOLONG));
  constexpr size_t kTempPart = 22;  // ".", ".0123456789abcdef.tmp"
  const std::string stem = namePrefix(name, limit > kTempPart ? limit - kTempPart : 0);
  std::random_device entropy;
  std::mt19937_64 pick((static_cast<uint64_t>(entropy()) << 32) ^ entropy());
  int lastErrno = 0;
  for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(pick()));
    temp_ = dir / ("." + stem + suffix);
    slot_ = registerTemporary(temp_);
#ifdef _WIN32
    // The C runtime of older Windows builds lacks the exclusive mode; a random name suffices there.
    std::error_code ec;
    if (fs::exists(temp_, ec)) {
      releaseTemporary(slot_);
      continue;
    }
    file_ = std::fopen(temp_.string().c_str(), "wb");
#else
    file_ = std::fopen(temp_.c_str(), "wbx");
#endif
    if (file_) break;
    lastErrno = errno;
    releaseTemporary(slot_);
    if (lastErrno != EEXIST) break;
  }
  if (!file_)
    throw ToolError("cannot write " + displayPath(target_) + ": cannot create a file in " + displayPath(dir) + ": " +
                    std::strerror(lastErrno));
#ifndef _WIN32
  // The replaced file keeps its permissions, as it would when overwritten in place.
  struct stat st;
  if (::stat(resolved_.c_str(), &st) == 0) ::fchmod(::fileno(file_), st.st_mode & 07777);
#endif
  std::setvbuf(file_, nullptr, _IONBF, 0);  // the stream buffer does the buffering
  try {
    buf_ = std::make_unique<ErrnoFileBuf>(file_);
  } catch (...) {
    discard();  // no destructor runs for an object whose constructor throws
    throw;
  }
  out_.rdbuf(buf_.get());
}

OutputFile::~OutputFile() {
  if (!published_) discard();
}

void OutputFile::discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  std::error_code ignored;
  fs::remove(temp_, ignored);
  releaseTemporary(slot_);
}

void OutputFile::throwIfWriteFailed() const {
  if (buf_ && buf_->error()) throw ToolError("cannot write " + displayPath(target_) + ": " + reasonText(buf_->error()));
}

void OutputFile::finish() {
  if (!file_) return;
  out_.flush();
  int err = buf_->error();
  bool streamFailed = out_.bad();
  if (std::fflush(file_) != 0 && !err) err = errno;
#ifndef _WIN32
  if (!err && ::fsync(::fileno(file_)) != 0) err = errno;
#endif
  if (std::fclose(file_) != 0 && !err) err = errno;
  file_ = nullptr;
  if (err || streamFailed) {
    discard();
    throw ToolError("cannot write " + displayPath(target_) + ": " + reasonText(err));
  }
}

void OutputFile::publish() {
  finish();
  std::error_code ec;
  fs::rename(temp_, resolved_, ec);
#ifdef _WIN32
  // Some Windows runtimes refuse to rename over an existing file.
  if (ec && fs::exists(resolved_) && !fs::is_directory(resolved_)) {
    std::error_code removed;
    fs::remove(resolved_, removed);
    ec.clear();
    fs::rename(temp_, resolved_, ec);
  }
#endif
  if (ec) {
    discard();
    throw ToolError("cannot write " + displayPath(target_) + ": " + ec.message());
  }
  releaseTemporary(slot_);
  published_ = true;
}

void OutputFile::commit() { publish(); }

// ---- the outputs of a run

std::ostream& OutputTransaction::add(const fs::path& target) {
  files_.push_back(std::make_unique<OutputFile>(target));
  return files_.back()->stream();
}

void OutputTransaction::throwIfWriteFailed() const {
  for (const auto& f : files_) f->throwIfWriteFailed();
}

void OutputTransaction::commit() {
  // Every write is known good before any target changes. A rename can then only fail when the
  // folder changed under the run; the files renamed before it stay renamed.
  for (const auto& f : files_) f->finish();
  for (const auto& f : files_) f->publish();
}

void writeFileAtomically(const fs::path& target, const std::function<void(std::ostream&)>& write) {
  OutputFile file(target);
  write(file.stream());
  file.commit();
}

}  // namespace fltools
