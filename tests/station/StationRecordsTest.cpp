// The station's photo rows while its database goes away and comes back, on SQLite
// and on PostgreSQL: every shot is saved, and every row arrives once, in order.
#include "../records/TestDatabase.h"
#include "RecordingHost.h"
#include "StationApp.h"
#include "StationFixture.h"
#include "StationTestBase.h"

#include "platform/LogTrace.h"
#include "app/station/CGrabberDlg.h"
#include "platform/ProfileStore.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"
#include "records/PhotoJournal.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using bx::odbc::SqlDialect;

class StationRecordsTest : public ::testing::TestWithParam<SqlDialect> {
 protected:
  void SetUp() override {
    Pylon::SSimulatorConfig config;
    config.sensorWidth = 160;
    config.sensorHeight = 120;
    Pylon::CTlFactory::GetInstance().Simulator().Configure(config);
    m_folder.WriteProfile(m_folder.PhotoFolder().string() + "/",
                          "ODBC Default Connection=" + StationConnection() + "\nOperatorName=D'Angelo\n");
    StartStation();
  }

  void StartStation() {
    m_station.reset();
    m_app = MakeStationApp(m_folder);
    TheLog().SetFileName((m_folder.StateFolder() / "BXGrabber.log").string());
    TheLog().Enable(true, false);
    m_station = std::make_unique<CGrabberDlg>(m_app->App(), m_host);
    ASSERT_TRUE(m_station->OnInitDialog());
  }

  void TearDown() override { TheLog().Enable(false, false); }

  bool Shoot() {
    const size_t before = m_host.Images().size();
    m_station->SoftwareShot(false);
    return m_host.WaitForImages(before + 1);
  }

  // Points the station at a database of the same driver that is not there, or back.
  void SetDatabaseReachable(bool reachable) {
    const std::string gone =
        GetParam() == SqlDialect::PostgreSQL
            ? std::string("ODBC;") + kPostgreSqlConnection + ";Database=" + m_database.Name() + "_gone"
            : "ODBC;DSN=Data;UID=sa;PWD=;Database=" + (m_folder.Root() / "gone.sqlite").string() +
                  ";NoCreat=1";
    bx::ProfileStore(m_folder.ConfigFolder().string(), "BXGrabber")
        .WriteString("Database Settings", "ODBC Default Connection", reachable ? StationConnection() : gone);
  }

  // The test's database in the form the station's probe reads: data source, user, password first.
  std::string StationConnection() const {
    std::string connection = m_database.Settings().storedConnection;
    if (GetParam() == SqlDialect::SQLite)
      connection.insert(std::string("ODBC;DSN=Data;").size(), "UID=sa;PWD=;");
    return connection;
  }

  std::string Log() const {
    std::ifstream log(m_folder.StateFolder() / "BXGrabber.log");
    std::stringstream text;
    text << log.rdbuf();
    return text.str();
  }

  // The writer logs its backlog once its attempt fails, which can be after the shot returned.
  bool LogShows(const std::string& line) const {
    return Eventually([&] { return Log().find(line) != std::string::npos; });
  }

  // Waits until the record writer has emptied its journal.
  bool RecordsCaughtUp() const {
    const std::string journal = (m_folder.StateFolder() / "BXGrabber.records").string();
    return Eventually([&] { return PhotoJournal(journal).PendingCount() == 0; });
  }

  TestDatabase m_database{GetParam()};
  StationFolder m_folder;
  RecordingHost m_host;
  std::unique_ptr<StationApp> m_app;
  std::unique_ptr<CGrabberDlg> m_station;
};

