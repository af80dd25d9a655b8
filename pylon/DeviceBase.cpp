#include "pylon/DeviceBase.h"

#include <algorithm>

#include "pylon/RemovalDispatcher.h"

namespace Pylon {

DeviceCallbackHandle CDeviceBase::RegisterRemovalCallback(DeviceCallback callback) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_callbacks.push_back(std::make_unique<DeviceCallback>(std::move(callback)));
  return m_callbacks.back().get();
}

bool CDeviceBase::DeregisterRemovalCallback(DeviceCallbackHandle handle) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = std::find_if(m_callbacks.begin(), m_callbacks.end(),
                         [handle](const auto& callback) { return callback.get() == handle; });
  if (it == m_callbacks.end()) return false;
  m_callbacks.erase(it);
  return true;
}

void CDeviceBase::ReportRemoval() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_removed) return;
    m_removed = true;
  }
  CRemovalDispatcher::Instance().Post(this);
}

bool CDeviceBase::IsRemoved() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_removed;
}

std::vector<DeviceCallback> CDeviceBase::RemovalCallbacks() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<DeviceCallback> callbacks;
  for (const auto& callback : m_callbacks) callbacks.push_back(*callback);
  return callbacks;
}

}  // namespace Pylon
