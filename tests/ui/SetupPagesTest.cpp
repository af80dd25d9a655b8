// The set-up pages of the main window: their settings reach the station, are
// saved with the active preset, follow a preset change and survive a restart.
#include "StationWindowFixture.h"

#include "app/station/CGrabberDlg.h"
#include "platform/ProfileStore.h"
#include "pylon/NodePointer.h"
#include "odbc/DefaultConnection.h"
#include "ui/ImagePane.h"
#include "ui/PropertyGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <tinyxml.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// The "value" attribute at a path of elements below the document, or "" when missing.
std::string SavedValue(const std::string& file, std::initializer_list<const char*> path) {
  TiXmlDocument document;
  if (!document.LoadFile(file.c_str())) return "";
  TiXmlNode* node = &document;
  for (const char* name : path) {
    node = node->FirstChildElement(name);
    if (node == nullptr) return "";
  }
  const char* value = node->ToElement()->Attribute("value");
  return value ? value : "";
}

std::string FileText(const std::string& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool IsGrey(const QImage& image) {
  for (int y = 0; y < image.height(); y += 7)
    for (int x = 0; x < image.width(); x += 7) {
      const QColor pixel = image.pixelColor(x, y);
      if (std::abs(pixel.red() - pixel.green()) > 1 || std::abs(pixel.green() - pixel.blue()) > 1)
        return false;
    }
  return true;
}

class SetupPagesTest : public StationWindowFixture {
 protected:
  void SetUp() override {
    PrepareStation();
    bx::ProfileStore(m_folder.ConfigFolder().string(), "BXGrabber")
        .WriteString("Program Settings", "Properties File Name", PropertiesFile());
    StartWindow();
  }

  // Closes the window as the operator would (with Shift), and the application with it.
  void CloseWindow() {
    m_shift = true;
    m_window->close();
    m_window.reset();
    m_app.reset();
    m_shift = false;
  }

  std::string PropertiesFile() const { return (m_folder.Root() / "Properties.xml").string(); }

  QWidget* ShowPage(int page) {
    Pages()->setCurrentIndex(page);
    return Pages()->widget(page);
  }

  PropertyGrid* Grid(int page, const char* name) {
    return Pages()->widget(page)->findChild<PropertyGrid*>(name);
  }

  void Enter(PropertyGrid* grid, const char* label, const QString& text) {
    auto* line = qobject_cast<QLineEdit*>(grid->Editor(label));
    ASSERT_NE(line, nullptr) << label;
    line->setText(text);
    QTest::keyClick(line, Qt::Key_Return);
  }

  QString Shown(PropertyGrid* grid, const char* label) {
    auto* line = qobject_cast<QLineEdit*>(grid->Editor(label));
    return line ? line->text() : QString();
  }

  // The grid's row whose first column reads `caption`, at any depth.
  QTreeWidgetItem* Row(PropertyGrid* grid, const char* caption) {
    const auto found =
        grid->findChild<QTreeWidget*>()->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive, 0);
    return found.isEmpty() ? nullptr : found.front();
  }

  void ChoosePreset(int preset) {
    ShowPage(CGrabberDlg::ControlPage);
    emit Find<QComboBox>("preset")->activated(preset);
    ASSERT_EQ(m_window->Core().GetPreset(), preset);
  }
};

