// The save sequence in the running station: refusals, their reasons in the log,
// counters and the image tree, on the simulated camera.
#include "RecordingHost.h"
#include "StationApp.h"
#include "StationFixture.h"
#include "StationTestBase.h"

#include "platform/LogTrace.h"
#include "app/numbering/ImageTreePaths.h"
#include "app/station/CGrabberDlg.h"
#include "app/station/ShotStages.h"
#include "platform/ProfileStore.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <chrono>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

class StationSaveTest : public ::testing::Test {
 protected:
  void SetUp() override { SimulateSmallCamera(); }

  CGrabberDlg& Start(const std::string& databasePath, const std::string& extraLines = "") {
    m_folder.WriteProfile(databasePath, extraLines);
    m_app = MakeStationApp(m_folder);
    TheLog().SetFileName((m_folder.StateFolder() / "BXGrabber.log").string());
    TheLog().Enable(true, false);
    m_station = std::make_unique<CGrabberDlg>(m_app->App(), m_host);
    EXPECT_TRUE(m_station->OnInitDialog());
    return *m_station;
  }

  bool Shoot() {
    const size_t before = m_host.Images().size();
    m_station->SoftwareShot(false);
    return m_host.WaitForImages(before + 1);
  }

  void TearDown() override { TheLog().Enable(false, false); }

  std::string Log() const {
    std::ifstream log(m_folder.StateFolder() / "BXGrabber.log");
    std::stringstream text;
    text << log.rdbuf();
    return text.str();
  }

  int NextFilmNumber() const {
    return bx::ProfileStore(m_folder.ConfigFolder().string(), "BXGrabber")
        .GetInt("Film Settings", "Next Film Number", -1);
  }

  std::string PhotoRoot() const { return m_folder.PhotoFolder().string() + "/"; }

  StationFolder m_folder;
  RecordingHost m_host;
  std::unique_ptr<StationApp> m_app;
  std::unique_ptr<CGrabberDlg> m_station;
};

TEST_F(StationSaveTest, AMissingPhotoFolderIsNamedAndUsesNoCounter) {
  const fs::path missing = m_folder.Root() / "unmounted";
  CGrabberDlg& station = Start(missing.string() + "/");
  ASSERT_TRUE(Shoot());
  EXPECT_EQ(station.Status(), "Ko");
  EXPECT_EQ(station.SavedCount(), 0);
  EXPECT_NE(station.SaveProblem().find(missing.string()), std::string::npos) << station.SaveProblem();
  EXPECT_NE(Log().find("Photo not saved: folder " + missing.string()), std::string::npos) << Log();
  EXPECT_FALSE(fs::exists(missing));  // a mount point is never created
  EXPECT_EQ(NextFilmNumber(), -1);    // no counter was taken
  EXPECT_EQ(station.RemoteSnapshot().failedSaves, 1u);

  // Once the folder is there, the next shot saves and the reason is gone.
  fs::create_directory(missing);
  ASSERT_TRUE(Shoot());
  EXPECT_EQ(station.Status(), "Ok");
  EXPECT_EQ(station.SaveProblem(), "");
  EXPECT_EQ(station.SavedCount(), 1);
  EXPECT_TRUE(fs::exists(missing / "images/Operatore"));
}

// The stage timings are those of the last photo saved: every stage of the save
// is timed, and a refused shot leaves the last saved photo's timings as they were.
TEST_F(StationSaveTest, StageTimingsDescribeTheLastSavedPhoto) {
  const fs::path missing = m_folder.Root() / "unmounted";
  CGrabberDlg& station = Start(missing.string() + "/");
  ASSERT_TRUE(Shoot());
  EXPECT_EQ(station.LastShotStages().jpeg.count(), 0);

  fs::create_directory(missing);
  ASSERT_TRUE(Shoot());
  const ShotStages saved = station.LastShotStages();
  for (const ShotStages::Duration stage :
       {saved.triggerToFrame, saved.conversion, saved.colour, saved.counter, saved.jpeg, saved.thumbnail,
        saved.journal, saved.rename})
    EXPECT_GT(stage.count(), 0);

  fs::remove_all(missing);
  ASSERT_TRUE(Shoot());
  EXPECT_EQ(station.SavedCount(), 1);
  EXPECT_EQ(station.LastShotStages().jpeg, saved.jpeg);
  EXPECT_EQ(station.LastShotStages().rename, saved.rename);
}

TEST_F(StationSaveTest, OperatorNamesThatLeaveTheTreeAreRefused) {
  for (const std::string name : {"../../escaped", "a/b", ".."}) {
    CGrabberDlg& station = Start(PhotoRoot(), "OperatorName=" + name + "\n");
    ASSERT_TRUE(Shoot()) << name;
    EXPECT_EQ(station.Status(), "Ko") << name;
    EXPECT_NE(Log().find("operator name \"" + name + "\""), std::string::npos) << name;
    m_station.reset();
  }
  EXPECT_TRUE(fs::is_empty(m_folder.PhotoFolder()));
  EXPECT_FALSE(fs::exists(m_folder.Root() / "escaped"));
  EXPECT_FALSE(fs::exists(m_folder.Root().parent_path() / "escaped"));
}

