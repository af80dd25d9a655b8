#include <gtest/gtest.h>

#include "aec/AlgorithmClasses.h"
#include "aec/AutoExposureCtrl.h"
#include "aec/GlobalAEC.h"
#include "aec/PropertyList.h"
#include "platform/MessageSink.h"
#include "tests/aec/TestCamera.h"
#include "tests/aec/TestFrame.h"

using namespace AEC;

namespace {

IPropertyHost* const kCamera = reinterpret_cast<IPropertyHost*>(0x1000);

struct ControllerTest : ::testing::Test {
  ControllerTest() { ctrl.GetProperties(kCamera, camera.NodeMap(), list); }

  CGlobalAEC& Global() { return dynamic_cast<CGlobalAEC&>(*ctrl.Algorithms()[0]); }

  CTestCamera camera;
  CAutoExposureCtrl ctrl;
  CPropertyList list;
  CTestFrame black{40, 30};
  CTestFrame white{40, 30};
};

}  // namespace

TEST(AlgorithmFactory, CreatesTheEightClassesInTypeOrderAndReportsUnknownOnes) {
  CAutoExposureCtrl ctrl;
  const char* names[] = {"Global",      "Global Mean",   "Global Median", "Matrix",
                         "Matrix Mean", "Matrix Median", "Spot Mean",     "Spot Median"};
  ASSERT_EQ(ctrl.Algorithms().size(), 8u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ctrl.Algorithms()[i]->GetName(), names[i]);
  EXPECT_EQ(ctrl.Algorithms()[5]->GetElementName(), "MatrixMedian");

  bx::RecordingMessageSink sink;
  bx::InstallMessageSink(&sink);
  EXPECT_EQ(CreateAlgorithm("CNoSuchAEC"), nullptr);
  bx::InstallMessageSink(nullptr);
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0],
            "Configuration error: Cannot find runtime class 'CNoSuchAEC'. Please add the file with this "
            "class to the project or add DECLARE_SERIAL/IMPLEMENT_SERIAL to the class");
}

TEST_F(ControllerTest, WritesOnlyForAnAlgorithmIndex) {
  CAutoExposureCtrl unbound;
  unbound.m_settings.m_type = 0;
  unbound.Run(&black.Image());  // no node bound yet: nothing to write to
  EXPECT_EQ(camera.Exposure().GetValue(), 1000);

  for (int type : {-1, 8, 99, -5}) {
    ctrl.m_settings.m_type = type;
    ctrl.Run(&black.Image());
    EXPECT_EQ(camera.Exposure().GetValue(), 1000) << "Type " << type;
  }
  ctrl.m_settings.m_type = 0;
  ctrl.Run(&black.Image());
  EXPECT_EQ(camera.Exposure().GetValue(), 1100);
  EXPECT_EQ(camera.Gain().GetValue(), 100);  // exposure only
}

TEST_F(ControllerTest, LimitsTheWrittenExposureToTheShutterRange) {
  ctrl.m_settings.m_type = 0;
  Global().m_upStep = 100;
  camera.Exposure().SetValue(2500);
  ctrl.Run(&black.Image());  // proposes 5000
  EXPECT_EQ(camera.Exposure().GetValue(), 4095);

  white.Fill(255);
  Global().m_downStep = 50;
  ctrl.m_settings.m_shutterMin = 800;
  camera.Exposure().SetValue(1000);
  ctrl.Run(&white.Image());  // proposes 500
  EXPECT_EQ(camera.Exposure().GetValue(), 800);

  ctrl.m_settings.m_type = 1;  // Global Mean on a black frame: the longest exposure allowed
  ctrl.Run(&black.Image());
  EXPECT_EQ(camera.Exposure().GetValue(), 4095);
}

TEST_F(ControllerTest, AValueTheCameraRefusesIsDropped) {
  ctrl.m_settings.m_type = 0;
  ctrl.m_settings.m_shutterMax = 9000;  // beyond the node's maximum of 8000
  camera.Exposure().SetValue(8000);
  EXPECT_NO_THROW(ctrl.Run(&black.Image()));
  EXPECT_EQ(camera.Exposure().GetValue(), 8000);
}

