#include "tests/ipl/IplTestImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

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
        const int sum = texture(2 * x, 2 * y, c) + texture(2 * x + 1, 2 * y, c) +
                        texture(2 * x, 2 * y + 1, c) + texture(2 * x + 1, 2 * y + 1, c);
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

namespace {

// Cubic convolution weight (a = -0.75) at distance t.
double cubicWeight(double t) {
  const double a = -0.75;
  t = std::abs(t);
  if (t < 1) return (a + 2) * t * t * t - (a + 3) * t * t + 1;
  if (t < 2) return a * t * t * t - 5 * a * t * t + 8 * a * t - 4 * a;
  return 0;
}

// Halving by cubic interpolation computed directly: target pixel x samples
// the source at 2x + 0.5 (pixel centres), edge pixels repeating.
int cubicHalf(const std::function<int(int, int)>& sample, int width, int height, int x, int y) {
  double sum = 0;
  for (int j = -1; j <= 2; ++j)
    for (int i = -1; i <= 2; ++i) {
      const int sx = std::clamp(2 * x + i, 0, width - 1), sy = std::clamp(2 * y + j, 0, height - 1);
      sum += cubicWeight(i - 0.5) * cubicWeight(j - 0.5) * sample(sx, sy);
    }
  return static_cast<int>(std::clamp(std::lround(sum), 0L, 255L));
}

}  // namespace

TEST(IplDecimate, CubicHalvingMatchesADirectComputation) {
  const auto smooth = [](int x, int y) {
    return static_cast<int>(128 + 100 * std::sin(x * 0.3) * std::cos(y * 0.2));
  };
  TestImage src(20, 14, 1), dst(10, 7, 1);
  src.fill([&](int x, int y, int) { return smooth(x, y); });
  iplDecimate(src, dst, 1, 2, 1, 2, IPL_INTER_CUBIC);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_NEAR(dst.at(x, y), cubicHalf(smooth, 20, 14, x, y), 1) << x << "," << y;
}
