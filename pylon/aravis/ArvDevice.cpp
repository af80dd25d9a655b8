#include "pylon/aravis/ArvDevice.h"

#include "pylon/GenericException.h"
#include "pylon/aravis/LostCameraRelease.h"

namespace Pylon {

CArvDevice::CArvDevice(CDeviceInfo info, std::string deviceId)
    : CDeviceBase(std::move(info)), m_deviceId(std::move(deviceId)) {}

CArvDevice::~CArvDevice() { Close(); }

void CArvDevice::Open(AccessModeSet mode) {
  if (m_camera) BX_THROW(RuntimeException, "The device is open already");
  GError* error = nullptr;
  m_camera = arv_camera_new(m_deviceId.c_str(), &error);
  if (!m_camera) {
    const std::string text = error ? error->message : "unknown error";
    g_clear_error(&error);
    throw GenICam::RuntimeException(("Cannot open camera '" + m_deviceId + "': " + text).c_str(), __FILE__,
                                    __LINE__);
  }
  ArvDevice* device = arv_camera_get_device(m_camera);
  m_nodes = std::make_unique<CArvNodeMap>(device, GetDeviceInfo().GetFullName());
  m_nodes->SetLostHandler([this] { ReportLost(); });
  {
    std::lock_guard<std::mutex> lock(m_lostLock);
    m_controlLostHandler =
        g_signal_connect(device, "control-lost", G_CALLBACK(&CArvDevice::OnControlLost), this);
  }
  m_grabber = std::make_unique<CArvStreamGrabber>(m_camera, GetDeviceInfo().GetFullName());
  m_mode = mode;
}

void CArvDevice::Close() {
  if (!m_camera) return;
  bool lost = false;
  {
    std::lock_guard<std::mutex> lock(m_lostLock);
    g_signal_handler_disconnect(arv_camera_get_device(m_camera), m_controlLostHandler);
    m_controlLostHandler = 0;
    lost = !m_nodes->IsOnline();
  }
  m_grabber.reset();
  m_nodes.reset();
  if (lost)
    ReleaseLostCamera(m_camera);
  else
    g_object_unref(m_camera);
  m_camera = nullptr;
  m_mode = AccessModeSet();
}

IStreamGrabber* CArvDevice::GetStreamGrabber(unsigned int index) {
  return m_camera && index == 0 && m_mode.Contains(Stream) ? m_grabber.get() : nullptr;
}

// Runs on an Aravis thread; the removal callbacks then run on the SDK's own thread.
void CArvDevice::OnControlLost(ArvDevice*, gpointer self) { static_cast<CArvDevice*>(self)->ReportLost(); }

void CArvDevice::ReportLost() {
  std::lock_guard<std::mutex> lock(m_lostLock);
  if (!m_controlLostHandler) return;  // closed meanwhile
  m_nodes->SetOnline(false);
  ReportRemoval();
}

}  // namespace Pylon
