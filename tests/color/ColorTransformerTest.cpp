#include "color/ColorTransformer.h"
#include "color/Levels.h"
#include "color/ProfileConverter.h"
#include "color/UnsharpMask.h"
#include "tests/color/SceneImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kWidth = 612, kHeight = 512;

double luminance(const unsigned char* bgr) { return 0.114 * bgr[0] + 0.587 * bgr[1] + 0.299 * bgr[2]; }

double meanLuminance(const CxImage& image, const SPixelRect& r) {
  return 0.114 * MeanOf(image, r, 0) + 0.587 * MeanOf(image, r, 1) + 0.299 * MeanOf(image, r, 2);
}

// The largest difference of any sample between two images of the same layout.
int maxDifference(const CxImage& a, const CxImage& b) {
  int worst = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int i = 0; i < a.Width() * a.SamplesPerPixel(); ++i)
      worst = std::max(worst, std::abs(a.GetRowPtr(y)[i] - b.GetRowPtr(y)[i]));
  return worst;
}

class ColorTransformerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RenderScene(scene, kWidth, kHeight);
    ASSERT_TRUE(source.Create(kWidth, kHeight));
    ASSERT_TRUE(target.Create(kWidth, kHeight, 0, 1, 0));
    Reset();
  }
  // source = a fresh copy of the scene (the stages may change it).
  void Reset() { std::memcpy(source.GetBits(), scene.GetBits(), size_t(scene.GetRowBytes()) * kHeight); }
  void Run() {
    Reset();
    transformer.Transform(source, target, true);
  }

  CxImage scene, source, target;
  CColorTransformer transformer;
};

}  // namespace

TEST_F(ColorTransformerTest, DefaultsGiveTheSourceBack) {
  Run();
  EXPECT_LE(maxDifference(target, scene), 1);
}

TEST_F(ColorTransformerTest, SaturationAndBrightness) {
  transformer.m_settings.m_saturation = -100;
  Run();
  for (int y = 0; y < kHeight; y += 7)
    for (int x = 0; x < kWidth; x += 5) {
      const unsigned char* out = target.GetRowPtr(y) + 3 * x;
      const double y0 = luminance(scene.GetRowPtr(y) + 3 * x);
      ASSERT_NEAR(out[0], y0, 1.01) << x << "," << y;
      ASSERT_EQ(out[0], out[1]);
      ASSERT_EQ(out[1], out[2]);
    }

  transformer.m_settings.m_saturation = 0;
  transformer.m_settings.m_brightness = 100;
  Run();
  const SPixelRect grey = ScenePatch("grey", kWidth, kHeight);
  EXPECT_NEAR(MeanOf(target, grey, 1), MeanOf(scene, grey, 1) * std::sqrt(2.0), 1.0);
}

TEST_F(ColorTransformerTest, ContrastExtremes) {
  transformer.m_settings.m_contrast = 100;
  Run();
  for (int x = 0; x < kWidth; ++x) {
    const unsigned char* in = scene.GetRowPtr(kHeight * 4 / 5) + 3 * x;  // the grey ramp
    const unsigned char* out = target.GetRowPtr(kHeight * 4 / 5) + 3 * x;
    ASSERT_EQ(out[1], in[1] <= 127 ? 0 : 255) << x;
  }
  transformer.m_settings.m_contrast = -100;
  Run();
  EXPECT_EQ(MeanOf(target, {0, 0, kWidth, kHeight}, 2), 127.0);
}

TEST_F(ColorTransformerTest, LevelsStretchARampToTheFullRange) {
  transformer.m_settings.m_colorStretch = 1;
  transformer.m_settings.m_rgbColorStretch = 0;
  // Grey ramp 50 ... 200 across the image.
  const auto level = [](int x) { return 50 + x * 151 / kWidth; };
  FillPixels(scene, [&](int x, int, unsigned char* p) { std::memset(p, level(x), 3); });
  Run();
  // The walks stop at 51 and 199, where the sums leave 0.006.
  for (int x = 0; x < kWidth; ++x)
    ASSERT_NEAR(target.GetRowPtr(10)[3 * x + 1], std::clamp(level(x) - 51, 0, 148) * 255.0 / 148, 1) << x;
  EXPECT_NEAR(target.GetRowPtr(10)[0], 0, 1);
  EXPECT_NEAR(target.GetRowPtr(10)[3 * (kWidth - 1)], 255, 1);

  // Per channel (the levels alone, without the colour corrections) alike.
  CxImage levelled;
  transformer.AutoLevels(scene, levelled);
  for (int x = 0; x < kWidth; ++x)
    ASSERT_NEAR(levelled.GetRowPtr(10)[3 * x + 2], std::clamp(level(x) - 51, 0, 148) * 255.0 / 148, 1) << x;
}

