#include "pixlib/codecs/LongerSideScaling.h"

#include <algorithm>

#include "pixlib/core/CxImage.h"

namespace pixcodec {

namespace {
constexpr int kCubic = 2;
}

void LongerSideSize(int width, int height, int size, int& scaledWidth, int& scaledHeight) {
  const long long w = width, h = height;
  scaledWidth = w > h ? size : static_cast<int>(std::max(1LL, size * w / h));
  scaledHeight = w > h ? static_cast<int>(std::max(1LL, size * h / w)) : size;
}

int ScaleToLongerSide(CxImage& source, CxImage& target, int size) {
  const int w = source.Width(), h = source.Height();
  if (w <= 0 || h <= 0) return 0;
  int tw = 0, th = 0;
  LongerSideSize(w, h, size, tw, th);
  if (target.Create(tw, th, source.HasAlphaChannel() != 0 ? 1 : 0) == 0) return 0;
  return source.Resize(target, kCubic);
}

}  // namespace pixcodec
