// The camera's software trigger and user outputs on the simulated camera.
#include "RecordingCamera.h"
#include "SimCameraFixture.h"

namespace {

// A camera whose trigger was configured on an input line.
class LineTriggeredCamera : public CRecordingCamera {
 public:
  using CRecordingCamera::CRecordingCamera;
  void TriggerFromLine() { m_triggerFromLine = true; }
};

using CameraTriggerTest = SimCameraTest;

TEST_F(CameraTriggerTest, ASoftwareShotWithoutALineTriggerLeavesTheSourceOnSoftware) {
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  SetSymbol(camera, "TriggerMode", "On");
  SetSymbol(camera, "TriggerSource", "Line1");
  ASSERT_TRUE(camera.PrepareGrab(2));
  EXPECT_TRUE(camera.ExecuteSoftwareTrigger());
  EXPECT_TRUE(camera.WaitForFrames(1));
  EXPECT_EQ(Symbol(camera, "TriggerSource"), "Software");
}

TEST_F(CameraTriggerTest, ALineTriggeredCameraGetsItsLineBackAfterASoftwareShot) {
  LineTriggeredCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  camera.TriggerFromLine();
  SetSymbol(camera, "TriggerMode", "On");
  SetSymbol(camera, "TriggerSource", "Line1");
  ASSERT_TRUE(camera.PrepareGrab(2));
  EXPECT_TRUE(camera.ExecuteSoftwareTrigger());
  EXPECT_EQ(Symbol(camera, "TriggerSource"), "Line1");
}

TEST_F(CameraTriggerTest, OutputsPulseAndNothingIsTouchedOnceTheDeviceIsGone) {
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  GenApi::CIntegerPtr outputs(camera.GetNodeMap()->GetNode("UserOutputValueAll"));
  outputs->SetValue(1);
  camera.FireOutputs(2);
  EXPECT_EQ(Simulator().OutputPulses(Serial(0), "Out1"), 1u);
  EXPECT_EQ(outputs->GetValue(), 1);

  Simulator().Unplug(Serial(0));
  ASSERT_TRUE(camera.WaitForRemovals(1));
  EXPECT_FALSE(camera.ExecuteSoftwareTrigger());
  EXPECT_NO_THROW(camera.FireOutputs(2));
  EXPECT_NO_THROW(camera.SetFreeRunning(true));
  Simulator().Replug(Serial(0));
}

}  // namespace
