#pragma once
// A camera created by the transport-layer factory.
#include <bitset>

#include "pylon/Callback.h"
#include "pylon/DeviceInfo.h"
#include "pylon/GenApiNodes.h"
#include "pylon/StreamGrabber.h"

namespace Pylon {

enum EDeviceAccessMode { Control = 1, Stream = 3, Event = 4, Exclusive = 5, _NumDeviceAccessModes = 6 };

class AccessModeSet {
 public:
  AccessModeSet() = default;
  AccessModeSet(EDeviceAccessMode mode) { m_bits.set(mode); }
  AccessModeSet& operator|=(AccessModeSet other) {
    m_bits |= other.m_bits;
    return *this;
  }
  bool Contains(EDeviceAccessMode mode) const { return m_bits.test(mode); }
  bool operator==(const AccessModeSet&) const = default;

 private:
  std::bitset<_NumDeviceAccessModes> m_bits;
};

inline AccessModeSet operator|(AccessModeSet left, AccessModeSet right) { return left |= right; }
inline AccessModeSet operator|(EDeviceAccessMode left, EDeviceAccessMode right) {
  return AccessModeSet(left) | AccessModeSet(right);
}

class IPylonDevice;
using DeviceCallback = Callback1<IPylonDevice*>;
using DeviceCallbackHandle = void*;

class IPylonDevice {
 public:
  virtual void Open(AccessModeSet mode = Control | Stream | Event) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual AccessModeSet AccessMode() const = 0;
  virtual const CDeviceInfo& GetDeviceInfo() const = 0;
  virtual unsigned int GetNumStreamGrabberChannels() const = 0;
  // Null when the device has no such channel or is not open.
  virtual IStreamGrabber* GetStreamGrabber(unsigned int index) = 0;
  // Null while the device is closed.
  virtual GenApi::INodeMap* GetNodeMap() = 0;
  // The callback runs once, on an SDK thread, when the device is lost.
  virtual DeviceCallbackHandle RegisterRemovalCallback(DeviceCallback callback) = 0;
  virtual bool DeregisterRemovalCallback(DeviceCallbackHandle handle) = 0;

 protected:
  ~IPylonDevice() = default;
};

template <class Client, class Member>
DeviceCallbackHandle RegisterRemovalCallback(IPylonDevice* device, Client& client, Member member) {
  return device->RegisterRemovalCallback(make_MemberFunctionCallback<IPylonDevice*>(client, member));
}

}  // namespace Pylon