TEST_F(SetupPagesTest, ColourEditsApplyPreviewAndPersistPerPreset) {
  QWidget* page = ShowPage(CGrabberDlg::ColorSetupPage);
  PropertyGrid* grid = Grid(CGrabberDlg::ColorSetupPage, "colourProperties");
  ASSERT_NE(grid, nullptr);
  QTest::mouseClick(page->findChild<QPushButton*>("testShot"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !m_window->Pane().CurrentImage().isNull(); }, 10000));
  ASSERT_FALSE(IsGrey(m_window->Pane().CurrentImage()));

  // The edit is applied, shown on the last test shot and saved with preset 0.
  Enter(grid, "Saturation (%)", "-100");
  EXPECT_EQ(m_window->Core().GetColorTransformer().m_settings.m_saturation, -100);
  EXPECT_TRUE(IsGrey(m_window->Pane().CurrentImage()));
  EXPECT_EQ(SavedValue(PropertiesFile(), {"Set0", "ColorTransformer", "Saturation"}), "-100");
  Screenshot("colour-setup");

  // Preset 1 has no colour settings yet: the defaults; back to 0: its own.
  ChoosePreset(CGrabberDlg::PresetLowLight);
  ShowPage(CGrabberDlg::ColorSetupPage);
  EXPECT_EQ(Shown(grid, "Saturation (%)"), "0");
  Enter(grid, "Contrast (%)", "40");
  ChoosePreset(CGrabberDlg::PresetNormal);
  ShowPage(CGrabberDlg::ColorSetupPage);
  EXPECT_EQ(Shown(grid, "Saturation (%)"), "-100");
  EXPECT_EQ(Shown(grid, "Contrast (%)"), "0");

  CloseWindow();
  StartWindow();
  grid = Grid(CGrabberDlg::ColorSetupPage, "colourProperties");
  EXPECT_EQ(m_window->Core().GetColorTransformer().m_settings.m_saturation, -100);
  ShowPage(CGrabberDlg::ColorSetupPage);
  EXPECT_EQ(Shown(grid, "Saturation (%)"), "-100");
  ChoosePreset(CGrabberDlg::PresetLowLight);
  EXPECT_EQ(m_window->Core().GetColorTransformer().m_settings.m_contrast, 40);
}

TEST_F(SetupPagesTest, CameraPageSavesWithThePresetAndKeepsAFileItCannotRead) {
  QWidget* page = ShowPage(CGrabberDlg::CameraSetupPage);
  PropertyGrid* grid = Grid(CGrabberDlg::CameraSetupPage, "cameraProperties");
  ASSERT_NE(grid, nullptr);
  auto* type = qobject_cast<QComboBox*>(grid->Editor("Type"));  // the exposure control's algorithm
  ASSERT_NE(type, nullptr);
  const int mean = type->findText("Global Mean");
  ASSERT_GE(mean, 0);
  emit type->activated(mean);
  Enter(grid, "Rotation", "900");
  EXPECT_EQ(m_window->Core().GetRotation(), 900);
  EXPECT_EQ(SavedValue(PropertiesFile(), {"Set0", "PylonCamera", "CustomProperties", "Rotation"}), "900");
  EXPECT_EQ(SavedValue(PropertiesFile(), {"Set0", "PylonCamera", "AEC", "Type"}),
            std::to_string(m_window->Core().m_settings.m_type));
  EXPECT_TRUE(Find<QLabel>("saveProblem")->text().isEmpty());

  // Live view shows the camera's frames in the big pane.
  page->findChild<QCheckBox*>("liveMode")->click();
  EXPECT_TRUE(m_window->Core().IsLiveMode());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !m_window->Pane().CurrentImage().isNull(); }, 10000));
  Screenshot("camera-setup");
  page->findChild<QCheckBox*>("liveMode")->click();
  EXPECT_FALSE(m_window->Core().IsLiveMode());

  // A properties file that does not parse is left alone; the page says so.
  { std::ofstream(PropertiesFile()) << "<Set0><PylonCamera"; }
  Enter(grid, "Rotation", "-900");
  EXPECT_EQ(FileText(PropertiesFile()), "<Set0><PylonCamera");
  EXPECT_FALSE(page->findChild<QLabel*>("saveProblem")->text().isEmpty());
}

