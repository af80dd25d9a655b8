#include "tools/bxcam/CameraSession.h"

namespace bxcam {

CameraSession::CameraSession(const Options& options) {
  Pylon::DeviceInfoList devices;
  Pylon::CTlFactory& factory = Pylon::CTlFactory::GetInstance();
  factory.EnumerateDevices(devices);
  if (options.device >= devices.size())
    throw GenICam::RuntimeException(("no camera with index " + std::to_string(options.device) + " (" +
                                     std::to_string(devices.size()) + " found)")
                                        .c_str(),
                                    __FILE__, __LINE__);
  m_device = factory.CreateDevice(devices[options.device]);
  try {
    m_device->Open(Pylon::Control | Pylon::Stream | Pylon::Event);
  } catch (...) {
    factory.DestroyDevice(m_device);
    throw;
  }
}

CameraSession::~CameraSession() { Pylon::CTlFactory::GetInstance().DestroyDevice(m_device); }

GenApi::INode& CameraSession::Feature(const std::string& name) {
  GenApi::INode* node = Nodes().GetNode(name);
  if (!node)
    throw GenICam::InvalidArgumentException(("no feature '" + name + "'").c_str(), __FILE__, __LINE__);
  return *node;
}

}  // namespace bxcam