TEST_F(ColorTransformerTest, LevelsOnAUniformImageKeepItsLevel) {
  transformer.m_settings.m_colorStretch = 1;
  transformer.m_settings.m_rgbColorStretch = 0;
  FillPixels(scene, [](int, int, unsigned char* p) { std::memset(p, 100, 3); });
  Run();
  EXPECT_LE(maxDifference(target, scene), 1);

  // Per channel, the stored looks rely on the corrections -s/|s|: equal
  // scales weaken every primary to 42 %, which tints a neutral grey.
  transformer.m_settings.m_rgbColorStretch = 1;
  Run();
  const unsigned char* p = target.GetRowPtr(5);
  EXPECT_NEAR(p[0], 91, 1);
  EXPECT_NEAR(p[1], 97, 1);
  EXPECT_NEAR(p[2], 94, 1);
}

TEST_F(ColorTransformerTest, SkinExposureMovesTheFaceTowardTheTarget) {
  // A close-up of the face: the dark brown hair also has skin chroma and
  // would pull the mean down in the whole portrait.
  const SPixelRect skin = ScenePatch("skin", kWidth, kHeight);
  CxImage face, faceOut;
  ASSERT_TRUE(face.Create(skin.width, skin.height));
  ASSERT_TRUE(faceOut.Create(skin.width, skin.height));
  FillPixels(face, [&](int x, int y, unsigned char* p) {
    std::memcpy(p, scene.GetRowPtr(skin.y + y) + 3 * (skin.x + x), 3);
  });
  const SPixelRect all{0, 0, skin.width, skin.height};
  const double before = meanLuminance(face, all);
  transformer.m_settings.m_skinExposure = 1;
  transformer.m_settings.m_targetSkinExposure = 150;
  transformer.Transform(face, faceOut, true);
  const double after = meanLuminance(faceOut, all);
  EXPECT_LT(std::abs(after - 150), std::abs(before - 150) / 2) << before << " -> " << after;

  // In the whole scene skin is found too: the picture gets brighter toward 230.
  transformer.m_settings.m_targetSkinExposure = 230;
  Run();
  EXPECT_GT(meanLuminance(target, skin), before + 10);

  // No skin in the picture: the brightness stays as it is.
  FillPixels(scene,
             [](int x, int, unsigned char* p) { p[0] = p[1] = p[2] = static_cast<unsigned char>(x % 200); });
  Run();
  EXPECT_LE(maxDifference(target, scene), 1);
}

TEST_F(ColorTransformerTest, NegativeFactorsStayDefined) {
  transformer.m_settings.m_brightness = -100;
  transformer.m_settings.m_skinExposure = 1;
  transformer.m_settings.m_targetSkinExposure = 0;
  Run();
  EXPECT_EQ(MeanOf(target, {0, 0, kWidth, kHeight}, 1), 0.0);

  transformer = CColorTransformer();
  transformer.m_settings.m_red = -100;
  transformer.m_settings.m_colorStretch = 1;  // its correction takes red below 0
  Run();
  const SPixelRect grey = ScenePatch("grey", kWidth, kHeight);
  EXPECT_GT(MeanOf(target, grey, 1), 0.0);
}

TEST_F(ColorTransformerTest, UnsharpMaskSharpensEdgesOnly) {
  // A vertical step 60 | 180 with a flat region far from it.
  FillPixels(scene, [](int x, int, unsigned char* p) { std::memset(p, x < kWidth / 2 ? 60 : 180, 3); });
  transformer.m_settings.m_unsharpMask = 1;
  transformer.m_settings.m_unsharpSigma = 2.0f;
  Run();
  const unsigned char* row = target.GetRowPtr(kHeight / 2);
  EXPECT_LT(row[3 * (kWidth / 2 - 2)], 60);   // undershoot before the step
  EXPECT_GT(row[3 * (kWidth / 2 + 1)], 180);  // overshoot after it
  EXPECT_EQ(row[3 * 20], 60);                 // flat: unchanged

  // The result does not depend on what the target held before.
  CxImage first;
  ASSERT_TRUE(first.Create(kWidth, kHeight));
  std::memcpy(first.GetBits(), target.GetBits(), size_t(target.GetRowBytes()) * kHeight);
  target.Set(255);
  Run();
  EXPECT_EQ(maxDifference(first, target), 0);

  transformer.m_settings.m_unsharpSigma = 0.0f;  // no kernel: no sharpening
  Run();
  EXPECT_LE(maxDifference(target, scene), 1);
}

TEST(Levels, RangeAndTableEnds) {
  double ramp[256] = {};
  for (int v = 50; v <= 200; ++v) ramp[v] = 4;
  const SLevelRange range = FindLevelRange(ramp);
  EXPECT_EQ(range.low, 51);
  EXPECT_EQ(range.high, 199);
  CLut table;
  FillLevelTable(range, table);
  EXPECT_EQ(table[50], 0);
  EXPECT_EQ(table[51], 0);
  EXPECT_EQ(table[199], 255);
  EXPECT_EQ(table[200], 255);

  double uniform[256] = {};
  uniform[100] = 1000;
  const SLevelRange flat = FindLevelRange(uniform);
  EXPECT_EQ(flat.low, flat.high);
  EXPECT_EQ(LevelScale(flat), 1.0);
  FillLevelTable(flat, table);
  for (int v = 0; v < 256; ++v) ASSERT_EQ(table[v], v);
}

