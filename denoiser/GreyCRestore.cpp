#include "denoiser/GreyCRestore.h"

#define cimg_display 0
#define cimg_verbosity 0
#include <CImg.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

bool usable(const IplImage* image) {
  return image && image->imageData && image->depth == IPL_DEPTH_8U && image->nChannels >= 3 &&
         image->dataOrder == IPL_DATA_ORDER_PIXEL && image->width > 0 && image->height > 0;
}

// The first three channels as planes.
cimg_library::CImg<float> planesOf(const IplImage* image) {
  cimg_library::CImg<float> planes(image->width, image->height, 1, 3);
  for (int y = 0; y < image->height; ++y) {
    const auto* row = reinterpret_cast<const unsigned char*>(image->imageData) + size_t(y) * image->widthStep;
    for (int x = 0; x < image->width; ++x)
      for (int c = 0; c < 3; ++c) planes(x, y, 0, c) = row[x * image->nChannels + c];
  }
  return planes;
}

void writePlanes(const cimg_library::CImg<float>& planes, const IplImage* input, IplImage* output) {
  for (int y = 0; y < output->height; ++y) {
    auto* row = reinterpret_cast<unsigned char*>(output->imageData) + size_t(y) * output->widthStep;
    const auto* from =
        reinterpret_cast<const unsigned char*>(input->imageData) + size_t(y) * input->widthStep;
    for (int x = 0; x < output->width; ++x) {
      for (int c = 0; c < 3; ++c)
        row[x * output->nChannels + c] =
            static_cast<unsigned char>(std::clamp(std::lround(planes(x, y, 0, c)), 0L, 255L));
      if (output->nChannels == 4 && input != output) row[x * 4 + 3] = from[x * 4 + 3];
    }
  }
}

}  // namespace

extern "C" int GreyCRestore(IplImage* input, IplImage* output, float amplitude, float sharpness,
                            float anisotropy, float alpha, float sigma, int, int) {
  if (!usable(input) || !usable(output) || input->width != output->width || input->height != output->height ||
      input->nChannels != output->nChannels)
    return 0;
  for (float parameter : {amplitude, sharpness, anisotropy, alpha, sigma})
    if (!std::isfinite(parameter)) return 0;
  try {
    cimg_library::CImg<float> planes = planesOf(input);
    if (amplitude > 0.0f)
      planes.blur_anisotropic(amplitude, sharpness, std::clamp(anisotropy, 0.0f, 1.0f), alpha, sigma);
    writePlanes(planes, input, output);
    return 1;
  } catch (...) {
    return 0;
  }
}
