#include <gtest/gtest.h>

#include <tinyxml.h>

#include "RecordingCamera.h"
#include "SimCameraFixture.h"
#include "camera/CameraTransport.h"
#include "platform/ProfileStore.h"

using namespace Pylon;

namespace {

int64_t LutValueAt(CGenPylonCamera& camera, int64_t index) {
  GenApi::CIntegerPtr lutIndex(camera.GetNodeMap()->GetNode("LUTIndex"));
  GenApi::CIntegerPtr lutValue(camera.GetNodeMap()->GetNode("LUTValue"));
  lutIndex->SetValue(index);
  return lutValue->GetValue();
}

int64_t Exposure(CGenPylonCamera& camera) {
  GenApi::CIntegerPtr exposure(camera.GetNodeMap()->GetNode("ExposureTimeRaw"));
  return exposure->GetValue();
}

}  // namespace

using PylonCamera = SimCameraTest;

TEST_F(PylonCamera, GammaTableIsWrittenOnlyWhenPostGammaIsInUse) {
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  ASSERT_TRUE(camera.PrepareGrab(1));
  EXPECT_FALSE(camera.UsePostGamma());
  EXPECT_EQ(bx::ProfileStore("CameraTest").Find("Camera Settings", "Use Post Gamma"), "0");
  GenApi::CBooleanPtr enable(camera.GetNodeMap()->GetNode("LUTEnable"));
  EXPECT_FALSE(enable->GetValue());

  bx::ProfileStore("CameraTest").WriteInt("Camera Settings", "Use Post Gamma", 1);
  camera.StopGrab();
  ASSERT_TRUE(camera.PrepareGrab(1));
  EXPECT_TRUE(enable->GetValue());
  for (int64_t i = 0; i < 4095; i += 8) ASSERT_EQ(LutValueAt(camera, i), i) << "index " << i;

  // A changed post gamma reprograms the table at once.
  EXPECT_TRUE(camera.OnPropertyChanged(camera.PostGammaId(), PropertyValue(0.5)));
  EXPECT_FLOAT_EQ(camera.GetPostGamma(), 0.5f);
  EXPECT_EQ(LutValueAt(camera, 2048), 2896);  // sqrt(2048 / 4095) * 4095 + 0.5
  EXPECT_EQ(LutValueAt(camera, 0), 0);
}

TEST_F(PylonCamera, ExposureControlRunsOnEveryDeliveredFrame) {
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  CPropertyList list;
  camera.GetProperties(list);  // binds the exposure nodes
  GenApi::CIntegerPtr(camera.GetNodeMap()->GetNode("ExposureTimeRaw"))->SetValue(100);
  UseSoftwareTrigger(camera);
  camera.SetRequestedPixelType(PixelType_BayerBG8);
  ASSERT_TRUE(camera.PrepareGrab(2));
  Execute(camera, "TriggerSoftware");
  ASSERT_TRUE(camera.WaitForFrames(1));
  EXPECT_EQ(Exposure(camera), 100);  // no algorithm chosen: exposure untouched

  camera.m_settings.m_type = 1;  // "Global Mean": a dark frame asks for more light
  Execute(camera, "TriggerSoftware");
  ASSERT_TRUE(camera.WaitForFrames(2));
  EXPECT_GT(Exposure(camera), 100);
}

TEST_F(PylonCamera, PropertyIdsNobodyOwnsAreAcceptedButDisabled) {
  CRecordingCamera camera("CameraTest");
  CPropertyList list;
  camera.GetProperties(list);
  const CProperty* rotation = list.Find(camera.RotationId());
  ASSERT_NE(rotation, nullptr);
  EXPECT_TRUE(camera.OnPropertyChanged(rotation->value, PropertyValue(900)));
  EXPECT_EQ(camera.GetRotation(), 900);
  CGenPylonCamera plain;
  int unknown = 0;
  EXPECT_TRUE(plain.OnPropertyChanged(&unknown, PropertyValue(1)));
  EXPECT_FALSE(plain.IsPropertyEnabled(&unknown));
}

TEST_F(PylonCamera, CustomPropertiesRoundTripThroughXml) {
  bx::ProfileStore("CameraTest").WriteInt("Camera Settings", "Use Post Gamma", 1);
  CRecordingCamera saved("CameraTest");
  saved.SetRotation(-450);
  saved.SetPostGamma(0.75f);
  saved.m_settings.m_type = 3;
  TiXmlElement element("PylonCamera");
  ASSERT_TRUE(saved.SaveCustomProperties(&element));
  ASSERT_NE(element.FirstChildElement("CustomProperties"), nullptr);
  EXPECT_NE(element.FirstChildElement("AEC"), nullptr);

  CRecordingCamera loaded("CameraTest");
  ASSERT_TRUE(loaded.LoadCustomProperties(&element));
  EXPECT_EQ(loaded.GetRotation(), -450);
  EXPECT_FLOAT_EQ(loaded.GetPostGamma(), 0.75f);
  EXPECT_EQ(loaded.m_settings.m_type, 3);

  TiXmlElement empty("PylonCamera");
  loaded.SetRotation(10);
  EXPECT_FALSE(loaded.LoadCustomProperties(&empty));
  EXPECT_EQ(loaded.GetRotation(), 10);
}

TEST_F(PylonCamera, TransportComesFromTheCameraSettings) {
  bx::ProfileStore profile("CameraTest");
  EXPECT_EQ(ConfiguredCameraTransport(profile), "aravis");
  EXPECT_EQ(profile.Find("Camera Settings", "Camera Transport"), "aravis");
  profile.WriteString("Camera Settings", "Camera Transport", "sim");
  EXPECT_TRUE(SelectConfiguredCameraTransport(profile));
  EXPECT_EQ(CTlFactory::GetInstance().GetTransport(), "sim");
  profile.WriteString("Camera Settings", "Camera Transport", "carrier pigeon");
  EXPECT_FALSE(SelectConfiguredCameraTransport(profile));
  EXPECT_EQ(CTlFactory::GetInstance().GetTransport(), "sim");
}