TEST_F(StationSaveTest, AFolderThatCannotBeCreatedFailsTheSaveAndLogsTheSkippedCounter) {
  fs::create_directories(m_folder.PhotoFolder() / "images");
  std::ofstream(m_folder.PhotoFolder() / "images/Operatore") << "a file where a folder belongs";
  CGrabberDlg& station = Start(PhotoRoot());
  ASSERT_TRUE(Shoot());
  EXPECT_EQ(station.Status(), "Ko");
  EXPECT_EQ(station.SavedCount(), 0);
  const std::string log = Log();
  EXPECT_NE(log.find("cannot create folder " + PhotoRoot() + "images/Operatore"), std::string::npos) << log;
  EXPECT_NE(log.find("counter 1 skipped"), std::string::npos) << log;
  EXPECT_EQ(NextFilmNumber(), 2);  // the counter given out stays used
}

TEST_F(StationSaveTest, ACorruptCounterStopsSavingUntilTheOperatorSetsIt) {
  CGrabberDlg& station = Start(PhotoRoot(), "[Film Settings]\nNext Film Number=12a\n");
  ASSERT_TRUE(Shoot());
  EXPECT_EQ(station.Status(), "Ko");
  EXPECT_NE(Log().find("\"Next Film Number\" holds \"12a\", not a number"), std::string::npos) << Log();
  EXPECT_TRUE(m_folder.SavedPhotos().empty());
  bx::ProfileStore profile(m_folder.ConfigFolder().string(), "BXGrabber");
  EXPECT_EQ(profile.Find("Film Settings", "Next Film Number"), "12a");

  profile.WriteInt("Film Settings", "Next Film Number", 120);
  ASSERT_TRUE(Shoot());
  EXPECT_EQ(station.Status(), "Ok");
  ASSERT_EQ(m_folder.SavedPhotos().size(), 1u);
  EXPECT_EQ(m_folder.SavedPhotos().front().filename(), "img120.jpg");
}

// Film folders come back every week: a counter set backwards never replaces
// last week's photo, unless "Auto Increase" 0 reuses the name on purpose.
TEST_F(StationSaveTest, AnExistingPhotoIsReplacedOnlyWhenTheNameIsReused) {
  CGrabberDlg& station = Start(PhotoRoot());
  ASSERT_TRUE(Shoot());
  ASSERT_EQ(m_folder.SavedPhotos().size(), 1u);
  const fs::path photo = m_folder.SavedPhotos().front();
  const int next = NextFilmNumber();
  const auto lastWeeks = [&] {
    std::ifstream file(photo);
    std::string text;
    std::getline(file, text);
    return text == "last week";
  };
  bx::ProfileStore profile(m_folder.ConfigFolder().string(), "BXGrabber");
  profile.WriteInt("Film Settings", "Next Film Number", next - 1);
  std::ofstream(photo) << "last week\n";
  ASSERT_TRUE(Shoot());
  EXPECT_EQ(station.Status(), "Ko");
  EXPECT_NE(station.SaveProblem().find("exists already"), std::string::npos) << station.SaveProblem();
  EXPECT_NE(Log().find("counter " + std::to_string(next - 1) + " skipped"), std::string::npos) << Log();
  EXPECT_TRUE(lastWeeks());
  EXPECT_EQ(NextFilmNumber(), next);

  profile.WriteInt("Database Settings", "Auto Increase", 0);
  ASSERT_TRUE(Shoot());
  EXPECT_EQ(station.Status(), "Ok");
  EXPECT_FALSE(lastWeeks());
  EXPECT_EQ(m_folder.SavedPhotos().size(), 1u);
  for (const auto& entry : fs::recursive_directory_iterator(m_folder.PhotoFolder()))
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

TEST_F(StationSaveTest, SavedPhotosLeaveNoPartialFilesBehind) {
  CGrabberDlg& station = Start(PhotoRoot());
  for (int shot = 0; shot < 3; ++shot) ASSERT_TRUE(Shoot());
  EXPECT_EQ(station.SavedCount(), 3);
  ASSERT_EQ(m_folder.SavedPhotos().size(), 3u);
  for (const auto& entry : fs::recursive_directory_iterator(m_folder.PhotoFolder()))
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

// A station killed while saving left hidden partial files: the next start removes
// them, but not one newer than the station (another station may be writing it).
TEST_F(StationSaveTest, PartialFilesOfAnEarlierRunAreRemovedAtStart) {
  const fs::path film = m_folder.PhotoFolder() / "images/Anna/3";
  fs::create_directories(film / "data");
  const std::vector<fs::path> stale = {film / ".img7.jpg.partial", film / "data/.img7.jpg.xml.partial"};
  for (const fs::path& file : stale) {
    std::ofstream(file) << "cut short";
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
  }
  std::ofstream(film / ".notes.txt") << "not ours";
  const fs::path fresh = film / ".img8.jpg.partial";
  std::ofstream(fresh) << "being written";
  fs::last_write_time(fresh, fs::file_time_type::clock::now() + std::chrono::minutes(1));
  Start(PhotoRoot());
  for (const fs::path& file : stale) EXPECT_FALSE(fs::exists(file)) << file;
  EXPECT_TRUE(fs::exists(film / ".notes.txt"));
  EXPECT_TRUE(fs::exists(fresh));
}

// A file size limit fails writes as a full disk does: first between the JPEG
// and its thumbnail, then within the JPEG. Each save is "Ko" with the write's
// error, leaves neither a photo nor a partial file, and the station saves again
// once the limit is gone.
TEST_F(StationSaveTest, AWriteThatDoesNotFitFailsTheSaveWithItsReason) {
  CGrabberDlg& station = Start(PhotoRoot());
  ASSERT_TRUE(Shoot());
  ASSERT_EQ(m_folder.SavedPhotos().size(), 1u);
  const fs::path first = m_folder.SavedPhotos()[0];
  ImageTrailer trailer;
  ASSERT_TRUE(ReadImageTrailer(first, trailer));
  const rlim_t jpeg = trailer.thumbnailOffset;
  const rlim_t thumbnail = fs::file_size(first) - jpeg;
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  for (const rlim_t limit : {jpeg + thumbnail / 2, jpeg / 2}) {
    const std::string reason = limit < jpeg ? "the JPEG could not be written: File too large"
                                            : "the thumbnail could not be written: File too large";
    rlimit size{limit, RLIM_INFINITY};
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &size), 0);
    const bool refused =
        Shoot() && Eventually([&] { return station.SaveProblem().find(reason) != std::string::npos; });
    size.rlim_cur = RLIM_INFINITY;
    ::setrlimit(RLIMIT_FSIZE, &size);
    EXPECT_TRUE(refused) << station.SaveProblem();
    EXPECT_EQ(station.Status(), "Ko");
  }
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(m_folder.SavedPhotos().size(), 1u);
  for (const auto& entry : fs::recursive_directory_iterator(m_folder.PhotoFolder()))
    EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
  // The limit held the database's file too: the records it kept out wait, and go in.
  ASSERT_TRUE(Shoot());
  EXPECT_TRUE(Eventually([&] { return station.SavedCount() == 2 && station.Status() == "Ok"; },
                         std::chrono::seconds(30)))
      << station.Status() << " " << station.SaveProblem();
}

