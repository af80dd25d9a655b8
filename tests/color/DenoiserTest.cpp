#include "color/ColorTransformer.h"
#include "color/Denoiser.h"
#include "platform/DynamicLibrary.h"
#include "tests/color/SceneImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

// Standard deviation of the green channel.
double spread(const CxImage& image) {
  double sum = 0.0, squares = 0.0;
  const double n = double(image.Width()) * image.Height();
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      const double v = image.GetRowPtr(y)[3 * x + 1];
      sum += v;
      squares += v * v;
    }
  return std::sqrt(squares / n - (sum / n) * (sum / n));
}

void fillNoisyGrey(CxImage& image) {
  unsigned state = 12345;
  FillPixels(image, [&](int, int, unsigned char* p) {
    state = state * 1103515245u + 12345u;
    const int noise = int((state >> 16) % 61) - 30;
    p[0] = p[1] = p[2] = static_cast<unsigned char>(128 + noise);
  });
}

}  // namespace

TEST(Denoiser, SmoothsANoisyPatch) {
  CDenoiser denoiser(DENOISER_LIBRARY);
  ASSERT_TRUE(denoiser.IsAvailable());
  CxImage image;
  ASSERT_TRUE(image.Create(64, 48));
  fillNoisyGrey(image);
  const double before = spread(image);
  ASSERT_TRUE(denoiser.Restore(image, {60.0f, 0.7f, 0.3f, 0.6f, 1.1f}));
  EXPECT_LT(spread(image), before * 0.9) << "spread before " << before;
  EXPECT_NEAR(image.GetRowPtr(20)[30], 128, 15);
}

TEST(Denoiser, FoundOnTheProgramsLibraryPath) {
  if (std::getenv("BX_DENOISER_LIBRARY")) GTEST_SKIP() << "BX_DENOISER_LIBRARY chooses another library";
  EXPECT_TRUE(CDenoiser::Default().IsAvailable());
}

TEST(Denoiser, MissingLibraryIsSkipped) {
  CDenoiser missing("/nonexistent/libbxdenoiser.so");
  EXPECT_FALSE(missing.IsAvailable());
  CColorTransformer transformer;
  transformer.SetDenoiser(missing);
  transformer.m_settings.m_denoiser = 1;
  CxImage source, target;
  ASSERT_TRUE(source.Create(16, 16, 0, 1, 90));
  ASSERT_TRUE(target.Create(16, 16, 0, 1, 0));
  transformer.Transform(source, target, true);
  EXPECT_NEAR(target.GetRowPtr(5)[5], 90, 1);
}

TEST(Denoiser, CalledOnlyWhenAllowed) {
  CDenoiser counting(COUNTING_DENOISER_LIBRARY);
  bx::DynamicLibrary probe(COUNTING_DENOISER_LIBRARY);
  auto* calls = probe.Find<int()>("DenoiserCalls");
  ASSERT_NE(calls, nullptr);
  CColorTransformer transformer;
  transformer.SetDenoiser(counting);
  transformer.m_settings.m_denoiser = 1;
  CxImage source, target;
  ASSERT_TRUE(source.Create(16, 16, 0, 1, 90));
  ASSERT_TRUE(target.Create(16, 16));
  transformer.Transform(source, target, false);
  EXPECT_EQ(calls(), 0);
  transformer.Transform(source, target, true);
  EXPECT_EQ(calls(), 1);
  EXPECT_EQ(probe.Find<float()>("DenoiserLastAmplitude")(), 60.0f);
  EXPECT_EQ(probe.Find<int()>("DenoiserLastReserved")(), 0);
  EXPECT_TRUE(probe.Find<bool()>("DenoiserInPlace")());
  transformer.m_settings.m_denoiser = 0;
  transformer.Transform(source, target, true);
  EXPECT_EQ(calls(), 1);
}
