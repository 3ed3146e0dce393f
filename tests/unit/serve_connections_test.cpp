// The server's connections: a request that trickles in past its bound is cut off, and at the cap
// the connection that has waited longest for its client makes room, never one being answered.
#include "serve_connections.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using fltools::GuardedServer;

// A GuardedServer with `routes` on a free loopback port, accepting on a thread of its own.
class Running {
 public:
  Running(fltools::ConnectionLimits limits, const std::function<void(GuardedServer&)>& routes) : server_(limits) {
    server_.Get("/ping",
                [](const httplib::Request&, httplib::Response& res) { res.set_content("pong", "text/plain"); });
    routes(server_);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // An answer means the server accepts: halting it then ends its accepting thread.
    httplib::Client c("127.0.0.1", port_);
    if (!c.Get("/ping")) throw std::runtime_error("the server does not answer");
  }
  ~Running() {
    server_.halt();
    thread_.join();
  }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

  int port() const { return port_; }

  // A connection that has sent `text`.
  int connectAndSend(const std::string& text) const {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<uint16_t>(port_));
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) throw std::runtime_error("connect");
    if (send(fd, text.data(), text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(text.size()))
      throw std::runtime_error("send");
    return fd;
  }

  // A request that closes its connection once answered; or only its start, when not `whole`.
  std::string request(const std::string& path, bool whole = true) const {
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) + "\r\nConnection: close" +
           (whole ? "\r\n\r\n" : "\r\nX-Slow: ");
  }

 private:
  GuardedServer server_;
  int port_ = 0;
  std::thread thread_;
};

// What the peer sends until it closes, or until `bound` passes (then nullopt).
std::optional<std::string> readToEnd(int fd, std::chrono::milliseconds bound) {
  std::string got;
  auto until = std::chrono::steady_clock::now() + bound;
  while (std::chrono::steady_clock::now() < until) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    char buf[512];
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return got;
    got.append(buf, static_cast<size_t>(n));
  }
  return std::nullopt;
}

TEST(ServeConnections, ARequestThatTricklesPastItsBoundIsCutOff) {
  Running r({.connections = 8, .requestBound = 300ms}, [](GuardedServer&) {});
  int fd = r.connectAndSend(r.request("/ping", false));
  // A byte every 50 ms: never silent for the read time-out, but never done either.
  bool closed = false;
  auto until = std::chrono::steady_clock::now() + 10s;
  while (!closed && std::chrono::steady_clock::now() < until) {
    closed = send(fd, "x", 1, MSG_NOSIGNAL) != 1 || readToEnd(fd, 50ms).has_value();
  }
  EXPECT_TRUE(closed) << "the connection is still open after 10 s";
  close(fd);
}

TEST(ServeConnections, AtTheCapTheConnectionWaitingLongestMakesRoom) {
  std::mutex m;
  std::condition_variable cv;
  bool entered = false, release = false;
  Running r({.connections = 2}, [&](GuardedServer& s) {
    s.Get("/hold", [&](const httplib::Request&, httplib::Response& res) {
      std::unique_lock lock(m);
      entered = true;
      cv.notify_all();
      cv.wait(lock, [&] { return release; });
      res.set_content("held", "text/plain");
    });
  });
  // One connection is being answered, one is still sending its request: the cap is reached.
  int answering = r.connectAndSend(r.request("/hold"));
  {
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, 10s, [&] { return entered; }));
  }
  int trickling = r.connectAndSend(r.request("/ping", false));
  // A third comes: the one that waits on its client makes room; the one being answered stays.
  int third = r.connectAndSend(r.request("/ping"));
  std::optional<std::string> thirdGot = readToEnd(third, 10s);
  ASSERT_TRUE(thirdGot);
  EXPECT_NE(thirdGot->find("pong"), std::string::npos) << *thirdGot;
  std::optional<std::string> tricklingGot = readToEnd(trickling, 10s);
  ASSERT_TRUE(tricklingGot) << "the trickling connection is still open";
  EXPECT_EQ(*tricklingGot, "") << "closed without an answer";
  {
    std::lock_guard lock(m);
    release = true;
  }
  cv.notify_all();
  std::optional<std::string> held = readToEnd(answering, 10s);
  ASSERT_TRUE(held);
  EXPECT_NE(held->find("held"), std::string::npos) << "the answer went out whole: " << *held;
  for (int fd : {answering, trickling, third}) close(fd);
}

}  // namespace
