#include "tests/ipl/IplTestImage.h"

#include <gtest/gtest.h>

TEST(IplMirror, AllAxesInPlaceAndInto) {
  TestImage img(3, 2, 1);
  img.fill([](int x, int y, int) { return 1 + x + 3 * y; });  // 1 2 3 / 4 5 6
  iplMirror(img, img, 1);
  EXPECT_EQ(img.at(0, 0), 3);
  EXPECT_EQ(img.at(2, 1), 4);
  iplMirror(img, img, 0);
  EXPECT_EQ(img.at(0, 0), 6);
  EXPECT_EQ(img.at(2, 0), 4);
  TestImage out(3, 2, 1);
  iplMirror(img, out, -1);
  EXPECT_EQ(out.at(0, 0), 1);
  EXPECT_EQ(out.at(2, 1), 6);
}

TEST(IplMirror, CoiFlipsOneChannelOnly) {
  TestImage img(2, 1, 3);
  img.fill([](int x, int, int c) { return 10 * c + x; });
  img.setRoi(2, 0, 0, 2, 1);
  iplMirror(img, img, 1);
  EXPECT_EQ(img.at(0, 0, 1), 11);
  EXPECT_EQ(img.at(0, 0, 0), 0);
  EXPECT_EQ(img.at(0, 0, 2), 20);
}

TEST(IplRotate, QuarterTurnsWithShiftAreExact) {
  for (int origin : {IPL_ORIGIN_TL, IPL_ORIGIN_BL}) {
    TestImage src(3, 2, 3, 0, origin), dst(2, 3, 3, 0, origin);
    src.fill([](int x, int y, int c) { return 1 + x + 3 * y + 50 * c; });
    // x' = y, y' = 2 - x.
    iplRotate(src, dst, 90, 0, 2, IPL_INTER_NN);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.at(y, 2 - x, 2), src.at(x, y, 2));
    TestImage back(3, 2, 3, 0, origin);
    // x' = 2 - y, y' = x.
    iplRotate(dst, back, -90, 2, 0, IPL_INTER_NN);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(back.at(x, y, 0), src.at(x, y, 0));
  }
}

TEST(IplWarpAffine, TranslationUsesImageCoordinatesAndKeepsUnmappedPixels) {
  TestImage src(4, 4, 1), dst(6, 6, 1);
  src.fill([](int x, int y, int) { return 1 + x + 4 * y; });
  dst.fill([](int, int, int) { return 200; });
  src.setRoi(0, 1, 1, 2, 2);
  const double shift[2][3] = {{1, 0, 2}, {0, 1, 1}};
  iplWarpAffine(src, dst, shift, IPL_INTER_NN);
  EXPECT_EQ(dst.at(3, 2), src.at(1, 1));
  EXPECT_EQ(dst.at(4, 3), src.at(2, 2));
  EXPECT_EQ(dst.at(2, 2), 200);
  EXPECT_EQ(dst.at(5, 4), 200);
}

TEST(IplGetAffineBound, CoversTheTransformedRoi) {
  TestImage img(10, 4, 1);
  img.setRoi(0, 2, 0, 4, 4);
  const double swap[2][3] = {{0, 1, 0}, {-1, 0, 20}};
  double rect[2][2];
  iplGetAffineBound(img, swap, rect);
  EXPECT_DOUBLE_EQ(rect[0][0], 0);
  EXPECT_DOUBLE_EQ(rect[1][0], 4);
  EXPECT_DOUBLE_EQ(rect[0][1], 14);
  EXPECT_DOUBLE_EQ(rect[1][1], 18);
}
