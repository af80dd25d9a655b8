// Grabbing from simulated cameras: results, triggers, lines, removal.
#include <atomic>
#include <cmath>
#include <cstring>
#include <numeric>
#include <thread>

#include "pylon/sim/SimScene.h"
#include "tests/pylon/GrabSession.h"
#include "tests/pylon/SimFixture.h"

using namespace GenApi;
using Pylon::GrabResult;

namespace {

struct RemovalRecorder {
  std::atomic<int> calls{0};
  std::atomic<bool> onCallerThread{false};
  std::thread::id caller = std::this_thread::get_id();
  Pylon::IPylonDevice* device = nullptr;
  void OnRemoved(Pylon::IPylonDevice* removed) {
    device = removed;
    onCallerThread = std::this_thread::get_id() == caller;
    ++calls;
  }
};

struct Bgr {
  int b, g, r;
};

// The colour at the centre of a scene patch in a BGR frame.
Bgr PatchColour(const std::vector<uint8_t>& bgr, uint32_t width, uint32_t height, const char* name) {
  for (const Pylon::SScenePatch& patch : Pylon::CSimScene::Patches()) {
    if (std::string(patch.name) != name) continue;
    const auto x = uint32_t((patch.left + patch.right) / 2 * width);
    const auto y = uint32_t((patch.top + patch.bottom) / 2 * height);
    const uint8_t* pixel = &bgr[(size_t(y) * width + x) * 3];
    return {pixel[0], pixel[1], pixel[2]};
  }
  ADD_FAILURE() << "no patch " << name;
  return {};
}

double Mean(const uint8_t* data, size_t size) {
  return std::accumulate(data, data + size, 0.0) / double(size);
}

}  // namespace

class GrabTest : public SimCameraTest {
 protected:
  void Set(const char* name, const char* value) { CValuePtr(nodes->GetNode(name))->FromString(value); }
  void Execute(const char* name) { CCommandPtr(nodes->GetNode(name))->Execute(); }
  void SoftwareTriggered() {
    Set("TriggerMode", "On");
    Set("TriggerSource", "Software");
  }
  // One software-triggered frame at this exposure and gain (one buffer queued).
  std::vector<uint8_t> FrameAt(GrabSession& session, const char* exposure, const char* gain) {
    Set("ExposureTimeRaw", exposure);
    Set("GainRaw", gain);
    Execute("TriggerSoftware");
    GrabResult result;
    EXPECT_TRUE(session.Next(result));
    std::vector<uint8_t> frame = session.buffers[0];
    session.Requeue(result);
    return frame;
  }
};

TEST_F(GrabTest, SoftwareTriggerDeliversOneGrabbedFramePerTrigger) {
  SoftwareTriggered();
  Simulator().SetPaddingX(serial, 16);
  GrabSession session(device, 2);
  Execute("AcquisitionStart");
  GrabResult result;
  EXPECT_FALSE(session.grabber->GetWaitObject().Wait(0));
  Execute("TriggerSoftware");
  ASSERT_TRUE(session.Next(result));
  EXPECT_EQ(result.Status(), Pylon::Grabbed);
  EXPECT_EQ(result.GetPixelType(), Pylon::PixelType_BayerBG8);
  EXPECT_EQ(result.GetSizeX(), int32_t(kWidth));
  EXPECT_EQ(result.GetSizeY(), int32_t(kHeight));
  EXPECT_EQ(result.GetPaddingX(), 16);
  EXPECT_EQ(result.GetPayloadSize(), int64_t(kWidth + 16) * kHeight);
  EXPECT_EQ(result.Context(), &session.buffers[0]);
  EXPECT_EQ(result.Buffer(), session.buffers[0].data());
  EXPECT_FALSE(session.grabber->GetWaitObject().Wait(0));  // nothing else pending
  session.Requeue(result);
  Execute("TriggerSoftware");
  ASSERT_TRUE(session.Next(result));
  EXPECT_EQ(result.Context(), &session.buffers[1]);
  Execute("AcquisitionStop");
}

TEST_F(GrabTest, TriggersAreIgnoredWhileNotAcquiringOrFreeRunning) {
  GrabSession session(device, 1);
  SoftwareTriggered();
  Execute("TriggerSoftware");  // acquisition not started: no frame
  EXPECT_FALSE(session.grabber->GetWaitObject().Wait(100));
  Set("TriggerMode", "Off");
  Execute("AcquisitionStart");  // free run: frames come without triggers
  GrabResult result;
  ASSERT_TRUE(session.Next(result));
  EXPECT_EQ(result.Status(), Pylon::Grabbed);
  EXPECT_GT(result.GetBlockID(), 0u);
}

