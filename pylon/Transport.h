#pragma once
// A transport layer: finds devices of one kind and creates them.
#include <memory>
#include <string>

#include "pylon/DeviceBase.h"

namespace Pylon {

class ITransport {
 public:
  virtual ~ITransport() = default;
  virtual std::string Name() const = 0;
  virtual void EnumerateDevices(DeviceInfoList& devices) = 0;
  // Raises RuntimeException when the device cannot be created.
  virtual std::unique_ptr<CDeviceBase> CreateDevice(const CDeviceInfo& info) = 0;
};

}  // namespace Pylon
