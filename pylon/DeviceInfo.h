#pragma once
// Descriptions of enumerated devices.
#include <string>
#include <vector>

#include "pylon/GenericException.h"

namespace Pylon {

using GenICam::gcstring;

class CInfoBase {
 public:
  gcstring GetFullName() const { return m_fullName; }
  gcstring GetFriendlyName() const { return m_friendlyName; }
  gcstring GetDeviceClass() const { return m_deviceClass; }  // the transport: "sim" or "aravis"
  void SetFullName(const gcstring& name) { m_fullName = name; }
  void SetFriendlyName(const gcstring& name) { m_friendlyName = name; }
  void SetDeviceClass(const gcstring& deviceClass) { m_deviceClass = deviceClass; }

 private:
  gcstring m_fullName;
  gcstring m_friendlyName;
  gcstring m_deviceClass;
};

class CDeviceInfo : public CInfoBase {
 public:
  gcstring GetSerialNumber() const { return m_serialNumber; }
  gcstring GetModelName() const { return m_modelName; }
  gcstring GetVendorName() const { return m_vendorName; }
  gcstring GetUserDefinedName() const { return m_userDefinedName; }
  void SetSerialNumber(const gcstring& serial) { m_serialNumber = serial; }
  void SetModelName(const gcstring& model) { m_modelName = model; }
  void SetVendorName(const gcstring& vendor) { m_vendorName = vendor; }
  void SetUserDefinedName(const gcstring& name) { m_userDefinedName = name; }

 private:
  gcstring m_serialNumber;
  gcstring m_modelName;
  gcstring m_vendorName;
  gcstring m_userDefinedName;
};

using DeviceInfoList = std::vector<CDeviceInfo>;
using DeviceInfoList_t = DeviceInfoList;

}  // namespace Pylon
