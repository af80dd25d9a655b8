#include "tests/ipl/IplTestImage.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>

namespace {

// A direct 256-entry table: keys 0..256, values[i] for sample i.
struct DirectLut {
  std::array<int, 257> keys{};
  std::array<int, 257> values{};
  IplLUT lut{257, keys.data(), values.data(), nullptr, IPL_LUT_LOOKUP};
  DirectLut() { std::iota(keys.begin(), keys.end(), 0); }
};

}  // namespace

TEST(IplColorTwist, FixedPointMatrixWithTranslation) {
  TestImage src(2, 1, 4, 4), dst(2, 1, 4, 4);
  src.fill([](int x, int, int c) { return 10 * (c + 1) + x; });  // B 10 G 20 R 30 A 40
  const int one = 1 << 24;
  // Channel 0 <- channel 2, channel 1 <- half of channel 1 plus 5, channel 2 <- channel 0.
  int m[16] = {0, 0, one, 0, 0, one / 2, 0, 5 * one, one, 0, 0, 0, 0, 0, 0, one};
  IplColorTwist* twist = iplCreateColorTwist(m, 24);
  ASSERT_NE(twist, nullptr);
  iplApplyColorTwist(src, dst, twist, 0);
  iplDeleteColorTwist(twist);
  EXPECT_EQ(dst.at(0, 0, 0), 30);
  EXPECT_EQ(dst.at(0, 0, 1), 15);
  EXPECT_EQ(dst.at(1, 0, 2), 11);
  EXPECT_EQ(dst.at(1, 0, 3), 41);  // the fourth channel passes through
}

TEST(IplContrastStretch, MapsColourChannelsWithinCoiAndRoi) {
  TestImage img(3, 1, 4, 4);
  img.fill([](int x, int, int c) { return 50 * c + x; });
  DirectLut invert, keep;
  for (int i = 0; i < 256; ++i) invert.values[i] = 255 - i, keep.values[i] = i;
  IplLUT* luts[3] = {&invert.lut, &keep.lut, &invert.lut};
  img.setRoi(0, 1, 0, 2, 1);
  iplContrastStretch(img, img, luts);
  EXPECT_EQ(img.at(0, 0, 0), 0);  // outside the ROI
  EXPECT_EQ(img.at(1, 0, 0), 254);
  EXPECT_EQ(img.at(1, 0, 1), 51);
  EXPECT_EQ(img.at(2, 0, 2), 255 - 102);
  EXPECT_EQ(img.at(2, 0, 3), 152);  // alpha untouched
  img.setRoi(2, 0, 0, 3, 1);
  IplLUT* single[1] = {&invert.lut};
  iplContrastStretch(img, img, single);
  EXPECT_EQ(img.at(0, 0, 1), 205);
  EXPECT_EQ(img.at(0, 0, 0), 0);
}

TEST(IplComputeHisto, CountsRoiSamplesIntoKeyIntervals) {
  TestImage img(4, 2, 3);
  img.fill([](int x, int y, int c) { return c == 0 ? x * 100 : y; });
  img.setRoi(0, 0, 0, 3, 2);
  int keys[3][3] = {{0, 100, 256}, {0, 1, 256}, {0, 128, 256}};
  int values[3][2] = {};
  IplLUT l0{3, keys[0], values[0], nullptr, 0}, l1{3, keys[1], values[1], nullptr, 0},
      l2{3, keys[2], values[2], nullptr, 0};
  IplLUT* luts[3] = {&l0, &l1, &l2};
  iplComputeHisto(img, luts);
  EXPECT_EQ(values[0][0], 2);  // x = 0 in both rows
  EXPECT_EQ(values[0][1], 4);
  EXPECT_EQ(values[1][0], 3);
  EXPECT_EQ(values[1][1], 3);
  EXPECT_EQ(values[2][0], 6);
}

TEST(IplYCrCb, RoundTripAndGreyHasNoColourDifference) {
  TestImage rgb(16, 1, 3), ycc(16, 1, 3), back(16, 1, 3);
  rgb.fill([](int x, int, int c) { return c == 0 ? 16 * x : c == 1 ? 200 - 7 * x : 3 * x + 40; });
  rgb.at(0, 0, 0) = rgb.at(0, 0, 1) = rgb.at(0, 0, 2) = 90;
  iplRGB2YCrCb(rgb, ycc);
  EXPECT_EQ(ycc.at(0, 0, 0), 90);
  EXPECT_EQ(ycc.at(0, 0, 1), 128);
  EXPECT_EQ(ycc.at(0, 0, 2), 128);
  iplYCrCb2RGB(ycc, back);
  for (int x = 0; x < 16; ++x)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(back.at(x, 0, c), rgb.at(x, 0, c), 2);
}

TEST(IplAlphaComposite, OverWithPremultipliedColours) {
  TestImage a(1, 1, 4, 4), b(1, 1, 4, 4), out(1, 1, 4, 4);
  a.fill([](int, int, int c) { return c == 3 ? 128 : 64; });  // half-covering, premultiplied
  b.fill([](int, int, int c) { return c == 3 ? 255 : 200; });
  iplAlphaComposite(a, b, out, IPL_COMPOSITE_OVER, nullptr, nullptr, nullptr, 1, 0);
  // 64 + 200 * (255 - 128) / 255 = 64 + 99.6
  EXPECT_EQ(out.at(0, 0, 0), 164);
  EXPECT_EQ(out.at(0, 0, 3), 255);
  iplAlphaComposite(a, b, out, IPL_COMPOSITE_OVER, nullptr, nullptr, nullptr, 0, 0);
  // Not premultiplied: 64 * 128 / 255 + 100 = 32 + 100
  EXPECT_EQ(out.at(0, 0, 0), 132);
}

TEST(IplPreMultiplyAlpha, OwnAlphaOrConstant) {
  TestImage img(1, 1, 4, 4);
  img.fill([](int, int, int c) { return c == 3 ? 51 : 200; });
  iplPreMultiplyAlpha(img, -1);
  EXPECT_EQ(img.at(0, 0, 0), 40);
  EXPECT_EQ(img.at(0, 0, 3), 51);
  iplPreMultiplyAlpha(img, 0);
  EXPECT_EQ(img.at(0, 0, 1), 0);
  EXPECT_EQ(img.at(0, 0, 3), 0);
}
