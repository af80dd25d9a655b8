// The control page's status on the offscreen platform: each state in its own
// colour with its reason, the last photo, and a photo that was not saved marked
// in the pane.
#include "StationWindowFixture.h"

#include "app/station/CGrabberDlg.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"
#include "ui/ImagePane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <filesystem>

namespace {

enum class Hue { Grey, Green, Red, Orange, Amber };

// The banner's colour as drawn, classified so that a test reads like the page.
Hue HueOf(const QColor& colour) {
  const int r = colour.red(), g = colour.green(), b = colour.blue();
  if (std::abs(r - g) < 16 && std::abs(g - b) < 16) return Hue::Grey;
  if (g > r && g > b) return Hue::Green;
  if (r > 150 && g < 60) return Hue::Red;
  return g > 130 ? Hue::Amber : Hue::Orange;
}

class ControlPageTest : public StationWindowFixture {
 protected:
  QString StatusText() const { return Find<QLabel>("status")->text(); }
  QString Reason() const { return Find<QLabel>("statusReason")->text(); }
  QString Field(const char* name) const { return Find<QLabel>(name)->text(); }

  // The banner's background beside its (centred) word.
  Hue Banner() const {
    QLabel* status = Find<QLabel>("status");
    return HueOf(status->grab().toImage().pixelColor(10, status->height() / 2));
  }

  bool WaitForStatus(const QString& word, int ms = 10000) {
    return QTest::qWaitFor([&] { return StatusText() == word; }, ms);
  }
};

TEST_F(ControlPageTest, ReadyThenSavedThenNotSavedThenStopped) {
  PrepareStation();
  StartWindow();
  EXPECT_EQ(StatusText(), "Idle");
  EXPECT_EQ(Banner(), Hue::Grey);
  EXPECT_EQ(Field("lastPhoto"), "None yet");
  EXPECT_EQ(Field("activeLayout"), "None");

  QTest::mouseClick(Find<QPushButton>("shot"), Qt::LeftButton);
  ASSERT_TRUE(WaitForStatus("Ok"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Field("photosSaved") == "1"; }, 2000));
  EXPECT_EQ(Banner(), Hue::Green);
  const auto photos = m_folder.SavedPhotos();
  ASSERT_EQ(photos.size(), 1u);
  const QString file = QString::fromStdString(photos[0].filename().string());
  EXPECT_EQ(Field("lastPhoto"), file);
  EXPECT_EQ("img" + Field("lastCounter") + ".jpg", file);
  EXPECT_TRUE(m_window->Pane().Warning().isEmpty());

  // The photo folder goes away: the page says so in words and marks the picture.
  const std::string missing = (m_folder.Root() / "unmounted").string() + "/";
  std::string server, path, op, databaseFile;
  m_window->Core().GetDatabaseSettings(server, path, op, databaseFile);
  m_window->Core().SetDatabaseSettings(server, missing, op, databaseFile);
  QTest::mouseClick(Find<QPushButton>("shot"), Qt::LeftButton);
  ASSERT_TRUE(WaitForStatus("Ko"));
  EXPECT_EQ(Banner(), Hue::Red);
  EXPECT_TRUE(Reason().startsWith("The last photo was not saved: folder ")) << Reason().toStdString();
  EXPECT_TRUE(Reason().contains("does not exist"));
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return m_window->Pane().Warning().startsWith("NOT SAVED: folder"); }, 2000));
  EXPECT_EQ(Field("lastPhoto"), file);  // still the last photo saved
  EXPECT_EQ(Field("photosSaved"), "1");
  Screenshot("failed-save");

  // Grabbing switched off: nothing to shoot with, and the page says how to go on.
  Find<QCheckBox>("startStop")->click();
  ASSERT_TRUE(WaitForStatus("Stopped"));
  EXPECT_EQ(Banner(), Hue::Grey);
  EXPECT_FALSE(Find<QPushButton>("shot")->isEnabled());
  EXPECT_TRUE(Reason().contains("\"Grabbing\""));
}

