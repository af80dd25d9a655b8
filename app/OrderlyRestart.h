#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/Event.h"

namespace bx {
class ProgramRestart;
}  // namespace bx

// Starts the program again on behalf of any thread (the watchdog, the trigger
// engine) without pulling the ground from under the threads still running:
// on a thread of its own it runs the registered stop (the station's trigger
// engine, grab and processing threads and record writer), waits for it at most
// `stopLimit`, and only then restarts. Only the first request counts.
class OrderlyRestart {
 public:
  OrderlyRestart(bx::ProgramRestart& restart, std::chrono::milliseconds stopLimit);
  // Waits for a restart in progress (the real one never comes back).
  ~OrderlyRestart();
  OrderlyRestart(const OrderlyRestart&) = delete;
  OrderlyRestart& operator=(const OrderlyRestart&) = delete;

  // What must stop before the restart; empty for nothing. Waits until a stop
  // already running has ended, so that its owner may then go away.
  void SetStop(std::function<void()> stop);
  // Returns at once.
  void Request();

 private:
  void Run();
  void RunStop();

  bx::ProgramRestart& m_restart;
  const std::chrono::milliseconds m_stopLimit;
  std::mutex m_stopLock;  // held while the stop runs
  std::function<void()> m_stop;
  bx::Event m_stopped;
  std::once_flag m_requested;
  std::thread m_restartThread;
  std::thread m_stopThread;
};
