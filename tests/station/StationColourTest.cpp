// The station's colour stage: the active preset's colour settings come from
// the properties file and every saved photo passes the colour transformer.
#include "RecordingHost.h"
#include "StationApp.h"
#include "StationFixture.h"

#include "app/station/CGrabberDlg.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

class StationColourTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Pylon::SSimulatorConfig config;
    config.sensorWidth = 320;
    config.sensorHeight = 240;
    Pylon::CTlFactory::GetInstance().Simulator().Configure(config);
    // Preset 0 (Normal) takes grey photos; preset 1 only lowers the saturation.
    const auto properties = m_folder.Root() / "Properties.xml";
    std::ofstream(properties)
        << "<Set0><ColorTransformer><Saturation value=\"-100\"/></ColorTransformer></Set0>\n"
        << "<Set1><ColorTransformer><Saturation value=\"-30\"/>"
        << "<Contrast value=\"20\"/></ColorTransformer></Set1>\n";
    m_folder.WriteProfile(m_folder.PhotoFolder().string() + "/",
                          "[Program Settings]\nProperties File Name=" + properties.string() + "\n");
    m_app = MakeStationApp(m_folder);
    m_station = std::make_unique<CGrabberDlg>(m_app->App(), m_host);
    ASSERT_TRUE(m_station->OnInitDialog());
  }

  StationFolder m_folder;
  RecordingHost m_host;
  std::unique_ptr<StationApp> m_app;
  std::unique_ptr<CGrabberDlg> m_station;
};

}  // namespace

TEST_F(StationColourTest, APresetWithoutSaturationSavesGreyPhotos) {
  EXPECT_EQ(m_station->GetColorTransformer().m_settings.m_saturation, -100);
  m_station->SoftwareShot(false);
  ASSERT_TRUE(m_host.WaitForImages(1));
  m_station->OnDestroy();
  const auto photos = m_folder.SavedPhotos();
  ASSERT_EQ(photos.size(), 1u);
  CxImage photo;
  ASSERT_TRUE(photo.Load(photos[0].c_str(), 0, 0, 0, 0, nullptr));
  int worst = 0;
  for (int y = 0; y < photo.Height(); ++y)
    for (int x = 0; x < photo.Width(); ++x) {
      const unsigned char* p = photo.GetRowPtr(y) + x * photo.SamplesPerPixel();
      worst = std::max({worst, std::abs(p[0] - p[1]), std::abs(p[1] - p[2])});
    }
  EXPECT_LE(worst, 3) << "the saved photo still has colour";
}

TEST_F(StationColourTest, APresetLoadsItsOwnColourSettings) {
  m_station->ApplyPreset(CGrabberDlg::PresetLowLight);
  CColorSettings settings = m_station->GetColorTransformer().m_settings;
  EXPECT_EQ(settings.m_saturation, -30);
  EXPECT_EQ(settings.m_contrast, 20);
  // A preset without colour settings falls back to the defaults.
  m_station->ApplyPreset(CGrabberDlg::PresetHighLight);
  settings = m_station->GetColorTransformer().m_settings;
  EXPECT_EQ(settings.m_saturation, 0);
  EXPECT_EQ(settings.m_contrast, 0);
  m_station->OnDestroy();
}