TEST_P(StationRecordsTest, AnOutageLosesNeitherPhotosNorRows) {
  constexpr int kShots = 30;
  std::uint64_t cursor = m_station->Feed().Events().NextId();
  for (int shot = 1; shot <= kShots; ++shot) {
    if (shot == 11) {
      // Records the writer still holds would go to the database it was woken for.
      ASSERT_TRUE(RecordsCaughtUp());
      SetDatabaseReachable(false);
    }
    if (shot == 21) SetDatabaseReachable(true);
    ASSERT_TRUE(Shoot()) << shot;
    if (shot == 20) {
      EXPECT_TRUE(LogShows("The database has not taken 10 records yet")) << Log();
      EXPECT_EQ(m_station->Status(), "Ko");
    }
  }
  m_station->OnDestroy();  // writes what is still pending
  EXPECT_EQ(m_station->Status(), "Ok");
  EXPECT_NE(Log().find("The database has taken every waiting record"), std::string::npos);
  // The HTTP service heard of the backlog and of its end.
  std::vector<std::string> backlog;
  for (const remote::StationEvent& event :
       m_station->Feed().Events().WaitFrom(cursor, std::chrono::seconds(0)).events)
    if (event.name.starts_with("records-")) backlog.push_back(event.name);
  ASSERT_FALSE(backlog.empty());
  EXPECT_EQ(backlog.front(), "records-waiting");
  EXPECT_EQ(backlog.back(), "records-caught-up");
  EXPECT_EQ(m_station->SavedCount(), kShots);
  EXPECT_EQ(m_folder.SavedPhotos().size(), static_cast<size_t>(kShots));
  EXPECT_EQ(m_database.Scalar("SELECT COUNT(*) FROM \"Fotografie\" WHERE \"OPERATORE\" = 'D''Angelo'"),
            std::to_string(kShots));
  EXPECT_EQ(m_database.Scalar("SELECT COUNT(DISTINCT \"CONTATORE\") FROM \"Fotografie\""),
            std::to_string(kShots));
  EXPECT_EQ(m_database.Scalar("SELECT COUNT(*) FROM \"Fotografie\" a, \"Fotografie\" b "
                              "WHERE a.\"ID\" < b.\"ID\" AND a.\"CONTATORE\" > b.\"CONTATORE\""),
            "0");
  EXPECT_EQ(m_database.Scalar("SELECT SUM(\"IMPORTATE\") FROM \"Story\""), std::to_string(kShots));
  int xmlFiles = 0;
  for (const auto& entry : fs::recursive_directory_iterator(m_folder.PhotoFolder()))
    xmlFiles += entry.path().extension() == ".xml" && entry.path().parent_path().filename() == "data";
  EXPECT_EQ(xmlFiles, kShots);
}

// A photo takes its name only once its row is in the journal: sampled while the
// database is out (the journal only grows), the tree never holds more photos.
TEST_P(StationRecordsTest, NoPhotoAppearsBeforeItsRowIsJournaled) {
  SetDatabaseReachable(false);
  const auto journaledPhotos = [this] {
    std::ifstream journal(m_folder.StateFolder() / "BXGrabber.records");
    size_t rows = 0;
    for (std::string line; std::getline(journal, line);) rows += line.rfind("shot\t", 0) == 0;
    return rows;
  };
  constexpr size_t kShots = 8;
  for (size_t shot = 1; shot <= kShots; ++shot) {
    const size_t before = m_host.Images().size();
    m_station->SoftwareShot(false);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (m_host.Images().size() == before && std::chrono::steady_clock::now() < deadline) {
      const size_t photos = m_folder.SavedPhotos().size();
      ASSERT_LE(photos, journaledPhotos()) << shot;
    }
    ASSERT_EQ(m_folder.SavedPhotos().size(), shot);
  }
}

// The journal cannot be written (a folder stands in its place): the photo stays
// but is not reported saved, and its row goes to the database directly.
TEST_P(StationRecordsTest, AShotWhoseRecordCannotBeJournaledIsNotReportedSaved) {
  fs::create_directories(m_folder.StateFolder() / "BXGrabber.records" / "blocked");
  ASSERT_TRUE(Shoot());
  EXPECT_EQ(m_station->Status(), "Ko");
  EXPECT_EQ(m_station->SavedCount(), 0);
  EXPECT_NE(m_station->SaveProblem().find("BXGrabber.records"), std::string::npos)
      << m_station->SaveProblem();
  ASSERT_EQ(m_folder.SavedPhotos().size(), 1u);
  EXPECT_EQ(m_database.Scalar("SELECT \"NOME_FILE\" FROM \"Fotografie\""),
            m_folder.SavedPhotos().front().filename().string());
  EXPECT_EQ(m_database.Scalar("SELECT SUM(\"IMPORTATE\") FROM \"Story\""), "1");
}

