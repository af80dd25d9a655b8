// The property grid over a host with one field of every kind, on the
// offscreen platform: what it shows, what it hands back, and how it follows
// changes the host reports from other threads.
#include "ui/PropertyGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class RecordingHost : public IPropertyHost {
 public:
  void GetProperties(CPropertyList& list) override {
    list.AddSection("Camera");
    list.AddChoice(this, "Mode", &m_mode, "How it runs", {{"Off", 0, ""}, {"On", 7, ""}});
    list.AddInteger(this, "Width", &m_width, 16, 2048, "Pixels across");
    list.SetLastFeature("SensorWidth", "px");
    list.AddBool(this, "Reverse", &m_reverse, "");
    list.BeginGroup("Gain");
    list.AddFloat(this, "Gamma", &m_gamma, 0.0, 4.0, "");
    list.AddDouble(this, "Exposure", &m_exposure, 10.0, 1e6, "");
    list.EndGroup();
    list.AddInt64(this, "Timestamp", &m_timestamp, 0, INT64_MAX, "");
    list.SetLastReadOnly();
    list.AddText(this, "Name", &m_name, "");
    if (m_extraField) list.AddInteger(this, "Extra", &m_extra, 0, 10, "");
  }

  bool OnPropertyChanged(PropertyId id, const PropertyValue& value) override {
    m_edits.push_back({id, value});
    if (id == &m_name && std::get<std::string>(value) == "refused") return false;
    return true;
  }

  bool IsPropertyEnabled(PropertyId id) override { return id != &m_exposure || m_exposureWritable; }

  void SetPropertyObserver(Observer observer) override {
    std::lock_guard lock(m_lock);
    m_observer = std::move(observer);
  }

  void Notify(PropertyId id) {
    std::lock_guard lock(m_lock);
    if (m_observer) m_observer(id);
  }

  bool Observed() {
    std::lock_guard lock(m_lock);
    return static_cast<bool>(m_observer);
  }

  struct Edit {
    PropertyId id;
    PropertyValue value;
  };
  std::vector<Edit> m_edits;
  int m_mode = 7;
  int m_width = 640;
  int m_reverse = 0;
  float m_gamma = 1.0f;
  double m_exposure = 2500.0;
  std::int64_t m_timestamp = 5'000'000'000;
  std::string m_name = "front";
  int m_extra = 3;
  bool m_extraField = false;
  bool m_exposureWritable = true;

 private:
  std::mutex m_lock;
  Observer m_observer;
};

class PropertyGridTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "ui_property_grid_test";
    static char* argv[] = {name, nullptr};
    s_application = new QApplication(argc, argv);
  }
  static void TearDownTestSuite() {
    delete s_application;
    s_application = nullptr;
  }

  template <class Widget>
  Widget* Editor(PropertyGrid& grid, const char* label) {
    return qobject_cast<Widget*>(grid.Editor(label));
  }

  // Types into a field and presses Enter.
  void Enter(PropertyGrid& grid, const char* label, const QString& text) {
    QLineEdit* line = Editor<QLineEdit>(grid, label);
    ASSERT_NE(line, nullptr) << label;
    line->setText(text);
    QTest::keyClick(line, Qt::Key_Return);
  }

  // The note under the grid.
  QString Note(PropertyGrid& grid) { return grid.findChild<QLabel*>("propertyComment")->text(); }

  RecordingHost m_host;
  static QApplication* s_application;
};

QApplication* PropertyGridTest::s_application = nullptr;

TEST_F(PropertyGridTest, ShowsEveryKindNestedAsTheListGroupsThem) {
  PropertyGrid grid(m_host);
  EXPECT_EQ(grid.FieldCount(), 7);
  const auto* tree = grid.findChild<QTreeWidget*>();
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  const QTreeWidgetItem* camera = tree->topLevelItem(0);
  EXPECT_EQ(camera->text(0), "Camera");
  ASSERT_EQ(camera->childCount(), 6);  // Mode, Width, Reverse, the Gain group, Timestamp, Name
  EXPECT_EQ(camera->child(3)->text(0), "Gain");
  EXPECT_EQ(camera->child(3)->childCount(), 2);

  // A camera feature: the unit beside the label, the range in its own column,
  // the feature's name in the tool tip, and the editor found by either name.
  const QTreeWidgetItem* width = camera->child(1);
  EXPECT_EQ(width->text(0), "Width (px)");
  EXPECT_EQ(width->text(2), "16 to 2048");
  EXPECT_EQ(width->toolTip(0), "Pixels across\nFeature: SensorWidth");
  EXPECT_EQ(grid.Editor("SensorWidth"), grid.Editor("Width"));
  EXPECT_EQ(camera->child(3)->child(1)->text(2), "10 to 1000000");  // Exposure, a double
  EXPECT_EQ(camera->child(2)->text(2), "");                         // a check box has none

  EXPECT_EQ(Editor<QComboBox>(grid, "Mode")->currentText(), "On");
  EXPECT_EQ(Editor<QLineEdit>(grid, "Width")->text(), "640");
  EXPECT_FALSE(Editor<QCheckBox>(grid, "Reverse")->isChecked());
  EXPECT_EQ(Editor<QLineEdit>(grid, "Gamma")->text(), "1");
  EXPECT_EQ(Editor<QLineEdit>(grid, "Timestamp")->text(), "5000000000");
  EXPECT_FALSE(grid.Editor("Timestamp")->isEnabled());  // read-only
  EXPECT_TRUE(grid.Editor("Exposure")->isEnabled());
  m_host.m_exposureWritable = false;
  grid.RefreshValues();
  EXPECT_FALSE(grid.Editor("Exposure")->isEnabled());  // the host says so
}

