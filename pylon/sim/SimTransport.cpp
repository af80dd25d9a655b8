#include "pylon/sim/SimTransport.h"

#include "pylon/sim/SimDevice.h"

namespace Pylon {

void CSimTransport::EnumerateDevices(DeviceInfoList& devices) {
  for (const auto& camera : m_simulator.Cameras())
    if (camera->IsPlugged()) devices.push_back(camera->Info());
}

std::unique_ptr<CDeviceBase> CSimTransport::CreateDevice(const CDeviceInfo& info) {
  const std::shared_ptr<CSimCamera> camera = m_simulator.Find(info.GetSerialNumber());
  if (!camera || !camera->IsPlugged())
    throw GenICam::RuntimeException(
        ("No simulated camera with serial number '" + info.GetSerialNumber() + "'").c_str(), __FILE__,
        __LINE__);
  return std::make_unique<CSimDevice>(camera);
}

}  // namespace Pylon
