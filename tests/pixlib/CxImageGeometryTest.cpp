#include "ipl/Ipl.h"
#include "pixlib/core/CxImage.h"

#include <gtest/gtest.h>

namespace {

// Every sample encodes its position and channel.
int code(int x, int y, int c) { return (x * 7 + y * 31 + c * 64) % 256; }

void paint(CxImage& img) {
  for (int y = 0; y < img.Height(); ++y)
    for (int x = 0; x < img.Width(); ++x)
      for (int c = 0; c < img.SamplesPerPixel(); ++c)
        img.GetRowPtr(y)[x * img.SamplesPerPixel() + c] = static_cast<unsigned char>(code(x, y, c));
}

int at(const CxImage& img, int x, int y, int c) { return img.GetRowPtr(y)[x * img.SamplesPerPixel() + c]; }

}  // namespace

TEST(CxImageRotate, QuarterTurnsInPlaceMoveEveryPixel) {
  for (int alpha : {0, 1}) {
    CxImage img;
    img.Create(5, 3, alpha);
    paint(img);
    ASSERT_EQ(img.Rotate90(90), 1);
    ASSERT_EQ(img.Width(), 3);
    ASSERT_EQ(img.Height(), 5);
    EXPECT_EQ(img.HasAlphaChannel(), alpha ? 4 : 0);
    EXPECT_FLOAT_EQ(img.FWidth(), 0.6f);
    EXPECT_EQ(static_cast<IplImage*>(img)->roi->width, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x)
        for (int c = 0; c < img.SamplesPerPixel(); ++c) EXPECT_EQ(at(img, y, 4 - x, c), code(x, y, c));
    ASSERT_EQ(img.Rotate90(-90), 1);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(at(img, x, y, 0), code(x, y, 0));
  }
}

TEST(CxImageRotate, HalfTurnOtherAnglesAndTargets) {
  CxImage img;
  img.Create(4, 2);
  paint(img);
  EXPECT_EQ(img.Rotate90(45), 0);
  EXPECT_EQ(at(img, 1, 0, 0), code(1, 0, 0));
  ASSERT_EQ(img.Rotate90(180), 1);
  EXPECT_EQ(at(img, 0, 0, 1), code(3, 1, 1));
  EXPECT_EQ(at(img, 3, 0, 2), code(0, 1, 2));

  CxImage target;
  ASSERT_EQ(img.Rotate90(target, -90), 1);
  EXPECT_EQ(target.Width(), 2);
  EXPECT_EQ(target.Height(), 4);
  // x' = 1 - y, y' = x
  EXPECT_EQ(at(target, 1, 3, 0), at(img, 3, 0, 0));
  EXPECT_EQ(at(img, 0, 0, 1), code(3, 1, 1));  // the source is unchanged
}

TEST(CxImageMirror, EachAxis) {
  CxImage img;
  img.Create(3, 2);
  paint(img);
  ASSERT_EQ(img.Mirror(1), 1);
  EXPECT_EQ(at(img, 0, 1, 2), code(2, 1, 2));
  ASSERT_EQ(img.Mirror(0), 1);
  EXPECT_EQ(at(img, 0, 0, 2), code(2, 1, 2));
  ASSERT_EQ(img.Mirror(-1), 1);
  EXPECT_EQ(at(img, 2, 1, 0), code(2, 1, 0));
  EXPECT_EQ(img.Mirror(2), 0);
}

TEST(CxImageResize, HalvingAveragesBlocksIncludingAlpha) {
  CxImage src, dst;
  src.Create(8, 6, 1);
  dst.Create(4, 3, 1);
  paint(src);
  src.SetROI(0, 1, 1, 2, 2);  // Resize works on whole images
  ASSERT_EQ(src.Resize(dst, IPL_INTER_LINEAR), 1);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      for (int c = 0; c < 4; ++c) {
        const int sum = code(2 * x, 2 * y, c) + code(2 * x + 1, 2 * y, c) + code(2 * x, 2 * y + 1, c) +
                        code(2 * x + 1, 2 * y + 1, c);
        EXPECT_EQ(at(dst, x, y, c), (sum + 2) / 4);
      }
  EXPECT_EQ(src.HasAlphaChannel(), 4);
  EXPECT_EQ(dst.HasAlphaChannel(), 4);
}

TEST(CxImageResize, GrowingAndMixedDirections) {
  CxImage src, big, tall;
  src.Create(3, 2);
  paint(src);
  big.Create(6, 4);
  ASSERT_EQ(src.Resize(big, IPL_INTER_NN), 1);
  EXPECT_EQ(at(big, 5, 3, 1), code(2, 1, 1));
  tall.Create(3, 4);
  tall.SetROI(0, 0, 0, 1, 1);
  ASSERT_EQ(src.Resize(tall, IPL_INTER_NN), 1);
  EXPECT_EQ(at(tall, 2, 3, 0), code(2, 1, 0));
  EXPECT_EQ(at(tall, 1, 0, 0), code(1, 0, 0));
  CxImage empty;
  EXPECT_EQ(src.Resize(empty, IPL_INTER_CUBIC), 0);
}

TEST(CxImageCopy, FloatRectanglesMapOntoPixels) {
  CxImage src, dst;
  src.Create(100, 100);
  dst.Create(100, 100);
  paint(src);
  ASSERT_EQ(src.Copy(CFRect(0.25f, 0.5f, 0.5f, 0.25f), CFRect(0.5f, 0.875f, 0.75f, 0.625f), dst), 1);
  EXPECT_EQ(at(dst, 50, 62, 0), code(25, 25, 0));
  EXPECT_EQ(at(dst, 74, 86, 2), code(49, 49, 2));
  EXPECT_EQ(at(dst, 75, 86, 2), 0);
  EXPECT_EQ(at(dst, 49, 62, 2), 0);
}

TEST(CxImageCopy, SourceClippedAndCutCarriedToTarget) {
  CxImage src, dst;
  src.Create(100, 100);
  dst.Create(100, 100);
  paint(src);
  // Half of the source lies left of the image: the target's left half stays empty.
  ASSERT_EQ(src.Copy(CFRect(-0.25f, 0.5f, 0.25f, 0.0f), CFRect(0.0f, 0.5f, 0.5f, 0.0f), dst), 1);
  EXPECT_EQ(at(dst, 24, 10, 0), 0);
  EXPECT_EQ(at(dst, 25, 10, 0), code(0, 10, 0));
  EXPECT_EQ(at(dst, 49, 49, 1), code(24, 49, 1));
}

TEST(CxImageCopy, ToAPointAtAScale) {
  CxImage src, dst;
  src.Create(100, 100);
  dst.Create(200, 200);
  src.Set(90);
  ASSERT_EQ(src.Copy(CFRect(0.25f, 0.5f, 0.5f, 0.25f), CFPoint(0.5f, 0.25f), 2.0f, dst), 1);
  CRect r;
  dst.GetROI(r);
  EXPECT_EQ(r, (CRect{100, 50, 200, 150}));
  EXPECT_EQ(at(dst, 150, 100, 0), 90);
  EXPECT_EQ(at(dst, 99, 100, 0), 0);
  EXPECT_FLOAT_EQ(src.CalcScale(dst), 2.0f);
}