TEST_F(GrabTest, CancelReturnsEveryQueuedBufferAsCanceled) {
  SoftwareTriggered();
  GrabSession session(device, 3);
  Execute("AcquisitionStart");
  session.grabber->CancelGrab();
  int canceled = 0;
  GrabResult result;
  while (session.grabber->GetWaitObject().Wait(0) && session.grabber->RetrieveResult(result)) {
    EXPECT_EQ(result.Status(), Pylon::Canceled);
    ++canceled;
  }
  EXPECT_EQ(canceled, 3);
  EXPECT_FALSE(session.grabber->RetrieveResult(result));
  Execute("TriggerSoftware");  // no buffer queued: the frame is lost
  EXPECT_FALSE(session.grabber->GetWaitObject().Wait(200));
  EXPECT_EQ(Simulator().FramesLost(serial), 1u);
}

TEST_F(GrabTest, DeregisteredBuffersLeaveTheQueues) {
  SoftwareTriggered();
  GrabSession session(device, 2);
  session.grabber->DeregisterBuffer(session.handles[0]);
  session.handles.erase(session.handles.begin());
  session.buffers[0].assign(1, 0);  // the caller may free the memory now
  Execute("AcquisitionStart");
  Execute("TriggerSoftware");
  GrabResult result;
  ASSERT_TRUE(session.Next(result));
  EXPECT_EQ(result.Handle(), session.handles[0]);
  EXPECT_THROW(session.grabber->QueueBuffer(reinterpret_cast<void*>(999)), GenICam::InvalidArgumentException);
}

TEST_F(GrabTest, InvalidFramesAndSmallBuffersFailWithoutTouchingMemory) {
  SoftwareTriggered();
  GrabSession session(device, 1);
  Execute("AcquisitionStart");
  Simulator().DeliverInvalidFrame(serial);
  Execute("TriggerSoftware");
  GrabResult result;
  ASSERT_TRUE(session.Next(result));
  EXPECT_EQ(result.Status(), Pylon::Failed);
  EXPECT_FALSE(result.GetErrorDescription().empty());
  session.Requeue(result);
  Execute("TriggerSoftware");
  ASSERT_TRUE(session.Next(result));
  EXPECT_EQ(result.Status(), Pylon::Grabbed);
  session.Requeue(result);
  // The payload grows beyond the registered buffer: the frame fails.
  Execute("AcquisitionStop");
  Set("PixelFormat", "BGR8Packed");
  Execute("AcquisitionStart");
  std::fill(session.buffers[0].begin(), session.buffers[0].end(), uint8_t(7));
  Execute("TriggerSoftware");
  ASSERT_TRUE(session.Next(result));
  EXPECT_EQ(result.Status(), Pylon::Failed);
  EXPECT_EQ(std::count(session.buffers[0].begin(), session.buffers[0].end(), 7),
            std::ptrdiff_t(session.buffers[0].size()));
}

TEST_F(GrabTest, BrightnessFollowsExposureAndGainAndSaturates) {
  SoftwareTriggered();
  Set("PixelFormat", "Mono8");
  GrabSession session(device, 1);
  Execute("AcquisitionStart");
  auto meanAt = [&](const char* exposure, const char* gain) {
    return Mean(FrameAt(session, exposure, gain).data(), kWidth * kHeight);
  };
  const double nominal = meanAt("500", "0");
  const double half = meanAt("250", "0");
  EXPECT_GT(nominal, 40.0);
  EXPECT_NEAR(half / nominal, 0.5, 0.05);
  EXPECT_NEAR(meanAt("250", "167") / nominal, 1.0, 0.06);  // 167 steps are about 6 dB
  EXPECT_GT(meanAt("4095", "1023"), 240.0);                // all but true black saturates
  EXPECT_LT(meanAt("1", "0"), 2.0);
}

// Frames with unchanged settings are delivered from the last rendering; a
// changed setting must reach the very next frame.
TEST_F(GrabTest, EachFrameFollowsTheSettingsAtItsTrigger) {
  SoftwareTriggered();
  Set("PixelFormat", "BGR8Packed");
  GrabSession session(device, 1);
  Execute("AcquisitionStart");
  auto grab = [&](const char* exposure, const char* gain) { return FrameAt(session, exposure, gain); };
  const std::vector<uint8_t> nominal = grab("500", "0");
  EXPECT_EQ(grab("500", "0"), nominal);
  const std::vector<uint8_t> half = grab("250", "0");
  EXPECT_NEAR(PatchColour(half, kWidth, kHeight, "white").g, 118, 2);
  EXPECT_NE(grab("250", "100"), half);
  EXPECT_EQ(grab("500", "0"), nominal);
}