TEST_F(ControllerTest, OffersItsSettingsWithRangesFromTheCamera) {
  // Global, then Global Mean, into one list: each brings its own settings.
  list = {};
  ctrl.m_settings.m_type = 0;
  ctrl.GetProperties(kCamera, camera.NodeMap(), list);
  ctrl.m_settings.m_type = 1;
  ctrl.GetProperties(kCamera, camera.NodeMap(), list);
  const CProperty* type = list.Find(&ctrl.m_settings.m_type);
  ASSERT_TRUE(type);
  EXPECT_EQ(type->kind, PropertyKind::Choice);
  EXPECT_EQ(type->label, "Type");
  EXPECT_EQ(type->host, kCamera);
  ASSERT_EQ(type->choices.size(), 9u);
  EXPECT_EQ(type->choices[0].label, "None");
  EXPECT_EQ(type->choices[0].value, -1);
  EXPECT_EQ(type->choices[0].comment, "No AEC, AEC is disabled");
  EXPECT_EQ(type->choices[8].label, "Spot Median");
  EXPECT_EQ(type->choices[8].value, 7);

  // Shutter limits span the exposure node, gain limits the gain node seen through "All".
  const struct {
    int* field;
    const char* label;
    int min, max;
  } fields[] = {
      {&ctrl.m_settings.m_shutterMax, "Shutter Max", 1, 8000},
      {&ctrl.m_settings.m_shutterMin, "Shutter Min", 1, 8000},
      {&ctrl.m_settings.m_gainRef, "Gain Ref", 10, 500},
      {&ctrl.m_settings.m_gainMax, "Gain Max", 10, 500},
      {&ctrl.m_settings.m_gainMin, "Gain Min", 10, 500},
      {&Global().m_overThrs, "Overexposed threshold", 1, 100},
      {&dynamic_cast<CGlobalMeanAEC&>(*ctrl.Algorithms()[1]).m_desiredExp, "Desired exposition", 0, 255}};
  for (const auto& field : fields) {
    const CProperty* property = list.Find(field.field);
    ASSERT_TRUE(property) << field.label;
    EXPECT_EQ(property->label, field.label);
    EXPECT_EQ(property->min, field.min) << field.label;
    EXPECT_EQ(property->max, field.max) << field.label;
    EXPECT_GE(*field.field, field.min) << field.label;  // values limited into the range
    EXPECT_LE(*field.field, field.max) << field.label;
  }
  EXPECT_EQ(ctrl.m_settings.m_gainRef, 245);  // (500 - 10) / 2
  EXPECT_EQ(list.Find(&ctrl.m_settings.m_shutterMax)->comment,
            "Set the maximum value for shutter speed\nif max is reached than gain is incremented");

  // Only the selected algorithm's section follows the controller's, none without one.
  const auto sections = [this](int type) {
    ctrl.m_settings.m_type = type;
    CPropertyList shown;
    ctrl.GetProperties(kCamera, camera.NodeMap(), shown);
    std::vector<std::string> labels;
    for (const CProperty& item : shown.Items())
      if (item.kind == PropertyKind::Section) labels.push_back(item.label);
    return labels;
  };
  EXPECT_EQ(sections(1), (std::vector<std::string>{"AEC", "GlobalMeanAEC"}));
  EXPECT_EQ(sections(0), (std::vector<std::string>{"AEC", "GlobalAEC"}));
  EXPECT_EQ(sections(7), (std::vector<std::string>{"AEC", "SpotMedianAEC"}));
  EXPECT_EQ(sections(-1), (std::vector<std::string>{"AEC"}));
  EXPECT_EQ(sections(42), (std::vector<std::string>{"AEC"}));  // a Type from a hand-edited file
}

TEST(ControllerProperties, WithoutACameraUseTheDefaultRanges) {
  CAutoExposureCtrl ctrl;
  CPropertyList list;
  ctrl.m_settings.m_shutterMax = 9000;
  ctrl.GetProperties(nullptr, nullptr, list);
  EXPECT_EQ(ctrl.m_settings.m_shutterMax, 4095);
  EXPECT_EQ(list.Find(&ctrl.m_settings.m_shutterMin)->max, 4095);
  EXPECT_EQ(list.Find(&ctrl.m_settings.m_gainMax)->max, 1023);
  EXPECT_EQ(ctrl.m_settings.m_gainRef, 511);
}

TEST_F(ControllerTest, LiveModeKeepsAndBringsBackExposureGainAndSettings) {
  camera.GainSelector().FromString("Red");
  camera.Gain().SetValue(300);  // the red gain; "All" stays at 100
  auto& mean = dynamic_cast<CGlobalMeanAEC&>(*ctrl.Algorithms()[1]);

  ctrl.Snapshot();
  EXPECT_EQ(camera.GainSelector().GetIntValue(), 0);
  ctrl.MaximiseGain();
  EXPECT_EQ(camera.Gain().GetValue(), 500);

  camera.Exposure().SetValue(2000);
  ctrl.m_settings.m_type = 3;
  ctrl.m_settings.m_shutterMax = 3000;
  mean.m_desiredExp = 90;
  Global().m_upStep = 50;

  ctrl.Restore();
  EXPECT_EQ(camera.Exposure().GetValue(), 1000);
  EXPECT_EQ(camera.Gain().GetValue(), 100);
  EXPECT_EQ(ctrl.m_settings.m_type, -1);
  EXPECT_EQ(ctrl.m_settings.m_shutterMax, 4095);
  EXPECT_EQ(mean.m_desiredExp, 128);
  EXPECT_EQ(Global().m_upStep, 50);  // threshold classes keep nothing

  mean.m_desiredExp = 70;  // nothing kept any more: a second Restore leaves it
  ctrl.m_settings.m_type = 2;
  ctrl.Restore();
  EXPECT_EQ(mean.m_desiredExp, 70);
  EXPECT_EQ(ctrl.m_settings.m_type, -1);
}

TEST(ControllerLiveMode, WithoutGainSelectorOnlyTheExposureIsKept) {
  CTestCamera camera(false);
  CAutoExposureCtrl ctrl;
  CPropertyList list;
  ctrl.GetProperties(nullptr, camera.NodeMap(), list);
  EXPECT_EQ(ctrl.m_settings.m_gainMax, 1023);  // the default gain range
  ctrl.Snapshot();
  ctrl.MaximiseGain();
  EXPECT_EQ(camera.Gain().GetValue(), 100);
  camera.Exposure().SetValue(3000);
  camera.Gain().SetValue(200);
  ctrl.Restore();
  EXPECT_EQ(camera.Exposure().GetValue(), 1000);
  EXPECT_EQ(camera.Gain().GetValue(), 200);
}

TEST(ControllerLiveMode, RestoreWithoutSnapshotChangesNothing) {
  CTestCamera camera;
  CAutoExposureCtrl ctrl;
  CPropertyList list;
  ctrl.GetProperties(nullptr, camera.NodeMap(), list);
  ctrl.m_settings.m_type = 4;
  camera.Exposure().SetValue(3000);
  ctrl.Restore();
  EXPECT_EQ(ctrl.m_settings.m_type, 4);
  EXPECT_EQ(camera.Exposure().GetValue(), 3000);
}
