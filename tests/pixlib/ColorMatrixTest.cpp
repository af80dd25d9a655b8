#include "pixlib/core/ColorMatrix.h"
#include "pixlib/core/CxImage.h"
#include "pixlib/core/Lut.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace {

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void expectMatrixNear(const float* actual, const float* expected, float tolerance) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "entry " << i;
}

// B, G, R of a pixel through a matrix, in floating point.
void transformPixel(const float* m, const float bgr[3], float out[3]) {
  const float v[4] = {bgr[0], bgr[1], bgr[2], 1.0f};
  float r[4];
  Mult4X1(m, v, r);
  std::memcpy(out, r, 3 * sizeof(float));
}

// A picture with every channel varying: B = x, G = y, R = x + y (mod 256).
void fillGradient(CxImage& image) {
  for (int y = 0; y < image.Height(); ++y) {
    unsigned char* row = image.GetRowPtr(y);
    for (int x = 0; x < image.Width(); ++x) {
      unsigned char* p = row + x * image.SamplesPerPixel();
      p[0] = static_cast<unsigned char>(x * 7);
      p[1] = static_cast<unsigned char>(y * 3);
      p[2] = static_cast<unsigned char>(x + y);
      if (image.SamplesPerPixel() == 4) p[3] = static_cast<unsigned char>(x ^ y);
    }
  }
}

// The transformer's chain with one factor matrix in the middle.
void chainWith(const std::function<void(float*)>& middle, float* out) {
  float factor[16];
  middle(factor);
  Mult4(rgbrgb8, yccrgb, out);
  Concat4(out, factor);
  Concat4(out, rgbycc);
  Concat4(out, rgb8rgb);
}

}  // namespace

TEST(ColorMatrix, FactorMatricesAtOneAreTheIdentity) {
  float m[16];
  for (auto build : {BrightnessMatrix, SaturationMatrix, RedMatrix, GreenMatrix, BlueMatrix}) {
    build(1.0f, m);
    expectMatrixNear(m, kIdentity, 0.0f);
  }
  BrightnessMatrix(4.0f, m);
  EXPECT_FLOAT_EQ(m[0], 2.0f);
  EXPECT_FLOAT_EQ(m[10], 2.0f);
  EXPECT_FLOAT_EQ(m[15], 1.0f);
  SaturationMatrix(0.0f, m);
  EXPECT_FLOAT_EQ(m[0], 1.0f);
  EXPECT_FLOAT_EQ(m[5], 0.0f);
}

TEST(ColorMatrix, ProductsAndAliasing) {
  float m[16], copy[16];
  RedMatrix(2.0f, m);
  Copy4(m, copy);
  Concat4(m, kIdentity);
  expectMatrixNear(m, copy, 0.0f);

  float expected[16];
  GreenMatrix(0.5f, expected);
  Mult4(copy, expected, expected);  // out aliases b
  float square[16];
  GreenMatrix(0.5f, square);
  Mult4(copy, square, square);
  Mult4(copy, copy, m);
  Concat4(copy, copy);  // a = a x a
  expectMatrixNear(copy, m, 1e-6f);
  expectMatrixNear(expected, square, 0.0f);

  float v[4] = {1, 2, 3, 1};
  Mult4X1(kIdentity, v, v);
  EXPECT_FLOAT_EQ(v[2], 3.0f);
}

TEST(ColorMatrix, YccRoundTripStaysWithinATenthOfALevel) {
  float roundTrip[16];
  Mult4(yccrgb, rgbycc, roundTrip);
  for (const float bgr : {0.0f, 17.0f, 128.0f, 255.0f})
    for (const float g : {0.0f, 99.0f, 255.0f}) {
      const float pixel[3] = {bgr, g, 255.0f - bgr};
      float out[3];
      transformPixel(roundTrip, pixel, out);
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(out[c], pixel[c], 0.1f);
    }
  // Y, B - Y and R - Y of the rgbycc rows.
  const float grey[3] = {100, 100, 100};
  float ycc[3];
  transformPixel(rgbycc, grey, ycc);
  EXPECT_NEAR(ycc[0], 100.0f, 1e-3f);
  EXPECT_NEAR(ycc[1], 0.0f, 1e-3f);
  EXPECT_NEAR(ycc[2], 0.0f, 1e-3f);
}

