#include "layout/CProcessedImage.h"

void CProcessedImage::Reset(float defaultAspectRatio) {
  params = Parameters{};
  params.aspectRatio = defaultAspectRatio;
  Unload();
}

void CProcessedImage::CopyParameters(const CProcessedImage& other) {
  params = other.params;
  Unload();
}

void CProcessedImage::SetStoredSaturation(std::int32_t stored) {
  params.autoLevels = stored > 899;
  params.saturation = params.autoLevels ? stored - kAutoLevelsOffset : stored;
}

CIconParamsList CProcessedImage::Icons() const {
  return ParseIconList(
      params.page, {params.iconImageName, params.iconX, params.iconY, params.iconRotation, params.iconZoom});
}
