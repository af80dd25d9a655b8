#pragma once
// An HTTP receiver of notifications on a loopback port, for the tests.
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Records the JSON bodies POSTed to "/hook"; "/moved" answers with a redirect to "/hook".
class WebhookReceiver {
 public:
  explicit WebhookReceiver(int port);
  ~WebhookReceiver();
  WebhookReceiver(const WebhookReceiver&) = delete;
  WebhookReceiver& operator=(const WebhookReceiver&) = delete;

  std::string Url(const std::string& path = "/hook") const;
  std::vector<nlohmann::json> Bodies();
  // The bodies once `count` arrived, or what arrived within the time-out.
  std::vector<nlohmann::json> WaitFor(std::size_t count,
                                      std::chrono::seconds timeout = std::chrono::seconds(20));
  // The "counter" of each body's data, in the order they came.
  static std::vector<int> Counters(const std::vector<nlohmann::json>& bodies);

 private:
  int m_port;
  httplib::Server m_server;
  std::thread m_thread;
  std::mutex m_lock;
  std::vector<nlohmann::json> m_bodies;
};
