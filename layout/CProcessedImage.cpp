#include "layout/CProcessedImage.h"

void CProcessedImage::Reset(float defaultAspectRatio) {
  params = Parameters{};
  params.aspectRatio = defaultAspectRatio;
}

void CProcessedImage::CopyParameters(const CProcessedImage& other) { params = other.params; }

void CProcessedImage::SetStoredSaturation(std::int32_t stored) {
  params.autoLevels = stored > 899;
  params.saturation = params.autoLevels ? stored - kAutoLevelsOffset : stored;
}
