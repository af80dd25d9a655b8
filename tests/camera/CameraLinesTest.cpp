// The camera's trigger configuration, debouncers, line states and outputs on the
// simulated camera.
#include <gtest/gtest.h>

#include "RecordingCamera.h"
#include "SimCameraFixture.h"

namespace {

class CameraLines : public SimCameraTest {
 protected:
  void SetUp() override {
    SimCameraTest::SetUp();
    ASSERT_TRUE(m_camera.OpenByIndex(0));
  }
  double Float(const char* feature) {
    GenApi::CFloatPtr node(m_camera.GetNodeMap()->GetNode(feature));
    return node->GetValue();
  }
  double DebounceOf(const char* line) {
    const std::string previous = Symbol(m_camera, "LineSelector");
    SetSymbol(m_camera, "LineSelector", line);
    const double value = Float("LineDebouncerTimeAbs");
    SetSymbol(m_camera, "LineSelector", previous.c_str());
    return value;
  }

  CRecordingCamera m_camera{"CameraTest"};
};

TEST_F(CameraLines, ConfigureTriggerSelectsSourceAndEdge) {
  EXPECT_TRUE(m_camera.ConfigureTrigger(true, false, "Line1"));
  EXPECT_EQ(Symbol(m_camera, "TriggerMode"), "On");
  EXPECT_EQ(Symbol(m_camera, "TriggerSource"), "Line1");
  EXPECT_EQ(Symbol(m_camera, "TriggerActivation"), "FallingEdge");
  EXPECT_TRUE(m_camera.IsHardwareTriggerSource());

  EXPECT_TRUE(m_camera.ConfigureTrigger(false, true, "Line1"));
  EXPECT_EQ(Symbol(m_camera, "TriggerSource"), "Software");
  EXPECT_EQ(Symbol(m_camera, "TriggerActivation"), "RisingEdge");
  EXPECT_FALSE(m_camera.IsHardwareTriggerSource());

  Simulator().RefuseValue(Serial(0), "TriggerActivation");
  EXPECT_FALSE(m_camera.ConfigureTrigger(true, true, "Line2"));
  EXPECT_EQ(m_camera.TracesStartingWith("ConfigureTrigger Line2: "), 1u);
}

TEST_F(CameraLines, DebouncingALineRestoresTheSelectorEvenWhenRefused) {
  SetSymbol(m_camera, "LineSelector", "Line1");
  m_camera.SetLineDebounce(250, "Line2");
  EXPECT_EQ(Symbol(m_camera, "LineSelector"), "Line1");
  EXPECT_EQ(DebounceOf("Line2"), 250);

  // A filter of 1500 ms in camera-trigger mode is beyond the node's range.
  m_camera.SetLineDebounce(1500 * 1000.0, "Line2");
  EXPECT_EQ(Symbol(m_camera, "LineSelector"), "Line1");
  EXPECT_EQ(DebounceOf("Line2"), 250);
  EXPECT_EQ(m_camera.TracesStartingWith("LineDebouncerTimeAbs Line2 1500000: "), 1u);
}

TEST_F(CameraLines, DelayLineStatusAndOutputSource) {
  m_camera.SetTriggerDelay(700000);
  EXPECT_EQ(Float("TriggerDelayAbs"), 700000);
  m_camera.SetTriggerDelay(-1);  // refused by the camera, traced
  EXPECT_EQ(Float("TriggerDelayAbs"), 700000);

  EXPECT_EQ(m_camera.ReadLineStatus() & 1, 0);
  Simulator().SetLineLevel(Serial(0), 1, true);
  EXPECT_EQ(m_camera.ReadLineStatus() & 1, 1);

  m_camera.SetOutputSource(false, "Out1");
  EXPECT_EQ(Symbol(m_camera, "LineSelector"), "Out1");
  EXPECT_EQ(Symbol(m_camera, "LineSource"), "UserOutput");
  m_camera.SetOutputSource(true, "Out1");
  EXPECT_EQ(Symbol(m_camera, "LineSource"), "ExposureActive");
}

TEST(CameraLinesClosed, EveryOperationIsANoOpWithoutACamera) {
  CRecordingCamera camera("CameraTest");
  EXPECT_FALSE(camera.ConfigureTrigger(true, true, "Line1"));
  EXPECT_FALSE(camera.IsHardwareTriggerSource());
  EXPECT_EQ(camera.ReadLineStatus(), 0);
  camera.SetLineDebounce(10, "Line1");
  camera.SetTriggerDelay(10);
  camera.SetOutputSource(true, "Out1");
}

}  // namespace
