#include "aec/RoiScope.h"

#include "ipl/Ipl.h"

namespace AEC {

void CRoiScope::Set(int x, int y, int width, int height, int coi) {
  iplSetROI(&m_region, coi, x, y, width, height);
  m_image.roi = &m_region;
}

}  // namespace AEC
