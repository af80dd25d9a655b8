// The layout selector page over a station with an SQLite layout table.
#include "../records/TestDatabase.h"
#include "StationWindowFixture.h"

#include "app/station/CGrabberDlg.h"
#include "layout/CLayoutObject.h"
#include "platform/ProfileStore.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"
#include "ui/ImagePane.h"

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class LayoutsPageTest : public StationWindowFixture {
 protected:
  void SetUp() override {
    SimulateSmallCamera();
    m_folder.WriteProfile(m_folder.PhotoFolder().string() + "/",
                          "ODBC Default Connection=" + m_database.ConnectionString() + "\n" +
                              "[Program Settings]\nApplication Path=" + m_folder.Root().string() + "\n");
    // Five landscape layouts in category "Party", with zooms that tell them apart.
    for (int i = 0; i < 5; ++i) {
      CLayoutObject layout;
      layout.layoutName = "Party " + std::to_string(i);
      layout.category = "Party";
      layout.params.aspectRatio = 1.5f;
      layout.params.zoom = -10 * i;
      m_ids.push_back(layout.SaveToDb(m_database.Settings(), m_folder.Root().string() + "/"));
      ASSERT_GT(m_ids.back(), 0);
    }
    StartWindow();
  }

  QString Category() const { return Find<QLabel>("category")->text(); }
  QString Slot(int slot) const { return Find<QToolButton>(QString("layout%1").arg(slot).toUtf8())->text(); }
  void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }

  TestDatabase m_database{bx::odbc::SqlDialect::SQLite};
  std::vector<long> m_ids;
};

TEST_F(LayoutsPageTest, ShowsPreviewsPagesThroughCategoriesAndPicksALayout) {
  // A photo first, so that the page has one to compose the choice with.
  QTest::mouseClick(Find<QPushButton>("shot"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !m_window->Core().LastPhotoPath().empty(); }, 10000));

  Pages()->setCurrentIndex(CGrabberDlg::LayoutSelectorPage);
  EXPECT_EQ(Category(), "Horizontal");
  EXPECT_TRUE(Find<QToolButton>("layout0")->isEnabled());
  EXPECT_FALSE(Find<QToolButton>("layout1")->isEnabled());  // one built-in layout
  const QSize preview = Find<QToolButton>("layout0")->icon().availableSizes().value(0);
  EXPECT_EQ(preview, QSize(128, 93));  // the default aspect ratio 1.37

  Click("nextCategory");
  EXPECT_EQ(Category(), "Vertical");
  Click("nextCategory");
  EXPECT_EQ(Category(), "Party");
  for (int slot = 0; slot < 4; ++slot) {
    EXPECT_EQ(Slot(slot), QString("Party %1").arg(slot));
    EXPECT_EQ(Find<QToolButton>(QString("layout%1").arg(slot).toUtf8())->icon().availableSizes().value(0),
              QSize(128, 85));
  }
  Click("next");  // one on: the fifth layout shows
  EXPECT_EQ(Slot(3), "Party 4");
  Click("previous");
  Click("previous");  // not below the first
  EXPECT_EQ(Slot(0), "Party 0");
  Click("next");
  Click("next");  // the first index reaches the count minus 3: on to the first category
  EXPECT_EQ(Category(), "Horizontal");
  Click("nextCategory");
  Click("nextCategory");

  // Picking stores the id, gives new photos the layout and returns to the control page.
  QTest::mouseClick(Find<QToolButton>("layout2"), Qt::LeftButton);
  EXPECT_EQ(Pages()->currentIndex(), CGrabberDlg::ControlPage);
  const bx::ProfileStore profile(m_folder.ConfigFolder().string(), "BXGrabber");
  EXPECT_EQ(profile.GetInt("Program Settings", "Last Layout ID", -1), m_ids[2]);
  EXPECT_EQ(m_window->Core().SelectedLayout().id, m_ids[2]);
  EXPECT_EQ(m_window->Core().SelectedLayout().params.zoom, -20);

  // The choice composed over the last photo, at the photo's full size.
  ImagePane* composition = Find<ImagePane>("composition");
  ASSERT_TRUE(QTest::qWaitFor([&] { return composition->CurrentImage().height() == 213; }, 10000));
  EXPECT_EQ(composition->CurrentImage().width(), 320);
  Pages()->setCurrentIndex(CGrabberDlg::LayoutSelectorPage);
  EXPECT_EQ(Find<QLabel>("selected")->text(), "Selected: Party 2");
  if (const char* screenshot = std::getenv("BX_LAYOUTS_SCREENSHOT")) {
    QTest::qWait(500);
    EXPECT_TRUE(m_window->grab().save(screenshot));
  }
}

}  // namespace
