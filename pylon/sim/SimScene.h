#pragma once
// The picture the simulated cameras see: colour patches, a face-like portrait,
// fine detail, grey steps and gradients. It is computed once per sensor size as
// linear light (0..65535 per channel) and rendered per frame through lookup
// tables, so a frame costs one table look-up per output sample.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pylon/PixelType.h"

namespace Pylon {

// A rectangle of uniform colour that tests can locate, in fractions of the
// sensor's width and height; its colour is the 8-bit value at the nominal
// exposure (ExposureTimeRaw 500, GainRaw 0, balance 1, no LUT).
struct SScenePatch {
  const char* name;
  double left, top, right, bottom;
  uint8_t red, green, blue;
};

// What turns scene light into output values for one frame.
struct SExposure {
  std::array<double, 3> channelGain{1.0, 1.0, 1.0};  // R, G, B: exposure x gain x balance
  const std::vector<uint16_t>* lut = nullptr;        // 12-bit camera LUT when enabled
};

struct SFrameGeometry {
  uint32_t offsetX = 0, offsetY = 0, width = 0, height = 0;
  uint32_t paddingX = 0;  // bytes after each row
};

class CSimScene {
 public:
  CSimScene(uint32_t sensorWidth, uint32_t sensorHeight);
  // One scene per sensor size, shared by every camera of that size.
  static std::shared_ptr<const CSimScene> ForSensor(uint32_t width, uint32_t height);
  static const std::vector<SScenePatch>& Patches();
  static bool Supports(EPixelType format);

  // Writes one frame into the buffer, which must hold the frame's payload size.
  void Render(EPixelType format, const SFrameGeometry& geometry, const SExposure& exposure,
              uint8_t* buffer) const;

 private:
  using Plane = std::vector<uint16_t>;
  const Plane& MosaicPlane(EPixelType format) const;
  const Plane& LumaPlane() const;

  uint32_t m_width, m_height;
  Plane m_rgb;                                             // interleaved R, G, B linear light
  mutable std::array<std::unique_ptr<Plane>, 5> m_planes;  // 4 Bayer phases and luma
  mutable std::mutex m_planeMutex;
};

}  // namespace Pylon