// A burst faster than one save: each photo is finished, recorded and shown in
// its order with its own thumbnail (every frame has another width) while the
// next one is written. The one before last fails on its way into place (its
// name is taken): it renumbers nothing, and the last photo's success is what
// the station reports.
TEST_F(StationSaveTest, ABurstIsSavedInOrderAndAFailedPhotoSparesTheNext) {
  CGrabberDlg& station = Start(PhotoRoot());
  ASSERT_TRUE(Shoot());
  constexpr int kBurst = 6;
  const int first = station.LastPhotoCounter() + 1;
  const int taken = first + kBurst - 2;
  const fs::path film = fs::path(station.LastPhotoPath()).parent_path();
  std::ofstream(film / PhotoFileName(taken)) << "last week\n";
  const size_t before = m_host.Images().size();
  const auto width = [](int shot) { return 640 - 32 * shot; };
  for (int shot = 0; shot < kBurst; ++shot)
    station.OnNewImage(PatternFrame(width(shot), 480), OwnershipHeaderAndData);
  ASSERT_TRUE(m_host.WaitForImages(before + kBurst));

  const std::vector<RecordingHost::Shown> shown = m_host.Images();
  ASSERT_EQ(shown.size(), before + kBurst);
  for (int shot = 0; shot < kBurst; ++shot) {
    const RecordingHost::Shown& image = shown[before + shot];
    const int counter = first + shot;
    EXPECT_EQ(image.width, width(shot)) << counter;
    if (counter == taken) {
      EXPECT_EQ(image.about.kind, ShownImage::Kind::UnsavedPhoto);
      EXPECT_NE(image.about.problem.find("exists already"), std::string::npos) << image.about.problem;
      continue;
    }
    const fs::path photo = film / PhotoFileName(counter);
    EXPECT_EQ(image.about.kind, ShownImage::Kind::SavedPhoto) << counter;
    EXPECT_EQ(image.about.counter, counter);
    EXPECT_EQ(image.about.file, photo.string());
    ImageTrailer trailer;
    EXPECT_TRUE(ReadImageTrailer(photo, trailer) && trailer.thumbnailOffset > 0) << photo;
    EXPECT_TRUE(fs::exists(film / "data" / (PhotoFileName(counter) + ".xml"))) << counter;
  }
  EXPECT_EQ(station.SavedCount(), kBurst);
  EXPECT_EQ(station.Status(), "Ok");
  EXPECT_EQ(station.SaveProblem(), "");
  EXPECT_EQ(station.LastPhotoCounter(), first + kBurst - 1);
  EXPECT_NE(Log().find("counter " + std::to_string(taken) + " skipped"), std::string::npos) << Log();
}

}  // namespace