TEST(ColorMatrix, FactorsActAsDescribed) {
  float m[16], out[3];
  const float pixel[3] = {50, 100, 200};  // B, G, R
  const float luminance = 0.114f * 50 + 0.587f * 100 + 0.299f * 200;
  chainWith([](float* f) { SaturationMatrix(0.0f, f); }, m);
  transformPixel(m, pixel, out);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(out[c], luminance, 0.05f);

  chainWith([](float* f) { BrightnessMatrix(2.0f, f); }, m);
  transformPixel(m, pixel, out);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(out[c], pixel[c] * std::sqrt(2.0f), 0.05f);

  // A primary's balance keeps a grey pixel's luminance and tints it.
  chainWith([](float* f) { RedMatrix(2.0f, f); }, m);
  const float grey[3] = {100, 100, 100};
  transformPixel(m, grey, out);
  EXPECT_NEAR(0.114f * out[0] + 0.587f * out[1] + 0.299f * out[2], 100.0f, 0.05f);
  EXPECT_GT(out[2], 120.0f);
  EXPECT_LT(out[1], 95.0f);
}

TEST(ColorMatrix, NegativeAndNanFactorsStayFinite) {
  float m[16];
  for (auto build : {BrightnessMatrix, SaturationMatrix, RedMatrix, GreenMatrix, BlueMatrix}) {
    for (const float x : {-1.0f, NAN, INFINITY}) {
      build(x, m);
      for (float v : m) ASSERT_TRUE(std::isfinite(v));
    }
  }
  BrightnessMatrix(-0.5f, m);
  EXPECT_EQ(m[0], 0.0f);
}

TEST(ApplyColorTwist, MatchesTheMatrixOnEveryPixel) {
  CxImage source, target;
  ASSERT_TRUE(source.Create(301, 257));
  ASSERT_TRUE(target.Create(301, 257));
  fillGradient(source);
  float m[16];
  chainWith([](float* f) { RedMatrix(1.6f, f); }, m);
  ASSERT_EQ(source.ApplyColorTwist(m, target), 1);
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x) {
      const unsigned char* s = source.GetRowPtr(y) + 3 * x;
      const float pixel[3] = {float(s[0]), float(s[1]), float(s[2])};
      float expected[3];
      transformPixel(m, pixel, expected);
      for (int c = 0; c < 3; ++c)
        ASSERT_NEAR(target.GetRowPtr(y)[3 * x + c], std::clamp(expected[c], 0.0f, 255.0f), 1.0f)
            << x << "," << y << " channel " << c;
    }
  // In place gives the same pixels.
  ASSERT_EQ(source.ApplyColorTwist(m, source), 1);
  EXPECT_EQ(std::memcmp(source.GetBits(), target.GetBits(), static_cast<size_t>(source.GetRowBytes()) * 257),
            0);
}

TEST(ApplyColorTwist, LookupTableInPlaceRoisAndAlpha) {
  for (const int alpha : {1, 0}) {
    const int n = alpha ? 4 : 3;
    CxImage image, original;
    ASSERT_TRUE(image.Create(63, 80, alpha));
    ASSERT_TRUE(original.Create(63, 80, alpha));
    fillGradient(image);
    std::memcpy(original.GetBits(), image.GetBits(), static_cast<size_t>(image.GetRowBytes()) * 80);

    CLut threshold;
    ContrastLUT(1.0f, threshold);
    ASSERT_TRUE(image.SetROI(0, 8, 10, 20, 30));
    ASSERT_EQ(image.ApplyColorTwist(kIdentity, image, threshold), 1);  // in place
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 63; ++x) {
        const bool inside = x >= 8 && x < 28 && y >= 10 && y < 40;
        const unsigned char* before = original.GetRowPtr(y) + n * x;
        const unsigned char* after = image.GetRowPtr(y) + n * x;
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(after[c], inside ? (before[c] <= 127 ? 0 : 255) : before[c]) << x << "," << y << " " << n;
        if (alpha) {
          ASSERT_EQ(after[3], before[3]) << "alpha carried at " << x << "," << y;
        }
      }
  }
}

