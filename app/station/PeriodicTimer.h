#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// A window-timer stand-in: calls its callback every period on its own thread
// until killed. Kill may be called from inside the callback.
class PeriodicTimer {
 public:
  PeriodicTimer() = default;
  PeriodicTimer(const PeriodicTimer&) = delete;
  PeriodicTimer& operator=(const PeriodicTimer&) = delete;
  ~PeriodicTimer();

  void Start(int periodMs, std::function<void()> tick);
  void Kill();
  bool IsRunning() const;

 private:
  void Run(int periodMs, std::function<void()> tick);

  mutable std::mutex m_lock;
  std::condition_variable m_wake;
  std::thread m_thread;
  bool m_running = false;
};
