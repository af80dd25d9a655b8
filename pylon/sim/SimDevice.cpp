#include "pylon/sim/SimDevice.h"

namespace Pylon {

CSimDevice::CSimDevice(std::shared_ptr<CSimCamera> camera)
    : CDeviceBase(camera->Info()), m_camera(std::move(camera)) {
  m_camera->Track(this);
}

CSimDevice::~CSimDevice() {
  Close();
  m_camera->Untrack(this);
}

void CSimDevice::Open(AccessModeSet mode) {
  if (m_open) BX_THROW(RuntimeException, "The device is open already");
  if (IsRemoved()) BX_THROW(RuntimeException, "The device has been removed");
  m_camera->Open(this);
  m_mode = mode;
  m_open = true;
}

void CSimDevice::Close() {
  if (!m_open) return;
  m_open = false;
  m_mode = AccessModeSet();
  m_camera->Close(this);
}

IStreamGrabber* CSimDevice::GetStreamGrabber(unsigned int index) {
  return m_open && index == 0 && m_mode.Contains(Stream) ? m_camera->Grabber() : nullptr;
}

GenApi::INodeMap* CSimDevice::GetNodeMap() { return m_open ? m_camera->NodeMap() : nullptr; }

}  // namespace Pylon
