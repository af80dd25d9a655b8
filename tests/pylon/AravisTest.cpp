// The aravis transport against the Aravis fake GigE Vision camera on loopback.
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>
#include <unistd.h>

#include "pylon/PylonIncludes.h"
#include "tests/pylon/FakeCameraProcess.h"
#include "tests/pylon/GrabSession.h"

using namespace GenApi;

namespace {

// Enumerates until the camera with the serial shows up (the fake camera needs a
// moment to start answering discovery).
bool FindCamera(const std::string& serial, Pylon::CDeviceInfo& found) {
  Pylon::DeviceInfoList devices;
  for (int attempt = 0; attempt < 40; ++attempt) {
    Pylon::CTlFactory::GetInstance().EnumerateDevices(devices);
    for (const Pylon::CDeviceInfo& info : devices) {
      if (info.GetSerialNumber() == serial) {
        found = info;
        return true;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  return false;
}

struct ChangeCounter {
  int calls = 0;
  void OnChanged(INode*) { ++calls; }
};

bool InCategoryTree(INode* node, const std::string& name) {
  if (node->GetName() == name) return true;
  CCategoryPtr category(node);
  if (!category) return false;
  FeatureList_t features;
  category->GetFeatures(features);
  for (IValue* feature : features)
    if (InCategoryTree(feature->GetNode(), name)) return true;
  return false;
}

struct RemovalCounter {
  std::atomic<int> calls{0};
  void OnRemoved(Pylon::IPylonDevice*) { ++calls; }
};

}  // namespace

TEST(AravisTransport, EnumeratesOpensGrabsAndWritesFeaturesOfTheFakeCamera) {
  if (!FakeCameraProcess::Available())
    GTEST_SKIP() << FakeCameraProcess::kProgram
                 << " is missing: install the aravis-tools package to run this test";
  Pylon::PylonAutoInitTerm sdk;
  auto& factory = Pylon::CTlFactory::GetInstance();
  factory.SelectTransport("aravis");
  const std::string serial = "BX" + std::to_string(getpid());
  std::optional<FakeCameraProcess> camera(std::in_place, serial);
  ASSERT_TRUE(camera->Running());
  Pylon::CDeviceInfo info;
  ASSERT_TRUE(FindCamera(serial, info)) << "the fake camera did not answer discovery";
  EXPECT_EQ(info.GetDeviceClass(), "aravis");

  Pylon::IPylonDevice* device = factory.CreateDevice(info);
  device->Open(Pylon::Control | Pylon::Stream | Pylon::Event);
  INodeMap* nodes = device->GetNodeMap();
  ASSERT_NE(nodes, nullptr);
  EXPECT_EQ(nodes->GetNode("NoSuchFeature"), nullptr);
  EXPECT_EQ(CStringPtr(nodes->GetNode("DeviceModelName"))->GetAccessMode(), RO);

  EXPECT_TRUE(InCategoryTree(nodes->GetNode("Root"), "Width"));
  EXPECT_TRUE(InCategoryTree(nodes->GetNode("Root"), "TriggerSoftware"));
  EXPECT_FALSE(nodes->GetNode("Width")->GetDescription().empty());

  CIntegerPtr width(nodes->GetNode("Width"));
  CIntegerPtr height(nodes->GetNode("Height"));
  ChangeCounter widthChanges;
  CallbackHandleType handle = Register(nodes->GetNode("Width"), widthChanges, &ChangeCounter::OnChanged);
  width->SetValue(320);
  EXPECT_GE(widthChanges.calls, 1);
  EXPECT_TRUE(Deregister(handle));
  height->SetValue(240);
  EXPECT_EQ(width->GetValue(), 320);
  EXPECT_THROW(width->SetValue(width->GetMax() + 1), GenICam::OutOfRangeException);
  CEnumerationPtr format(nodes->GetNode("PixelFormat"));
  IEnumEntry* mono8 = format->GetEntryByName("Mono8");
  ASSERT_NE(mono8, nullptr);
  EXPECT_EQ(mono8->GetValue(), Pylon::PixelType_Mono8);
  EXPECT_EQ(format->GetEntry(Pylon::PixelType_BayerBG8)->GetSymbolic(), "BayerBG8");
  EXPECT_THROW(format->FromString("NoSuchFormat"), GenICam::InvalidArgumentException);
  format->FromString("Mono8");
  EXPECT_EQ(format->GetIntValue(), Pylon::PixelType_Mono8);
  CFloatPtr exposure(nodes->GetNode("ExposureTimeAbs"));
  exposure->SetValue(2000.0);
  EXPECT_NEAR(exposure->GetValue(), 2000.0, 1.0);
  CEnumerationPtr(nodes->GetNode("TriggerMode"))->FromString("On");
  CEnumerationPtr(nodes->GetNode("TriggerSource"))->FromString("Software");
  EXPECT_EQ(CEnumerationPtr(nodes->GetNode("TriggerSource"))->ToString(), "Software");

  {
    GrabSession session(device, 2);
    CCommandPtr(nodes->GetNode("AcquisitionStart"))->Execute();
    for (int frame = 0; frame < 2; ++frame) {
      CCommandPtr(nodes->GetNode("TriggerSoftware"))->Execute();
      Pylon::GrabResult result;
      ASSERT_TRUE(session.Next(result, 10000)) << "no frame after software trigger " << frame;
      EXPECT_EQ(result.Status(), Pylon::Grabbed);
      EXPECT_EQ(result.GetPixelType(), Pylon::PixelType_Mono8);
      EXPECT_EQ(result.GetSizeX(), 320);
      EXPECT_EQ(result.GetSizeY(), 240);
      EXPECT_EQ(result.GetPaddingX(), 0);
      session.Requeue(result);
    }
    CCommandPtr(nodes->GetNode("AcquisitionStop"))->Execute();
  }

  // The camera goes away: the removal callback fires once, from an SDK thread.
  RemovalCounter removal;
  Pylon::RegisterRemovalCallback(device, removal, &RemovalCounter::OnRemoved);
  camera.reset();
  for (int i = 0; i < 300 && removal.calls == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(removal.calls, 1);
  EXPECT_EQ(nodes->GetNode("Width")->GetAccessMode(), NA);
  device->Close();
  factory.DestroyDevice(device);
}
