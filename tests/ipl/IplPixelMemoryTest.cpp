#include <gtest/gtest.h>

#include <cstring>

#include "ipl/Ipl.h"

namespace {

IplImage* Frame(int width, int height) {
  IplImage* image =
      iplCreateImageHeader(3, 0, IPL_DEPTH_8U, "RGB", "BGR", IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_BL,
                           IPL_ALIGN_DWORD, width, height, nullptr, nullptr, nullptr, nullptr);
  if (image) iplAllocateImage(image, 0, 0);
  return image;
}

}  // namespace

// Camera frames are allocated and freed once per frame: a freed frame's memory
// serves the next frame of the same size, and never one of another size.
TEST(IplPixelMemory, AFreedFrameServesTheNextFrameOfTheSameSizeOnly) {
  IplImage* first = Frame(2448, 2048);
  ASSERT_TRUE(first && first->imageData);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(first->imageData) % 32, 0u);
  std::memset(first->imageData, 0x5A, static_cast<size_t>(first->imageSize));
  const char* firstPixels = first->imageData;
  iplDeallocate(first, IPL_IMAGE_ALL);

  IplImage* wider = Frame(2592, 2048);
  ASSERT_TRUE(wider && wider->imageData);
  EXPECT_NE(wider->imageData, firstPixels);
  std::memset(wider->imageData, 0, static_cast<size_t>(wider->imageSize));  // all of it is usable

  IplImage* second = Frame(2448, 2048);
  ASSERT_TRUE(second && second->imageData);
#if !defined(__SANITIZE_ADDRESS__)  // there every block is freed at once
  EXPECT_EQ(second->imageData, firstPixels);
#endif
  iplDeallocate(second, IPL_IMAGE_ALL);
  iplDeallocate(wider, IPL_IMAGE_ALL);
}

// Small images are plain blocks: their pixels start where the block starts,
// whatever the pixels hold.
TEST(IplPixelMemory, SmallImagesArePlainBlocks) {
  IplImage* icon = Frame(16, 16);
  ASSERT_TRUE(icon && icon->imageData);
  EXPECT_EQ(icon->imageData, icon->imageDataOrigin);
  std::memcpy(icon->imageData, "PixBlock", 8);
  iplDeallocate(icon, IPL_IMAGE_ALL);
}
