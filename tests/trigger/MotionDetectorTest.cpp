// The motion score on frames made here, and the device formats turned into BGR.
#include "trigger/video/FrameDecoding.h"
#include "trigger/video/MotionDetector.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

namespace {

VideoFrame Filled(int width, int height, uint8_t value) {
  VideoFrame frame(width, height);
  std::fill(frame.pixels.begin(), frame.pixels.end(), value);
  return frame;
}

VideoFrame Noisy(int width, int height, double mean, double sigma, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(mean, sigma);
  VideoFrame frame(width, height);
  for (uint8_t& sample : frame.pixels)
    sample = static_cast<uint8_t>(std::clamp(noise(random) + 0.5, 0.0, 255.0));
  return frame;
}

// Examines a copy, so that the caller's frame stays as it was.
CMotionDetector::Result Examine(CMotionDetector& detector, VideoFrame frame, double threshold = 50) {
  return detector.Examine(frame.View(), threshold);
}

TEST(MotionDetector, AUniformBrighteningScoresThreeTimesItsStepAndOnlyBrighterPixelsCount) {
  for (const auto& [step, triggers] : {std::pair{17, true}, std::pair{16, false}}) {
    CMotionDetector detector;
    const auto first = Examine(detector, Filled(64, 48, 100));
    EXPECT_FALSE(first.compared);  // the first frame only becomes the reference
    const auto brighter = Examine(detector, Filled(64, 48, static_cast<uint8_t>(100 + step)));
    EXPECT_DOUBLE_EQ(brighter.motion, 3.0 * step);
    EXPECT_EQ(brighter.triggered, triggers) << step;
  }
  CMotionDetector detector;
  Examine(detector, Filled(64, 48, 250));
  const auto darker = Examine(detector, Filled(64, 48, 0));
  EXPECT_TRUE(darker.compared);
  EXPECT_EQ(darker.motion, 0.0);
  EXPECT_FALSE(darker.triggered);
}

TEST(MotionDetector, AfterATriggerTheNextFrameOnlyBecomesTheReference) {
  CMotionDetector detector;
  Examine(detector, Filled(32, 32, 0));
  EXPECT_TRUE(Examine(detector, Filled(32, 32, 200)).triggered);
  const auto next = Examine(detector, Filled(32, 32, 0));
  EXPECT_FALSE(next.compared);
  EXPECT_TRUE(Examine(detector, Filled(32, 32, 200)).triggered);
}

TEST(MotionDetector, TheTwentyFramesAfterArmingNeverTrigger) {
  CMotionDetector detector;
  detector.Arm();
  int triggers = 0;
  for (int frame = 1; frame <= CMotionDetector::kArmingFrames; ++frame)
    triggers += Examine(detector, Filled(16, 16, frame % 2 ? 255 : 0)).triggered;
  EXPECT_EQ(triggers, 0);
  EXPECT_TRUE(Examine(detector, Filled(16, 16, 255)).triggered);  // the 21st, brighter than the 20th
}

TEST(MotionDetector, SensorNoiseStaysFarBelowTheThresholdAndRandomFramesExceedIt) {
  CMotionDetector detector;
  Examine(detector, Noisy(612, 512, 128, 2, 1));
  const auto noise = Examine(detector, Noisy(612, 512, 128, 2, 2));
  EXPECT_NEAR(noise.motion, 3 * 2 / std::sqrt(std::acos(-1.0)), 0.1);  // 3σ/√π
  EXPECT_FALSE(noise.triggered);

  std::mt19937 random(3);
  std::uniform_int_distribution<int> any(0, 255);
  VideoFrame a(612, 512), b(612, 512);
  for (size_t i = 0; i < a.pixels.size(); ++i)
    a.pixels[i] = static_cast<uint8_t>(any(random)), b.pixels[i] = static_cast<uint8_t>(any(random));
  CMotionDetector other;
  Examine(other, a);
  EXPECT_NEAR(Examine(other, b).motion, 3 * 255 / 6.0 * 257 / 256, 1.5);  // 3 · E[max(0, X−Y)]
}

TEST(MotionDetector, TheFrameShowsTheDifferenceAndOddFramesAreHandled) {
  CMotionDetector detector;
  Examine(detector, Filled(8, 4, 50));
  VideoFrame frame = Filled(8, 4, 60);
  frame.pixels[0] = 10;  // darker there: no difference
  detector.Examine(frame.View(), 1000);
  EXPECT_EQ(frame.pixels[0], 0);
  EXPECT_EQ(frame.pixels[1], 10);

  // A frame of another size replaces the reference without a trigger.
  EXPECT_FALSE(Examine(detector, Filled(4, 4, 255)).compared);

  // Four channels: the fourth is neither scored nor changed.
  CMotionDetector bgra;
  std::vector<uint8_t> pixels(4 * 4 * 4, 0);
  VideoFrameView view{pixels.data(), 4, 4, 16, 4};
  bgra.Examine(view, 50);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = i % 4 == 3 ? 255 : 10;
  const auto result = bgra.Examine(view, 50);
  EXPECT_DOUBLE_EQ(result.motion, 30.0);
  EXPECT_EQ(pixels[3], 255);

  // No pixels: nothing happens.
  EXPECT_FALSE(detector.Examine(VideoFrameView{}, 50).compared);
}

TEST(FrameDecoding, YuyvAndMjpegBecomeBgr) {
  // Two pixels: Y 81 / 145, U 90, V 240 is about pure red and a lighter red.
  const uint8_t yuyv[] = {81, 90, 145, 240, 0, 0, 0, 0};
  VideoFrame frame;
  ASSERT_TRUE(DecodeYuyv(yuyv, sizeof yuyv, 2, 1, 8, frame));  // padded rows
  EXPECT_NEAR(frame.pixels[2], 255, 3);
  EXPECT_NEAR(frame.pixels[0], 0, 3);
  EXPECT_FALSE(DecodeYuyv(yuyv, 4, 2, 2, 4, frame));  // too short for two rows

  VideoFrame picture = Filled(32, 16, 120);
  for (int x = 0; x < 16; ++x)
    for (int y = 0; y < 16; ++y)
      picture.pixels[(static_cast<size_t>(y) * 32 + x) * 3 + 2] = 230;  // a red left half
  const std::unique_ptr<void, int (*)(tjhandle)> encoder(tjInitCompress(), tjDestroy);
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  ASSERT_EQ(tjCompress2(encoder.get(), picture.pixels.data(), 32, 32 * 3, 16, TJPF_BGR, &jpeg, &size,
                        TJSAMP_444, 95, 0),
            0);
  const std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(jpeg, tjFree);
  ASSERT_TRUE(DecodeMjpeg(jpeg, size, 32, 16, frame));
  EXPECT_NEAR(frame.pixels[2], 230, 6);
  EXPECT_NEAR(frame.pixels[(8 * 32 + 24) * 3 + 2], 120, 6);
  EXPECT_FALSE(DecodeMjpeg(jpeg, size, 64, 16, frame));      // not the size the device announced
  EXPECT_FALSE(DecodeMjpeg(jpeg, size / 3, 32, 16, frame));  // cut short
}

}  // namespace
