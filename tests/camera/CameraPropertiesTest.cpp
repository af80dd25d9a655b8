// The camera's features mirrored for the property grid, and the camera
// settings file, on the simulated camera.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <fstream>
#include <mutex>
#include <vector>

#include "PropertyListSearch.h"
#include "RecordingCamera.h"
#include "SimCameraFixture.h"
#include "tests/app/AppTestSupport.h"

using namespace Pylon;

namespace {

size_t IndexOf(const CPropertyList& list, const CProperty* item) {
  return size_t(item - list.Items().data());
}

double Balance(CGenPylonCamera& camera, const char* channel) {
  GenApi::CEnumerationPtr(camera.GetNodeMap()->GetNode("BalanceRatioSelector"))->FromString(channel);
  return GenApi::CFloatPtr(camera.GetNodeMap()->GetNode("BalanceRatioAbs"))->GetValue();
}

int64_t Integer(CGenPylonCamera& camera, const char* feature) {
  return GenApi::CIntegerPtr(camera.GetNodeMap()->GetNode(feature))->GetValue();
}

class CameraProperties : public SimCameraTest {
 protected:
  void SetUp() override {
    SimCameraTest::SetUp();
    m_file = (m_settings / "Properties.xml").string();
  }

  TiXmlElement* SavedFeatures(TiXmlDocument& document, const char* set) const {
    if (!document.LoadFile(m_file.c_str())) return nullptr;
    TiXmlElement* element = document.FirstChildElement(set);
    element = element ? element->FirstChildElement("PylonCamera") : nullptr;
    return element ? element->FirstChildElement("CameraProperties") : nullptr;
  }

  std::string m_file;
};

}  // namespace

TEST_F(CameraProperties, TheGridShowsTheVisibleFeatureTree) {
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  CPropertyList list;
  camera.GetProperties(list);

  // Categories are groups; the root category opens none.
  EXPECT_EQ(Group(list, "Root"), nullptr);
  const CProperty* analog = Group(list, "AnalogControls");
  ASSERT_NE(analog, nullptr);
  EXPECT_EQ(analog->depth, 0);

  // A selector with three entries: a group with one property per entry.
  const CProperty* balance = Group(list, "BalanceRatioAbs");
  ASSERT_NE(balance, nullptr);
  EXPECT_EQ(balance->depth, 1);
  for (const char* channel : {"Red", "Green", "Blue"}) {
    const CProperty* field = Field(list, "BalanceRatioAbs", channel);
    ASSERT_NE(field, nullptr) << channel;
    EXPECT_EQ(field->kind, PropertyKind::Double);
    EXPECT_DOUBLE_EQ(*field->real64, 1.0);
  }
  // A selector with one entry: a single property labelled by the feature.
  EXPECT_NE(Field(list, "AnalogControls", "GainRaw"), nullptr);

  // Groups and fields carry the camera's display names, the feature names and the units.
  EXPECT_EQ(analog->label, "Analog Controls");
  EXPECT_EQ(analog->feature, "AnalogControls");
  EXPECT_EQ(balance->label, "Balance Ratio");
  const CProperty* delay = Field(list, "AcquisitionTrigger", "TriggerDelayAbs");
  ASSERT_NE(delay, nullptr);
  EXPECT_EQ(delay->label, "Trigger Delay");
  EXPECT_EQ(delay->unit, "us");
  EXPECT_EQ(delay->realMax, 1000000.0);
  EXPECT_EQ(delay->comment, "Delay from the trigger to the start of the exposure");
  EXPECT_EQ(Field(list, "ImageFormatControls", "Width")->unit, "px");
  EXPECT_EQ(Field(list, "AnalogControls", "Gain (Raw)")->feature, "GainRaw");

  const CProperty* exposure = Field(list, "AcquisitionTrigger", "ExposureTimeRaw");
  ASSERT_NE(exposure, nullptr);
  EXPECT_EQ(exposure->label, "Exposure Time (Raw)");
  EXPECT_EQ(exposure->kind, PropertyKind::Int64);
  EXPECT_EQ(*exposure->value64, CSimCamera::kNominalExposure);
  EXPECT_EQ(exposure->max64, 4095);
  EXPECT_TRUE(camera.IsPropertyEnabled(exposure->Id()));

  // Read-only features are shown, disabled.
  const CProperty* exposureAbs = Field(list, "AcquisitionTrigger", "ExposureTimeAbs");
  ASSERT_NE(exposureAbs, nullptr);
  EXPECT_TRUE(exposureAbs->readOnly);
  EXPECT_FALSE(camera.IsPropertyEnabled(exposureAbs->Id()));

  // Guru features, commands and selectors are not shown.
  for (const char* hidden : {"LUTIndex", "LUTValue", "TriggerSoftware", "AcquisitionStart",
                             "BalanceRatioSelector", "TriggerControlImplementation", "LineSelector"})
    EXPECT_EQ(FindItem(list, false, hidden), nullptr) << hidden;

  // The program's own camera settings follow the features, before exposure control.
  const CProperty* custom = Group(list, "Custom Properties");
  const CProperty* aec = Group(list, "AEC");
  ASSERT_NE(custom, nullptr);
  ASSERT_NE(aec, nullptr);
  EXPECT_EQ(custom->depth, 0);
  EXPECT_GT(IndexOf(list, custom), IndexOf(list, balance));
  EXPECT_LT(IndexOf(list, Field(list, "Custom Properties", "Rotation")), IndexOf(list, aec));
}

