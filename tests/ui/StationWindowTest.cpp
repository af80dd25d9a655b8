// The main window on the offscreen platform, over the simulated camera.
#include "StationWindowFixture.h"

#include "app/station/CGrabberDlg.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"
#include "ui/ImagePane.h"
#include "ui/StationWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class StationWindowTest : public StationWindowFixture {
 protected:
  void SetUp() override {
    PrepareStation();
    StartWindow();
  }
};

TEST_F(StationWindowTest, TheShotButtonShowsTheNewPhotoInThePane) {
  EXPECT_TRUE(m_window->Pane().CurrentImage().isNull());
  QTest::mouseClick(Find<QPushButton>("shot"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !m_window->Pane().CurrentImage().isNull(); }, 10000));
  const QImage shown = m_window->Pane().CurrentImage();
  EXPECT_EQ(shown.width(), 1024);  // the saved photo's thumbnail
  EXPECT_EQ(shown.height(), 819);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Find<QLabel>("photosSaved")->text() == "1"; }, 2000));
  EXPECT_EQ(Find<QLabel>("status")->text(), "Ok");
  EXPECT_EQ(m_folder.SavedPhotos().size(), 1u);
  EXPECT_EQ(m_window->windowTitle(), "Brightcap Grabber  active preset Normal");
  if (const char* screenshot = std::getenv("BX_STATION_SCREENSHOT")) {
    EXPECT_TRUE(m_window->grab().save(screenshot));
  }
}

TEST_F(StationWindowTest, KeysAndTheTitleBarFollowTheStationRules) {
  // Close needs Shift; Escape does nothing.
  m_window->close();
  EXPECT_TRUE(m_window->isVisible());
  Pages()->setCurrentIndex(CGrabberDlg::GeneralSetupPage);
  QTest::keyClick(m_window.get(), Qt::Key_Escape);
  EXPECT_TRUE(m_window->isVisible());
  EXPECT_EQ(Pages()->currentIndex(), CGrabberDlg::GeneralSetupPage);
  EXPECT_FALSE(m_window->Core().IsCaptureMode());

  // Enter applies the page and shows the control page.
  const std::string path = m_folder.Root().string() + "/elsewhere/";
  Find<QLineEdit>("databasePath")->setText(QString::fromStdString(path));
  QTest::keyClick(Find<QLineEdit>("databasePath"), Qt::Key_Return);
  EXPECT_EQ(Pages()->currentIndex(), CGrabberDlg::ControlPage);
  EXPECT_TRUE(m_window->Core().IsCaptureMode());
  std::string server, stored, op, file;
  m_window->Core().GetDatabaseSettings(server, stored, op, file);
  EXPECT_EQ(stored, path);

  // Maximising toggles the compact view of the control page.
  const int fullWidth = m_window->width();
  m_window->showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return m_window->IsCompact(); }, 2000));
  EXPECT_FALSE(m_window->isMaximized());
  EXPECT_EQ(m_window->width(), Pages()->width());
  m_window->showMaximized();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !m_window->IsCompact(); }, 2000));
  EXPECT_EQ(m_window->width(), fullWidth);

  m_shift = true;
  m_window->close();
  EXPECT_FALSE(m_window->isVisible());
}

TEST_F(StationWindowTest, TheTriggerFieldsReachTheEngineAndTheProfile) {
  Pages()->setCurrentIndex(CGrabberDlg::GeneralSetupPage);
  Find<QComboBox>("triggerSource")->setCurrentIndex(1);
  Find<QSpinBox>("minDelay")->setValue(1500);
  Find<QSpinBox>("triggerDelay")->setValue(250);
  Find<QCheckBox>("multiTrigger")->setChecked(true);
  Find<QLineEdit>("sequence")->setText("0/0  junk 1/400");
  if (const char* screenshot = std::getenv("BX_SETUP_SCREENSHOT")) {
    EXPECT_TRUE(m_window->grab().save(screenshot));
  }
  QTest::keyClick(Find<QLineEdit>("sequence"), Qt::Key_Return);

  const TriggerSettings settings = m_window->Core().GetTriggerSettings();
  EXPECT_EQ(settings.source, 1);
  EXPECT_EQ(settings.minDelayMs, 1500);
  EXPECT_EQ(settings.triggerDelayMs, 250);
  EXPECT_TRUE(settings.multiTrigger);
  EXPECT_EQ(FormatSequence(settings.sequence), "0/0 1/400");
  const bx::ProfileStore profile(m_folder.ConfigFolder().string(), "BXGrabber");
  EXPECT_EQ(profile.GetInt("Trigger Settings", "MinDelay", 0), 1500);
  EXPECT_EQ(profile.GetString("Trigger Settings", "Sequence", ""), "0/0 1/400");
  EXPECT_EQ(Find<QLineEdit>("sequence")->text(), "0/0 1/400");
}

// A photographer judges focus in the pane: every size the window gains goes to it.
TEST_F(StationWindowTest, ThePaneGrowsWithTheWindowAndThePagesKeepTheirWidth) {
  QCoreApplication::processEvents();
  const QSize pane = m_window->Pane().size();
  const int pages = Pages()->width();
  m_window->resize(m_window->width() + 400, m_window->height() + 200);
  ASSERT_TRUE(QTest::qWaitFor([&] { return m_window->Pane().width() == pane.width() + 400; }, 2000));
  EXPECT_EQ(m_window->Pane().height(), pane.height() + 200);
  EXPECT_EQ(Pages()->width(), pages);
}

TEST_F(StationWindowTest, PowerButtonsActOnlyWithShift) {
  QTest::mouseClick(Find<QPushButton>("powerOff"), Qt::LeftButton);
  QTest::mouseClick(Find<QPushButton>("restartMachine"), Qt::LeftButton);
  EXPECT_TRUE(m_powerCodes.empty());
  m_shift = true;
  QTest::mouseClick(Find<QPushButton>("powerOff"), Qt::LeftButton);
  QTest::mouseClick(Find<QPushButton>("restartMachine"), Qt::LeftButton);
  EXPECT_EQ(m_powerCodes, (std::vector<int>{1, 3}));
  EXPECT_TRUE(m_app->Power().ShutdownCodes().empty());  // the window only reports the request
}

}  // namespace
