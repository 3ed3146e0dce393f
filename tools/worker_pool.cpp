#include "worker_pool.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <algorithm>
#include <iostream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace fltools {

namespace {

// Runs one job with std::cerr gathered into its result; an exception that escapes the job fails it.
JobResult runOne(const std::function<JobResult(size_t)>& job, size_t index) {
  std::ostringstream said;
  std::streambuf* before = std::cerr.rdbuf(said.rdbuf());
  JobResult r;
  try {
    r = job(index);
  } catch (const std::exception& e) {
    r = JobResult{};
    r.status = 1;
    said << "flarimond: " << e.what() << "\n";
  }
  std::cerr.rdbuf(before);
  r.messages = said.str() + r.messages;
  return r;
}

}  // namespace

#ifdef _WIN32

int processorCount() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 0 ? static_cast<int>(info.dwNumberOfProcessors) : 1;
}

std::vector<JobResult> runJobs(size_t count, int, const std::function<JobResult(size_t)>& job,
                               const std::function<void(size_t)>& progress) {
  std::vector<JobResult> results;
  for (size_t i = 0; i < count; ++i) {
    results.push_back(runOne(job, i));
    progress(i + 1);
    if (results.back().status != 0) break;
  }
  return results;
}

#else

int processorCount() {
  long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<int>(n) : 1;
}

namespace {

bool writeAll(int fd, const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

bool readAll(int fd, void* data, size_t n) {
  char* p = static_cast<char*>(data);
  while (n > 0) {
    ssize_t r = ::read(fd, p, n);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

// A result on the wire: status, then the three texts, each after its length.
bool sendResult(int fd, const JobResult& r) {
  int64_t status = r.status;
  if (!writeAll(fd, &status, sizeof status)) return false;
  for (const std::string* text : {&r.output, &r.messages, &r.error, &r.design}) {
    uint64_t size = text->size();
    if (!writeAll(fd, &size, sizeof size) || !writeAll(fd, text->data(), text->size())) return false;
  }
  return true;
}

bool receiveResult(int fd, JobResult* r) {
  int64_t status = 0;
  if (!readAll(fd, &status, sizeof status)) return false;
  r->status = static_cast<int>(status);
  for (std::string* text : {&r->output, &r->messages, &r->error, &r->design}) {
    uint64_t size = 0;
    if (!readAll(fd, &size, sizeof size)) return false;
    text->resize(size);
    if (!readAll(fd, text->data(), size)) return false;
  }
  return true;
}

struct Worker {
  pid_t pid = -1;
  int jobs = -1;     // the parent writes job numbers here; closing it tells the worker to stop
  int results = -1;  // the worker writes its results here
  bool busy = false;
  size_t job = 0;
};

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// The worker's side: job numbers in, results out, until the parent closes its end.
[[noreturn]] void workerMain(int jobs, int results, const std::function<JobResult(size_t)>& job) {
  uint64_t index = 0;
  while (readAll(jobs, &index, sizeof index))
    if (!sendResult(results, runOne(job, static_cast<size_t>(index)))) break;
  std::cout.flush();
  _exit(0);  // nothing of the parent's (its output files, its atexit handlers) is the worker's to end
}

std::string howItEnded(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status)) return std::string("killed by signal ") + std::to_string(WTERMSIG(status));
  return "exited with status " + std::to_string(WEXITSTATUS(status));
}

}  // namespace

std::vector<JobResult> runJobs(size_t count, int workerCount, const std::function<JobResult(size_t)>& job,
                               const std::function<void(size_t)>& progress) {
  std::vector<JobResult> results(count);
  if (count == 0) return results;
  // A worker that dies leaves a pipe with no reader: writing to it must fail, not end the program.
  struct sigaction ignore {
  }, before{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &before);

  std::vector<Worker> workers(std::min(count, static_cast<size_t>(std::max(workerCount, 1))));
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  for (size_t w = 0; w < workers.size(); ++w) {
    int down[2], up[2];
    if (::pipe(down) != 0 || ::pipe(up) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
      // The parent's ends and the other workers' pipes are not this worker's.
      ::close(down[1]);
      ::close(up[0]);
      for (size_t other = 0; other < w; ++other) {
        closeFd(workers[other].jobs);
        closeFd(workers[other].results);
      }
      workerMain(down[0], up[1], job);
    }
    ::close(down[0]);
    ::close(up[1]);
    workers[w].pid = pid;
    workers[w].jobs = down[1];
    workers[w].results = up[0];
  }

  size_t next = 0, done = 0;
  bool failed = false;
  auto handOut = [&](Worker& w) {
    while (!failed && next < count) {
      uint64_t index = next;
      if (writeAll(w.jobs, &index, sizeof index)) {
        w.busy = true;
        w.job = next++;
        return;
      }
      break;  // the worker is gone; the jobs go to the others
    }
    w.busy = false;
    closeFd(w.jobs);
  };
  for (Worker& w : workers) handOut(w);

  while (true) {
    std::vector<pollfd> fds;
    std::vector<Worker*> polled;
    for (Worker& w : workers)
      if (w.busy) {
        fds.push_back({w.results, POLLIN, 0});
        polled.push_back(&w);
      }
    if (fds.empty()) break;
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
    }
    for (size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      Worker& w = *polled[i];
      JobResult& r = results[w.job];
      if (!receiveResult(w.results, &r)) {
        closeFd(w.jobs);
        closeFd(w.results);
        r = JobResult{};
        r.status = 1;
        r.messages =
            "flarimond: the worker process running job " + std::to_string(w.job + 1) + " " + howItEnded(w.pid) + "\n";
        w.pid = -1;
        w.busy = false;
      }
      failed = failed || r.status != 0;
      progress(++done);
      if (w.pid >= 0) handOut(w);
    }
  }
  for (Worker& w : workers) {
    closeFd(w.jobs);
    closeFd(w.results);
    if (w.pid >= 0) howItEnded(w.pid);
  }
  sigaction(SIGPIPE, &before, nullptr);
  // Workers that all went before the jobs ran out leave the rest undone: the first of those fails.
  if (!failed && next < count) {
    results[next] =
        JobResult{1, "", "flarimond: no worker process was left to run job " + std::to_string(next + 1) + "\n", "", ""};
    ++next;
  }
  results.resize(next);
  return results;
}

#endif

}  // namespace fltools