TEST_F(CameraProperties, EditsReachTheCameraAndCameraChangesReachTheGrid) {
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  std::mutex lock;
  std::vector<PropertyId> notices;
  camera.SetPropertyObserver([&](PropertyId id) {
    std::lock_guard guard(lock);
    notices.push_back(id);
  });
  CPropertyList list;
  camera.GetProperties(list);
  const CProperty* green = Field(list, "BalanceRatioAbs", "Green");
  ASSERT_NE(green, nullptr);

  EXPECT_TRUE(camera.OnPropertyChanged(green->Id(), PropertyValue(2.5)));
  EXPECT_DOUBLE_EQ(*green->real64, 2.5);
  EXPECT_DOUBLE_EQ(Balance(camera, "Green"), 2.5);
  EXPECT_DOUBLE_EQ(Balance(camera, "Red"), 1.0);
  // Selecting another entry leaves this property's value alone.
  EXPECT_DOUBLE_EQ(*green->real64, 2.5);

  // A refused edit is reported and the grid shows the camera's value again.
  *green->real64 = 9.0;
  EXPECT_FALSE(camera.OnPropertyChanged(green->Id(), PropertyValue(9.0)));
  EXPECT_DOUBLE_EQ(*green->real64, 2.5);

  // Enumerations are edited by entry value.
  const CProperty* triggerMode = Field(list, "AcquisitionTrigger", "TriggerMode");
  ASSERT_NE(triggerMode, nullptr);
  EXPECT_TRUE(camera.OnPropertyChanged(triggerMode->Id(), PropertyValue(1)));
  EXPECT_EQ(Symbol(camera, "TriggerMode"), "On");

  // The camera changes a value by itself: the value follows, the observer hears the id.
  const CProperty* exposure = Field(list, "AcquisitionTrigger", "ExposureTimeRaw");
  GenApi::CIntegerPtr(camera.GetNodeMap()->GetNode("ExposureTimeRaw"))->SetValue(321);
  EXPECT_EQ(*exposure->value64, 321);
  {
    std::lock_guard guard(lock);
    EXPECT_NE(std::find(notices.begin(), notices.end(), exposure->Id()), notices.end());
    notices.clear();
  }

  // A removed camera asks for the list to be rebuilt, which then holds no features.
  Simulator().Unplug(Serial(0));
  ASSERT_TRUE(camera.WaitForRemovals(1));
  {
    std::lock_guard guard(lock);
    EXPECT_NE(std::find(notices.begin(), notices.end(), nullptr), notices.end());
  }
  CPropertyList rebuilt;
  camera.GetProperties(rebuilt);
  EXPECT_EQ(Group(rebuilt, "AnalogControls"), nullptr);
  EXPECT_NE(Group(rebuilt, "Custom Properties"), nullptr);
  camera.SetPropertyObserver(nullptr);
}

TEST_F(CameraProperties, EachSelectorEntryIsSavedAndLoadedOnItsOwn) {
  CRecordingCamera first("CameraTest");
  ASSERT_TRUE(first.OpenByIndex(0));
  CPropertyList list;
  first.GetProperties(list);
  const std::vector<std::pair<const char*, double>> ratios = {{"Red", 1.5}, {"Green", 0.5}, {"Blue", 2.25}};
  for (const auto& [channel, ratio] : ratios)
    ASSERT_TRUE(first.OnPropertyChanged(Field(list, "BalanceRatioAbs", channel)->Id(), PropertyValue(ratio)));
  ASSERT_TRUE(first.SaveCameraSettings(m_file, "Set1"));

  TiXmlDocument document;
  TiXmlElement* saved = SavedFeatures(document, "Set1");
  ASSERT_NE(saved, nullptr);
  EXPECT_STREQ(saved->FirstChildElement("BalanceRatioAbsRed")->Attribute("value"), "1.5");
  EXPECT_STREQ(saved->FirstChildElement("BalanceRatioAbsBlue")->Attribute("value"), "2.25");
  EXPECT_NE(saved->FirstChildElement("DeviceUserID"), nullptr);
  // Read-only and Guru features are not saved.
  for (const char* unsaved :
       {"ExposureTimeAbs", "DeviceVendorName", "LUTValue", "LUTIndex", "BalanceRatioAbs"})
    EXPECT_EQ(saved->FirstChildElement(unsaved), nullptr) << unsaved;
  EXPECT_NE(saved->Parent()->FirstChildElement("CustomProperties"), nullptr);
  EXPECT_NE(saved->Parent()->FirstChildElement("AEC"), nullptr);

  // An element named just "BalanceRatioAbs" is never applied.
  TiXmlElement unselected("BalanceRatioAbs");
  unselected.SetAttribute("value", "3.5");
  saved->InsertEndChild(unselected);
  ASSERT_TRUE(document.SaveFile(m_file.c_str()));

  CRecordingCamera second("CameraTest");
  ASSERT_TRUE(second.OpenByIndex(1));
  ASSERT_TRUE(second.LoadCameraSettings(m_file, "Set1"));
  for (const auto& [channel, ratio] : ratios) EXPECT_DOUBLE_EQ(Balance(second, channel), ratio) << channel;
  EXPECT_TRUE(second.LoadRefusals().empty());
}