TEST_F(SetupPagesTest, GeneralPageSavesTheDatabaseConnection) {
  QWidget* page = ShowPage(CGrabberDlg::GeneralSetupPage);
  auto* connection = page->findChild<QLineEdit*>("odbcConnection");
  EXPECT_EQ(connection->text().toStdString(), DefaultConnectionString(0));
  auto* inUse = page->findChild<QLabel*>("databaseInUse");
  EXPECT_EQ(inUse->text(), "ODBC data source \"Data\", with the database its ODBC settings (odbc.ini) name");
  auto* type = page->findChild<QComboBox*>("databaseType");
  type->setCurrentIndex(1);
  emit type->activated(1);  // a built-in string follows the type, its password hidden
  EXPECT_EQ(connection->text().toStdString(), "ODBC;DSN=Data_pg;UID=postgres");
  auto* password = page->findChild<QLineEdit*>("odbcPassword");
  EXPECT_EQ(password->text().toStdString() + "|" + std::to_string(password->echoMode()),
            "qarmivodel|" + std::to_string(QLineEdit::Password));
  EXPECT_TRUE(inUse->text().startsWith("ODBC data source \"Data_pg\""));
  connection->setText("ODBC;dsn=Data;UID=sa;PWD=;database=/srv/shots.sqlite");
  EXPECT_EQ(inUse->text(), "ODBC data source \"Data\", database /srv/shots.sqlite");
  connection->setText("ODBC;DSN=Data_pg;UID=postgres");  // saved with the hidden password

  // A photo folder that does not exist is warned of as it is typed.
  auto* path = page->findChild<QLineEdit*>("databasePath");
  auto* pathProblem = page->findChild<QLabel*>("photoFolderProblem");
  EXPECT_FALSE(pathProblem->isVisibleTo(page));
  const std::string missing = (m_folder.Root() / "unmounted").string();
  path->setText(QString::fromStdString(missing + "/"));
  EXPECT_TRUE(pathProblem->isVisibleTo(page));
  EXPECT_EQ(pathProblem->text().toStdString(),
            "Photos cannot be saved: folder " + missing + " (\"DatabasePath\") does not exist");
  Screenshot("general-setup-missing-folder");
  path->setText(QString::fromStdString(m_folder.PhotoFolder().string()));  // a prefix, not the folder
  EXPECT_TRUE(pathProblem->text().endsWith("end the folder with \"/\" to put them inside it"));
  path->setText(QString::fromStdString(m_folder.PhotoFolder().string() + "/"));
  EXPECT_FALSE(pathProblem->isVisibleTo(page));
  page->findChild<QLineEdit*>("operatorName")->setText("anna");
  Screenshot("general-setup");
  QTest::keyClick(connection, Qt::Key_Return);

  const bx::ProfileStore profile(m_folder.ConfigFolder().string(), "BXGrabber");
  EXPECT_EQ(profile.GetInt("Database Settings", "Database Type", 0), 1);
  EXPECT_EQ(profile.GetString("Database Settings", "ODBC Default Connection", ""),
            DefaultConnectionString(1));
  EXPECT_EQ(profile.GetString("Database Settings", "OperatorName", ""), "anna");
  Screenshot("control");
}

