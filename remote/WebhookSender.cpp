#include "remote/WebhookSender.h"

#include "platform/ThreadName.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

namespace remote {

namespace {

// How long the thread waits on the hub before it looks whether it must stop.
constexpr std::chrono::milliseconds kPoll{250};

}  // namespace

WebhookSender::WebhookSender(EventHub& hub, WebhookTarget target, std::set<std::string> kinds,
                             std::string station, WebhookPolicy policy, Log log)
    : m_hub(hub),
      m_target(std::move(target)),
      m_kinds(std::move(kinds)),
      m_station(std::move(station)),
      m_policy(policy),
      m_log(std::move(log)),
      m_cursor(hub.NextId()),
      m_thread(&WebhookSender::Run, this) {}

WebhookSender::~WebhookSender() {
  {
    std::lock_guard lock(m_lock);
    m_stopping = true;
  }
  m_wake.notify_all();
  m_thread.join();
}

bool WebhookSender::Stopping() {
  std::lock_guard lock(m_lock);
  return m_stopping;
}

void WebhookSender::Run() {
  bx::NameThisThread("bx-webhook");
  while (!Stopping()) {
    const EventHub::Batch batch = m_hub.WaitFrom(m_cursor, kPoll);
    if (batch.missed > 0) {
      m_lost += batch.missed;
      m_log("Webhook " + m_target.origin + ": fell behind, " + std::to_string(batch.missed) +
            " oldest events dropped");
    }
    for (const StationEvent& event : batch.events) {
      if (Stopping()) return;
      if (m_kinds.empty() || m_kinds.count(event.name) > 0) Deliver(Body(event));
    }
    if (batch.closed) return;
  }
}

std::string WebhookSender::Body(const StationEvent& event) const {
  nlohmann::json body{{"event", event.name}, {"id", event.id}, {"station", m_station}};
  body["data"] = nlohmann::json::parse(event.json, nullptr, false);
  return body.dump();
}

void WebhookSender::Deliver(const std::string& body) {
  std::chrono::milliseconds backOff = m_policy.firstBackOff;
  std::string error;
  for (int attempt = 0; attempt <= m_policy.retries; ++attempt) {
    if (attempt > 0) {
      if (!Pause(backOff)) return;
      backOff *= 2;
    }
    error = Attempt(body);
    if (error.empty()) {
      ++m_delivered;
      return;
    }
  }
  ++m_lost;
  m_log("Webhook " + m_target.origin + ": event dropped after " + std::to_string(m_policy.retries + 1) +
        " attempts (" + error + ")");
}

std::string WebhookSender::Attempt(const std::string& body) const {
  httplib::Client client(m_target.origin);
  if (!client.is_valid()) return "no client for this URL";
  client.set_connection_timeout(m_policy.timeout);
  client.set_read_timeout(m_policy.timeout);
  client.set_write_timeout(m_policy.timeout);
  // Only the configured URL: a redirect is a failure, never followed.
  client.set_follow_location(false);
  const httplib::Result result = client.Post(m_target.path, body, "application/json");
  if (!result) return httplib::to_string(result.error());
  if (result->status < 200 || result->status > 299) return "status " + std::to_string(result->status);
  return {};
}

bool WebhookSender::Pause(std::chrono::milliseconds length) {
  std::unique_lock lock(m_lock);
  return !m_wake.wait_for(lock, length, [this] { return m_stopping; });
}

}  // namespace remote
