#include "serve_connections.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <system_error>

namespace fltools {

using Clock = std::chrono::steady_clock;

struct GuardedServer::Connection {
  socket_t fd = INVALID_SOCKET;
  std::thread thread;
  // Guarded by the server's mutex:
  bool waiting = false;     // blocked on its client (a request arriving, or none yet)
  bool evicted = false;     // closed to make room
  bool done = false;        // its thread has closed the socket and is ending
  Clock::time_point since;  // when the current request began arriving, or the idle wait began
  // Its own thread's:
  bool closeAfter = false;
};

namespace {

thread_local GuardedServer::Connection* tCurrent = nullptr;

int millisecondsUntil(Clock::time_point t) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 24 * 3600 * 1000));
}

void addressOf(socket_t fd, bool peer, std::string& ip, int& port) {
  sockaddr_storage a{};
  socklen_t len = sizeof a;
  auto* at = reinterpret_cast<sockaddr*>(&a);
  int r = peer ? getpeername(fd, at, &len) : getsockname(fd, at, &len);
  if (r != 0) return;
  char text[INET6_ADDRSTRLEN] = "";
  if (a.ss_family == AF_INET) {
    auto* v4 = reinterpret_cast<sockaddr_in*>(&a);
    inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    port = ntohs(v4->sin_port);
  } else if (a.ss_family == AF_INET6) {
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&a);
    inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    port = ntohs(v6->sin6_port);
  }
  ip = text;
}

}  // namespace

// One connection's bytes for the library's request reader and answer writer. Reads are buffered
// (the library reads a request line a byte at a time) and kept from one request to the next.
class ConnectionStream final : public httplib::Stream {
 public:
  ConnectionStream(GuardedServer& server, GuardedServer::Connection& c, std::chrono::milliseconds silence,
                   std::chrono::milliseconds writeSilence)
      : server_(server), c_(c), silence_(silence), writeSilence_(writeSilence) {}

  // Waits up to `idle` for the first byte of the next request, then starts its clock.
  bool nextRequest(std::chrono::milliseconds idle) {
    answering_ = false;
    if (off_ == len_) {
      {
        std::lock_guard lock(server_.m_);
        c_.since = Clock::now();
      }
      if (!waitFor(POLLIN, Clock::now() + idle, true)) return false;
    }
    deadline_ = Clock::now() + server_.limits_.requestBound;
    std::lock_guard lock(server_.m_);
    c_.since = Clock::now();
    return true;
  }

  bool is_readable() const override { return off_ < len_ || waitFor(POLLIN, readLimit(), !answering_); }

