#pragma once
// Clients of the station's HTTP service on loopback, as a busy control room
// would use it: ten status pages polling at 10 Hz, two viewers watching the
// live preview and one event-stream listener. The pollers and viewers run only
// while active (a viewer's stream ends when the load goes idle, so nothing is
// encoded for it then); the listener stays connected throughout. Every request
// loop ends when the load is destroyed.

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace httplib {
class Client;
}

class ServiceLoad {
 public:
  explicit ServiceLoad(int port);
  ~ServiceLoad();
  ServiceLoad(const ServiceLoad&) = delete;
  ServiceLoad& operator=(const ServiceLoad&) = delete;

  void SetActive(bool active);
  // Requests answered with 200, and requests that failed or were refused.
  long Answered() const { return m_answered; }
  long Failed() const { return m_failed; }
  // Events the listener received; bytes of the preview streams.
  long Events() const { return m_events; }
  long PreviewBytes() const { return m_previewBytes; }

 private:
  void Poll(const char* path, int periodMs);
  void Listen();
  void View(httplib::Client& viewer);

  const int m_port;
  std::atomic<bool> m_active{false};
  std::atomic<bool> m_stopping{false};
  std::atomic<long> m_answered{0}, m_failed{0}, m_events{0}, m_previewBytes{0};
  std::unique_ptr<httplib::Client> m_listener;
  std::vector<std::unique_ptr<httplib::Client>> m_viewers;
  std::vector<std::thread> m_threads;
};
