#pragma once
// Configuration and test hooks of the simulated cameras ("sim" transport),
// reached through CTlFactory::GetInstance().Simulator(). Cameras are named by
// serial number. The starting configuration comes from the environment:
// BX_SIM_CAMERAS (number of cameras, default 1), BX_SIM_FPS (free-running frame
// rate, default 15) and BX_SIM_SENSOR ("WIDTHxHEIGHT", default 2448x2048).
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pylon/sim/SimCamera.h"

namespace Pylon {

struct SSimulatorConfig {
  int cameraCount = 1;
  double framesPerSecond = 15.0;
  uint32_t sensorWidth = 2448;
  uint32_t sensorHeight = 2048;

  static SSimulatorConfig FromEnvironment();
};

class CSimulator {
 public:
  CSimulator();

  // Replaces every simulated camera with fresh ones (devices already created
  // keep their old camera). Serial numbers are "21900001", "21900002", ...
  void Configure(const SSimulatorConfig& config);
  std::vector<std::string> Serials() const;

  void SetLineLevel(const std::string& serial, int inputLine, bool high);
  bool LineLevel(const std::string& serial, const std::string& line) const;
  unsigned OutputPulses(const std::string& serial, const std::string& line) const;
  // The device is lost: its removal callbacks fire once; enumeration skips it.
  void Unplug(const std::string& serial);
  void Replug(const std::string& serial);
  void DeliverInvalidFrame(const std::string& serial);
  // Writes of the feature raise AccessException while refused.
  void RefuseValue(const std::string& serial, const std::string& feature, bool refuse = true);
  void SetPaddingX(const std::string& serial, uint32_t bytes);
  uint64_t FramesLost(const std::string& serial) const;

  // For the transport.
  std::vector<std::shared_ptr<CSimCamera>> Cameras() const;
  std::shared_ptr<CSimCamera> Find(const std::string& serial) const;

 private:
  CSimCamera& Camera(const std::string& serial) const;

  mutable std::mutex m_mutex;
  std::vector<std::shared_ptr<CSimCamera>> m_cameras;
};

}  // namespace Pylon
