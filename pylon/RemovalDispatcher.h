#pragma once
// The SDK thread that runs device-removal callbacks. A device being destroyed is
// first withdrawn, so no callback runs for a device that no longer exists.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace Pylon {

class CDeviceBase;

class CRemovalDispatcher {
 public:
  static CRemovalDispatcher& Instance();

  void Post(CDeviceBase* device);
  // Drops pending notifications of the device and waits for a running one,
  // unless called from inside that callback.
  void Withdraw(CDeviceBase* device);
  // Runs pending notifications and stops the thread (SDK termination).
  void Shutdown();

 private:
  CRemovalDispatcher() = default;
  void Run();

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<CDeviceBase*> m_pending;
  CDeviceBase* m_running = nullptr;
  bool m_stopping = false;
  std::thread m_thread;
};

}  // namespace Pylon
