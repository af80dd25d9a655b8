#include "bench/station_latency/ServiceLoad.h"

#include <httplib.h>

#include <chrono>

namespace {

constexpr int kStatusPollers = 10;
constexpr int kStatusPeriodMs = 100;
constexpr int kViewers = 2;
constexpr int kViewerPeriodMs = 500;

}  // namespace

ServiceLoad::ServiceLoad(int port)
    : m_port(port), m_listener(std::make_unique<httplib::Client>("127.0.0.1", port)) {
  for (int i = 0; i < kStatusPollers; ++i)
    m_threads.emplace_back([this] { Poll("/api/v1/status", kStatusPeriodMs); });
  for (int i = 0; i < kViewers; ++i)
    m_threads.emplace_back([this] { Poll("/api/v1/photos/last/thumbnail", kViewerPeriodMs); });
  m_threads.emplace_back([this] { Listen(); });
}

ServiceLoad::~ServiceLoad() {
  m_stopping = true;
  m_listener->stop();
  for (std::thread& thread : m_threads) thread.join();
}

void ServiceLoad::Poll(const char* path, int periodMs) {
  httplib::Client client("127.0.0.1", m_port);
  client.set_keep_alive(true);
  auto next = std::chrono::steady_clock::now();
  while (!m_stopping) {
    next += std::chrono::milliseconds(periodMs);
    if (m_active) {
      const httplib::Result result = client.Get(path);
      ++(result && result->status == 200 ? m_answered : m_failed);
    }
    std::this_thread::sleep_until(next);
  }
}

// One event stream for the whole run; the service ends it when it stops.
void ServiceLoad::Listen() {
  m_listener->set_read_timeout(std::chrono::seconds(30));
  while (!m_stopping) {
    m_listener->Get("/api/v1/events", [this](const char* data, std::size_t length) {
      for (std::size_t i = 0; i + 1 < length; ++i)
        if (data[i] == '\n' && data[i + 1] == '\n') ++m_events;
      return !m_stopping.load();
    });
  }
}
