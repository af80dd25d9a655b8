#include <gtest/gtest.h>

#include <tinyxml.h>

#include "aec/AutoExposureCtrl.h"
#include "aec/GlobalAEC.h"
#include "aec/MatrixAEC.h"
#include "aec/SpotAEC.h"

using namespace AEC;

namespace {

template <class T>
T& Algorithm(CAutoExposureCtrl& ctrl, int type) {
  return dynamic_cast<T&>(*ctrl.Algorithms()[type]);
}

// Saves into a "Set1" element and parses the printed text back.
std::unique_ptr<TiXmlDocument> SaveAndReparse(CAutoExposureCtrl& ctrl) {
  TiXmlDocument saved;
  TiXmlElement* set = saved.LinkEndChild(new TiXmlElement("Set1"))->ToElement();
  EXPECT_TRUE(ctrl.Save(*set));
  TiXmlPrinter printer;
  saved.Accept(&printer);
  auto parsed = std::make_unique<TiXmlDocument>();
  parsed->Parse(printer.CStr());
  EXPECT_FALSE(parsed->Error());
  return parsed;
}

std::vector<std::string> ChildNames(const TiXmlElement& element) {
  std::vector<std::string> names;
  for (const TiXmlElement* child = element.FirstChildElement(); child; child = child->NextSiblingElement())
    names.push_back(child->ValueStr());
  return names;
}

}  // namespace

TEST(ControllerXml, RoundTripsEverySettingUnderAec) {
  CAutoExposureCtrl saved;
  saved.m_settings = {3, 50, 3000, 77, 5, 900, 200, 40};
  Algorithm<CGlobalAEC>(saved, 0).m_upStep = 11;
  Algorithm<CGlobalAEC>(saved, 0).m_downStep = 12;
  Algorithm<CGlobalAEC>(saved, 0).m_overThrs = 13;
  Algorithm<CGlobalAEC>(saved, 0).m_underThrs = 14;
  Algorithm<CMatrixAEC>(saved, 3).m_overThrs = 33;
  Algorithm<CGlobalMedianAEC>(saved, 2).m_desiredExp = 100;
  Algorithm<CSpotMedianAEC>(saved, 7).m_desiredExp = 0;
  saved.Save(*SaveAndReparse(saved)->RootElement());  // saving again reuses every child
  const auto document = SaveAndReparse(saved);

  const TiXmlElement* aec = document->RootElement()->FirstChildElement("AEC");
  ASSERT_TRUE(aec);
  EXPECT_EQ(ChildNames(*aec),
            (std::vector<std::string>{"Type", "ShutterMax", "ShutterMin", "GainMax", "GainMin", "GainRef",
                                      "Global", "GlobalMean", "GlobalMedian", "Matrix", "MatrixMean",
                                      "MatrixMedian", "SpotMean", "SpotMedian"}));
  EXPECT_EQ(ChildNames(*aec->FirstChildElement("Matrix")),
            (std::vector<std::string>{"UpStep", "DownStep", "OverThrs", "UnderThrs"}));
  EXPECT_STREQ(aec->FirstChildElement("ShutterMax")->Attribute("value"), "3000");

  CAutoExposureCtrl loaded;
  ASSERT_TRUE(loaded.Load(*document->RootElement()));
  EXPECT_EQ(loaded.m_settings.m_type, 3);
  EXPECT_EQ(loaded.m_settings.m_shutterMin, 50);
  EXPECT_EQ(loaded.m_settings.m_shutterMax, 3000);
  EXPECT_EQ(loaded.m_settings.m_gainRef, 77);
  EXPECT_EQ(loaded.m_settings.m_gainMin, 5);
  EXPECT_EQ(loaded.m_settings.m_gainMax, 900);
  EXPECT_EQ(loaded.m_settings.m_overLevel, 245);  // the levels are not stored
  EXPECT_EQ(loaded.m_settings.m_underLevel, 20);
  const auto& global = Algorithm<CGlobalAEC>(loaded, 0);
  EXPECT_EQ(global.m_upStep, 11);
  EXPECT_EQ(global.m_downStep, 12);
  EXPECT_EQ(global.m_overThrs, 13);
  EXPECT_EQ(global.m_underThrs, 14);
  EXPECT_EQ(Algorithm<CMatrixAEC>(loaded, 3).m_overThrs, 33);
  EXPECT_EQ(Algorithm<CGlobalMedianAEC>(loaded, 2).m_desiredExp, 100);
  EXPECT_EQ(Algorithm<CSpotMedianAEC>(loaded, 7).m_desiredExp, 0);
}

TEST(ControllerXml, MissingElementsKeepTheCurrentValues) {
  TiXmlDocument document;
  document.Parse(
      "<Set1><AEC><Type value=\"1\"/><ShutterMax value=\"2000\"/><ShutterMin value=\"x\"/>"
      "<GainMax value=\"700\"/><GainMin value=\"3\"/>"
      "<GlobalMean><DesiredExp value=\"90\"/></GlobalMean>"
      "<Global><UpStep value=\"30\"/></Global></AEC></Set1>");
  ASSERT_FALSE(document.Error());

  CAutoExposureCtrl ctrl;
  ctrl.m_settings.m_gainRef = 123;
  ctrl.m_settings.m_shutterMin = 7;
  Algorithm<CMatrixMeanAEC>(ctrl, 4).m_desiredExp = 60;
  ASSERT_TRUE(ctrl.Load(*document.RootElement()));
  EXPECT_EQ(ctrl.m_settings.m_type, 1);
  EXPECT_EQ(ctrl.m_settings.m_shutterMax, 2000);
  EXPECT_EQ(ctrl.m_settings.m_shutterMin, 7);  // unreadable value
  EXPECT_EQ(ctrl.m_settings.m_gainMax, 700);
  EXPECT_EQ(ctrl.m_settings.m_gainRef, 123);  // no "GainRef"
  EXPECT_EQ(Algorithm<CGlobalMeanAEC>(ctrl, 1).m_desiredExp, 90);
  EXPECT_EQ(Algorithm<CGlobalAEC>(ctrl, 0).m_upStep, 30);
  EXPECT_EQ(Algorithm<CGlobalAEC>(ctrl, 0).m_downStep, 10);
  EXPECT_EQ(Algorithm<CMatrixMeanAEC>(ctrl, 4).m_desiredExp, 60);  // no "MatrixMean"

  TiXmlElement otherSet("Set2");
  EXPECT_FALSE(ctrl.Load(otherSet));  // no "AEC": nothing changes
  EXPECT_EQ(ctrl.m_settings.m_type, 1);
  EXPECT_FALSE(Algorithm<CGlobalAEC>(ctrl, 0).Load(otherSet));
}
