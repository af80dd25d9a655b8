#include "pylon/sim/SimFrameCache.h"

#include <cstring>

namespace Pylon {

bool CSimFrameCache::Key::operator==(const Key& other) const {
  const SFrameGeometry& a = geometry;
  const SFrameGeometry& b = other.geometry;
  return format == other.format && a.offsetX == b.offsetX && a.offsetY == b.offsetY && a.width == b.width &&
         a.height == b.height && a.paddingX == b.paddingX && channelGain == other.channelGain &&
         lut == other.lut;
}

void CSimFrameCache::Render(const CSimScene& scene, EPixelType format, const SFrameGeometry& geometry,
                            const SExposure& exposure, uint8_t* buffer, size_t bytes) {
  Key key{format, geometry, exposure.channelGain, exposure.lut ? *exposure.lut : std::vector<uint16_t>()};
  if (m_scene == &scene && key == m_key && m_frame.size() == bytes) {
    std::memcpy(buffer, m_frame.data(), bytes);
    return;
  }
  scene.Render(format, geometry, exposure, buffer);
  m_frame.assign(buffer, buffer + bytes);
  m_scene = &scene;
  m_key = std::move(key);
}

}  // namespace Pylon
