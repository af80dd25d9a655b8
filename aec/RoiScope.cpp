#include "aec/RoiScope.h"

#include "ipl/Ipl.h"

namespace AEC {

void CRoiScope::Set(int x, int y, int width, int height)
{
    iplSetROI(&m_region, 0, x, y, width, height);
    m_image.roi = &m_region;
}

} // namespace AEC