TEST(ApplyColorTwist, RefusesWhatItCannotApply) {
  CxImage source, target, four;
  ASSERT_TRUE(source.Create(8, 8, 0, 1, 0x40));
  ASSERT_TRUE(target.Create(8, 8, 0, 1, 0x11));
  ASSERT_TRUE(four.Create(8, 8, 1));
  float nan[16];
  std::memcpy(nan, kIdentity, sizeof nan);
  nan[5] = NAN;
  EXPECT_EQ(source.ApplyColorTwist(nan, target), 0);
  EXPECT_EQ(target.GetRowPtr(3)[4], 0x11);
  EXPECT_EQ(source.ApplyColorTwist(nullptr, target), 0);
  EXPECT_EQ(source.ApplyColorTwist(kIdentity, four), 0);  // channel counts differ
  CxImage empty;
  EXPECT_EQ(empty.ApplyColorTwist(kIdentity, target), 0);

  // Entries too large for 24-bit fixed point saturate instead of wrapping.
  float huge[16];
  std::memcpy(huge, kIdentity, sizeof huge);
  huge[0] = 1000.0f;
  huge[5] = -1000.0f;
  EXPECT_EQ(source.ApplyColorTwist(huge, target), 1);
  EXPECT_EQ(target.GetRowPtr(3)[3], 255);
  EXPECT_EQ(target.GetRowPtr(3)[4], 0);
}

// A twist that moves no value by half a level is taken as a copy; one that does
// must still move it.
TEST(ApplyColorTwist, TwistsUnderHalfALevelKeepEveryPixelAndLargerOnesApply) {
  CxImage source, target;
  ASSERT_TRUE(source.Create(97, 61, 1));
  ASSERT_TRUE(target.Create(97, 61, 1));
  fillGradient(source);
  const size_t bytes = static_cast<size_t>(source.GetRowBytes()) * 61;
  float nearIdentity[16];
  std::memcpy(nearIdentity, kIdentity, sizeof nearIdentity);
  nearIdentity[0] = 1.0008f;  // 0.2 of a level at 255
  nearIdentity[1] = 0.0004f;
  nearIdentity[7] = 0.2f;
  ASSERT_EQ(source.ApplyColorTwist(nearIdentity, target), 1);
  EXPECT_EQ(std::memcmp(source.GetBits(), target.GetBits(), bytes), 0) << "colours and alpha kept";

  float lifted[16];
  std::memcpy(lifted, kIdentity, sizeof lifted);
  lifted[3] = 0.6f;  // the first channel rises by one level
  ASSERT_EQ(source.ApplyColorTwist(lifted, target), 1);
  float swapped[16] = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
  CxImage swappedTarget;
  ASSERT_TRUE(swappedTarget.Create(97, 61, 1));
  ASSERT_EQ(source.ApplyColorTwist(swapped, swappedTarget), 1);
  for (int y = 0; y < 61; ++y)
    for (int x = 0; x < 97; ++x) {
      const unsigned char* s = source.GetRowPtr(y) + 4 * x;
      const unsigned char* t = target.GetRowPtr(y) + 4 * x;
      const unsigned char* w = swappedTarget.GetRowPtr(y) + 4 * x;
      ASSERT_EQ(t[0], std::min(255, s[0] + 1)) << x << "," << y;
      ASSERT_EQ(t[1], s[1]);
      ASSERT_EQ(w[0], s[2]) << x << "," << y;
      ASSERT_EQ(w[2], s[0]);
      ASSERT_EQ(w[3], s[3]) << "alpha carried";
    }
}
