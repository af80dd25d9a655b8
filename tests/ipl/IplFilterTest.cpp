#include "tests/ipl/IplTestImage.h"

#include <gtest/gtest.h>

TEST(IplBlur, BoxAverageWithAnchorAndRepeatedEdges) {
  TestImage src(5, 1, 1), dst(5, 1, 1);
  src.fill([](int x, int, int) { return x == 2 ? 90 : 0; });
  iplBlur(src, dst, 3, 1, 1, 0);
  EXPECT_EQ(dst.at(1, 0), 30);
  EXPECT_EQ(dst.at(2, 0), 30);
  EXPECT_EQ(dst.at(3, 0), 30);
  EXPECT_EQ(dst.at(0, 0), 0);
  src.fill([](int x, int, int) { return x == 0 ? 90 : 0; });
  iplBlur(src, dst, 3, 1, 1, 0);
  EXPECT_EQ(dst.at(0, 0), 60);  // the edge pixel counts twice
}

TEST(IplConvolve2D, ShiftedKernelsCombine) {
  TestImage src(3, 3, 1), dst(3, 3, 1);
  src.fill([](int x, int y, int) { return 10 * x + y; });
  int right[3] = {0, 0, 4};  // picks the right neighbour, times 4, shifted by 2
  int left[3] = {4, 0, 0};
  IplConvKernel* kr = iplCreateConvKernel(3, 1, 1, 0, right, 2);
  IplConvKernel* kl = iplCreateConvKernel(3, 1, 1, 0, left, 2);
  ASSERT_TRUE(kr && kl);
  IplConvKernel* both[2] = {kr, kl};
  iplConvolve2D(src, dst, both, 1, IPL_SUM);
  EXPECT_EQ(dst.at(0, 1), 11);
  EXPECT_EQ(dst.at(2, 1), 21);  // beyond the edge the edge repeats
  iplConvolve2D(src, dst, both, 2, IPL_MAX);
  EXPECT_EQ(dst.at(1, 2), 22);
  iplConvolve2D(src, dst, both, 2, IPL_SUM);
  EXPECT_EQ(dst.at(1, 0), 20);
  iplDeleteConvKernel(kr);
  iplDeleteConvKernel(kl);
}

TEST(IplConvolveSep2D, RowThenColumn) {
  TestImage src(3, 3, 1), dst(3, 3, 1);
  src.fill([](int x, int y, int) { return x == 1 && y == 1 ? 64 : 0; });
  int row[3] = {1, 2, 1}, column[3] = {1, 2, 1};
  IplConvKernel* kx = iplCreateConvKernel(3, 1, 1, 0, row, 2);
  IplConvKernel* ky = iplCreateConvKernel(1, 3, 0, 1, column, 2);
  iplConvolveSep2D(src, dst, kx, ky);
  EXPECT_EQ(dst.at(1, 1), 16);
  EXPECT_EQ(dst.at(0, 1), 8);
  EXPECT_EQ(dst.at(0, 0), 4);
  iplDeleteConvKernel(kx);
  iplDeleteConvKernel(ky);
}

TEST(IplSubtract, SaturatesAtZero) {
  TestImage a(2, 1, 3), b(2, 1, 3), d(2, 1, 3);
  a.fill([](int x, int, int) { return 50 + x * 100; });
  b.fill([](int, int, int) { return 100; });
  iplSubtract(a, b, d);
  EXPECT_EQ(d.at(0, 0, 1), 0);
  EXPECT_EQ(d.at(1, 0, 2), 50);
}

TEST(IplSpatialMoment, WeightsByRoiRelativeCoordinatesOfTheCoi) {
  TestImage img(4, 4, 3);
  img.at(3, 2, 1) = 5;
  img.at(3, 2, 0) = 9;
  img.setRoi(2, 1, 1, 3, 3);
  EXPECT_DOUBLE_EQ(iplSpatialMoment(img, 0, 0), 5);
  EXPECT_DOUBLE_EQ(iplSpatialMoment(img, 1, 0), 10);  // x = 2 inside the ROI
  EXPECT_DOUBLE_EQ(iplSpatialMoment(img, 1, 2), 10);  // y = 1
}
