#pragma once
// The "aravis" transport: GigE Vision and USB3 Vision cameras found by Aravis.
#include "pylon/Transport.h"

namespace Pylon {

class CArvTransport : public ITransport {
 public:
  std::string Name() const override { return "aravis"; }
  void EnumerateDevices(DeviceInfoList& devices) override;
  std::unique_ptr<CDeviceBase> CreateDevice(const CDeviceInfo& info) override;
};

}  // namespace Pylon
