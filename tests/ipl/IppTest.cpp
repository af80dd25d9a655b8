#include "ipl/Ipp.h"

#include <gtest/gtest.h>

#include <vector>

TEST(IppCbYCr422, PairsShareChromaAndOrdersDiffer) {
  // Two pixels: black (Y 16) and white (Y 235), neutral chroma; then a red pixel pair.
  const Ipp8u src[8] = {128, 16, 128, 235, 90, 81, 240, 81};
  Ipp8u rgb[12] = {};
  ASSERT_EQ(ippiCbYCr422ToRGB_8u_C2C3R(src, 8, rgb, 12, {4, 1}), ippStsNoErr);
  EXPECT_EQ(rgb[0], 0);
  EXPECT_EQ(rgb[3], 255);
  EXPECT_EQ(rgb[4], 255);
  EXPECT_GT(rgb[6], 240);  // R
  EXPECT_LT(rgb[7], 10);   // G
  Ipp8u bgra[16] = {};
  ASSERT_EQ(ippiCbYCr422ToBGR_8u_C2C4R(src, 8, bgra, 16, {4, 1}, 255), ippStsNoErr);
  EXPECT_EQ(bgra[8 + 2], rgb[6]);
  EXPECT_EQ(bgra[8 + 0], rgb[8]);
  EXPECT_EQ(bgra[15], 255);
}

TEST(IppYUV, GreyStaysGreyAndAlphaIsNotWritten) {
  const Ipp8u yuv[8] = {100, 128, 128, 7, 50, 128, 128, 9};
  Ipp8u out[8] = {0, 0, 0, 77, 0, 0, 0, 88};
  ASSERT_EQ(ippiYUVToRGB_8u_AC4R(yuv, 8, out, 8, {2, 1}), ippStsNoErr);
  EXPECT_EQ(out[0], 100);
  EXPECT_EQ(out[2], 100);
  EXPECT_EQ(out[3], 77);
  EXPECT_EQ(out[6], 50);
  Ipp8u rgb[3];
  const Ipp8u blue[3] = {100, 228, 128};
  ASSERT_EQ(ippiYUVToRGB_8u_C3R(blue, 3, rgb, 3, {1, 1}), ippStsNoErr);
  EXPECT_GT(rgb[2], 250);
}

TEST(IppChannels, SwapCopyIntoChannelAndDropAlpha) {
  Ipp8u px[6] = {1, 2, 3, 4, 5, 6};
  const int order[3] = {2, 1, 0};
  ASSERT_EQ(ippiSwapChannels_8u_C3IR(px, 6, {2, 1}, order), ippStsNoErr);
  EXPECT_EQ(px[0], 3);
  EXPECT_EQ(px[5], 4);
  const Ipp8u grey[2] = {9, 8};
  Ipp8u three[6] = {};
  ASSERT_EQ(ippiCopy_8u_C1C3R(grey, 2, three + 1, 6, {2, 1}), ippStsNoErr);
  EXPECT_EQ(three[1], 9);
  EXPECT_EQ(three[4], 8);
  EXPECT_EQ(three[0], 0);
  EXPECT_EQ(three[2], 0);
  Ipp8u four[4] = {};
  ASSERT_EQ(ippiCopy_8u_C1C4R(grey, 2, four + 3, 4, {1, 1}), ippStsNoErr);
  EXPECT_EQ(four[3], 9);
  const Ipp8u bgra[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  Ipp8u bgr[6] = {};
  ASSERT_EQ(ippiCopy_8u_AC4C3R(bgra, 8, bgr, 6, {2, 1}), ippStsNoErr);
  EXPECT_EQ(bgr[3], 5);
  EXPECT_EQ(bgr[5], 7);
  EXPECT_EQ(ippiCopy_8u_AC4C3R(nullptr, 8, bgr, 6, {2, 1}), ippStsNullPtrErr);
}

TEST(IppMirror, EachAxis) {
  std::vector<Ipp8u> img = {1, 2, 3, 0, 4, 5, 6, 0};  // 3 x 2, step 4
  ASSERT_EQ(ippiMirror_8u_C1IR(img.data(), 4, {3, 2}, ippAxsHorizontal), ippStsNoErr);
  EXPECT_EQ(img[0], 4);
  EXPECT_EQ(img[3], 0);  // padding untouched
  ASSERT_EQ(ippiMirror_8u_C1IR(img.data(), 4, {3, 2}, ippAxsVertical), ippStsNoErr);
  EXPECT_EQ(img[0], 6);
  ASSERT_EQ(ippiMirror_8u_C1IR(img.data(), 4, {3, 2}, ippAxsBoth), ippStsNoErr);
  EXPECT_EQ(img[0], 1);
  EXPECT_EQ(ippiMirror_8u_C1IR(img.data(), 2, {3, 2}, ippAxsBoth), ippStsStepErr);
}