TEST(UnsharpMaskKernel, RadiusAndTaps) {
  EXPECT_EQ(GaussianRadius(6.0), 20);
  EXPECT_EQ(GaussianRadius(1.0), 4);
  EXPECT_EQ(GaussianRadius(0.1), 2);
  EXPECT_EQ(GaussianRadius(1000.0), 127);
  EXPECT_EQ(GaussianRadius(0.0), 0);
  EXPECT_EQ(GaussianRadius(NAN), 0);
  const std::vector<int> taps = GaussianTaps(6.0);
  ASSERT_EQ(taps.size(), 41u);
  int sum = 0;
  for (int tap : taps) sum += tap;
  EXPECT_NEAR(sum, 1024, 3);
  EXPECT_EQ(taps[0], taps[40]);
  EXPECT_GT(taps[20], taps[19]);
}

TEST(ColorTransformerImages, SmallAlphaAndMismatchedImages) {
  CColorTransformer transformer;
  transformer.m_settings.m_unsharpMask = 1;
  transformer.m_settings.m_brightness = 20;
  CxImage tiny, tinyOut;  // under 6 pixels: no edge map, nothing sharpened
  ASSERT_TRUE(tiny.Create(4, 3, 0, 1, 100));
  ASSERT_TRUE(tinyOut.Create(4, 3));
  transformer.Transform(tiny, tinyOut, false);
  EXPECT_NEAR(tinyOut.GetRowPtr(1)[4], 100 * std::sqrt(1.2), 1);

  CxImage withAlpha, alphaOut;
  ASSERT_TRUE(withAlpha.Create(40, 30, 1));
  FillPixels(withAlpha, [](int x, int y, unsigned char* p) {
    p[0] = p[1] = p[2] = 90, p[3] = (unsigned char)(x * 6 + y);
  });
  ASSERT_TRUE(alphaOut.Create(40, 30, 1, 1, 0));
  transformer.Transform(withAlpha, alphaOut, false);
  EXPECT_EQ(alphaOut.GetRowPtr(7)[4 * 9 + 3], 9 * 6 + 7);
  EXPECT_NEAR(alphaOut.GetRowPtr(7)[4 * 9], 90 * std::sqrt(1.2), 1);

  CxImage wrongSize;
  ASSERT_TRUE(wrongSize.Create(41, 30, 1, 1, 7));
  transformer.Transform(withAlpha, wrongSize, false);
  EXPECT_EQ(wrongSize.GetRowPtr(3)[5], 7);
  CxImage empty;
  transformer.Transform(empty, alphaOut, false);  // nothing happens, no crash
}

TEST(ColorTransformerImages, AutoLevelsCreatesTheTargetAtTheRoiSize) {
  CxImage source;
  ASSERT_TRUE(source.Create(64, 32));
  FillPixels(source, [](int x, int, unsigned char* p) {
    p[0] = p[1] = p[2] = static_cast<unsigned char>(50 + x * 2);
  });
  ASSERT_TRUE(source.SetROI(0, 10, 4, 20, 8));
  CxImage target;
  ASSERT_TRUE(target.Create(5, 5, 1));  // had alpha: the new target keeps one
  CColorTransformer().AutoLevels(source, target);
  ASSERT_EQ(target.Width(), 20);
  ASSERT_EQ(target.Height(), 8);
  ASSERT_EQ(target.SamplesPerPixel(), 4);
  // Levels from the whole source (50 ... 176) applied to its ROI (x 10 ...).
  EXPECT_NEAR(target.GetRowPtr(0)[0], (70 - 50) * 255.0 / 126, 1);
  EXPECT_EQ(target.GetRowPtr(0)[3], 255);
}

TEST(ProfileConverter, PassesPixelsThroughImagesOfTheSameLayout) {
  CxImage source, target, other;
  ASSERT_TRUE(source.Create(9, 7));
  FillPixels(source, [](int x, int y, unsigned char* p) {
    p[0] = (unsigned char)x, p[1] = (unsigned char)y, p[2] = 200;
  });
  ASSERT_TRUE(target.Create(9, 7, 0, 1, 0));
  ASSERT_TRUE(other.Create(9, 7, 1, 1, 0));
  CProfileConverter converter;
  EXPECT_TRUE(converter.Convert(source, target));
  EXPECT_EQ(maxDifference(source, target), 0);
  EXPECT_FALSE(converter.Convert(source, other));
  EXPECT_EQ(other.GetRowPtr(2)[4], 0);
}
