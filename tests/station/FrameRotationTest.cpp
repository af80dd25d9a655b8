#include "app/station/FrameRotation.h"

#include "pixlib/core/CxImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

// A 40 x 20 frame: black, with a white 6 x 6 block at the centre and one red
// pixel near the left edge of the bottom row.
std::unique_ptr<CxImage> MarkedFrame() {
  auto frame = std::make_unique<CxImage>();
  frame->Create(40, 20, 0, 1, 0, nullptr);
  for (int y = 7; y < 13; ++y) std::memset(frame->GetRowPtr(y) + 3 * 17, 255, 3 * 6);
  frame->GetRowPtr(0)[3 * 2 + 2] = 255;
  return frame;
}

const unsigned char* Pixel(const CxImage& image, int x, int y) { return image.GetRowPtr(y) + 3 * x; }

long Sum(const CxImage& image) {
  long sum = 0;
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < 3 * image.Width(); ++x) sum += image.GetRowPtr(y)[x];
  return sum;
}

TEST(FrameRotationTest, ZeroLeavesTheFrameAlone) {
  auto frame = MarkedFrame();
  const long before = Sum(*frame);
  CxImage* result = RotateFrame(frame.get(), 0);
  EXPECT_EQ(result, frame.get());
  EXPECT_EQ(Sum(*result), before);
}

TEST(FrameRotationTest, QuarterTurnsAreExact) {
  auto frame = MarkedFrame();
  const long before = Sum(*frame);
  std::unique_ptr<CxImage> rotated(RotateFrame(frame.release(), 900));
  EXPECT_EQ(rotated->Width(), 20);
  EXPECT_EQ(rotated->Height(), 40);
  EXPECT_EQ(Sum(*rotated), before);  // no interpolation: every sample survives unchanged

  auto plus = MarkedFrame();
  auto minus = MarkedFrame();
  std::unique_ptr<CxImage> half(RotateFrame(plus.release(), 1800));
  std::unique_ptr<CxImage> minusHalf(RotateFrame(minus.release(), -1800));
  EXPECT_EQ(half->Width(), 40);
  EXPECT_EQ(Pixel(*half, 37, 19)[2], 255);  // the red pixel went to the opposite corner
  for (int y = 0; y < 20; ++y)
    EXPECT_EQ(std::memcmp(half->GetRowPtr(y), minusHalf->GetRowPtr(y), 3 * 40), 0) << "row " << y;
}

TEST(FrameRotationTest, OtherAnglesWarpAboutTheCentre) {
  auto frame = MarkedFrame();
  std::unique_ptr<CxImage> rotated(RotateFrame(frame.release(), -450));
  ASSERT_EQ(rotated->Width(), 40);
  ASSERT_EQ(rotated->Height(), 20);
  // The centre stays white; the corners, turned in from outside the frame, are black.
  EXPECT_GT(Pixel(*rotated, 20, 10)[0], 200);
  EXPECT_EQ(Pixel(*rotated, 0, 0)[0], 0);
  EXPECT_EQ(Pixel(*rotated, 39, 19)[1], 0);
  // The red pixel near the bottom-left corner is gone (turned out of the frame).
  EXPECT_LT(Pixel(*rotated, 2, 0)[2], 50);
}

}  // namespace
