#pragma once

#include "remote/EventHub.h"
#include "remote/WebhookTarget.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace remote {

// How a webhook is delivered: each POST waits at most `timeout`; a failed one
// (no answer, or a status other than 2xx) is tried again at most `retries`
// times, after `firstBackOff`, then twice as long each time.
struct WebhookPolicy {
  std::chrono::milliseconds timeout{2000};
  int retries = 3;
  std::chrono::milliseconds firstBackOff{1000};
};

// Delivers the station's events to one webhook URL, in order, on a thread of
// its own that reads the event hub: publishing never waits for it, and a slow
// or dead receiver holds up neither the station nor another URL. The hub keeps
// a bounded number of events; when this sender falls further behind, the
// oldest are lost to it and it logs how many.
class WebhookSender {
 public:
  using Log = std::function<void(const std::string&)>;

  // Sends the events named in `kinds` (every event when empty) published from now on.
  WebhookSender(EventHub& hub, WebhookTarget target, std::set<std::string> kinds, std::string station,
                WebhookPolicy policy, Log log);
  // Waits for the POST under way, if any (at most its time-outs), and drops the rest.
  ~WebhookSender();
  WebhookSender(const WebhookSender&) = delete;
  WebhookSender& operator=(const WebhookSender&) = delete;

  // Events delivered, and events lost (dropped by the hub or after the last retry).
  std::uint64_t Delivered() const { return m_delivered; }
  std::uint64_t Lost() const { return m_lost; }

 private:
  void Run();
  // The JSON body POSTed for `event`.
  std::string Body(const StationEvent& event) const;
  // Delivers `body` with its retries; gives up (logged) after the last one.
  void Deliver(const std::string& body);
  // One POST; the error in words, empty on success.
  std::string Attempt(const std::string& body) const;
  // False when stopping came first.
  bool Pause(std::chrono::milliseconds length);
  bool Stopping();

  EventHub& m_hub;
  const WebhookTarget m_target;
  const std::set<std::string> m_kinds;
  const std::string m_station;
  const WebhookPolicy m_policy;
  const Log m_log;
  std::uint64_t m_cursor;
  std::atomic<std::uint64_t> m_delivered{0};
  std::atomic<std::uint64_t> m_lost{0};
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_stopping = false;
  std::thread m_thread;
};

}  // namespace remote
