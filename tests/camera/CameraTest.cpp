#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "RecordingCamera.h"
#include "SimCameraFixture.h"
#include "pylon/sim/SimScene.h"

using namespace Pylon;

namespace {

const SScenePatch& ScenePatch(const std::string& name) {
  for (const SScenePatch& patch : CSimScene::Patches())
    if (name == patch.name) return patch;
  throw std::runtime_error("no scene patch " + name);
}

// The patch's colour at the centre of the patch, read as B, G, R.
std::array<int, 3> PatchColour(const SDeliveredFrame& frame, const SScenePatch& patch, bool upright) {
  const int x = int((patch.left + patch.right) / 2 * frame.width);
  const int y = int((patch.top + patch.bottom) / 2 * frame.height);
  return frame.ColourAt(x, upright ? y : frame.height - 1 - y);
}

}  // namespace

using CameraOpen = SimCameraTest;

TEST_F(CameraOpen, ByIndexAndBySerial) {
  CRecordingCamera camera("CameraTest");
  EXPECT_TRUE(camera.OpenByIndex(1));
  EXPECT_TRUE(camera.IsOpen());
  EXPECT_EQ(camera.GetDevice()->GetDeviceInfo().GetSerialNumber(), Serial(1));
  EXPECT_EQ(Symbol(camera, "TriggerControlImplementation"), "Legacy");
  EXPECT_EQ(Symbol(camera, "TriggerMode"), "Off");

  EXPECT_TRUE(camera.OpenBySerial(Serial(1)));
  EXPECT_EQ(camera.GetDevice()->GetDeviceInfo().GetSerialNumber(), Serial(1));
  EXPECT_EQ(camera.TraceCount("Device id " + Serial(0) + "\n"), 1u);
  EXPECT_EQ(camera.TraceCount("Device id " + Serial(1) + "\n"), 1u);

  EXPECT_FALSE(camera.OpenBySerial("no such camera"));
  EXPECT_FALSE(camera.IsOpen());
  EXPECT_EQ(camera.GetNodeMap(), nullptr);
  EXPECT_FALSE(camera.OpenByIndex(2));
  EXPECT_FALSE(camera.OpenByIndex(-1));
  EXPECT_FALSE(camera.PrepareGrab(1));
}

TEST_F(CameraOpen, PixelFormatIsTheRequestedOneOrTheClosestOfItsKind) {
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  struct Case {
    EPixelType requested, chosen;
  };
  for (const Case& c :
       {Case{PixelType_BayerGB8, PixelType_BayerGB8}, Case{PixelType_Mono16, PixelType_Mono12},
        Case{PixelType_RGB8packed, PixelType_YUV444packed},
        Case{PixelType_BayerRG12, PixelType_BGR8packed}}) {
    camera.SetRequestedPixelType(c.requested);
    ASSERT_TRUE(camera.PrepareGrab(1));
    EXPECT_EQ(camera.GetCameraPixelType(), c.chosen) << std::hex << c.requested;
    GenApi::CEnumerationPtr format(camera.GetNodeMap()->GetNode("PixelFormat"));
    EXPECT_EQ(format->GetIntValue(), int64_t(c.chosen));
    camera.StopGrab();
  }
}

using CameraGrab = SimCameraTest;

TEST_F(CameraGrab, TriggeredFramesArriveAsBgrWithTheSceneColoursInEveryBayerPhase) {
  for (EPixelType format : {PixelType_BayerGR8, PixelType_BayerRG8, PixelType_BayerGB8, PixelType_BayerBG8})
    for (bool flip : {true, false}) {
      SCOPED_TRACE(testing::Message() << PixelTypeName(format) << (flip ? " flipped" : " unflipped"));
      CRecordingCamera camera("CameraTest");
      ASSERT_TRUE(camera.OpenByIndex(0));
      camera.GetConverter().SetFlip(flip);
      UseSoftwareTrigger(camera);
      camera.SetRequestedPixelType(format);
      ASSERT_TRUE(camera.PrepareGrab(2));
      Execute(camera, "TriggerSoftware");
      ASSERT_TRUE(camera.WaitForFrames(1));
      const SDeliveredFrame frame = camera.Frame(0);
      EXPECT_EQ(frame.width, int(kWidth));
      EXPECT_EQ(frame.height, int(kHeight));
      EXPECT_EQ(frame.channels, 3);
      EXPECT_EQ(frame.ownership, OwnershipHeaderAndData);
      ASSERT_FALSE(frame.pixels.empty());
      for (const char* name : {"red", "green", "blue", "yellow", "skin"}) {
        const SScenePatch& patch = ScenePatch(name);
        const std::array<int, 3> colour = PatchColour(frame, patch, flip);
        EXPECT_NEAR(colour[0], patch.blue, 8) << name;
        EXPECT_NEAR(colour[1], patch.green, 8) << name;
        EXPECT_NEAR(colour[2], patch.red, 8) << name;
      }
      EXPECT_EQ(camera.TraceCount("Camera got valid frame\n"), 1u);
    }
}