TEST_F(PropertyGridTest, EditsReachTheHostByAddressAndRefusalsKeepTheMember) {
  PropertyGrid grid(m_host);
  std::vector<PropertyId> reported;
  QObject::connect(&grid, &PropertyGrid::PropertyEdited, [&](PropertyId id) { reported.push_back(id); });
  Enter(grid, "Width", "99999");  // beyond the maximum: the maximum
  Enter(grid, "Gamma", " 2.5 ");
  Enter(grid, "Exposure", "1e3");
  emit Editor<QComboBox>(grid, "Mode")->activated(0);
  Editor<QCheckBox>(grid, "Reverse")->click();
  ASSERT_EQ(m_host.m_edits.size(), 5u);
  EXPECT_EQ(m_host.m_edits[0].id, &m_host.m_width);
  EXPECT_EQ(std::get<int>(m_host.m_edits[0].value), 2048);
  EXPECT_EQ(std::get<double>(m_host.m_edits[1].value), 2.5);
  EXPECT_EQ(std::get<bool>(m_host.m_edits[4].value), true);
  EXPECT_EQ(m_host.m_width, 2048);
  EXPECT_EQ(m_host.m_gamma, 2.5f);
  EXPECT_EQ(m_host.m_exposure, 1000.0);
  EXPECT_EQ(m_host.m_mode, 0);
  EXPECT_EQ(m_host.m_reverse, 1);
  EXPECT_EQ(Editor<QLineEdit>(grid, "Width")->text(), "2048");
  EXPECT_EQ(reported.size(), 5u);
  EXPECT_EQ(Note(grid), "Width (px): 99999 is outside 16 to 2048; 2048 is used instead.");

  m_host.m_edits.clear();
  Enter(grid, "Width", "12x");  // no number: nothing reaches the host
  EXPECT_EQ(Note(grid), "Width (px): \"12x\" is not a number from 16 to 2048; it stays 2048.");
  Enter(grid, "Gamma", "inf");
  EXPECT_TRUE(m_host.m_edits.empty());
  EXPECT_EQ(Editor<QLineEdit>(grid, "Width")->text(), "2048");
  Enter(grid, "Name", "refused");  // the host refuses: the old value comes back
  EXPECT_EQ(Note(grid), "Name was not changed.");
  EXPECT_EQ(m_host.m_name, "front");
  EXPECT_EQ(Editor<QLineEdit>(grid, "Name")->text(), "front");
  m_host.m_exposureWritable = false;  // disabled since it was shown: refused too
  Enter(grid, "Exposure", "400");
  EXPECT_EQ(m_host.m_exposure, 1000.0);
  EXPECT_EQ(m_host.m_edits.size(), 1u);
  QLineEdit* width = Editor<QLineEdit>(grid, "Width");  // typed, left without Enter
  width->setText("800");
  emit width->editingFinished();
  EXPECT_EQ(width->text(), "2048");
  EXPECT_EQ(reported.size(), 5u);
}

TEST_F(PropertyGridTest, FollowsTheHostFromOtherThreadsUntilItGoes) {
  {
    PropertyGrid grid(m_host);
    ASSERT_TRUE(m_host.Observed());
    std::thread camera([this] {
      m_host.m_width = 1024;
      for (int i = 0; i < 1000; ++i) m_host.Notify(&m_host.m_width);  // drained by one queued call
    });
    camera.join();
    EXPECT_EQ(Editor<QLineEdit>(grid, "Width")->text(), "640");  // not before the UI thread runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return Editor<QLineEdit>(grid, "Width")->text() == "1024"; }, 2000));

    m_host.m_extraField = true;
    std::thread([this] { m_host.Notify(nullptr); }).join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid.Editor("Extra") != nullptr; }, 2000));
    EXPECT_EQ(grid.FieldCount(), 8);
  }
  EXPECT_FALSE(m_host.Observed());
  m_host.Notify(nullptr);  // nothing left to reach
  QCoreApplication::processEvents();
}

}  // namespace
