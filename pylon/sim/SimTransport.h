#pragma once
// The "sim" transport: enumerates and creates the simulator's plugged cameras.
#include "pylon/Transport.h"
#include "pylon/sim/Simulator.h"

namespace Pylon {

class CSimTransport : public ITransport {
 public:
  std::string Name() const override { return "sim"; }
  void EnumerateDevices(DeviceInfoList& devices) override;
  std::unique_ptr<CDeviceBase> CreateDevice(const CDeviceInfo& info) override;
  CSimulator& Simulator() { return m_simulator; }

 private:
  CSimulator m_simulator;
};

}  // namespace Pylon
