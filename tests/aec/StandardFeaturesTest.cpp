// The controller on a camera that follows the standard feature names: the
// exposure in microseconds, the gain as a float in dB. Limits, written and
// kept values stay in raw steps (20 microseconds, 0.0359 dB).
#include <gtest/gtest.h>

#include "aec/AutoExposureCtrl.h"
#include "pylon/MemoryNodes.h"
#include "tests/aec/TestFrame.h"

using namespace AEC;

namespace {

constexpr int kGlobalMeanIndex = 1;

struct StandardCamera {
  StandardCamera() {
    m_gainSelector.AddEntry("All", 0);
    m_gainSelector.AddSelected(m_gain);
  }
  GenApi::CNodeMapBase nodes{"StandardCamera"};
  GenApi::CMemoryFloat& exposure = nodes.Add<GenApi::CMemoryFloat>("ExposureTime", 20.0, 40000.0, 10000.0);
  GenApi::CMemoryFloat& m_gain = nodes.Add<GenApi::CMemoryFloat>("Gain", 0.0, 24.0, 6.0);
  GenApi::CMemoryEnumeration& m_gainSelector = nodes.Add<GenApi::CMemoryEnumeration>("GainSelector");
};

TEST(StandardFeatures, TheFloatNodesAreBoundInRawStepsWithTheirLimits) {
  StandardCamera camera;
  CAutoExposureCtrl ctrl;
  ctrl.BindNodes(&camera.nodes);
  EXPECT_EQ(ctrl.BoundNodes(), "exposure ExposureTime, gain Gain");
  EXPECT_EQ(ctrl.m_settings.m_shutterMax, 2000);  // 40000 us
  EXPECT_EQ(ctrl.m_settings.m_shutterMin, 1);     // 20 us
  EXPECT_EQ(ctrl.m_settings.m_gainMax, 668);      // 24 dB

  // A level of 64 from 500 steps: Global Mean proposes 0.2 * 500 + 0.8 * 128 / (64 / 500) = 900
  // steps, 899.99 in float, written truncated.
  CTestFrame frame{40, 30};
  frame.Fill(64);
  ctrl.SelectAlgorithm(kGlobalMeanIndex);
  ctrl.Run(&frame.Image());
  EXPECT_DOUBLE_EQ(camera.exposure.GetValue(), 17980.0);

  ctrl.Snapshot();
  ctrl.MaximiseGain();
  EXPECT_NEAR(camera.m_gain.GetValue(), 24.0, 0.0359);
  ctrl.Restore();
  EXPECT_NEAR(camera.m_gain.GetValue(), 6.0, 0.0359 / 2);
  EXPECT_DOUBLE_EQ(camera.exposure.GetValue(), 17980.0);
}

TEST(StandardFeatures, TheRawNodesComeFirstAndUnbindingStopsEveryWrite) {
  StandardCamera camera;
  auto& raw = camera.nodes.Add<GenApi::CMemoryInteger>("ExposureTimeRaw", 1, 4095, 500);
  CAutoExposureCtrl ctrl;
  ctrl.BindNodes(&camera.nodes);
  EXPECT_EQ(ctrl.BoundNodes(), "exposure ExposureTimeRaw, gain Gain");

  CTestFrame frame{40, 30};
  frame.Fill(64);
  ctrl.SelectAlgorithm(kGlobalMeanIndex);
  ctrl.Run(&frame.Image());
  EXPECT_EQ(raw.GetValue(), 899);
  EXPECT_DOUBLE_EQ(camera.exposure.GetValue(), 10000.0);

  ctrl.BindNodes(nullptr);  // the camera went away
  EXPECT_EQ(ctrl.BoundNodes(), "exposure none, gain none");
  ctrl.Run(&frame.Image());
  ctrl.Snapshot();
  ctrl.MaximiseGain();
  ctrl.Restore();
  EXPECT_EQ(raw.GetValue(), 899);
  EXPECT_DOUBLE_EQ(camera.m_gain.GetValue(), 6.0);
}

}  // namespace
