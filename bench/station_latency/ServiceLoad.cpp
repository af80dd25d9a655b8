#include "bench/station_latency/ServiceLoad.h"

#include <httplib.h>

#include <chrono>

namespace {

constexpr int kStatusPollers = 10;
constexpr int kStatusPeriodMs = 100;
constexpr int kViewers = 2;

}  // namespace

ServiceLoad::ServiceLoad(int port)
    : m_port(port), m_listener(std::make_unique<httplib::Client>("127.0.0.1", port)) {
  for (int i = 0; i < kStatusPollers; ++i)
    m_threads.emplace_back([this] { Poll("/api/v1/status", kStatusPeriodMs); });
  for (int i = 0; i < kViewers; ++i) {
    m_viewers.push_back(std::make_unique<httplib::Client>("127.0.0.1", port));
    m_threads.emplace_back([this, viewer = m_viewers.back().get()] { View(*viewer); });
  }
  m_threads.emplace_back([this] { Listen(); });
}

ServiceLoad::~ServiceLoad() {
  m_stopping = true;
  m_listener->stop();
  for (auto& viewer : m_viewers) viewer->stop();
  for (std::thread& thread : m_threads) thread.join();
}

void ServiceLoad::SetActive(bool active) {
  m_active = active;
  if (!active)
    for (auto& viewer : m_viewers) viewer->stop();
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

void ServiceLoad::View(httplib::Client& viewer) {
  viewer.set_read_timeout(std::chrono::seconds(30));
  while (!m_stopping) {
    if (!m_active) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    viewer.Get("/api/v1/preview.mjpg", [this](const char*, std::size_t length) {
      m_previewBytes += static_cast<long>(length);
      return m_active && !m_stopping;
    });
  }
}
