#pragma once
// A real GenICam camera opened through Aravis.
#include <arv.h>

#include <memory>
#include <mutex>

#include "pylon/DeviceBase.h"
#include "pylon/aravis/ArvNodeMap.h"
#include "pylon/aravis/ArvStreamGrabber.h"

namespace Pylon {

class CArvDevice : public CDeviceBase {
 public:
  CArvDevice(CDeviceInfo info, std::string deviceId);
  ~CArvDevice() override;

  void Open(AccessModeSet mode = Control | Stream | Event) override;
  void Close() override;
  bool IsOpen() const override { return m_camera != nullptr; }
  AccessModeSet AccessMode() const override { return m_mode; }
  unsigned int GetNumStreamGrabberChannels() const override { return 1; }
  IStreamGrabber* GetStreamGrabber(unsigned int index) override;
  GenApi::INodeMap* GetNodeMap() override { return m_nodes.get(); }

 private:
  static void OnControlLost(ArvDevice* device, gpointer self);
  // The camera stopped answering: its features become unavailable and the
  // device reports its removal.
  void ReportLost();

  std::string m_deviceId;
  ArvCamera* m_camera = nullptr;
  // A loss reported on Aravis's thread against the device being closed.
  std::mutex m_lostLock;
  gulong m_controlLostHandler = 0;
  AccessModeSet m_mode;
  std::unique_ptr<CArvNodeMap> m_nodes;
  std::unique_ptr<CArvStreamGrabber> m_grabber;
};

}  // namespace Pylon
