#pragma once
// A clock and timer queue that move only when the test says so: delayed shots
// run inside Advance, at their due time, in deadline order.
#include "trigger/TriggerTiming.h"

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

class FakeTiming final : public ITriggerClock, public IShotScheduler {
 public:
  explicit FakeTiming(uint32_t start = 100000) : m_now(start) {}

  uint32_t Now() override { return static_cast<uint32_t>(m_now); }

  TimerId Schedule(uint32_t delayMs, std::function<void()> callback) override {
    const TimerId id = m_nextId++;
    m_timers.emplace(m_now + delayMs, std::make_pair(id, std::move(callback)));
    return id;
  }

  bool Cancel(TimerId id) override {
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
      if (it->second.first == id) {
        m_timers.erase(it);
        return true;
      }
    }
    return false;
  }

  void Advance(uint32_t ms) {
    const uint64_t target = m_now + ms;
    while (!m_timers.empty() && m_timers.begin()->first <= target) {
      auto timer = m_timers.extract(m_timers.begin());
      m_now = timer.key();
      timer.mapped().second();
    }
    m_now = target;
  }

  size_t PendingTimers() const { return m_timers.size(); }

 private:
  uint64_t m_now;  // unwrapped; Now() wraps it as the real tick does
  TimerId m_nextId = 1;
  std::multimap<uint64_t, std::pair<TimerId, std::function<void()>>> m_timers;
};
