#pragma once
// Removal-callback bookkeeping shared by every transport's devices.
#include <mutex>
#include <vector>

#include "pylon/PylonDevice.h"

namespace Pylon {

class CDeviceBase : public IPylonDevice {
 public:
  explicit CDeviceBase(CDeviceInfo info) : m_info(std::move(info)) {}
  virtual ~CDeviceBase() = default;

  const CDeviceInfo& GetDeviceInfo() const override { return m_info; }
  DeviceCallbackHandle RegisterRemovalCallback(DeviceCallback callback) override;
  bool DeregisterRemovalCallback(DeviceCallbackHandle handle) override;

  // Reports the loss of the device: the callbacks then run once on the SDK's
  // removal thread, however often the loss is reported.
  void ReportRemoval();
  bool IsRemoved() const;
  // The callbacks registered now, for the removal thread.
  std::vector<DeviceCallback> RemovalCallbacks() const;

 private:
  CDeviceInfo m_info;
  mutable std::mutex m_mutex;
  std::vector<std::unique_ptr<DeviceCallback>> m_callbacks;
  bool m_removed = false;
};

}  // namespace Pylon
