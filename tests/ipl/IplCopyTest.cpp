#include "tests/ipl/IplTestImage.h"

#include <gtest/gtest.h>

TEST(IplCopy, CopiesRoiToRoiAndLeavesTheRest) {
  TestImage src(4, 4, 3), dst(5, 5, 3);
  src.fill([](int x, int y, int c) { return 1 + x + 4 * y + 100 * c; });
  src.setRoi(0, 1, 2, 2, 2);
  dst.setRoi(0, 3, 0, 2, 2);
  iplCopy(src, dst);
  EXPECT_EQ(dst.at(3, 0, 0), src.at(1, 2, 0));
  EXPECT_EQ(dst.at(4, 1, 2), src.at(2, 3, 2));
  EXPECT_EQ(dst.at(2, 0, 0), 0);
  EXPECT_EQ(dst.at(3, 2, 0), 0);
}

TEST(IplCopy, CoiCopiesOneChannel) {
  TestImage src(2, 2, 4), dst(2, 2, 4);
  src.fill([](int, int, int c) { return 10 + c; });
  src.setRoi(4, 0, 0, 2, 2);
  dst.setRoi(4, 0, 0, 2, 2);
  iplCopy(src, dst);
  EXPECT_EQ(dst.at(1, 1, 3), 13);
  EXPECT_EQ(dst.at(1, 1, 0), 0);
  EXPECT_EQ(dst.at(1, 1, 2), 0);
}

TEST(IplSet, FillsWithinRoiAndCoi) {
  TestImage img(4, 3, 3);
  img.setRoi(2, 1, 1, 2, 1);
  iplSet(img, 300);  // saturates to the depth
  EXPECT_EQ(img.at(1, 1, 1), 255);
  EXPECT_EQ(img.at(2, 1, 1), 255);
  EXPECT_EQ(img.at(1, 1, 0), 0);
  EXPECT_EQ(img.at(3, 1, 1), 0);
  EXPECT_EQ(img.at(1, 0, 1), 0);
}

TEST(IplCopy, RoiOutsideTheImageIsRefused) {
  ErrorRecorder errors;
  TestImage src(4, 4, 1), dst(4, 4, 1);
  src.setRoi(0, 3, 3, 2, 2);
  iplCopy(src, dst);
  EXPECT_EQ(iplGetErrStatus(), IPL_BadROISize);
}