TEST_F(GrabTest, BayerFramesHaveTheirPhaseInEveryPattern) {
  SoftwareTriggered();
  for (const char* format : {"BayerBG8", "BayerRG8", "BayerGR8", "BayerGB8"}) {
    SCOPED_TRACE(format);
    Set("PixelFormat", format);
    GrabSession session(device, 1);
    Execute("AcquisitionStart");
    Execute("TriggerSoftware");
    GrabResult result;
    ASSERT_TRUE(session.Next(result));
    Pylon::CPixelFormatConverterBayer converter;
    Pylon::SInputImageFormat input;
    input.Width = kWidth;
    input.Height = kHeight;
    input.LinePitch = kWidth;
    input.PixelFormat = result.GetPixelType();
    Pylon::SOutputImageFormat output;
    output.PixelFormat = Pylon::PixelType_BGR8packed;
    std::vector<uint8_t> bgr(kWidth * kHeight * 3);
    converter.Convert(bgr.data(), bgr.size(), result.Buffer(), size_t(result.GetPayloadSize()), input,
                      output);
    const Bgr red = PatchColour(bgr, kWidth, kHeight, "red");
    EXPECT_NEAR(red.r, 200, 3);
    EXPECT_LT(red.g + red.b, 6);
    const Bgr blue = PatchColour(bgr, kWidth, kHeight, "blue");
    EXPECT_NEAR(blue.b, 200, 3);
    EXPECT_LT(blue.g + blue.r, 6);
    const Bgr skin = PatchColour(bgr, kWidth, kHeight, "skin");
    EXPECT_NEAR(skin.r, 224, 3);
    EXPECT_NEAR(skin.g, 172, 3);
    EXPECT_NEAR(skin.b, 140, 3);
    Execute("AcquisitionStop");
  }
}

TEST_F(GrabTest, PackedColourAndMono12FormatsCarryTheScene) {
  SoftwareTriggered();
  auto grab = [&](const char* format) {
    Set("PixelFormat", format);
    GrabSession session(device, 1);
    Execute("AcquisitionStart");
    Execute("TriggerSoftware");
    GrabResult result;
    EXPECT_TRUE(session.Next(result));
    Execute("AcquisitionStop");
    return session.buffers[0];
  };
  const std::vector<uint8_t> bgr = grab("BGR8Packed");
  const Bgr green = PatchColour(bgr, kWidth, kHeight, "green");
  EXPECT_EQ(green.g, 200);
  EXPECT_EQ(green.r + green.b, 0);

  const std::vector<uint8_t> yuv444 = grab("YUV444Packed");  // Y, U, V
  const Bgr yuvGreen = PatchColour(yuv444, kWidth, kHeight, "green");
  EXPECT_NEAR(yuvGreen.b, 0.587 * 200, 1.0);                // Y
  EXPECT_NEAR(yuvGreen.g, 128 - 0.492 * 0.587 * 200, 1.0);  // U
  EXPECT_NEAR(yuvGreen.r, 128 - 0.877 * 0.587 * 200, 1.0);  // V

  const std::vector<uint8_t> yuv422 = grab("YUV422Packed");  // U Y V Y
  const std::vector<uint8_t> mono12 = grab("Mono12");
  const std::vector<uint8_t> mono8 = grab("Mono8");
  for (uint32_t x : {0u, 100u, 201u}) {
    const size_t pixel = size_t(kHeight / 2) * kWidth + x;
    uint16_t wide;
    std::memcpy(&wide, &mono12[pixel * 2], 2);
    EXPECT_LE(wide, 4095);
    EXPECT_EQ(wide >> 4, mono8[pixel]);
    EXPECT_NEAR(yuv422[pixel * 2 + 1], 16 + mono8[pixel] * 219.0 / 255.0, 2.0);
  }
}

TEST_F(GrabTest, CameraLutShapesThePixelValues) {
  SoftwareTriggered();
  Set("PixelFormat", "BGR8Packed");
  CIntegerPtr index(nodes->GetNode("LUTIndex"));
  CIntegerPtr value(nodes->GetNode("LUTValue"));
  for (int64_t i = 0; i < 4096; i += 8) {
    index->SetValue(i);
    value->SetValue(4095 - i);  // an inverting table
  }
  Set("LUTEnable", "1");
  GrabSession session(device, 1);
  Execute("AcquisitionStart");
  Execute("TriggerSoftware");
  GrabResult result;
  ASSERT_TRUE(session.Next(result));
  const Bgr black = PatchColour(session.buffers[0], kWidth, kHeight, "black");
  EXPECT_EQ(black.r, 255);
  const Bgr red = PatchColour(session.buffers[0], kWidth, kHeight, "red");
  EXPECT_NEAR(red.r, 55, 1);
  EXPECT_EQ(red.g, 255);
}

