#include "pylon/TlFactory.h"

#include <algorithm>

#include "pylon/GenericException.h"
#include "pylon/RemovalDispatcher.h"
#include "pylon/aravis/ArvTransport.h"
#include "pylon/sim/SimTransport.h"

namespace Pylon {

CTlFactory& CTlFactory::GetInstance() {
  // Never destroyed: camera threads may outlive static destruction at exit.
  static auto* factory = new CTlFactory;
  return *factory;
}

CTlFactory::CTlFactory() : m_sim(std::make_unique<CSimTransport>()) {}

CTlFactory::~CTlFactory() = default;

ITransport& CTlFactory::Current() {
  if (m_transportName == "sim") return *m_sim;
  if (!m_aravis) m_aravis = std::make_unique<CArvTransport>();
  return *m_aravis;
}

int CTlFactory::EnumerateDevices(DeviceInfoList& devices, bool addToList) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!addToList) devices.clear();
  const size_t before = devices.size();
  Current().EnumerateDevices(devices);
  return int(devices.size() - before);
}

IPylonDevice* CTlFactory::CreateDevice(const CDeviceInfo& info) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const std::string deviceClass = info.GetDeviceClass();
  ITransport* transport = &Current();
  if (deviceClass == "sim")
    transport = m_sim.get();
  else if (deviceClass == "aravis" && transport == m_sim.get()) {
    if (!m_aravis) m_aravis = std::make_unique<CArvTransport>();
    transport = m_aravis.get();
  }
  m_devices.push_back(transport->CreateDevice(info));
  return m_devices.back().get();
}

void CTlFactory::DestroyDevice(IPylonDevice* device) {
  if (!device) return;
  std::unique_ptr<CDeviceBase> owned;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = std::find_if(m_devices.begin(), m_devices.end(),
                           [device](const auto& held) { return held.get() == device; });
    if (it == m_devices.end())
      BX_THROW(InvalidArgumentException, "The device was not created by this factory");
    owned = std::move(*it);
    m_devices.erase(it);
  }
  CRemovalDispatcher::Instance().Withdraw(owned.get());
  owned->Close();
}

void CTlFactory::SelectTransport(const std::string& name) {
  if (name != "sim" && name != "aravis")
    throw GenICam::InvalidArgumentException(
        ("Unknown camera transport '" + name + "' (use aravis or sim)").c_str(), __FILE__, __LINE__);
  std::lock_guard<std::mutex> lock(m_mutex);
  m_transportName = name;
}

std::string CTlFactory::GetTransport() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_transportName;
}

CSimulator& CTlFactory::Simulator() { return static_cast<CSimTransport&>(*m_sim).Simulator(); }

void CTlFactory::DestroyAllDevices() {
  std::vector<std::unique_ptr<CDeviceBase>> devices;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    devices.swap(m_devices);
  }
  for (auto& device : devices) {
    CRemovalDispatcher::Instance().Withdraw(device.get());
    device->Close();
  }
}

}  // namespace Pylon