  bool is_writable() const override {
    if (!waitFor(POLLOUT, Clock::now() + writeSilence_, false)) return false;
    // A peer that has closed its end reads as end of file.
    char byte;
    ssize_t n = recv(c_.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n != 0;
  }

  ssize_t read(char* ptr, size_t size) override {
    if (off_ == len_) {
      if (!is_readable()) return -1;
      ssize_t n;
      do n = recv(c_.fd, buffer_, sizeof buffer_, 0);
      while (n < 0 && errno == EINTR);
      if (n <= 0) return n;
      off_ = 0;
      len_ = static_cast<size_t>(n);
    }
    size_t k = std::min(size, len_ - off_);
    std::memcpy(ptr, buffer_ + off_, k);
    off_ += k;
    return static_cast<ssize_t>(k);
  }

  // Sends what the connection takes now; the library calls again for the rest. A send never
  // blocks, so a reader that has stopped reading holds the thread only for the write silence.
  ssize_t write(const char* ptr, size_t size) override {
    answering_ = true;  // the request has been read: its clock stops
    for (;;) {
      if (!is_writable()) return -1;
      ssize_t n = send(c_.fd, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n >= 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) return n;
    }
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override { addressOf(c_.fd, true, ip, port); }
  void get_local_ip_and_port(std::string& ip, int& port) const override { addressOf(c_.fd, false, ip, port); }
  socket_t socket() const override { return c_.fd; }

 private:
  // A read waits at most the silence allowed, and never past the request's deadline.
  Clock::time_point readLimit() const {
    Clock::time_point limit = Clock::now() + silence_;
    return answering_ ? limit : std::min(limit, deadline_);
  }

  // Polls until `limit`; while `onClient` the connection counts as waiting on its client, and may
  // be closed to make room.
  bool waitFor(short events, Clock::time_point limit, bool onClient) const {
    if (onClient) {
      std::lock_guard lock(server_.m_);
      c_.waiting = true;
    }
    pollfd p{c_.fd, events, 0};
    int r;
    do r = poll(&p, 1, millisecondsUntil(limit));
    while (r < 0 && errno == EINTR);
    if (onClient) {
      std::lock_guard lock(server_.m_);
      c_.waiting = false;
    }
    return r > 0 && (p.revents & (events | POLLHUP | POLLERR)) != 0;
  }

  GuardedServer& server_;
  GuardedServer::Connection& c_;
  std::chrono::milliseconds silence_, writeSilence_;
  Clock::time_point deadline_{};
  bool answering_ = false;
  char buffer_[4096];
  size_t off_ = 0, len_ = 0;
};

GuardedServer::GuardedServer(ConnectionLimits limits) : limits_(limits) {
  // Connections come to process_and_close_socket on the accepting thread itself, which only
  // hands each to a thread of its own.
  struct Inline : httplib::TaskQueue {
    void enqueue(std::function<void()> fn) override { fn(); }
    void shutdown() override {}
  };
  new_task_queue = [] { return new Inline; };
}

GuardedServer::~GuardedServer() { halt(); }

void GuardedServer::closeAfterAnswer() {
  if (tCurrent) tCurrent->closeAfter = true;
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
  std::unique_lock lock(m_);
  reapFinished();
  auto live = [&] {
    return static_cast<size_t>(std::count_if(connections_.begin(), connections_.end(),
                                             [](const Connection& c) { return !c.done && !c.evicted; }));
  };
  while (!halting_ && live() >= limits_.connections && !evictOne()) {
    // Every connection is being answered: the new one waits for the first to finish, or to
    // start waiting on its client.
    roomFreed_.wait_for(lock, std::chrono::milliseconds(20));
  }
  if (halting_) {
    ::close(sock);
    return false;
  }
  Connection& c = connections_.emplace_back();
  c.fd = sock;
  c.since = Clock::now();
  try {
    c.thread = std::thread([this, &c] { serve(c); });
  } catch (const std::system_error&) {
    ::close(sock);
    connections_.pop_back();
    return false;
  }
  return true;
}

void GuardedServer::serve(Connection& c) {
  tCurrent = &c;
  {
    using std::chrono::milliseconds;
    using std::chrono::seconds;
    auto silence = milliseconds(seconds(read_timeout_sec_)) + milliseconds(read_timeout_usec_ / 1000);
    auto writeSilence = milliseconds(seconds(write_timeout_sec_)) + milliseconds(write_timeout_usec_ / 1000);
    ConnectionStream stream(*this, c, silence, writeSilence);
    for (size_t left = keep_alive_max_count_; left > 0; --left) {
      if (!stream.nextRequest(std::chrono::duration_cast<milliseconds>(seconds(keep_alive_timeout_sec_)))) break;
      bool closed = false;
      if (!process_request(stream, left == 1, closed, nullptr) || closed || c.closeAfter) break;
    }
  }
  tCurrent = nullptr;
  std::lock_guard lock(m_);
  // Closed under the lock: evictOne never shuts down a number the system has given out again.
  ::shutdown(c.fd, SHUT_RDWR);
  ::close(c.fd);
  c.done = true;
  roomFreed_.notify_all();
}

bool GuardedServer::evictOne() {
  Connection* oldest = nullptr;
  for (Connection& c : connections_)
    if (c.waiting && !c.done && !c.evicted && (!oldest || c.since < oldest->since)) oldest = &c;
  if (!oldest) return false;
  oldest->evicted = true;
  ::shutdown(oldest->fd, SHUT_RDWR);  // its thread wakes, reads the end and closes it
  return true;
}

void GuardedServer::reapFinished() {
  for (auto it = connections_.begin(); it != connections_.end();) {
    if (!it->done) {
      ++it;
      continue;
    }
    // Its thread has nothing left but to return.
    if (it->thread.joinable()) it->thread.join();
    it = connections_.erase(it);
  }
}

void GuardedServer::halt() {
  {
    std::lock_guard lock(m_);
    if (halting_) return;
    halting_ = true;
    for (Connection& c : connections_)
      if (!c.done) ::shutdown(c.fd, SHUT_RDWR);
  }
  roomFreed_.notify_all();
  stop();
  std::list<Connection> all;
  {
    std::lock_guard lock(m_);
    all.swap(connections_);
  }
  for (Connection& c : all)
    if (c.thread.joinable()) c.thread.join();
}

}  // namespace fltools
