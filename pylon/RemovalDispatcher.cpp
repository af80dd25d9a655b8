#include "pylon/RemovalDispatcher.h"

#include <algorithm>

#include "platform/ThreadName.h"
#include "pylon/DeviceBase.h"

namespace Pylon {

CRemovalDispatcher& CRemovalDispatcher::Instance() {
  // Never destroyed: devices may report removal while the process exits.
  static auto* dispatcher = new CRemovalDispatcher;
  return *dispatcher;
}

void CRemovalDispatcher::Post(CDeviceBase* device) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_pending.push_back(device);
  if (!m_thread.joinable()) {
    m_stopping = false;
    m_thread = std::thread(&CRemovalDispatcher::Run, this);
  }
  m_changed.notify_all();
}

void CRemovalDispatcher::Withdraw(CDeviceBase* device) {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_pending.erase(std::remove(m_pending.begin(), m_pending.end(), device), m_pending.end());
  if (std::this_thread::get_id() == m_thread.get_id()) return;
  m_changed.wait(lock, [this, device] { return m_running != device; });
}

void CRemovalDispatcher::Shutdown() {
  std::thread thread;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
    m_changed.notify_all();
    thread = std::move(m_thread);
  }
  if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
    thread.join();
  else if (thread.joinable())
    thread.detach();
}

void CRemovalDispatcher::Run() {
  bx::NameThisThread("pylon-removal");
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    m_changed.wait(lock, [this] { return m_stopping || !m_pending.empty(); });
    if (m_pending.empty()) return;
    CDeviceBase* device = m_pending.front();
    m_pending.pop_front();
    m_running = device;
    lock.unlock();
    // The device may be destroyed from inside a callback: take the callbacks first.
    for (const DeviceCallback& callback : device->RemovalCallbacks()) callback(device);
    lock.lock();
    m_running = nullptr;
    m_changed.notify_all();
  }
}

}  // namespace Pylon
