#include "tests/color/SceneImage.h"

#include "pylon/sim/SimScene.h"

#include <cstring>
#include <string>

void RenderScene(CxImage& image, int width, int height) {
  image.Create(width, height);
  Pylon::SFrameGeometry geometry;
  geometry.width = uint32_t(width);
  geometry.height = uint32_t(height);
  geometry.paddingX = uint32_t(image.GetRowBytes() - 3 * width);
  Pylon::CSimScene(uint32_t(width), uint32_t(height))
      .Render(Pylon::PixelType_BGR8packed, geometry, Pylon::SExposure{}, image.GetRowPtr(0));
}

SPixelRect ScenePatch(const char* name, int width, int height) {
  for (const Pylon::SScenePatch& patch : Pylon::CSimScene::Patches()) {
    if (std::string(patch.name) == name) {
      // One pixel inside the patch's edges, clear of any blending.
      const int left = int(patch.left * width) + 1, top = int(patch.top * height) + 1;
      return {left, top, int(patch.right * width) - 1 - left, int(patch.bottom * height) - 1 - top};
    }
  }
  return {0, 0, 0, 0};
}

void FillPixels(CxImage& image, const std::function<void(int, int, unsigned char*)>& pixel) {
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) pixel(x, y, image.GetRowPtr(y) + x * image.SamplesPerPixel());
}

double MeanOf(const CxImage& image, const SPixelRect& rect, int channel) {
  double sum = 0.0;
  for (int y = rect.y; y < rect.y + rect.height; ++y)
    for (int x = rect.x; x < rect.x + rect.width; ++x)
      sum += image.GetRowPtr(y)[x * image.SamplesPerPixel() + channel];
  return sum / (double(rect.width) * rect.height);
}
