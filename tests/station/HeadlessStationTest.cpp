// The program itself, headless on the simulated camera.
#include "StationFixture.h"

#include "pixlib/codecs/Thumbnail.h"
#include "pixlib/core/CxImage.h"
#include "records/CStorySet.h"
#include "records/DatabaseSchema.h"
#include "odbc/OdbcSession.h"
#include "odbc/OdbcStatement.h"
#include "records/PhotoJournal.h"
#include "tests/platform/RunShell.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <optional>
#include <random>
#include <set>
#include <thread>
#include <cstdio>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string Environment(const StationFolder& folder) {
  return "BX_CONFIG_DIR='" + folder.ConfigFolder().string() + "' BX_STATE_DIR='" +
         folder.StateFolder().string() + "' ";
}

// `prefix` goes before the program, e.g. to run it as another user.
CommandRun RunHeadless(const StationFolder& folder, int shots, const std::string& prefix = "") {
  return RunShell(Environment(folder) + prefix + "'" BX_GRABBER_PATH "' --headless --shots " +
                  std::to_string(shots) + " --interval 0 2>&1");
}

// The status line of the last photo, saved or not.
std::string LastImageLine(const std::string& output) {
  const size_t start = output.rfind("\nPhoto ");
  if (start == std::string::npos) return {};
  return output.substr(start + 1, output.find('\n', start + 1) - start - 1);
}

TEST(HeadlessStationTest, TwentyShotsGiveTwentyPhotosWithThumbnails) {
  StationFolder folder;
  folder.WriteProfile(folder.PhotoFolder().string() + "/");
  const CommandRun run = RunHeadless(folder, 20);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::string last = LastImageLine(run.output);
  EXPECT_NE(last.find("status Ok, photos saved 20"), std::string::npos) << run.output;

  const auto photos = folder.SavedPhotos();
  ASSERT_EQ(photos.size(), 20u) << run.output;
  // The line names the photo it saved and its counter.
  const size_t named = last.find(" saved (counter ");
  ASSERT_NE(named, std::string::npos) << last;
  const fs::path file = last.substr(6, named - 6);
  EXPECT_TRUE(fs::exists(file)) << last;
  EXPECT_EQ(file.filename().string(),
            "img" + last.substr(named + 16, last.find(')', named) - named - 16) + ".jpg")
      << last;
  for (const fs::path& photo : photos) {
    ASSERT_EQ(photo.parent_path().parent_path().parent_path().filename(), "images") << photo;
    ImageTrailer trailer;
    ASSERT_TRUE(ReadImageTrailer(photo, trailer)) << photo;
    EXPECT_EQ(trailer.flags & 1u, 1u) << photo;
    EXPECT_LT(trailer.thumbnailOffset, fs::file_size(photo) - 64) << photo;
    CxImage thumbnail;
    ASSERT_NE(LoadThumbNail(thumbnail, photo.c_str(), 0, 1024), 0) << photo;
    EXPECT_EQ(std::max(thumbnail.Width(), thumbnail.Height()), 1024) << photo;
  }
}

