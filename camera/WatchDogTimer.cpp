#include "camera/WatchDogTimer.h"

#include "platform/ThreadName.h"

#include <pthread.h>

#include <algorithm>
#include <exception>
#include <limits>

namespace {

std::string CurrentThreadName() {
  char name[16] = {};
  if (pthread_getname_np(pthread_self(), name, sizeof name) != 0 || name[0] == '\0') return "unnamed thread";
  return name;
}

}  // namespace

CWatchDogTimer::CWatchDogTimer(std::function<void()> restart, std::function<void(const std::string&)> log,
                               std::chrono::milliseconds tick)
    : m_restart(std::move(restart)),
      m_log(std::move(log)),
      m_tick(std::max(tick, std::chrono::milliseconds(1))) {}

CWatchDogTimer::~CWatchDogTimer() {
  std::jthread watcher;
  {
    std::lock_guard lock(m_mutex);
    m_threads.clear();
    watcher = std::move(m_watcher);
  }
  // Joined outside the lock the scan takes.
  watcher.request_stop();
}

void CWatchDogTimer::Register(unsigned ticks, std::string name) {
  const auto count =
      static_cast<uint16_t>(std::clamp<unsigned>(ticks, 1, std::numeric_limits<uint16_t>::max()));
  if (name.empty()) name = CurrentThreadName();
  std::lock_guard lock(m_mutex);
  m_threads[std::this_thread::get_id()] = CTimerEvent{count, count, std::move(name)};
  if (!m_watcher.joinable()) m_watcher = std::jthread([this](std::stop_token stop) { Watch(stop); });
}

void CWatchDogTimer::Kick() {
  std::lock_guard lock(m_mutex);
  const auto found = m_threads.find(std::this_thread::get_id());
  if (found != m_threads.end()) {
    found->second.countdown = found->second.reload;
    found->second.silent = false;
  }
}

void CWatchDogTimer::Unregister() {
  std::jthread watcher;
  {
    std::lock_guard lock(m_mutex);
    if (m_threads.erase(std::this_thread::get_id()) == 0 || !m_threads.empty()) return;
    watcher = std::move(m_watcher);
  }
  watcher.request_stop();
}

bool CWatchDogTimer::IsWatching() const {
  std::lock_guard lock(m_mutex);
  return m_watcher.joinable();
}

bool CWatchDogTimer::IsEveryThreadReporting() const {
  std::lock_guard lock(m_mutex);
  return std::none_of(m_threads.begin(), m_threads.end(),
                      [](const auto& entry) { return entry.second.silent; });
}

void CWatchDogTimer::Watch(std::stop_token stop) {
  bx::NameThisThread("bx-watchdog");
  try {
    for (;;) {
      std::string expired;
      {
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, stop, m_tick, [&stop] { return stop.stop_requested(); })) return;
        expired = Scan();
      }
      if (!expired.empty()) Expired(expired);
    }
  } catch (const std::exception& error) {
    Expired(std::string("the watchdog itself (") + error.what() + ")");
  }
}

std::string CWatchDogTimer::Scan() {
  std::string expired;
  for (auto& [id, event] : m_threads) {
    if (--event.countdown > 0) continue;
    expired += (expired.empty() ? "" : ", ") + event.name;
    event.silent = true;
    // Counted afresh, in case the restart returns (a test's restart does).
    event.countdown = event.reload;
  }
  return expired;
}

void CWatchDogTimer::Expired(const std::string& names) {
  if (m_log) m_log("Watchdog: " + names + " stopped reporting; restarting the program");
  m_restart();
}

CWatchedSection::CWatchedSection(CWatchDogTimer* watchdog, unsigned ticks, const char* name)
    : m_watchdog(watchdog) {
  if (m_watchdog) m_watchdog->Register(ticks, name);
}

CWatchedSection::~CWatchedSection() {
  if (m_watchdog) m_watchdog->Unregister();
}