// The first photo cannot take its name (a folder holds it): its journaled row is
// set aside, never written, and the next photo gets its row as usual.
TEST_P(StationRecordsTest, APhotoThatNeverTakesItsNameGetsNoRow) {
  for (int film = 1; film <= 7; ++film)
    fs::create_directories(m_folder.PhotoFolder() / "images/D'Angelo" / std::to_string(film) /
                           "img1.jpg/held");
  ASSERT_TRUE(Shoot());
  EXPECT_EQ(m_station->Status(), "Ko");
  ASSERT_TRUE(Shoot());
  EXPECT_EQ(m_station->Status(), "Ok");
  m_station->OnDestroy();
  EXPECT_EQ(m_database.Scalar("SELECT COUNT(*) || ' ' || MAX(\"NOME_FILE\") FROM \"Fotografie\""),
            "1 img2.jpg");
  EXPECT_EQ(m_database.Scalar("SELECT SUM(\"IMPORTATE\") FROM \"Story\""), "1");
  EXPECT_NE(Log().find("img1.jpg is set aside"), std::string::npos) << Log();
  for (const auto& entry : fs::recursive_directory_iterator(m_folder.PhotoFolder()))
    EXPECT_NE(entry.path().extension(), ".partial") << entry.path();
}

TEST_P(StationRecordsTest, PhotosTakeTheSelectedLayout) {
  CLayoutObject layout;
  layout.layoutName = "Gold frame";
  layout.params.rotation = 33;
  layout.params.text = "Anna's party";
  const long id = layout.SaveToDb(m_database.Settings(), m_folder.Root().string() + "/");
  ASSERT_GT(id, 0);
  bx::ProfileStore profile(m_folder.ConfigFolder().string(), "BXGrabber");
  profile.WriteInt("Program Settings", "Last Layout ID", id);
  profile.WriteString("Program Settings", "Application Path", m_folder.Root().string());
  StartStation();
  ASSERT_TRUE(Shoot());
  m_station->OnDestroy();
  EXPECT_EQ(m_database.Scalar("SELECT \"ROTATION\" || ' ' || \"TEXT\" FROM \"Fotografie\""),
            "33 Anna's party");
  EXPECT_TRUE(fs::exists(m_folder.Root() / "Layout" / (std::to_string(id) + ".xml")));
}

// The external functions library sees the numbered photo and rewrites its caption
// before the photo is saved; the row and the log show what it did.
TEST_P(StationRecordsTest, PreSaveRewritesThePhotoBeforeItIsRecorded) {
  bx::ProfileStore(m_folder.ConfigFolder().string(), "BXGrabber")
      .WriteString("Program Settings", "External Functions", EXAMPLE_FUNCTIONS_PATH);
  StartStation();
  ASSERT_TRUE(Shoot());
  m_station->OnDestroy();
  const std::string counter = m_database.Scalar("SELECT \"CONTATORE\" FROM \"Fotografie\"");
  const std::string caption = "Photo " + counter + " (img" + counter + ".jpg)";
  EXPECT_EQ(m_database.Scalar("SELECT \"TEXT\" FROM \"Fotografie\""), caption);
  EXPECT_NE(Log().find("\nPreSave\n"), std::string::npos) << Log();
  EXPECT_NE(Log().find("\nPreSave result=" + caption + "\n"), std::string::npos) << Log();
}

INSTANTIATE_TEST_SUITE_P(Databases, StationRecordsTest,
                         ::testing::Values(SqlDialect::SQLite, SqlDialect::PostgreSQL),
                         [](const auto& info) { return DialectName(info.param); });

}  // namespace