TEST_F(SetupPagesTest, CameraFeaturesFromTheGridReachTheCameraPerPresetAndPersist) {
  const auto exposure = [this] {
    return GenApi::CIntegerPtr(m_window->Core().GetNodeMap()->GetNode("ExposureTimeRaw"))->GetValue();
  };
  ShowPage(CGrabberDlg::CameraSetupPage);
  PropertyGrid* grid = Grid(CGrabberDlg::CameraSetupPage, "cameraProperties");
  Enter(grid, "ExposureTimeRaw", "1234");
  EXPECT_EQ(exposure(), 1234);
  ChoosePreset(CGrabberDlg::PresetLowLight);
  ShowPage(CGrabberDlg::CameraSetupPage);
  Enter(grid, "ExposureTimeRaw", "777");
  ChoosePreset(CGrabberDlg::PresetNormal);
  EXPECT_EQ(exposure(), 1234);
  ShowPage(CGrabberDlg::CameraSetupPage);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Shown(grid, "ExposureTimeRaw") == "1234"; }, 2000));

  CloseWindow();
  StartWindow();
  EXPECT_EQ(exposure(), 1234);
  ShowPage(CGrabberDlg::CameraSetupPage);
  grid = Grid(CGrabberDlg::CameraSetupPage, "cameraProperties");
  EXPECT_EQ(Shown(grid, "ExposureTimeRaw"), "1234");
}
TEST_F(SetupPagesTest, CameraGridShowsTheCamerasNamesAndTheChosenAlgorithmsSettings) {
  ShowPage(CGrabberDlg::CameraSetupPage);
  PropertyGrid* grid = Grid(CGrabberDlg::CameraSetupPage, "cameraProperties");
  QCoreApplication::processEvents();  // the rebuilds the camera's opening asked for
  ASSERT_NE(Row(grid, "Analog Controls"), nullptr);
  EXPECT_EQ(Row(grid, "AnalogControls"), nullptr);
  QTreeWidgetItem* delay = Row(grid, "Trigger Delay (us)");
  ASSERT_NE(delay, nullptr);
  EXPECT_EQ(delay->text(2), "0 to 1000000");
  EXPECT_TRUE(delay->toolTip(0).endsWith("\nFeature: TriggerDelayAbs")) << delay->toolTip(0).toStdString();
  ASSERT_NE(Row(grid, "Exposure Time (Raw)"), nullptr);
  EXPECT_EQ(Row(grid, "Exposure Time (Raw)")->text(2), "1 to 4095");

  // A value beyond the camera's range is brought into it, and the page says so.
  Enter(grid, "Exposure Time (Raw)", "99999");
  EXPECT_EQ(GenApi::CIntegerPtr(m_window->Core().GetNodeMap()->GetNode("ExposureTimeRaw"))->GetValue(), 4095);
  EXPECT_EQ(grid->findChild<QLabel*>("propertyComment")->text(),
            "Exposure Time (Raw): 99999 is outside 1 to 4095; 4095 is used instead.");
  grid->findChild<QTreeWidget*>()->scrollToItem(Row(grid, "Exposure Time (Raw)"));
  Screenshot("camera-grid");

  // The exposure control's group holds the chosen algorithm's settings only.
  const auto choose = [grid](const char* algorithm) {
    auto* type = qobject_cast<QComboBox*>(grid->Editor("Type"));  // a new editor after each rebuild
    ASSERT_NE(type, nullptr);
    emit type->activated(type->findText(algorithm));
  };
  EXPECT_EQ(grid->Editor("Up Step"), nullptr);  // "None" at first
  EXPECT_EQ(grid->Editor("Desired exposition"), nullptr);
  QTreeWidget* tree = grid->findChild<QTreeWidget*>();
  tree->scrollToItem(Row(grid, "Analog Controls"), QAbstractItemView::PositionAtTop);
  const std::string top = tree->itemAt(0, 0)->text(0).toStdString();
  choose("Global");
  ASSERT_TRUE(QTest::qWaitFor([&] { return grid->Editor("Up Step") != nullptr; }, 2000));
  EXPECT_EQ(grid->Editor("Desired exposition"), nullptr);
  EXPECT_EQ(tree->itemAt(0, 0)->text(0).toStdString(), top);  // the rebuilt grid stays where it was
  choose("Global Mean");
  ASSERT_TRUE(QTest::qWaitFor([&] { return grid->Editor("Desired exposition") != nullptr; }, 2000));
  EXPECT_EQ(grid->Editor("Up Step"), nullptr);
  ASSERT_NE(Row(grid, "GlobalMeanAEC"), nullptr);
  tree->scrollToItem(Row(grid, "AEC"), QAbstractItemView::PositionAtTop);
  Screenshot("camera-grid-exposure");
  choose("None");
  ASSERT_TRUE(QTest::qWaitFor([&] { return grid->Editor("Desired exposition") == nullptr; }, 2000));
  EXPECT_EQ(m_window->Core().m_settings.m_type, -1);
}
}  // namespace
