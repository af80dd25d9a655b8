#include "aec/GlobalAEC.h"

#include "aec/RoiScope.h"

namespace AEC {

namespace {

std::optional<CExposureStatistics> WholeFrameStatistics(IplImage& image, int underLevel, int overLevel) {
  CRoiScope roi(image);
  roi.Clear();
  return CAutoExposure::ComputeStatistics(image, underLevel, overLevel);
}

}  // namespace

float CGlobalAEC::Compute(IplImage& image, int underLevel, int overLevel, float exposure) {
  const auto statistics = WholeFrameStatistics(image, underLevel, overLevel);
  if (!statistics) return exposure;
  return Step(exposure, statistics->under * 100, statistics->over * 100);
}

float CGlobalLevelAEC::Compute(IplImage& image, int underLevel, int overLevel, float exposure) {
  const auto statistics = WholeFrameStatistics(image, underLevel, overLevel);
  return statistics ? Step(exposure, Level(*statistics)) : exposure;
}

void CGlobalLevelAEC::Snapshot() {
  if (m_keptDesiredExp == -1) m_keptDesiredExp = m_desiredExp;
}

void CGlobalLevelAEC::Restore() {
  if (m_keptDesiredExp != -1) m_desiredExp = m_keptDesiredExp;
  m_keptDesiredExp = -1;
}

}  // namespace AEC
