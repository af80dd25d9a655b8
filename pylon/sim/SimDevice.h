#pragma once
// A device object of the sim transport: opens and closes one simulated camera.
#include <memory>

#include "pylon/DeviceBase.h"
#include "pylon/sim/SimCamera.h"

namespace Pylon {

class CSimDevice : public CDeviceBase {
 public:
  explicit CSimDevice(std::shared_ptr<CSimCamera> camera);
  ~CSimDevice() override;

  void Open(AccessModeSet mode = Control | Stream | Event) override;
  void Close() override;
  bool IsOpen() const override { return m_open; }
  AccessModeSet AccessMode() const override { return m_mode; }
  unsigned int GetNumStreamGrabberChannels() const override { return 1; }
  IStreamGrabber* GetStreamGrabber(unsigned int index) override;
  GenApi::INodeMap* GetNodeMap() override;

 private:
  std::shared_ptr<CSimCamera> m_camera;
  bool m_open = false;
  AccessModeSet m_mode;
};

}  // namespace Pylon
