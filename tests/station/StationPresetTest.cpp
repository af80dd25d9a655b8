// The camera's settings per preset: loaded when the camera connects and with
// every preset, saved to the active preset without touching the others.
#include "StationTestBase.h"

#include "../camera/PropertyListSearch.h"
#include "platform/LogTrace.h"
#include "tests/app/AppTestSupport.h"

#include <gtest/gtest.h>

namespace {

class StationPresetTest : public StationTest {
 protected:
  std::filesystem::path Properties() const { return m_folder.Root() / "Properties.xml"; }
  std::filesystem::path LogFile() const { return m_folder.StateFolder() / "BXGrabber.log"; }

  CountingStation& StartWith(const std::string& properties) {
    WriteFile(Properties().string(), properties);
    TheLog().SetFileName(LogFile().string());
    TheLog().Enable(true, false);
    return Start(false, true, "[Program Settings]\nProperties File Name=" + Properties().string() + "\n");
  }

  void TearDown() override {
    StationTest::TearDown();
    TheLog().Enable(false, false);
  }

  int64_t Integer(const char* feature) {
    return GenApi::CIntegerPtr(m_station->GetNodeMap()->GetNode(feature))->GetValue();
  }
};

TEST_F(StationPresetTest, PresetsLoadAndSaveTheCameraSettings) {
  const std::string set1 =
      "<Set1><Flash><Enabled value=\"0\"/></Flash><PylonCamera><CameraProperties>"
      "<ExposureTimeRaw value=\"700\"/></CameraProperties><CustomProperties><Rotation value=\"900\"/>"
      "</CustomProperties></PylonCamera></Set1>";
  const std::string properties =
      "<Set0><PylonCamera><CameraProperties><ExposureTimeRaw value=\"300\"/><BalanceRatioAbsRed "
      "value=\"99\"/>"
      "<GainRawAll value=\"100\"/></CameraProperties></PylonCamera></Set0>" +
      set1;
  CountingStation* station = &StartWith(properties);

  // Connecting loads the active preset: the refused ratio is logged, the gain after it applied.
  EXPECT_EQ(Integer("ExposureTimeRaw"), 300);
  EXPECT_EQ(Integer("GainRaw"), 100);
  EXPECT_NE(
      ReadFile(LogFile().string()).find("Camera settings Set0: the camera refused BalanceRatioAbsRed: "),
      std::string::npos);
  station->ApplyPreset(CGrabberDlg::PresetLowLight);
  EXPECT_EQ(Integer("ExposureTimeRaw"), 700);
  EXPECT_EQ(station->GetRotation(), 900);

  // An edit saved to the active preset; the other preset keeps its own values.
  CPropertyList list;
  station->GetProperties(list);
  const CProperty* exposure = Field(list, "AcquisitionTrigger", "ExposureTimeRaw");
  ASSERT_NE(exposure, nullptr);
  ASSERT_TRUE(station->OnPropertyChanged(exposure->Id(), PropertyValue(std::int64_t{850})));
  ASSERT_TRUE(station->SavePresetCameraSettings());
  station->ApplyPreset(CGrabberDlg::PresetNormal);
  EXPECT_EQ(Integer("ExposureTimeRaw"), 300);

  // A restarted station connects with preset 0 and finds preset 1 as saved.
  GenApi::CIntegerPtr(station->GetNodeMap()->GetNode("ExposureTimeRaw"))->SetValue(555);
  m_station.reset();
  station = &StartWith(ReadFile(Properties().string()));
  EXPECT_EQ(Integer("ExposureTimeRaw"), 300);
  station->ApplyPreset(CGrabberDlg::PresetLowLight);
  EXPECT_EQ(Integer("ExposureTimeRaw"), 850);
  EXPECT_NE(ReadFile(Properties().string()).find("<Flash>"), std::string::npos);

  // A file that does not parse is never replaced.
  const std::string corrupt = properties.substr(0, properties.size() / 2);
  WriteFile(Properties().string(), corrupt);
  EXPECT_FALSE(station->SavePresetCameraSettings());
  EXPECT_EQ(ReadFile(Properties().string()), corrupt);
  EXPECT_NE(ReadFile(LogFile().string()).find("Camera settings of Set1 not saved"), std::string::npos);
  station->ApplyPreset(CGrabberDlg::PresetNormal);  // nothing to load: logged, no exception
  EXPECT_EQ(station->GetPreset(), CGrabberDlg::PresetNormal);
}

// An older installation kept the presets beside the program: the station copies
// them to its settings folder once, says so, and from then on keeps its own.
TEST_F(StationPresetTest, PresetsBesideTheProgramAreCopiedToTheSettingsFolderOnce) {
  const std::filesystem::path program = m_folder.Root() / "program";
  std::filesystem::create_directories(program);
  const auto preset = [](int exposure) {
    return "<Set0><PylonCamera><CameraProperties><ExposureTimeRaw value=\"" + std::to_string(exposure) +
           "\"/></CameraProperties></PylonCamera></Set0>";
  };
  WriteFile((program / "Properties.xml").string(), preset(300));
  const std::string profile = "[Program Settings]\nExe Folder Location=" + program.string() + "/\n";
  TheLog().SetFileName(LogFile().string());
  TheLog().Enable(true, false);
  Start(false, true, profile);
  EXPECT_EQ(Integer("ExposureTimeRaw"), 300);
  const std::filesystem::path copy = m_folder.ConfigFolder() / "Properties.xml";
  EXPECT_EQ(ReadFile(copy.string()), preset(300));
  const std::string copied = "Presets: copied " + (program / "Properties.xml").string() +
                             " of an older installation to " + copy.string();
  EXPECT_NE(ReadFile(LogFile().string()).find(copied), std::string::npos);

  // The station's own file wins from now on; the program folder's is left as it was.
  WriteFile((program / "Properties.xml").string(), preset(700));
  m_station.reset();
  Start(false, true, profile);
  EXPECT_EQ(Integer("ExposureTimeRaw"), 300);
  EXPECT_EQ(ReadFile(copy.string()), preset(300));
  const std::string log = ReadFile(LogFile().string());
  EXPECT_EQ(log.find(copied), log.rfind(copied));
}

}  // namespace
