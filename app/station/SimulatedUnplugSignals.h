#pragma once

#include <atomic>
#include <thread>

// While alive, SIGUSR1 unplugs every simulated camera and SIGUSR2 plugs them in
// again, as pulling and reconnecting a camera's cable would: a headless station
// on the "sim" transport can lose its camera at a moment another program chooses.
// Cameras of other transports are not affected.
class SimulatedUnplugSignals {
 public:
  SimulatedUnplugSignals();
  ~SimulatedUnplugSignals();
  SimulatedUnplugSignals(const SimulatedUnplugSignals&) = delete;
  SimulatedUnplugSignals& operator=(const SimulatedUnplugSignals&) = delete;

 private:
  // The simulator's cameras are not reached from the signal handler: a thread
  // applies the last request.
  void Run();

  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};
