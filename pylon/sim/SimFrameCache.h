#pragma once
// The last frame a simulated camera rendered, kept so that the next frame with
// the same settings is delivered by one copy into the transfer buffer, as a
// camera's DMA would, instead of being rendered again from the scene.
#include <array>
#include <cstdint>
#include <vector>

#include "pylon/sim/SimScene.h"

namespace Pylon {

class CSimFrameCache {
 public:
  // Writes the frame into `buffer` (`bytes` long: the frame's payload size),
  // from the kept copy when the settings are those of the last frame.
  void Render(const CSimScene& scene, EPixelType format, const SFrameGeometry& geometry,
              const SExposure& exposure, uint8_t* buffer, size_t bytes);

 private:
  struct Key {
    EPixelType format = PixelType_Undefined;
    SFrameGeometry geometry;
    std::array<double, 3> channelGain{};
    std::vector<uint16_t> lut;
    bool operator==(const Key& other) const;
  };

  const CSimScene* m_scene = nullptr;
  Key m_key;
  std::vector<uint8_t> m_frame;
};

}  // namespace Pylon
