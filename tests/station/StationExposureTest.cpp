// Exposure control in the running station: the controller is bound to the
// camera at every open, so a dark scene is corrected frame by frame, also
// after the camera was unplugged and plugged in again.
#include "StationTestBase.h"

#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace {

constexpr int kNoExposureControl = -1;
constexpr int kGlobalMean = 1;
constexpr int kDesired = 128;
constexpr int kMaxFrames = 10;

class StationExposureTest : public StationTest {
 protected:
  GenApi::CIntegerPtr Exposure() { return m_station->GetNodeMap()->GetNode("ExposureTimeRaw"); }

  double ShootAndMeasure() {
    if (!Shoot(*m_station)) return NAN;
    return m_host.Images().back().meanGreen;
  }

  // The number of the first of up to ten frames whose mean green is within
  // 10 of the desired level, 0 when none is.
  int FramesToConverge(int64_t startExposure) {
    Exposure()->SetValue(startExposure);  // triggered: no frame is being measured
    for (int frame = 1; frame <= kMaxFrames; ++frame)
      if (std::abs(ShootAndMeasure() - kDesired) <= 10) return frame;
    return 0;
  }
};

TEST_F(StationExposureTest, ADarkSceneConvergesWithGlobalMeanAlsoAfterAReplug) {
  CountingStation& station = Start(false);
  station.SetReconnectPeriod(20);
  // The exposure that would give the desired level: measured without control.
  station.SelectAlgorithm(kNoExposureControl);
  Exposure()->SetValue(200);
  const double measured = ShootAndMeasure();
  ASSERT_GT(measured, 5);
  ASSERT_LT(measured, 250);
  const auto threeStopsUnder = static_cast<int64_t>(200 * kDesired / measured / 8);

  station.SelectAlgorithm(kGlobalMean);
  const int frames = FramesToConverge(threeStopsUnder);
  EXPECT_GE(frames, 1) << "no convergence from exposure " << threeStopsUnder;

  auto& simulator = Pylon::CTlFactory::GetInstance().Simulator();
  simulator.Unplug(CameraSerial());
  ASSERT_TRUE(Eventually([&] { return station.IsReconnecting(); }));
  simulator.Replug(CameraSerial());
  ASSERT_TRUE(Eventually([&] { return !station.IsReconnecting(); }));
  EXPECT_GE(FramesToConverge(threeStopsUnder), 1) << "no convergence after the replug";
}

TEST_F(StationExposureTest, LiveModeLeavesCleanlyWhenTheCameraRefusesTheKeptExposure) {
  CountingStation& station = Start(false);
  station.SetLiveMode(true);
  auto& simulator = Pylon::CTlFactory::GetInstance().Simulator();
  simulator.RefuseValue(CameraSerial(), "ExposureTimeRaw");
  simulator.RefuseValue(CameraSerial(), "GainRaw");
  EXPECT_NO_THROW(station.SetLiveMode(false));
  EXPECT_FALSE(station.IsLiveMode());
  simulator.RefuseValue(CameraSerial(), "ExposureTimeRaw", false);
  simulator.RefuseValue(CameraSerial(), "GainRaw", false);
  EXPECT_TRUE(Shoot(station));  // triggered again
}

}  // namespace
