// Contract of the simulated stream grabber and the camera's frame area, modes
// and lifetime rules that callers rely on.
#include "pylon/sim/SimScene.h"
#include "tests/pylon/GrabSession.h"
#include "tests/pylon/SimFixture.h"

using namespace GenApi;
using Pylon::GrabResult;

using StreamGrabberTest = SimCameraTest;

TEST_F(StreamGrabberTest, MisuseIsReportedNotSilentlyAccepted) {
  Pylon::IStreamGrabber* grabber = device->GetStreamGrabber(0);
  ASSERT_NE(grabber, nullptr);
  EXPECT_EQ(device->GetStreamGrabber(1), nullptr);
  std::vector<uint8_t> memory(1024);
  EXPECT_THROW(grabber->RegisterBuffer(memory.data(), memory.size()),
               GenICam::LogicalErrorException);  // not open
  grabber->Open();
  EXPECT_THROW(grabber->Open(), GenICam::RuntimeException);
  CIntegerPtr(grabber->GetNodeMap()->GetNode("MaxNumBuffer"))->SetValue(1);
  CIntegerPtr(grabber->GetNodeMap()->GetNode("MaxBufferSize"))->SetValue(1024);
  EXPECT_THROW(grabber->RegisterBuffer(nullptr, 16), GenICam::InvalidArgumentException);
  std::vector<uint8_t> large(2048);
  EXPECT_THROW(grabber->RegisterBuffer(large.data(), large.size()), GenICam::InvalidArgumentException);
  Pylon::StreamBufferHandle handle = grabber->RegisterBuffer(memory.data(), memory.size());
  EXPECT_THROW(grabber->RegisterBuffer(memory.data(), memory.size()), GenICam::RuntimeException);
  EXPECT_THROW(grabber->QueueBuffer(handle), GenICam::LogicalErrorException);  // not prepared
  grabber->PrepareGrab();
  grabber->QueueBuffer(handle);
  EXPECT_THROW(grabber->QueueBuffer(handle), GenICam::LogicalErrorException);
  EXPECT_EQ(grabber->DeregisterBuffer(handle), memory.data());
  EXPECT_THROW(grabber->DeregisterBuffer(handle), GenICam::InvalidArgumentException);
  grabber->FinishGrab();
  grabber->Close();
}

TEST_F(StreamGrabberTest, AreaOfInterestKeepsLimitsAndBayerPhase) {
  CIntegerPtr width(nodes->GetNode("Width")), offsetX(nodes->GetNode("OffsetX"));
  CIntegerPtr height(nodes->GetNode("Height")), offsetY(nodes->GetNode("OffsetY"));
  width->SetValue(200);
  EXPECT_EQ(offsetX->GetMax(), int64_t(kWidth) - 200);
  offsetX->SetValue(100);
  EXPECT_EQ(width->GetMax(), int64_t(kWidth) - 100);
  EXPECT_THROW(width->SetValue(240), GenICam::OutOfRangeException);
  EXPECT_THROW(offsetX->SetValue(101), GenICam::OutOfRangeException);  // increment 2
  height->SetValue(100);
  offsetY->SetValue(20);

  CEnumerationPtr(nodes->GetNode("TriggerMode"))->FromString("On");
  CEnumerationPtr(nodes->GetNode("TriggerSource"))->FromString("Software");
  GrabSession session(device, 1);
  CCommandPtr(nodes->GetNode("AcquisitionStart"))->Execute();
  CCommandPtr(nodes->GetNode("TriggerSoftware"))->Execute();
  GrabResult result;
  ASSERT_TRUE(session.Next(result));
  EXPECT_EQ(result.GetSizeX(), 200);
  EXPECT_EQ(result.GetOffsetX(), 100);
  EXPECT_EQ(result.GetPayloadSize(), 200 * 100);
  // The red patch (scene x 0.635..0.74, y 0.02..0.20) seen through the area:
  // a red photosite of BayerBG8 sits at odd row, odd column.
  const auto x = uint32_t(0.69 * kWidth) - 100, y = uint32_t(0.11 * kHeight) - 20;
  const uint8_t* raw = session.buffers[0].data();
  const uint32_t redX = x | 1, redY = y | 1;
  EXPECT_NEAR(raw[redY * 200 + redX], 200, 2);     // red
  EXPECT_EQ(raw[redY * 200 + redX - 1], 0);        // green
  EXPECT_EQ(raw[(redY - 1) * 200 + redX - 1], 0);  // blue
}

TEST_F(StreamGrabberTest, SingleFrameModeStopsAfterOneFrame) {
  CEnumerationPtr(nodes->GetNode("AcquisitionMode"))->FromString("SingleFrame");
  CEnumerationPtr(nodes->GetNode("TriggerMode"))->FromString("Off");
  GrabSession session(device, 2);
  CCommandPtr(nodes->GetNode("AcquisitionStart"))->Execute();
  GrabResult result;
  ASSERT_TRUE(session.Next(result));
  EXPECT_FALSE(session.grabber->GetWaitObject().Wait(300));
  EXPECT_EQ(nodes->GetNode("Width")->GetAccessMode(), RW);  // acquisition ended
}

TEST_F(StreamGrabberTest, CamerasAreIndependentAndTerminationReleasesDevices) {
  auto& factory = Pylon::CTlFactory::GetInstance();
  Pylon::DeviceInfoList devices;
  factory.EnumerateDevices(devices);
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[1].GetSerialNumber(), "21900002");
  EXPECT_EQ(devices[1].GetDeviceClass(), "sim");
  Pylon::IPylonDevice* other = factory.CreateDevice(devices[1]);
  other->Open();
  CIntegerPtr(other->GetNodeMap()->GetNode("GainRaw"))->SetValue(400);
  EXPECT_EQ(CIntegerPtr(nodes->GetNode("GainRaw"))->GetValue(), 0);
  Simulator().Unplug(devices[1].GetSerialNumber());
  EXPECT_EQ(nodes->GetNode("GainRaw")->GetAccessMode(), RW);

  Pylon::PylonInitialize();  // nested: the inner terminate keeps the SDK running
  Pylon::PylonTerminate();
  EXPECT_NO_THROW(factory.DestroyDevice(other));
  Pylon::PylonTerminate();  // the last one destroys every device still held
  EXPECT_THROW(factory.DestroyDevice(device), GenICam::InvalidArgumentException);
  device = nullptr;
  Pylon::PylonInitialize();  // balances the fixture's terminate
}
