// The program headless on the simulated camera, 200 shots 50 ms apart, while its
// database goes away after shot 50 and comes back after shot 120: every photo is
// saved, and every row and XML copy arrives exactly once, in counter order.
#include "PostgreSqlInstance.h"
#include "StationFixture.h"

#include "records/DatabaseSchema.h"
#include "odbc/OdbcSession.h"
#include "odbc/OdbcStatement.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr int kShots = 200;
constexpr int kOutageAfter = 50;
constexpr int kBackAfter = 120;
constexpr int kIntervalMs = 50;

struct Outage {
  std::function<void()> begin;
  std::function<void()> end;
};

struct StationRun {
  int exitCode = -1;
  std::string output;
};

// Starts the station and drives the outage from the photos that appear on disk.
StationRun ShootThroughOutage(const StationFolder& folder, const Outage& outage) {
  const std::string command = "BX_CONFIG_DIR='" + folder.ConfigFolder().string() + "' BX_STATE_DIR='" +
                              folder.StateFolder().string() +
                              "' BX_SIM_SENSOR=640x480 '" BX_GRABBER_PATH "' --headless --shots " +
                              std::to_string(kShots) + " --interval " + std::to_string(kIntervalMs) + " 2>&1";
  StationRun run;
  std::atomic<bool> finished{false};
  std::thread station([&] {
    FILE* pipe = ::popen(command.c_str(), "r");
    std::array<char, 512> buffer{};
    while (pipe && std::fgets(buffer.data(), buffer.size(), pipe)) run.output += buffer.data();
    const int status = pipe ? ::pclose(pipe) : -1;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    finished = true;
  });
  bool down = false, back = false;
  while (!finished) {
    const size_t saved = folder.SavedPhotos().size();
    if (!down && saved >= kOutageAfter) {
      outage.begin();
      down = true;
    }
    if (down && !back && saved >= kBackAfter) {
      outage.end();
      back = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  station.join();
  if (down && !back) outage.end();
  EXPECT_TRUE(back) << run.output;
  return run;
}

std::string Scalar(const std::string& connection, const std::string& sql) {
  bx::odbc::OdbcSession session(connection);
  bx::odbc::OdbcStatement statement(session, sql);
  statement.Execute();
  return statement.Fetch() ? statement.Text(1).value_or("NULL") : "";
}

void ExpectEveryShotOnceInOrder(const StationFolder& folder, const std::string& connection,
                                const StationRun& run) {
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(folder.SavedPhotos().size(), static_cast<size_t>(kShots));
  const std::string shots = std::to_string(kShots);
  EXPECT_EQ(Scalar(connection, "SELECT COUNT(*) FROM \"Fotografie\""), shots);
  EXPECT_EQ(Scalar(connection,
                   "SELECT COUNT(*) FROM (SELECT DISTINCT \"RULLINO\", \"CONTATORE\" FROM "
                   "\"Fotografie\") AS shots"),
            shots);
  EXPECT_EQ(Scalar(connection,
                   "SELECT COUNT(*) FROM \"Fotografie\" a, \"Fotografie\" b WHERE a.\"ID\" < b.\"ID\" "
                   "AND a.\"RULLINO\" = b.\"RULLINO\" AND a.\"CONTATORE\" > b.\"CONTATORE\""),
            "0");
  EXPECT_EQ(Scalar(connection, "SELECT SUM(\"IMPORTATE\") FROM \"Story\""), shots);
  size_t xmlFiles = 0, rowsWithoutPhoto = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder.PhotoFolder()))
    if (entry.path().extension() == ".xml" && entry.path().parent_path().filename() == "data") {
      ++xmlFiles;
      rowsWithoutPhoto += !fs::exists(entry.path().parent_path().parent_path() / entry.path().stem());
    }
  EXPECT_EQ(xmlFiles, static_cast<size_t>(kShots));
  EXPECT_EQ(rowsWithoutPhoto, 0u);
  EXPECT_NE(run.output.find("status Records waiting ("), std::string::npos) << "the outage was never shown";
}

void WriteStationProfile(const StationFolder& folder, const std::string& connection) {
  bx::odbc::OdbcSession session(connection);
  CreateMissingTables(session);
  folder.WriteProfile(folder.PhotoFolder().string() + "/",
                      "ODBC Default Connection=ODBC;" + connection + "\n");
}

TEST(StationOutageTest, PostgreSqlStoppedAndStartedDuringTheShoot) {
  PostgreSqlInstance server;
  if (!server.IsAvailable()) GTEST_SKIP() << server.Problem();
  ASSERT_TRUE(server.Start());
  StationFolder folder;
  WriteStationProfile(folder, server.ConnectionString());
  const StationRun run =
      ShootThroughOutage(folder, {[&] { ASSERT_TRUE(server.Stop()); }, [&] { ASSERT_TRUE(server.Start()); }});
  ExpectEveryShotOnceInOrder(folder, server.ConnectionString(), run);
}

// Another program holds SQLite's write lock for a while: the station's writes fail
// with "database is locked" although the database answers.
TEST(StationOutageTest, SQLiteLockedAgainstWritesDuringTheShoot) {
  StationFolder folder;
  const std::string connection =
      "DSN=Data;UID=sa;PWD=;Database=" + (folder.Root() / "records.sqlite").string() +
      ";NoCreat=0;Timeout=500";
  WriteStationProfile(folder, connection);
  std::unique_ptr<bx::odbc::OdbcSession> locker;
  const StationRun run =
      ShootThroughOutage(folder, {[&] {
                                    locker = std::make_unique<bx::odbc::OdbcSession>(connection);
                                    bx::odbc::OdbcStatement(*locker, "BEGIN EXCLUSIVE").Execute();
                                  },
                                  [&] {
                                    bx::odbc::OdbcStatement(*locker, "COMMIT").Execute();
                                    locker.reset();
                                  }});
  ExpectEveryShotOnceInOrder(folder, connection, run);
}

}  // namespace