TEST_F(ControlPageTest, NoCameraSaysWhatTheStationDoesUntilOneComes) {
  PrepareStation();
  Pylon::SSimulatorConfig none;
  none.cameraCount = 0;
  Pylon::CTlFactory::GetInstance().Simulator().Configure(none);
  StartWindow();
  EXPECT_EQ(StatusText(), "No camera");
  EXPECT_EQ(Banner(), Hue::Orange);
  EXPECT_TRUE(Reason().contains("transport \"sim\"")) << Reason().toStdString();
  EXPECT_TRUE(Reason().contains("trying again every 5 s"));
  EXPECT_FALSE(Find<QPushButton>("shot")->isEnabled());
  Screenshot("no-camera");

  Pylon::SSimulatorConfig one;
  one.sensorWidth = 640;
  one.sensorHeight = 480;
  Pylon::CTlFactory::GetInstance().Simulator().Configure(one);  // plugged in: the next try finds it
  ASSERT_TRUE(WaitForStatus("Idle", 15000));
  EXPECT_TRUE(Find<QPushButton>("shot")->isEnabled());
}

TEST_F(ControlPageTest, RecordsTheDatabaseHasNotTakenAreShownWaiting) {
  PrepareStation();
  m_folder.WriteProfile(m_folder.PhotoFolder().string() + "/",
                        "ODBC Default Connection=ODBC;DSN=Data;UID=sa;PWD=;Database=" +
                            (m_folder.Root() / "gone.sqlite").string() + ";NoCreat=1\n");
  StartWindow();
  QTest::mouseClick(Find<QPushButton>("shot"), Qt::LeftButton);
  ASSERT_TRUE(WaitForStatus("Records waiting"));
  EXPECT_EQ(Banner(), Hue::Amber);
  EXPECT_TRUE(Reason().startsWith("1 photo record waits for the database")) << Reason().toStdString();
  EXPECT_EQ(m_folder.SavedPhotos().size(), 1u);
  EXPECT_TRUE(m_window->Pane().Warning().isEmpty());  // the photo itself is saved
  Screenshot("records-waiting");
}

TEST_F(ControlPageTest, SwitchingToAPresetWithoutSettingsSaysSo) {
  PrepareStation();
  StartWindow();
  QLabel* note = Find<QLabel>("presetNote");
  EXPECT_FALSE(note->isVisible());
  emit Find<QComboBox>("preset")->activated(CGrabberDlg::PresetLowLight);
  ASSERT_TRUE(QTest::qWaitFor([&] { return note->isVisible(); }, 2000));
  EXPECT_TRUE(note->text().startsWith("Preset \"Low Light\" has no saved settings"))
      << note->text().toStdString();
  Screenshot("preset-without-settings");

  // Saved settings give the preset something to load; the presets live in the settings folder.
  ASSERT_TRUE(m_window->Core().SavePresetCameraSettings());
  EXPECT_TRUE(std::filesystem::exists(m_folder.ConfigFolder() / "Properties.xml"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !note->isVisible(); }, 2000));
  emit Find<QComboBox>("preset")->activated(CGrabberDlg::PresetNormal);
  ASSERT_TRUE(QTest::qWaitFor([&] { return note->isVisible(); }, 2000));
  emit Find<QComboBox>("preset")->activated(CGrabberDlg::PresetLowLight);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !note->isVisible(); }, 2000));
}

}  // namespace

TEST_F(ControlPageTest, OutOfServiceIsShownAndTheShotButtonIgnored) {
  PrepareStation();
  StartWindow();
  m_window->Core().SetInService(false, "camera moved");
  ASSERT_TRUE(WaitForStatus("Out of service"));
  EXPECT_EQ(Banner(), Hue::Amber);
  EXPECT_EQ(Reason(), "Shots and triggers are ignored until the station is back in service: camera moved");
  QTest::mouseClick(Find<QPushButton>("shot"), Qt::LeftButton);
  EXPECT_EQ(m_window->Core().RemoteSnapshot().ignoredTriggers, 1u);
  Screenshot("out-of-service");

  m_window->Core().SetInService(true, "");
  ASSERT_TRUE(WaitForStatus("Idle"));
  QTest::mouseClick(Find<QPushButton>("shot"), Qt::LeftButton);
  ASSERT_TRUE(WaitForStatus("Ok"));
  EXPECT_EQ(m_folder.SavedPhotos().size(), 1u);
}
