#include "pylon/aravis/ArvTransport.h"

#include <arv.h>

#include "pylon/GenericException.h"
#include "pylon/aravis/ArvDevice.h"

namespace Pylon {
namespace {

std::string Text(const char* text) { return text ? text : ""; }

}  // namespace

void CArvTransport::EnumerateDevices(DeviceInfoList& devices) {
  arv_update_device_list();
  const unsigned count = arv_get_n_devices();
  for (unsigned i = 0; i < count; ++i) {
    CDeviceInfo info;
    info.SetSerialNumber(Text(arv_get_device_serial_nbr(i)));
    info.SetModelName(Text(arv_get_device_model(i)));
    info.SetVendorName(Text(arv_get_device_vendor(i)));
    info.SetFullName(Text(arv_get_device_id(i)));
    info.SetFriendlyName(info.GetModelName() + " (" + info.GetSerialNumber() + ")");
    info.SetDeviceClass("aravis");
    devices.push_back(info);
  }
}

std::unique_ptr<CDeviceBase> CArvTransport::CreateDevice(const CDeviceInfo& info) {
  DeviceInfoList devices;
  EnumerateDevices(devices);
  for (const CDeviceInfo& found : devices) {
    const bool sameName = !info.GetFullName().empty() && found.GetFullName() == info.GetFullName();
    const bool sameSerial = info.GetFullName().empty() && found.GetSerialNumber() == info.GetSerialNumber();
    if (sameName || sameSerial) return std::make_unique<CArvDevice>(found, found.GetFullName());
  }
  throw GenICam::RuntimeException(
      ("No camera '" + info.GetFullName() + info.GetSerialNumber() + "' found").c_str(), __FILE__, __LINE__);
}

}  // namespace Pylon