TEST_F(CameraProperties, SavingKeepsOtherPresetsAndNeverRewritesACorruptFile) {
  WriteFile(m_file,
            "<Set0><Flash><Enabled value=\"1\"/></Flash><PylonCamera><CustomProperties>"
            "<Rotation value=\"900\"/></CustomProperties></PylonCamera></Set0>");
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  ASSERT_TRUE(camera.SaveCameraSettings(m_file, "Set1"));
  TiXmlDocument document;
  ASSERT_NE(SavedFeatures(document, "Set1"), nullptr);
  const TiXmlHandle set0 = TiXmlHandle(&document).FirstChildElement("Set0");
  EXPECT_STREQ(set0.FirstChildElement("Flash").FirstChildElement("Enabled").ToElement()->Attribute("value"),
               "1");
  EXPECT_STREQ(set0.FirstChildElement("PylonCamera")
                   .FirstChildElement("CustomProperties")
                   .FirstChildElement("Rotation")
                   .ToElement()
                   ->Attribute("value"),
               "900");

  const std::string corrupt = "<Set0><Flash><Enabled value=\"1\"/></Flash><PylonCamera>";
  WriteFile(m_file, corrupt);
  EXPECT_FALSE(camera.SaveCameraSettings(m_file, "Set1"));
  EXPECT_EQ(ReadFile(m_file), corrupt);
  EXPECT_FALSE(camera.LoadCameraSettings(m_file, "Set0"));
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_settings)) ++files;
  EXPECT_EQ(files, 2u);  // the file and the profile: no temporary left behind
}

// A file without "CustomProperties" changes the features only; a value the
// camera refuses is noted and skipped, and the features after it still load.
TEST_F(CameraProperties, LoadingAppliesEveryFeatureTheCameraTakes) {
  WriteFile(m_file,
            "<Set0><PylonCamera><CameraProperties>"
            "<ExposureTimeRaw value=\"200\"/><GainRawAll value=\"300\"/>"
            "<BalanceRatioAbsRed value=\"99\"/><BalanceRatioAbsGreen value=\"0.75\"/>"
            "<DeviceUserID value=\"left door\"/>"
            "</CameraProperties></PylonCamera></Set0>");
  CRecordingCamera camera("CameraTest");
  ASSERT_TRUE(camera.OpenByIndex(0));
  camera.SetRotation(450);
  camera.m_settings.m_type = 2;
  Simulator().RefuseValue(Serial(0), "ExposureTimeRaw");
  ASSERT_TRUE(camera.LoadCameraSettings(m_file, "Set0"));
  EXPECT_EQ(Integer(camera, "ExposureTimeRaw"), CSimCamera::kNominalExposure);
  EXPECT_EQ(Integer(camera, "GainRaw"), 300);
  EXPECT_DOUBLE_EQ(Balance(camera, "Red"), 1.0);
  EXPECT_DOUBLE_EQ(Balance(camera, "Green"), 0.75);
  EXPECT_EQ(GenApi::CStringPtr(camera.GetNodeMap()->GetNode("DeviceUserID"))->GetValue(), "left door");
  const std::vector<std::string> refusals = camera.LoadRefusals();
  ASSERT_EQ(refusals.size(), 2u);
  EXPECT_EQ(refusals[0].rfind("ExposureTimeRaw: ", 0), 0u) << refusals[0];
  EXPECT_EQ(refusals[1].rfind("BalanceRatioAbsRed: ", 0), 0u) << refusals[1];
  EXPECT_EQ(camera.GetRotation(), 450);
  EXPECT_EQ(camera.m_settings.m_type, 2);

  // A missing set, or a missing file, changes nothing.
  GenApi::CIntegerPtr(camera.GetNodeMap()->GetNode("GainRaw"))->SetValue(10);
  EXPECT_FALSE(camera.LoadCameraSettings(m_file, "Set2"));
  EXPECT_FALSE(camera.LoadCameraSettings(m_file + ".missing", "Set0"));
  EXPECT_EQ(Integer(camera, "GainRaw"), 10);
}
