#include "tests/ipl/IplTestImage.h"

#include <gtest/gtest.h>

namespace {
int texture(int x, int y, int c) { return (x * 37 + y * 91 + c * 53) % 251; }
}  // namespace

TEST(IplDecimate, HalvingWithLinearInterpolationAveragesBlocks) {
  TestImage src(8, 6, 3), dst(4, 3, 3);
  src.fill(texture);
  iplDecimate(src, dst, 1, 2, 1, 2, IPL_INTER_LINEAR);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      for (int c = 0; c < 3; ++c) {
        const int sum = texture(2 * x, 2 * y, c) + texture(2 * x + 1, 2 * y, c) + texture(2 * x, 2 * y + 1, c) +
                        texture(2 * x + 1, 2 * y + 1, c);
        EXPECT_EQ(dst.at(x, y, c), (sum + 2) / 4) << x << "," << y << "," << c;
      }
}

TEST(IplZoom, NearestNeighbourDoublingReplicatesIntoTheTargetRoi) {
  TestImage src(3, 2, 1), dst(8, 6, 1);
  src.fill(texture);
  dst.setRoi(0, 1, 1, 7, 5);  // room for 6 x 4; the rest stays untouched
  iplZoom(src, dst, 2, 1, 2, 1, IPL_INTER_NN);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.at(1 + x, 1 + y), src.at(x / 2, y / 2));
  EXPECT_EQ(dst.at(7, 1), 0);
  EXPECT_EQ(dst.at(1, 5), 0);
}

TEST(IplResize, CubicKeepsFlatImagesFlatInBothDirections) {
  TestImage src(7, 5, 3), wide(11, 3, 3);
  src.fill([](int, int, int c) { return 40 + 80 * c; });
  iplResize(src, wide, 11, 7, 3, 5, IPL_INTER_CUBIC);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 11; ++x) EXPECT_EQ(wide.at(x, y, 2), 200);
}

TEST(IplDecimate, NamedAlphaChannelIsLeftAloneUnlessCleared) {
  TestImage src(4, 4, 4, 4), dst(2, 2, 4, 4);
  src.fill([](int, int, int c) { return 100 + c; });
  iplDecimate(src, dst, 1, 2, 1, 2, IPL_INTER_LINEAR);
  EXPECT_EQ(dst.at(1, 1, 2), 102);
  EXPECT_EQ(dst.at(1, 1, 3), 0);
  src->alphaChannel = dst->alphaChannel = 0;
  iplDecimate(src, dst, 1, 2, 1, 2, IPL_INTER_LINEAR);
  EXPECT_EQ(dst.at(1, 1, 3), 103);
}

TEST(IplDecimate, CoiScalesOneChannelAndBadFactorsFail) {
  TestImage src(4, 2, 3), dst(2, 1, 3);
  src.fill([](int, int, int c) { return 10 + c; });
  src.setRoi(3, 0, 0, 4, 2);
  iplDecimate(src, dst, 1, 2, 1, 2, IPL_INTER_NN);
  EXPECT_EQ(dst.at(1, 0, 2), 12);
  EXPECT_EQ(dst.at(1, 0, 0), 0);
  ErrorRecorder errors;
  iplDecimate(src, dst, 0, 2, 1, 2, IPL_INTER_NN);
  EXPECT_EQ(iplGetErrStatus(), IPL_StsBadArg);
  iplDecimate(src, dst, 1, 2, 1, 2, 7);
  EXPECT_EQ(iplGetErrStatus(), IPL_StsBadArg);
}
