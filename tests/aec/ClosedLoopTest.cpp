// The controller in a closed loop with a simulated camera: each frame is
// grabbed by software trigger, measured by the controller, and the exposure it
// writes takes effect on the next frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>
#include <memory>

#include "aec/AutoExposureCtrl.h"
#include "aec/PropertyList.h"
#include "ipl/IplHeaderOver.h"
#include "pylon/PylonIncludes.h"
#include "pylon/sim/Simulator.h"
#include "tests/pylon/GrabSession.h"

using namespace AEC;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kDesired = 128;
constexpr int kGain = 100;
constexpr int kGlobal = 0, kGlobalMean = 1, kGlobalMedian = 2, kMatrix = 3, kMatrixMean = 4,
              kMatrixMedian = 5, kSpotMean = 6, kSpotMedian = 7;

std::vector<unsigned char> Greens(const IplImage& image, int left, int top, int width, int height) {
  std::vector<unsigned char> greens;
  for (int y = top; y < top + height; ++y)
    for (int x = left; x < left + width; ++x)
      greens.push_back(static_cast<unsigned char>(image.imageData[y * image.widthStep + x * 3 + 1]));
  return greens;
}

double MeanGreen(const IplImage& image) {
  const auto greens = Greens(image, 0, 0, image.width, image.height);
  return std::accumulate(greens.begin(), greens.end(), 0.0) / greens.size();
}

// The lower median: the level below which fewer than half the pixels lie.
double MedianGreen(const IplImage& image, int left, int top, int width, int height) {
  auto greens = Greens(image, left, top, width, height);
  const auto middle = greens.begin() + (greens.size() / 2 - 1);
  std::nth_element(greens.begin(), middle, greens.end());
  return *middle;
}

// The median level each median algorithm meters: the whole frame, the 3 x 3
// cells weighted 0.6 at the centre and 0.05 elsewhere, or the centre of a 5 x 5 grid.
double MeteredMedian(const IplImage& image, int type) {
  const int w = image.width, h = image.height;
  if (type == kGlobalMedian) return MedianGreen(image, 0, 0, w, h);
  if (type == kSpotMedian) return MedianGreen(image, 2 * (w / 5), 2 * (h / 5), w / 5, h / 5);
  double level = 0;
  for (int cell = 0; cell < 9; ++cell)
    level +=
        (cell == 4 ? 0.6 : 0.05) * MedianGreen(image, cell % 3 * (w / 3), cell / 3 * (h / 3), w / 3, h / 3);
  return level;
}

}  // namespace

class ClosedLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Pylon::PylonInitialize();
    auto& factory = Pylon::CTlFactory::GetInstance();
    factory.SelectTransport("sim");
    Pylon::SSimulatorConfig config;
    config.sensorWidth = kWidth;
    config.sensorHeight = kHeight;
    factory.Simulator().Configure(config);
    Pylon::DeviceInfoList devices;
    ASSERT_EQ(factory.EnumerateDevices(devices), 1);
    m_device = factory.CreateDevice(devices[0]);
    m_device->Open(Pylon::Control | Pylon::Stream | Pylon::Event);
    m_nodes = m_device->GetNodeMap();
    Set("PixelFormat", "BGR8Packed");
    Set("TriggerMode", "On");
    Set("TriggerSource", "Software");
    Set("GainSelector", "All");
    GenApi::CIntegerPtr(m_nodes->GetNode("GainRaw"))
        ->SetValue(kGain);  // 3 stops over stays below the exposure maximum
    m_session = std::make_unique<GrabSession>(m_device, 2);
    Execute("AcquisitionStart");
    CPropertyList list;
    m_ctrl.GetProperties(nullptr, m_nodes, list);
  }

  void TearDown() override {
    if (m_session) {
      Execute("AcquisitionStop");
      m_session.reset();
    }
    if (m_device) Pylon::CTlFactory::GetInstance().DestroyDevice(m_device);
    Pylon::PylonTerminate();
  }

  void Set(const char* name, const char* value) {
    GenApi::CValuePtr(m_nodes->GetNode(name))->FromString(value);
  }
  void Execute(const char* name) { GenApi::CCommandPtr(m_nodes->GetNode(name))->Execute(); }
  int64_t Exposure() { return GenApi::CIntegerPtr(m_nodes->GetNode("ExposureTimeRaw"))->GetValue(); }
  void SetExposure(int64_t value) {
    GenApi::CIntegerPtr(m_nodes->GetNode("ExposureTimeRaw"))->SetValue(value);
  }

  // Grabs one frame and runs the controller on it. The frame's level: its mean
  // green for every algorithm but the median ones, which meter a median.
  double GrabAndRun() {
    Execute("TriggerSoftware");
    Pylon::GrabResult result;
    if (!m_session->Next(result) || result.Status() != Pylon::Grabbed) {
      ADD_FAILURE() << "no frame";
      return NAN;
    }
    IplImage image = ipl::headerOver(result.Buffer(), result.GetSizeX(), result.GetSizeY(), 3,
                                     result.GetSizeX() * 3 + result.GetPaddingX(), IPL_ORIGIN_TL);
    const int type = m_ctrl.m_settings.m_type;
    const bool median = type == kGlobalMedian || type == kMatrixMedian || type == kSpotMedian;
    const double level = median ? MeteredMedian(image, type) : MeanGreen(image);
    m_ctrl.Run(&image);
    m_session->Requeue(result);
    return level;
  }

  // The exposure at which the frame's mean green would be kDesired if nothing saturated.
  double CorrectExposure() {
    SetExposure(500);
    m_ctrl.m_settings.m_type = -1;
    return 500 * kDesired / GrabAndRun();
  }

  Pylon::IPylonDevice* m_device = nullptr;
  GenApi::INodeMap* m_nodes = nullptr;
  std::unique_ptr<GrabSession> m_session;
  CAutoExposureCtrl m_ctrl;
};

TEST_F(ClosedLoopTest, LevelAlgorithmsReachTheDesiredLevelFromThreeStopsUnderAndOver) {
  constexpr int kMaxFrames = 12;
  const double correct = CorrectExposure();
  for (int type : {kGlobalMean, kGlobalMedian, kMatrixMean, kMatrixMedian, kSpotMean, kSpotMedian}) {
    for (double start : {correct / 8, correct * 8}) {
      SCOPED_TRACE(testing::Message() << "Type " << type << " from exposure " << int64_t(start));
      SetExposure(int64_t(start));
      m_ctrl.m_settings.m_type = type;
      int reached = -1;
      double level = 0;
      for (int frame = 1; frame <= kMaxFrames + 3; ++frame) {
        level = GrabAndRun();
        if (reached < 0 && std::abs(level - kDesired) <= 10) reached = frame;
      }
      EXPECT_GE(reached, 1);
      EXPECT_LE(reached, kMaxFrames);
      EXPECT_NEAR(level, kDesired, 10);  // and it stays there
    }
  }
}

TEST_F(ClosedLoopTest, ThresholdAlgorithmsSettle) {
  constexpr int kMaxFrames = 30;  // 10 % steps: 22 cover three stops
  constexpr int kSteadyFrames = 5;
  const double correct = CorrectExposure();
  for (int type : {kGlobal, kMatrix}) {
    for (double start : {correct / 8, correct * 8}) {
      SCOPED_TRACE(testing::Message() << "Type " << type << " from exposure " << int64_t(start));
      SetExposure(int64_t(start));
      m_ctrl.m_settings.m_type = type;
      int unchanged = 0, frame = 0;
      while (unchanged < kSteadyFrames && frame < kMaxFrames + kSteadyFrames) {
        const int64_t before = Exposure();
        GrabAndRun();
        unchanged = Exposure() == before ? unchanged + 1 : 0;
        ++frame;
      }
      EXPECT_EQ(unchanged, kSteadyFrames);
      EXPECT_LE(frame - kSteadyFrames, kMaxFrames);
    }
  }
}