TEST_F(GrabTest, TheSelectedTriggerImplementationDrivesTheFrames) {
  Set("TriggerControlImplementation", "Standard");
  SoftwareTriggered();
  Set("TriggerControlImplementation", "Legacy");
  Set("TriggerMode", "Off");
  Set("TriggerControlImplementation", "Standard");
  GrabSession session(device, 1);
  Execute("AcquisitionStart");
  EXPECT_FALSE(session.grabber->GetWaitObject().Wait(200));  // waits for a trigger
  Execute("TriggerSoftware");
  GrabResult result;
  ASSERT_TRUE(session.Next(result));
  session.Requeue(result);
  Set("TriggerControlImplementation", "Legacy");  // free running again
  ASSERT_TRUE(session.Next(result));
}

TEST_F(GrabTest, BalanceRatiosScaleTheirColourChannel) {
  SoftwareTriggered();
  Set("PixelFormat", "BGR8Packed");
  Set("BalanceRatioSelector", "Red");
  Set("BalanceRatioAbs", "0.5");
  Set("BalanceRatioSelector", "Blue");
  Set("BalanceRatioAbs", "1.25");
  GrabSession session(device, 1);
  Execute("AcquisitionStart");
  Execute("TriggerSoftware");
  GrabResult result;
  ASSERT_TRUE(session.Next(result));
  const Bgr white = PatchColour(session.buffers[0], kWidth, kHeight, "white");
  EXPECT_NEAR(white.r, 235 / 2, 1);
  EXPECT_EQ(white.g, 235);
  EXPECT_EQ(white.b, 255);  // 294 saturates
}

TEST_F(GrabTest, LineTriggerHonoursActivationAndDelay) {
  Set("TriggerMode", "On");
  Set("TriggerSource", "Line1");
  Set("TriggerActivation", "FallingEdge");
  GrabSession session(device, 2);
  Execute("AcquisitionStart");
  GrabResult result;
  Simulator().SetLineLevel(serial, 1, true);  // rising edge: no frame
  EXPECT_EQ(CIntegerPtr(nodes->GetNode("LineStatusAll"))->GetValue() & 1, 1);
  EXPECT_TRUE(Simulator().LineLevel(serial, "Line1"));
  EXPECT_FALSE(session.grabber->GetWaitObject().Wait(100));
  Set("TriggerDelayAbs", "500000");
  Simulator().SetLineLevel(serial, 1, false);  // falling edge: a frame after the delay
  EXPECT_FALSE(session.grabber->GetWaitObject().Wait(0));
  ASSERT_TRUE(session.Next(result));
  EXPECT_EQ(result.Status(), Pylon::Grabbed);
  EXPECT_EQ(CIntegerPtr(nodes->GetNode("LineStatusAll"))->GetValue() & 1, 0);
  CEnumerationPtr(nodes->GetNode("LineSelector"))->FromString("Line1");
  EXPECT_FALSE(CBooleanPtr(nodes->GetNode("LineStatus"))->GetValue());
}

TEST_F(GrabTest, DebouncerSwallowsGlitchesShorterThanItsTime) {
  Set("TriggerMode", "On");
  Set("TriggerSource", "Line2");
  Set("LineSelector", "Line2");
  Set("LineDebouncerTimeAbs", "400000");
  GrabSession session(device, 1);
  Execute("AcquisitionStart");
  Simulator().SetLineLevel(serial, 2, true);
  Simulator().SetLineLevel(serial, 2, false);  // back before the debouncer time
  EXPECT_FALSE(session.grabber->GetWaitObject().Wait(500));
  EXPECT_FALSE(Simulator().LineLevel(serial, "Line2"));
  Simulator().SetLineLevel(serial, 2, true);  // held: accepted after 400 ms
  GrabResult result;
  ASSERT_TRUE(session.Next(result));
  EXPECT_TRUE(Simulator().LineLevel(serial, "Line2"));
}

