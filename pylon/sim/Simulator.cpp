#include "pylon/sim/Simulator.h"

#include <cstdio>
#include <cstdlib>

#include "pylon/GenericException.h"

namespace Pylon {

SSimulatorConfig SSimulatorConfig::FromEnvironment() {
  SSimulatorConfig config;
  if (const char* count = std::getenv("BX_SIM_CAMERAS")) config.cameraCount = std::max(0, std::atoi(count));
  if (const char* fps = std::getenv("BX_SIM_FPS")) {
    const double value = std::atof(fps);
    if (value > 0.0) config.framesPerSecond = value;
  }
  if (const char* sensor = std::getenv("BX_SIM_SENSOR")) {
    unsigned width = 0, height = 0;
    if (std::sscanf(sensor, "%ux%u", &width, &height) == 2 && width >= 16 && height >= 16 && width <= 16384 &&
        height <= 16384) {
      config.sensorWidth = width & ~3u;
      config.sensorHeight = height & ~1u;
    }
  }
  return config;
}

CSimulator::CSimulator() { Configure(SSimulatorConfig::FromEnvironment()); }

void CSimulator::Configure(const SSimulatorConfig& config) {
  if (config.cameraCount < 0 || config.cameraCount > 64 || !(config.framesPerSecond > 0.0) ||
      config.sensorWidth < 16 || config.sensorHeight < 16 || config.sensorWidth % 4 != 0 ||
      config.sensorHeight % 2 != 0)
    BX_THROW(InvalidArgumentException, "Invalid simulator configuration");
  std::vector<std::shared_ptr<CSimCamera>> cameras;
  for (int i = 0; i < config.cameraCount; ++i) {
    SSimCameraConfig camera;
    camera.serial = std::to_string(21900001 + i);
    camera.sensorWidth = config.sensorWidth;
    camera.sensorHeight = config.sensorHeight;
    camera.framesPerSecond = config.framesPerSecond;
    cameras.push_back(std::make_shared<CSimCamera>(camera));
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  m_cameras.swap(cameras);
}

std::vector<std::string> CSimulator::Serials() const {
  std::vector<std::string> serials;
  for (const auto& camera : Cameras()) serials.push_back(camera->Serial());
  return serials;
}

std::vector<std::shared_ptr<CSimCamera>> CSimulator::Cameras() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_cameras;
}

std::shared_ptr<CSimCamera> CSimulator::Find(const std::string& serial) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (const auto& camera : m_cameras)
    if (camera->Serial() == serial) return camera;
  return nullptr;
}

CSimCamera& CSimulator::Camera(const std::string& serial) const {
  const std::shared_ptr<CSimCamera> camera = Find(serial);
  if (!camera)
    throw GenICam::InvalidArgumentException(("No simulated camera " + serial).c_str(), __FILE__, __LINE__);
  return *camera;  // cameras live until the next Configure
}

void CSimulator::SetLineLevel(const std::string& serial, int inputLine, bool high) {
  Camera(serial).SetLineLevel(inputLine, high);
}

bool CSimulator::LineLevel(const std::string& serial, const std::string& line) const {
  return Camera(serial).LineLevel(line);
}

unsigned CSimulator::OutputPulses(const std::string& serial, const std::string& line) const {
  return Camera(serial).OutputPulses(line);
}

void CSimulator::Unplug(const std::string& serial) { Camera(serial).Unplug(); }

void CSimulator::Replug(const std::string& serial) { Camera(serial).Replug(); }

void CSimulator::DeliverInvalidFrame(const std::string& serial) { Camera(serial).DeliverInvalidFrame(); }

void CSimulator::RefuseValue(const std::string& serial, const std::string& feature, bool refuse) {
  Camera(serial).RefuseValue(feature, refuse);
}

void CSimulator::SetPaddingX(const std::string& serial, uint32_t bytes) { Camera(serial).SetPaddingX(bytes); }

uint64_t CSimulator::FramesLost(const std::string& serial) const { return Camera(serial).FramesLost(); }

}  // namespace Pylon
