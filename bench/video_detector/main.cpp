// The video motion detector per 612 x 512 live preview (a quarter of a
// 2448 x 2048 frame) against cv::absdiff + cv::sum of the same frames in the
// same run. The detector also writes the difference into the frame and keeps
// the frame as its reference, as it does in the station. Prints medians per
// frame and their ratio (goal: at most 1.5).
#include "bench/common/AlternatingRuns.h"
#include "trigger/video/MotionDetector.h"

#include <opencv2/core.hpp>

#include <cstdio>

namespace {

constexpr int kWidth = 612, kHeight = 512, kFramesPerSample = 50, kRounds = 31;

cv::Mat NoiseFrame(int seed) {
  cv::Mat frame(kHeight, kWidth, CV_8UC3);
  cv::theRNG().state = static_cast<uint64_t>(seed);
  cv::randn(frame, cv::Scalar::all(128), cv::Scalar::all(20));
  return frame;
}

VideoFrameView ViewOf(cv::Mat& frame) {
  return {frame.data, frame.cols, frame.rows, static_cast<std::ptrdiff_t>(frame.step), 3};
}

}  // namespace

int main() {
  cv::Mat a = NoiseFrame(1), b = NoiseFrame(2), difference;
  CMotionDetector detector;
  // A threshold no frame reaches: every call compares and keeps the frame.
  constexpr double kNever = 1e9;
  volatile double sink = 0;
  const auto ours = [&] {
    for (int i = 0; i < kFramesPerSample; ++i) sink = detector.Examine(ViewOf(i % 2 ? a : b), kNever).motion;
  };
  const auto reference = [&] {
    for (int i = 0; i < kFramesPerSample; ++i) {
      cv::absdiff(i % 2 ? a : b, i % 2 ? b : a, difference);
      sink = cv::sum(difference)[0];
    }
  };
  const bench::MedianPair medians = bench::AlternatingMedians(kRounds, ours, reference);
  std::printf("detector per %dx%d frame:        %.3f ms\n", kWidth, kHeight, medians.ours / kFramesPerSample);
  std::printf("absdiff + sum per %dx%d frame:   %.3f ms\n", kWidth, kHeight,
              medians.reference / kFramesPerSample);
  std::printf("ratio: %.2f (goal <= 1.5)\n", medians.Ratio());
  return 0;
}