TEST(HeadlessStationTest, WithoutAPhotoFolderNothingIsSavedAndTheRunFails) {
  StationFolder folder;
  folder.WriteProfile("");
  CommandRun run = RunHeadless(folder, 2);
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(LastImageLine(run.output)
                .find("Photo not saved, status Ko (\"DatabasePath\" is empty), photos saved 0"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("0 of 2 photos saved"), std::string::npos) << run.output;
  EXPECT_TRUE(fs::is_empty(folder.PhotoFolder()));

  const std::string missing = (folder.Root() / "unmounted").string();
  folder.WriteProfile(missing + "/");
  run = RunHeadless(folder, 3);
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(run.output.find("folder " + missing + " (\"DatabasePath\") does not exist"), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("0 of 3 photos saved"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(missing));
}

// Permissions do not bind root: the prefix that runs the station as an
// unprivileged user then, "" otherwise; nothing when none can.
std::optional<std::string> AsUnprivilegedUser() {
  if (::geteuid() != 0) return "";
  if (::access("/usr/bin/setpriv", X_OK) != 0) return std::nullopt;
  return "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups ";
}

TEST(HeadlessStationTest, AReadOnlyImageFolderFailsEveryShot) {
  const std::optional<std::string> asUser = AsUnprivilegedUser();
  if (!asUser) GTEST_SKIP() << "running as root without /usr/bin/setpriv to drop privileges";
  StationFolder folder;
  folder.WriteProfile(folder.PhotoFolder().string() + "/");
  const fs::path images = folder.PhotoFolder() / "images";
  fs::create_directories(images);
  for (const fs::path& writable : {folder.Root(), folder.ConfigFolder(), folder.StateFolder()})
    fs::permissions(writable, fs::perms::all);
  fs::permissions(folder.PhotoFolder(), fs::perms::all);
  fs::permissions(images, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                              fs::perms::others_exec | fs::perms::group_read | fs::perms::group_exec);
  const CommandRun run = RunHeadless(folder, 2, *asUser);
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_NE(LastImageLine(run.output)
                .find("cannot create folder " + images.string() + "/Operatore: Permission denied"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("0 of 2 photos saved"), std::string::npos) << run.output;
  EXPECT_TRUE(fs::is_empty(images));
}

TEST(HeadlessStationTest, HelpListsTheOptionsAndUnknownOptionsAreReported) {
  for (const char* help : {"--help", "-h"}) {
    const CommandRun run = RunShell("'" BX_GRABBER_PATH "' " + std::string(help) + " 2>&1");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    for (const char* option : {"-dMS", "-tSERVER", "-p ", "-iN", "--headless", "--shots N", "--interval MS",
                               "BX_CONFIG_DIR", "BX_STATE_DIR"})
      EXPECT_NE(run.output.find(option), std::string::npos) << option << "\n" << run.output;
    EXPECT_EQ(run.output.find("Title:"), std::string::npos) << "the station started:\n" << run.output;
  }
  StationFolder folder;
  folder.WriteProfile("");
  const CommandRun run = RunShell(
      Environment(folder) + "'" BX_GRABBER_PATH "' --headless --shots 0 --frobnicate --style=fusion 2>&1");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("unknown option --frobnicate"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("--style"), std::string::npos) << "the window's own option:\n" << run.output;
}

// A station profile of the test's own: "ServerName" only when given. Layout
// files go below the test's folder.
void WriteStationProfile(const StationFolder& folder, const std::string& application,
                         const std::string& lines) {
  std::ofstream(folder.ConfigFolder() / (application + ".ini"))
      << "[Camera Settings]\nCamera Transport=sim\nNum Buffers=4\n[Database Settings]\nDatabasePath="
      << folder.PhotoFolder().string() << "/\n"
      << lines << "[Program Settings]\nApplication Path=" << folder.Root().string() << "\n";
}

std::vector<std::string> PhotoNames(const StationFolder& folder) {
  std::vector<std::string> names;
  for (const fs::path& photo : folder.SavedPhotos()) names.push_back(photo.filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(HeadlessStationTest, AnEmptyServerNameNumbersFromTheStationsOwnServerAndLocalhostCountsLocally) {
  StationFolder folder;
  const std::string portLine = "Counter Port=" + std::to_string(FreePort() - 4) + "\n";
  WriteStationProfile(folder, "BXGrabber4", portLine);
  const std::string command = Environment(folder) + "BX_SIM_SENSOR=320x240 '" BX_GRABBER_PATH
                                                    "' -i4 --headless --interval 0 --shots ";
  CommandRun run = RunShell(command + "5 2>&1");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(PhotoNames(folder),
            (std::vector<std::string>{"img0.jpg", "img1.jpg", "img2.jpg", "img3.jpg", "img4.jpg"}));

  // Local counting spaces its numbers by "Delta Film Number"; the served counter does not.
  WriteStationProfile(
      folder, "BXGrabber4",
      portLine + "ServerName=localhost\n[Film Settings]\nNext Film Number=5\nDelta Film Number=10\n");
  run = RunShell(command + "2 2>&1");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const auto names = PhotoNames(folder);
  EXPECT_NE(std::find(names.begin(), names.end(), "img41.jpg"), names.end()) << run.output;
  EXPECT_NE(std::find(names.begin(), names.end(), "img51.jpg"), names.end()) << run.output;
}

TEST(HeadlessStationTest, AStationWithoutACameraSaysWhy) {
  StationFolder folder;
  std::ofstream(folder.ConfigFolder() / "BXGrabber.ini")
      << "[Camera Settings]\nCamera Transport=gige\n[Program Settings]\nSerial Port=\nApplication Path="
      << folder.Root().string() << "\n";
  const CommandRun run = RunHeadless(folder, 0);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("No camera connected on transport \"gige\""), std::string::npos) << run.output;
}

// A complete photo: a JPEG whose end marker sits right before its thumbnail section.
bool IsCompletePhoto(const fs::path& photo) {
  ImageTrailer trailer;
  if (!ReadImageTrailer(photo, trailer) || trailer.thumbnailOffset < 4) return false;
  std::ifstream file(photo, std::ios::binary);
  std::array<unsigned char, 2> start{}, end{};
  file.read(reinterpret_cast<char*>(start.data()), 2);
  file.seekg(trailer.thumbnailOffset - 2);
  file.read(reinterpret_cast<char*>(end.data()), 2);
  return file && start == std::array<unsigned char, 2>{0xFF, 0xD8} &&
         end == std::array<unsigned char, 2>{0xFF, 0xD9};
}

TEST(HeadlessStationTest, KillingTheStationWhileSavingNeverLeavesAPartialPhoto) {
  StationFolder folder;
  WriteStationProfile(folder, "BXGrabber", "ServerName=localhost\n");
  const std::string environment = Environment(folder) + "BX_SIM_SENSOR=1600x1200 ";
  for (int round = 1; round <= 4; ++round) {
    const pid_t station = ::fork();
    ASSERT_GE(station, 0);
    if (station == 0) {
      ::execl("/bin/sh", "sh", "-c",
              ("exec env " + environment +
               "'" BX_GRABBER_PATH "' --headless --shots 100 --interval 0 >/dev/null 2>&1")
                  .c_str(),
              nullptr);
      ::_exit(127);
    }
    // Saves follow one another without pause: whenever the tree grows, one is under way.
    const size_t target = folder.SavedPhotos().size() + 1 + 2 * round;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (folder.SavedPhotos().size() < target && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(station, SIGKILL);
    int status = 0;
    ::waitpid(station, &status, 0);
    ASSERT_GE(folder.SavedPhotos().size(), target) << "round " << round;
    for (const fs::path& photo : folder.SavedPhotos())
      EXPECT_TRUE(IsCompletePhoto(photo)) << photo << " after kill " << round;
  }
}

// BXGrabber saving `shots` photos without pause, with its output in the state folder.
pid_t StartSaving(const StationFolder& folder, const std::string& environment, size_t shots) {
  const std::string command = "exec env " + environment + "'" BX_GRABBER_PATH "' --headless --shots " +
                              std::to_string(shots) + " --interval 20 >>'" +
                              (folder.StateFolder() / "output.txt").string() + "' 2>&1";
  const pid_t station = ::fork();
  if (station == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
    ::_exit(127);
  }
  return station;
}

// "<film>/<file>" of every row, or of every photo in the tree.
std::multiset<std::string> PhotoRows(const std::string& connection) {
  std::multiset<std::string> rows;
  bx::odbc::OdbcSession session(connection);
  bx::odbc::OdbcStatement statement(session, "SELECT \"RULLINO\", \"NOME_FILE\" FROM \"Fotografie\"");
  statement.Execute();
  while (statement.Fetch())
    rows.insert(statement.Text(1).value_or("") + "/" + statement.Text(2).value_or(""));
  return rows;
}

std::multiset<std::string> PhotosInTree(const StationFolder& folder) {
  std::multiset<std::string> photos;
  for (const fs::path& photo : folder.SavedPhotos())
    photos.insert(photo.parent_path().filename().string() + "/" + photo.filename().string());
  return photos;
}

// A power cut as the station sees it: killed at random moments while it saves and
// records 100 photos, 30 times, and started again each time.
TEST(HeadlessStationTest, KilledThirtyTimesWhileSavingEveryPhotoKeepsExactlyOneRow) {
  constexpr size_t kPhotos = 100;
  constexpr int kKills = 30;
  StationFolder folder;
  const std::string connection =
      "ODBC;DSN=Data;UID=sa;PWD=;Database=" + (folder.Root() / "records.sqlite").string() + ";NoCreat=0";
  {
    bx::odbc::OdbcSession session(connection);
    CreateMissingTables(session);
  }
  folder.WriteProfile(folder.PhotoFolder().string() + "/", "ODBC Default Connection=" + connection + "\n");
  const std::string environment = Environment(folder) + "BX_SIM_SENSOR=640x480 ";
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<size_t> photosPerRun(1, 4);
  std::uniform_int_distribution<int> moment(0, 60);
  const auto photosLeft = [&] { return kPhotos - std::min(kPhotos, folder.SavedPhotos().size()); };
  for (int kill = 1; kill <= kKills; ++kill) {
    // Killed while it saves: a few photos after it began, at a random moment of a save.
    const size_t target = std::min(kPhotos, folder.SavedPhotos().size() + photosPerRun(random));
    const pid_t station = StartSaving(folder, environment, photosLeft());
    ASSERT_GT(station, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (folder.SavedPhotos().size() < target && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
    ::kill(station, SIGKILL);
    int status = 0;
    ::waitpid(station, &status, 0);
  }
  // Once more to the end: the last run writes what the journal still holds.
  const CommandRun last = RunShell("exec env " + environment + "'" BX_GRABBER_PATH "' --headless --shots " +
                                   std::to_string(photosLeft()) + " --interval 20 2>&1");
  ASSERT_EQ(last.exitCode, 0) << last.output;

  const auto photos = PhotosInTree(folder);
  EXPECT_EQ(photos.size(), kPhotos);
  EXPECT_EQ(PhotoRows(connection), photos);
  for (const fs::path& photo : folder.SavedPhotos()) EXPECT_TRUE(IsCompletePhoto(photo)) << photo;
  bx::odbc::OdbcSession session(connection);
  bx::odbc::OdbcStatement tally(session, "SELECT SUM(\"IMPORTATE\") FROM \"Story\"");
  tally.Execute();
  ASSERT_TRUE(tally.Fetch());
  EXPECT_EQ(tally.Text(1), std::to_string(kPhotos));
  for (const auto& entry : fs::recursive_directory_iterator(folder.Root()))
    EXPECT_NE(entry.path().extension(), ".partial") << entry.path();
  EXPECT_EQ(PhotoJournal((folder.StateFolder() / "BXGrabber.records").string()).PendingCount(), 0u);
}

// Another user's SQLite database in WAL mode, which the station may read but not
// write (as root the station runs as an unprivileged user; otherwise the file is
// made read-only): the photos are saved, their records wait in the journal with
// the driver's reason in the log, and the next run that can write stores them all.
TEST(HeadlessStationTest, ADatabaseTheStationCannotWriteKeepsTheRecordsWaiting) {
  const std::optional<std::string> asUser = AsUnprivilegedUser();
  if (!asUser) GTEST_SKIP() << "running as root without /usr/bin/setpriv to drop privileges";
  StationFolder folder;
  const fs::path database = folder.Root() / "records.sqlite";
  const std::string connection = "ODBC;DSN=Data;UID=sa;PWD=;Database=" + database.string() + ";NoCreat=0";
  {
    bx::odbc::OdbcSession session(connection);
    CreateMissingTables(session);
    bx::odbc::OdbcStatement(session, "PRAGMA journal_mode=WAL").Execute();
  }
  folder.WriteProfile(folder.PhotoFolder().string() + "/",
                      "ODBC Default Connection=" + connection + "\n[Program Settings]\nEnable Log=1\n");
  for (const fs::path& writable :
       {folder.Root(), folder.ConfigFolder(), folder.StateFolder(), folder.PhotoFolder()})
    fs::permissions(writable, fs::perms::all);
  const auto owners =
      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
  fs::permissions(database, asUser->empty() ? owners & ~fs::perms::owner_write : owners);

  const CommandRun run = RunHeadless(folder, 3, *asUser);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(LastImageLine(run.output).find("status Records waiting (3 photo records wait"), std::string::npos)
      << run.output;
  std::ifstream logFile(folder.StateFolder() / "BXGrabber.log");
  const std::string log{std::istreambuf_iterator<char>(logFile), {}};
  const std::string why = "The database does not take the records waiting in " +
                          (folder.StateFolder() / "BXGrabber.records").string() + ": ";
  EXPECT_NE(log.find(why), std::string::npos) << log;
  EXPECT_NE(log.find("attempt to write a readonly database", log.find(why)), std::string::npos) << log;
  EXPECT_TRUE(PhotoRows(connection).empty());

  fs::permissions(database, owners);
  ASSERT_EQ(RunHeadless(folder, 1).exitCode, 0);
  EXPECT_EQ(PhotoRows(connection), PhotosInTree(folder));
  EXPECT_EQ(PhotosInTree(folder).size(), 4u);
}

}  // namespace

TEST(HeadlessStationTest, EverySavedShotCountsInTheOperatorsDailyTally) {
  StationFolder folder;
  const std::string database = (folder.Root() / "tally.sqlite").string();
  DatabaseSettings settings;
  settings.storedConnection = "ODBC;DSN=Data;UID=sa;PWD=;Database=" + database + ";NoCreat=0";
  {
    bx::odbc::OdbcSession session(settings.ConnectionString());
    CreateMissingTables(session);
  }
  folder.WriteProfile(folder.PhotoFolder().string() + "/",
                      "ODBC Default Connection=" + settings.storedConnection + "\nOperatorName=O'Brien\n");
  const CommandRun run = RunHeadless(folder, 3);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(folder.SavedPhotos().size(), 3u);
  EXPECT_EQ(CStorySet(settings).CountImported("O'Brien", "", ""), 3);
}

TEST(HeadlessStationTest, WithoutADatabaseConnectionNothingIsSaved) {
  StationFolder folder;
  folder.WriteProfile(folder.PhotoFolder().string() + "/", "Database Type=2\n");
  const CommandRun run = RunHeadless(folder, 2);
  EXPECT_EQ(run.exitCode, 1) << run.output;
  const std::string last = LastImageLine(run.output);
  EXPECT_NE(last.find("status Ko (the database cannot be reached"), std::string::npos) << run.output;
  EXPECT_NE(last.find("photos saved 0"), std::string::npos) << run.output;
  EXPECT_TRUE(folder.SavedPhotos().empty());
}