TEST_F(GrabTest, UserOutputsPulseTheOutputLines) {
  CIntegerPtr outputs(nodes->GetNode("UserOutputValueAll"));
  Set("LineSelector", "Out1");
  Set("LineSource", "UserOutput");
  outputs->SetValue(1);
  outputs->SetValue(1 | 2);
  EXPECT_TRUE(Simulator().LineLevel(serial, "Out1"));
  EXPECT_EQ(CIntegerPtr(nodes->GetNode("LineStatusAll"))->GetValue() & 4, 4);
  outputs->SetValue(1);
  EXPECT_FALSE(Simulator().LineLevel(serial, "Out1"));
  EXPECT_EQ(Simulator().OutputPulses(serial, "Out1"), 1u);
  Set("UserOutputSelector", "UserOutput2");
  Set("UserOutputValue", "1");
  EXPECT_EQ(outputs->GetValue(), 1 | 4);
  EXPECT_TRUE(Simulator().LineLevel(serial, "Out2"));

  // An output following the exposure pulses once per frame.
  Set("LineSource", "ExposureActive");
  SoftwareTriggered();
  GrabSession session(device, 1);
  Execute("AcquisitionStart");
  Execute("TriggerSoftware");
  GrabResult result;
  ASSERT_TRUE(session.Next(result));
  EXPECT_EQ(Simulator().OutputPulses(serial, "Out1"), 2u);
}

TEST_F(GrabTest, UnpluggingFiresTheRemovalCallbackOnceOnAnSdkThread) {
  RemovalRecorder recorder;
  Pylon::DeviceCallbackHandle handle =
      Pylon::RegisterRemovalCallback(device, recorder, &RemovalRecorder::OnRemoved);
  ASSERT_NE(handle, nullptr);
  SoftwareTriggered();
  Simulator().Unplug(serial);
  Simulator().Unplug(serial);
  for (int i = 0; i < 500 && recorder.calls == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(recorder.calls, 1);
  EXPECT_FALSE(recorder.onCallerThread);
  EXPECT_EQ(recorder.device, device);
  EXPECT_EQ(nodes->GetNode("ExposureTimeRaw")->GetAccessMode(), NA);
  EXPECT_THROW(CIntegerPtr(nodes->GetNode("ExposureTimeRaw"))->SetValue(100), GenICam::AccessException);

  auto& factory = Pylon::CTlFactory::GetInstance();
  Pylon::DeviceInfoList devices;
  EXPECT_EQ(factory.EnumerateDevices(devices), 1);
  EXPECT_NE(devices[0].GetSerialNumber(), serial);
  EXPECT_TRUE(device->DeregisterRemovalCallback(handle));
  device->Close();
  factory.DestroyDevice(device);
  device = nullptr;

  Simulator().Replug(serial);
  EXPECT_EQ(factory.EnumerateDevices(devices), 2);
  device = factory.CreateDevice(devices[0]);
  device->Open();
  nodes = device->GetNodeMap();
  EXPECT_EQ(nodes->GetNode("ExposureTimeRaw")->GetAccessMode(), RW);
}

TEST_F(GrabTest, DeviceDestroyedInsideItsRemovalCallbackIsSafe) {
  struct Destroyer {
    std::atomic<int> calls{0};
    void OnRemoved(Pylon::IPylonDevice* removed) {
      Pylon::CTlFactory::GetInstance().DestroyDevice(removed);
      ++calls;
    }
  } destroyer;
  Pylon::RegisterRemovalCallback(device, destroyer, &Destroyer::OnRemoved);
  device = nullptr;  // the callback owns its destruction now
  Simulator().Unplug(serial);
  for (int i = 0; i < 500 && destroyer.calls == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(destroyer.calls, 1);
}

TEST(WaitObjects, WaitForAnyReportsTheSignalledIndex) {
  Pylon::WaitObjectEx first = Pylon::WaitObjectEx::Create();
  Pylon::AlertableWaitObject second;
  Pylon::WaitObjects set;
  EXPECT_EQ(set.Add(first), 0u);
  EXPECT_EQ(set.Add(second), 1u);
  unsigned index = 99;
  EXPECT_FALSE(set.WaitForAny(10, &index));
  EXPECT_EQ(index, 99u);
  std::thread signaller([&second] { second.Signal(); });
  EXPECT_TRUE(set.WaitForAny(Pylon::INFINITE, &index));
  signaller.join();
  EXPECT_EQ(index, 1u);
  first.Signal();
  EXPECT_TRUE(set.WaitForAny(0, &index));
  EXPECT_EQ(index, 0u);  // the lowest signalled object wins
  EXPECT_TRUE(set.WaitForAll(0));
  first.Reset();
  EXPECT_FALSE(set.WaitForAll(0));
  set.RemoveAll();
  EXPECT_EQ(set.GetSize(), 0u);
}
