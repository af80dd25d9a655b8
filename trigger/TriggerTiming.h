#pragma once
// Time as the trigger engine sees it: a wrapping millisecond tick and one-shot
// timers for delayed shots. The engine takes both by interface so that tests
// drive its decisions with fake ticks instead of sleeping.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/TimerQueue.h"

class ITriggerClock {
 public:
  virtual ~ITriggerClock() = default;
  // Milliseconds; compared only by unsigned difference, so the wrap is harmless.
  virtual uint32_t Now() = 0;
};

class IShotScheduler {
 public:
  using TimerId = uint32_t;  // never 0
  virtual ~IShotScheduler() = default;
  virtual TimerId Schedule(uint32_t delayMs, std::function<void()> callback) = 0;
  // True when the timer was still pending and will not run.
  virtual bool Cancel(TimerId id) = 0;
};

// The steady-clock tick of the platform.
class SystemTriggerClock final : public ITriggerClock {
 public:
  uint32_t Now() override;
};

// Timers on a queue thread of their own; destroying the scheduler joins that
// thread, so no callback runs after it is gone.
class TimerQueueShotScheduler final : public IShotScheduler {
 public:
  TimerId Schedule(uint32_t delayMs, std::function<void()> callback) override;
  bool Cancel(TimerId id) override;

 private:
  bx::TimerQueue m_queue;
};
