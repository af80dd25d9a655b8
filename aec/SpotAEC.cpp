#include "aec/SpotAEC.h"

#include "aec/RoiScope.h"

namespace AEC {

float CSpotLevelAEC::Compute(IplImage& image, int underLevel, int overLevel, float exposure) {
  const int w = image.width / 5;
  const int h = image.height / 5;
  if (w < 1 || h < 1) return exposure;
  CRoiScope roi(image);
  roi.Set(2 * w, 2 * h, w, h);
  const auto statistics = ComputeStatistics(image, underLevel, overLevel);
  return statistics ? Step(exposure, Level(*statistics)) : exposure;
}

}  // namespace AEC
