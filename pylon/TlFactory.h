#pragma once
// The transport-layer factory: enumerates the devices of the selected transport
// and creates and destroys them. Transports: "aravis" (real GigE Vision and USB3
// Vision cameras, the default) and "sim" (in-process simulated cameras). The
// factory never falls back from one transport to the other.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pylon/PylonDevice.h"

namespace Pylon {

class ITransport;
class CSimulator;
class CDeviceBase;

class CTlFactory {
 public:
  static CTlFactory& GetInstance();

  // Fills (or with addToList appends to) the list; returns the number of devices found.
  int EnumerateDevices(DeviceInfoList& devices, bool addToList = false);
  // Raises RuntimeException when the device does not exist (any more).
  IPylonDevice* CreateDevice(const CDeviceInfo& info);
  void DestroyDevice(IPylonDevice* device);

  // "aravis" or "sim"; any other name raises InvalidArgumentException.
  void SelectTransport(const std::string& name);
  std::string GetTransport() const;
  // Configuration and test hooks of the simulated cameras.
  CSimulator& Simulator();

  ~CTlFactory();
  // Destroys every device still held (SDK termination).
  void DestroyAllDevices();

 private:
  CTlFactory();
  ITransport& Current();

  mutable std::mutex m_mutex;
  std::string m_transportName = "aravis";
  std::unique_ptr<ITransport> m_sim;
  std::unique_ptr<ITransport> m_aravis;
  std::vector<std::unique_ptr<CDeviceBase>> m_devices;
};

}  // namespace Pylon
