#include "PixlibTestImages.h"

#include <random>

void FillNoise(CxImage& image, unsigned seed) {
  std::mt19937 random(seed);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width() * image.SamplesPerPixel(); ++x)
      image.GetRowPtr(y)[x] = static_cast<unsigned char>(random() % 256);
}

cv::Mat StoredRows(const CxImage& image) {
  return cv::Mat(image.Height(), image.Width(), CV_8UC(image.SamplesPerPixel()), image.GetRowPtr(0),
                 static_cast<size_t>(image.GetRowBytes()));
}

int Sample(const CxImage& image, int x, int y, int c) {
  return image.GetRowPtr(y)[x * image.SamplesPerPixel() + c];
}
