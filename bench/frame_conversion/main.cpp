// Frame conversion speed: a 2448 x 2048 BayerBG8 frame to BGR (flip included)
// against OpenCV's own Bayer conversion of the same buffer, and the frames per
// second a simulated camera delivers through conversion and exposure control.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include <opencv2/imgproc.hpp>

#include "bench/common/MachineProbe.h"
#include "camera/PylonCamera.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"

using Clock = std::chrono::steady_clock;
using namespace Pylon;

namespace {

constexpr int kWidth = 2448;
constexpr int kHeight = 2048;
constexpr int kRounds = 21;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Every measurement starts with the frame out of the caches, as a newly delivered frame is.
template <class Work>
double Milliseconds(Work work) {
  static std::vector<uint8_t> evictor(64 << 20);
  for (size_t i = 0; i < evictor.size(); i += 64) ++evictor[i];
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void CompareWithOpenCv() {
  std::vector<uint8_t> raw(size_t(kWidth) * kHeight);
  std::mt19937 random(7);
  for (uint8_t& sample : raw) sample = uint8_t(random());
  CFrameConverter converter;
  const cv::Mat mosaic(kHeight, kWidth, CV_8UC1, raw.data());
  cv::Mat bgr;
  // Rounds alternate so that both sides see the same machine load.
  std::vector<double> oursTimes, referenceTimes;
  for (int round = 0; round < kRounds; ++round) {
    oursTimes.push_back(Milliseconds([&] {
      const SConvertedFrame frame =
          converter.Convert(kWidth, kHeight, PixelType_BayerBG8, raw.data(), kWidth, PixelType_BGR8packed);
      CGenPylonCamera::ReleaseImage(frame.image, frame.ownership);
    }));
    referenceTimes.push_back(Milliseconds([&] { cv::cvtColor(mosaic, bgr, cv::COLOR_BayerRG2BGR); }));
  }
  const double ours = Median(oursTimes), reference = Median(referenceTimes);
  std::printf("BayerBG8 %dx%d to BGR, flip included: %.2f ms (median of %d)\n", kWidth, kHeight, ours,
              kRounds);
  std::printf("OpenCV Bayer conversion of the same buffer: %.2f ms\n", reference);
  std::printf("ratio: %.2f (goal <= 1.30)\n", ours / reference);
}

// Counts the frames that reach OnNewImage.
class CCountingCamera : public CPylonCamera {
 public:
  void OnNewImage(IplImage* image, ImageOwnership ownership) override {
    CGenPylonCamera::OnNewImage(image, ownership);
    ++m_frames;
  }
  std::atomic<int> m_frames{0};
};

void MeasureEndToEnd() {
  CTlFactory& factory = CTlFactory::GetInstance();
  factory.SelectTransport("sim");
  SSimulatorConfig config;
  config.cameraCount = 1;
  config.framesPerSecond = 250;  // far above any camera, so the pipeline sets the pace
  config.sensorWidth = kWidth;
  config.sensorHeight = kHeight;
  factory.Simulator().Configure(config);
  CCountingCamera camera;
  if (!camera.OpenByIndex(0)) {
    std::printf("no simulated camera\n");
    return;
  }
  CPropertyList properties;
  camera.GetProperties(properties);  // binds the exposure nodes
  camera.m_settings.m_type = 1;      // "Global Mean"
  camera.SetRequestedPixelType(PixelType_BayerBG8);
  camera.SetOutputPixelType(PixelType_BGR8packed);
  camera.PrepareGrab(4);
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the scene is built at the first frame
  std::vector<double> rates;
  for (int second = 0; second < 5; ++second) {
    const int before = camera.m_frames;
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    rates.push_back((camera.m_frames - before) / elapsed);
  }
  camera.Close();
  const double fps = Median(rates);
  std::printf(
      "simulated camera -> conversion -> exposure control -> OnNewImage: %.1f frames/s "
      "(median of 5 one-second windows; ratio to the 30 fps station goal %.2f)\n",
      fps, fps / 30.0);
}

}  // namespace

int main() {
  bench::PrintMachineProbe();
  const bench::CpuTicks ticks = bench::ReadCpuTicks();
  CompareWithOpenCv();
  MeasureEndToEnd();
  bench::PrintMachineLoad(ticks);
  return 0;
}
