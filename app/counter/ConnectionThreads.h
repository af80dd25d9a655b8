#pragma once

#include <pthread.h>

#include <functional>
#include <list>
#include <mutex>

#include "app/counter/SocketHandle.h"

// The threads serving a server's connections, one per connection, owned by
// the server so that none outlives it. A thread closes its connection as it
// ends; a later start joins the threads that have left, without waiting for
// any that has not, so that their stacks are reused soon. Start and Stop are
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
    ConnectionThreads* owner = nullptr;
    SocketHandle socket;
    Serve serve;
    pthread_t thread{};
    bool ended = false;
  };

  static void* Run(void* connection) noexcept;
  void End(Connection& connection);
  void JoinEnded();

  std::mutex m_mutex;  // guards the list, each connection's socket and `ended`
  std::list<Connection> m_connections;
};