TEST_F(CameraGrab, FrameDividerDeliversEveryNthFrame) {
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  UseSoftwareTrigger(camera);
  camera.SetFrameDivider(3);
  EXPECT_EQ(camera.GetFrameDivider(), 3);
  ASSERT_TRUE(camera.PrepareGrab(9));
  for (int shot = 0; shot < 9; ++shot) Execute(camera, "TriggerSoftware");
  ASSERT_TRUE(camera.WaitForFrames(3));
  camera.StopGrab();  // nothing is delivered after this
  EXPECT_EQ(camera.FrameCount(), 3u);
  EXPECT_EQ(Simulator().FramesLost(Serial(0)), 0u);
  camera.SetFrameDivider(1000);
  EXPECT_EQ(camera.GetFrameDivider(), 100);
}

TEST_F(CameraGrab, InvalidFramesAreDroppedAndTheirBuffersQueuedAgain) {
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  UseSoftwareTrigger(camera);
  // Two buffers and one shot at a time: a shot finds a free buffer only when
  // every buffer before the previous shot's, the invalid one's too, came back.
  ASSERT_TRUE(camera.PrepareGrab(2));
  Simulator().DeliverInvalidFrame(Serial(0));
  Execute(camera, "TriggerSoftware");
  ASSERT_TRUE(camera.WaitForTrace("Camera got invalid frame\n"));
  for (int shot = 1; shot <= 4; ++shot) {
    Execute(camera, "TriggerSoftware");
    ASSERT_TRUE(camera.WaitForFrames(size_t(shot)));
  }
  EXPECT_EQ(Simulator().FramesLost(Serial(0)), 0u);
  EXPECT_EQ(camera.TraceCount("Camera got invalid frame\n"), 1u);
  EXPECT_EQ(camera.TraceCount("Camera got valid frame\n"), 4u);
  EXPECT_EQ(camera.FrameCount(), 4u);
}

TEST_F(CameraGrab, QuietContinuousAcquisitionIsStartedAgain) {
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  ASSERT_TRUE(camera.PrepareGrab(2));  // trigger mode off: free running
  ASSERT_TRUE(camera.WaitForFrames(1));
  // The camera stops behind the grab thread's back; after 500 ms without a
  // frame the thread starts it again and frames flow once more.
  Execute(camera, "AcquisitionStop");
  const size_t before = camera.FrameCount();
  ASSERT_TRUE(camera.WaitForFrames(before + 3));
  EXPECT_TRUE(camera.IsAcquisitionRunning());
}

TEST_F(CameraGrab, StopGrabDrainsPendingFramesAndQueuesNoBufferAfterwards) {
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  UseSoftwareTrigger(camera);
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::promise<void> holding;
  camera.m_holdFrames = [&, first = true]() mutable {
    if (!std::exchange(first, false)) return;
    holding.set_value();
    released.wait();
  };
  ASSERT_TRUE(camera.PrepareGrab(4));
  for (int shot = 0; shot < 4; ++shot) Execute(camera, "TriggerSoftware");
  holding.get_future().wait();  // the grab thread sits in the first delivery
  auto stopping = std::async(std::launch::async, [&] { camera.StopGrab(); });
  while (!camera.IsTerminationRequested()) std::this_thread::yield();
  release.set_value();
  stopping.get();
  EXPECT_EQ(camera.FrameCount(), 1u);  // the three pending frames were drained, not delivered
  EXPECT_EQ(camera.TraceCount("Camera received a termination request\n"), 1u);
  EXPECT_FALSE(camera.IsAcquisitionRunning());

  // Buffers queued after the stop would be filled by the next run's frames
  // behind its back; a fresh run delivers exactly what it is asked for.
  camera.m_holdFrames = nullptr;
  ASSERT_TRUE(camera.PrepareGrab(1));
  Execute(camera, "TriggerSoftware");
  ASSERT_TRUE(camera.WaitForFrames(2));
  EXPECT_EQ(camera.Frame(1).ownership, OwnershipHeaderAndData);
}

TEST_F(CameraGrab, RemovedDeviceIsReportedOnceAndTheCameraCanBeOpenedAgain) {
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  const std::string fullName = camera.GetDevice()->GetDeviceInfo().GetFullName();
  UseSoftwareTrigger(camera);
  ASSERT_TRUE(camera.PrepareGrab(2));
  Simulator().Unplug(Serial(0));
  ASSERT_TRUE(camera.WaitForRemovals(1));
  EXPECT_FALSE(camera.IsOpen());
  EXPECT_FALSE(camera.IsAcquisitionRunning());
  EXPECT_EQ(
      camera.TraceCount("Member function callback for removal of device " + fullName + " has been fired\n"),
      1u);
  Simulator().Unplug(Serial(0));
  // Removals are reported in order: once another camera's is in, a second
  // report of the first would have come too.
  CRecordingCamera other("CameraTest");
  ASSERT_TRUE(other.OpenBySerial(Serial(1)));
  Simulator().Unplug(Serial(1));
  ASSERT_TRUE(other.WaitForRemovals(1));
  Simulator().Replug(Serial(1));
  EXPECT_EQ(camera.Removals(), 1);

  EXPECT_FALSE(camera.OpenBySerial(Serial(0)));
  Simulator().Replug(Serial(0));
  ASSERT_TRUE(camera.OpenBySerial(Serial(0)));
  UseSoftwareTrigger(camera);
  ASSERT_TRUE(camera.PrepareGrab(1));
  Execute(camera, "TriggerSoftware");
  EXPECT_TRUE(camera.WaitForFrames(1));
  EXPECT_EQ(camera.Removals(), 1);
}
