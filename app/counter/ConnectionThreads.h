#pragma once

#include <functional>
#include <list>
#include <mutex>
#include <thread>

#include "app/counter/SocketHandle.h"

// The threads serving a server's connections, one per connection, owned by
// the server so that none outlives it. A thread closes its connection as it
// ends; a later start joins the threads that have ended. Start and Stop are
// called from one thread, the one accepting connections.
class ConnectionThreads {
 public:
  using Serve = std::function<void(int fd)>;

  ConnectionThreads() = default;
  ~ConnectionThreads() { Stop(); }
  ConnectionThreads(const ConnectionThreads&) = delete;
  ConnectionThreads& operator=(const ConnectionThreads&) = delete;

  // Serves `connection` with `serve` on a thread of its own. Throws
  // std::system_error when no thread can be started; the connection is closed.
  void Start(SocketHandle connection, Serve serve);

  // Shuts every open connection down, which ends every wait to read or write
  // on it, and joins every thread.
  void Stop();

 private:
  struct Connection {
    SocketHandle socket;
    std::thread thread;
    bool ended = false;
  };

  void End(Connection& connection);
  // Joins the ended threads once there are `atLeast` of them.
  void JoinEnded(int atLeast);

  std::mutex m_mutex;  // guards each connection's socket and `ended`
  std::list<Connection> m_connections;
  int m_ended = 0;
};
