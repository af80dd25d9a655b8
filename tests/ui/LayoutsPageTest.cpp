// The layout selector page over a station with an SQLite layout table.
#include "../records/TestDatabase.h"
#include "StationWindowFixture.h"

#include "app/station/CGrabberDlg.h"
#include "layout/CLayoutList.h"
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

#include <filesystem>

namespace {

class LayoutsPageTest : public StationWindowFixture {
 protected:
  void SetUp() override {
    SimulateSmallCamera();
    m_folder.WriteProfile(m_folder.PhotoFolder().string() + "/",
                          "ODBC Default Connection=" + m_database.ConnectionString() + "\n" +
                              "[Program Settings]\nApplication Path=" + m_folder.Root().string() + "\n");
    // Five landscape layouts in category "Party", with zooms that tell them apart.
    const std::string folder = m_folder.Root().string() + "/";
    for (int i = 0; i < 5; ++i) {
      CLayoutObject layout;
      layout.layoutName = "Party " + std::to_string(i);
      layout.category = "Party";
      layout.params.aspectRatio = 1.5f;
      layout.params.zoom = -10 * i;
      m_ids.push_back(layout.SaveToDb(m_database.Settings(), folder));
      ASSERT_GT(m_ids.back(), 0);
    }
    // The sample layouts, in category "Samples", and one whose frame is missing.
    // A copy: previews append thumbnails to the images they read reduced.
    std::filesystem::copy(BX_EXAMPLES_DIR "/layouts", folder + "samples",
                          std::filesystem::copy_options::recursive);
    CLayoutList samples({m_database.Settings(), folder});
    ASSERT_TRUE(samples.Load("", false));
    ASSERT_EQ(samples.ImportFiles(folder + "samples/"), 2);
    CLayoutObject broken;
    broken.layoutName = "Broken frame";
    broken.category = "Samples";
    broken.params.fgImageName = folder + "missing-frame.png";
    ASSERT_GT(broken.SaveToDb(m_database.Settings(), folder), 0);
    StartWindow();
  }

  QString Category() const { return Find<QLabel>("category")->text(); }
  QToolButton* Tile(int slot) const { return Find<QToolButton>(QString("layout%1").arg(slot).toUtf8()); }
  QString Slot(int slot) const { return Tile(slot)->text(); }
  QString Field(const char* name) const { return Find<QLabel>(name)->text(); }
  void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
  void Pick(int slot) {
    Pages()->setCurrentIndex(CGrabberDlg::LayoutSelectorPage);
    QTest::mouseClick(Tile(slot), Qt::LeftButton);
  }

  TestDatabase m_database{bx::odbc::SqlDialect::SQLite};
  std::vector<long> m_ids;
};

TEST_F(LayoutsPageTest, ShowsNamedPreviewsPagesThroughCategoriesAndAnnouncesTheChoice) {
  // A photo first, so that the page has one to compose the choice with.
  QTest::mouseClick(Find<QPushButton>("shot"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !m_window->Core().LastPhotoPath().empty(); }, 10000));

  Pages()->setCurrentIndex(CGrabberDlg::LayoutSelectorPage);
  EXPECT_EQ(Category(), "Category: Horizontal");
  EXPECT_EQ(Slot(0), "Plain horizontal");  // the built-in layout by name, not by id
  EXPECT_TRUE(Tile(0)->isEnabled());
  EXPECT_FALSE(Tile(0)->isChecked());  // no layout chosen yet
  EXPECT_FALSE(Tile(1)->isEnabled());  // one built-in layout: the other slots are hidden
  EXPECT_TRUE(Tile(1)->isHidden());
  EXPECT_EQ(Field("selected"), "Active layout: None");
  EXPECT_EQ(Tile(0)->icon().availableSizes().value(0), QSize(128, 93));  // the default aspect ratio 1.37

  Click("nextCategory");
  EXPECT_EQ(Category(), "Category: Vertical");
  EXPECT_EQ(Slot(0), "Plain vertical");
  Click("nextCategory");
  EXPECT_EQ(Category(), "Category: Party");
  for (int slot = 0; slot < 4; ++slot) {
    EXPECT_EQ(Slot(slot), QString("Party %1").arg(slot));
    EXPECT_TRUE(Tile(slot)->isVisible());
    EXPECT_EQ(Tile(slot)->icon().availableSizes().value(0), QSize(128, 85));
  }
  Click("next");  // one on: the fifth layout shows
  EXPECT_EQ(Slot(3), "Party 4");
  Click("previous");
  Click("previous");  // not below the first
  EXPECT_EQ(Slot(0), "Party 0");
  Click("next");
  Click("next");  // the first index reaches the count minus 3: on to the next category
  EXPECT_EQ(Category(), "Category: Samples");
  EXPECT_EQ(Slot(0), "Gold frame");
  EXPECT_EQ(Slot(1), "Party");
  EXPECT_EQ(Slot(2), "Broken frame\n(cannot be used)");
  EXPECT_TRUE(Tile(3)->isHidden());
  EXPECT_NE(Tile(2)->toolTip().indexOf("missing image"), -1);

  // A layout that cannot be used: the control page says so, and photos get none.
  Pick(2);
  EXPECT_EQ(Pages()->currentIndex(), CGrabberDlg::ControlPage);
  EXPECT_EQ(Field("activeLayout"), "None");
  EXPECT_TRUE(Find<QLabel>("layoutChoice")->isVisible());
  EXPECT_TRUE(Field("layoutChoice").startsWith("\"Broken frame\" cannot be used (missing image"));

  // Picking stores the id, gives new photos the layout, returns to the control
  // page and announces the choice there.
  Pick(0);
  EXPECT_EQ(Pages()->currentIndex(), CGrabberDlg::ControlPage);
  const long gold = m_window->Core().SelectedLayout().id;
  const bx::ProfileStore profile(m_folder.ConfigFolder().string(), "BXGrabber");
  EXPECT_EQ(profile.GetInt("Program Settings", "Last Layout ID", -1), gold);
  EXPECT_EQ(m_window->Core().SelectedLayout().layoutName, "Gold frame");
  EXPECT_EQ(Field("activeLayout"), "Gold frame");
  EXPECT_EQ(Field("layoutChoice"), "Chosen just now: new photos get \"Gold frame\".");
  EXPECT_TRUE(Find<QLabel>("layoutChoice")->isVisible());
  Screenshot("layout-chosen");

  // The choice composed over the last photo, at the photo's full size.
  ImagePane* composition = Find<ImagePane>("composition");
  ASSERT_TRUE(QTest::qWaitFor([&] { return composition->CurrentImage().height() == 213; }, 10000));
  EXPECT_EQ(composition->CurrentImage().width(), 320);
  Pages()->setCurrentIndex(CGrabberDlg::LayoutSelectorPage);
  EXPECT_EQ(Field("selected"), "Active layout: Gold frame");
  EXPECT_TRUE(Tile(0)->isChecked());
  EXPECT_FALSE(Tile(1)->isChecked());
  Screenshot("layouts");
}

}  // namespace
