#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace remote {

class Authenticator;
class Router;

// The HTTP server over the routes: authentication, the limits on connections,
// bodies and slow clients, and the error answers (401, 404, 405, 413, 503).
// The only part of the service that knows the HTTP library.
class RemoteServer {
 public:
  struct Limits {
    int maxConnections = 24;
    std::size_t maxBodyBytes = 64 * 1024;
    std::chrono::seconds readTimeout{5};
    std::chrono::seconds writeTimeout{5};
    std::chrono::seconds keepAlive{5};
  };
  using Log = std::function<void(const std::string&)>;

  RemoteServer(const Router& router, const Authenticator& authenticator, Limits limits, Log log);
  ~RemoteServer();
  RemoteServer(const RemoteServer&) = delete;
  RemoteServer& operator=(const RemoteServer&) = delete;

  // Listens on address:port (port 0: any free one) on a thread of its own;
  // false, logged, when the port cannot be had.
  bool Start(const std::string& address, int port);
  int Port() const { return m_port; }
  // Ends the streams and the connections and waits for them.
  void Stop();
  bool Stopping() const { return m_stopping; }

 private:
  class Impl;
  std::unique_ptr<Impl> m_impl;
  std::thread m_listener;
  std::atomic<bool> m_stopping{false};
  int m_port = 0;
  Log m_log;
};

}  // namespace remote
