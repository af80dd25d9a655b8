#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace bx {

// One-shot millisecond timers served by one thread of their own on the steady clock.
// Callbacks run on that thread, one at a time, in deadline order.
class TimerQueue {
 public:
  using TimerId = uint32_t;  // never 0

  TimerQueue();
  // Stops the thread; timers not yet due never run.
  ~TimerQueue();
  TimerQueue(const TimerQueue&) = delete;
  TimerQueue& operator=(const TimerQueue&) = delete;

  TimerId Schedule(uint32_t delayMs, std::function<void()> callback);
  // True when the timer was still pending and will not run.
  bool Cancel(TimerId id);

 private:
  struct Timer {
    TimerId id;
    std::function<void()> callback;
  };
  using Clock = std::chrono::steady_clock;

  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::multimap<Clock::time_point, Timer> timers_;
  TimerId nextId_ = 1;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace bx
