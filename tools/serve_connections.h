// The HTTP server of `flarimond serve`, with connections that other clients cannot starve.
//
// The library's own server gives each connection a worker from a fixed pool for as long as the
// connection lasts, and a read time-out only bounds the silence between two bytes: a client that
// sends one header byte a second holds its worker for ever, and a few dozen such clients leave the
// driving tab's events waiting in the queue. Here every connection has a thread of its own, so
// nobody waits for a worker, and three limits bound what a connection may hold:
//  - silence: no read waits longer than the server's read time-out for its next byte;
//  - a whole request (line, headers and body) must arrive within a bound of its first byte;
//  - only so many connections are open at once. Every client on loopback has the same address, so
//    the cap cannot be counted per address (and a tab shares 127.0.0.1 with whatever else runs
//    here): when it is reached, the connection that has waited longest for its client (a request
//    still arriving, or a kept-alive connection with none) is closed to make room. A connection
//    whose request is complete and being answered is never closed; a new one waits for a room
//    while every open connection is being answered.
// A request that has arrived is handled on its connection's thread, as the library would.
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <list>
#include <mutex>
#include <thread>

namespace fltools {

struct ConnectionLimits {
  size_t connections = 256;                       // open at once
  std::chrono::milliseconds requestBound{30000};  // from a request's first byte to its last
};

class GuardedServer : public httplib::Server {
 public:
  explicit GuardedServer(ConnectionLimits limits = {});
  ~GuardedServer() override;
  GuardedServer(const GuardedServer&) = delete;
  GuardedServer& operator=(const GuardedServer&) = delete;

  // Stops listening, closes every connection and waits for their threads. After it the server
  // may be destroyed; call it once listen_after_bind may still be running.
  void halt();

  // Closes the connection of the request being handled on this thread once its answer is sent
  // (a body left unread would be read as the next request).
  static void closeAfterAnswer();

  struct Connection;

 private:
  // Called by the library, on its accepting thread, for each new connection: finds it a room
  // and starts its thread. The library's own version would serve it on a pool worker.
  bool process_and_close_socket(socket_t sock) override;

  void serve(Connection& c);
  // Closes the connection that has waited longest for its client; false when every connection is
  // being answered. Called with m_ held.
  bool evictOne();
  void reapFinished();  // joins the threads of connections that have ended; m_ held

  friend class ConnectionStream;

  const ConnectionLimits limits_;
  std::mutex m_;
  std::condition_variable roomFreed_;
  std::list<Connection> connections_;
  bool halting_ = false;
};

}  // namespace fltools
