// The station core in-process: frame queue bound, live preview, modes, rotation,
// live-mode shots, reconnection and shutdown, on the simulated camera.
#include "StationTestBase.h"

#include "app/counter/CRemoteCounterClient.h"
#include "pylon/TlFactory.h"
#include "pixlib/core/CxImage.h"
#include "pylon/sim/Simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using StationCoreTest = StationTest;

TEST_F(StationCoreTest, TheHundredAndFirstQueuedFrameIsDroppedAndReturned) {
  CountingStation& station = Start(false, false);
  for (int frame = 0; frame < CGrabberDlg::kQueueLimit; ++frame)
    station.OnNewImage(PatternFrame(8, 4), OwnershipHeaderAndData);
  EXPECT_EQ(station.released, 0);  // the queue took each buffer over
  EXPECT_EQ(station.QueuedFrames(), 100);
  station.OnNewImage(PatternFrame(8, 4), OwnershipHeaderAndData);
  EXPECT_EQ(station.released, 1);
  EXPECT_EQ(station.QueuedFrames(), 100);
}

TEST_F(StationCoreTest, LiveModeDecimatesByFourAndQueuesNothing) {
  CountingStation& station = Start(false, false);
  station.SetLiveMode(true);
  station.OnNewImage(PatternFrame(42, 21), OwnershipHeaderAndData);
  ASSERT_TRUE(m_host.WaitForPreviews(1, 1s));
  RecordingHost::Shown size;
  const std::vector<unsigned char> preview = m_host.LastPreview(size);
  ASSERT_EQ(size.width, 10);
  ASSERT_EQ(size.height, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(preview[3 * (10 * y + x) + 1], (4 * x + 7 * 4 * y) % 256) << x << "," << y;
  EXPECT_EQ(station.QueuedFrames(), 0);
  EXPECT_EQ(station.released, 1);
  EXPECT_TRUE(m_host.Images().empty());
}

TEST_F(StationCoreTest, SetupModeHalvesAndNeverSaves) {
  CountingStation& station = Start(true);
  station.OnPageActivated(CGrabberDlg::GeneralSetupPage);
  ASSERT_TRUE(Shoot(station));
  EXPECT_EQ(m_host.Images().back().width, kSensorWidth / 2);
  EXPECT_EQ(m_host.Images().back().height, kSensorHeight / 2);
  EXPECT_TRUE(m_folder.SavedPhotos().empty());
  EXPECT_EQ(station.Status(), "Idle");

  station.OnPageActivated(CGrabberDlg::ControlPage);
  ASSERT_TRUE(Shoot(station));
  EXPECT_EQ(m_folder.SavedPhotos().size(), 1u);
  EXPECT_EQ(station.Status(), "Ok");
  EXPECT_EQ(station.SavedCount(), 1);
}

TEST_F(StationCoreTest, RotationTurnsOrWarpsTheCapturedFrame) {
  CountingStation& station = Start(false);
  station.SetRotation(900);
  ASSERT_TRUE(Shoot(station));
  EXPECT_EQ(m_host.Images().back().width, kSensorHeight);
  EXPECT_EQ(m_host.Images().back().height, kSensorWidth);
  station.SetRotation(-450);
  ASSERT_TRUE(Shoot(station));
  EXPECT_EQ(m_host.Images().back().width, kSensorWidth);
  EXPECT_EQ(m_host.Images().back().height, kSensorHeight);
  station.SetRotation(0);
  ASSERT_TRUE(Shoot(station));
  EXPECT_EQ(m_host.Images().back().width, kSensorWidth);
  // Without a photo folder nothing is saved and the status says so.
  EXPECT_EQ(station.Status(), "Ko");
  EXPECT_TRUE(m_folder.SavedPhotos().empty());
}

TEST_F(StationCoreTest, ASoftwareShotFromLiveModeReturnsToLiveMode) {
  CountingStation& station = Start(true);
  station.SetLiveMode(true);
  ASSERT_TRUE(m_host.WaitForPreviews(2));
  ASSERT_TRUE(Shoot(station));
  EXPECT_TRUE(station.IsLiveMode());
  EXPECT_EQ(m_folder.SavedPhotos().size(), m_host.Images().size());
  RecordingHost::Shown size;
  const size_t previews = m_host.LastPreview(size).size();
  EXPECT_EQ(previews, static_cast<size_t>(3 * (kSensorWidth / 4) * (kSensorHeight / 4)));
  EXPECT_TRUE(m_host.WaitForPreviews(4));  // the camera runs free again
}

TEST_F(StationCoreTest, AnUnpluggedCameraIsReconnectedAndGrabsAgain) {
  CountingStation& station = Start(true);
  station.SetReconnectPeriod(20);
  std::uint64_t cursor = station.Feed().Events().NextId();
  auto& simulator = Pylon::CTlFactory::GetInstance().Simulator();
  simulator.Unplug(CameraSerial());
  ASSERT_TRUE(Eventually([&] { return station.IsReconnecting(); }));
  simulator.Replug(CameraSerial());
  ASSERT_TRUE(Eventually([&] { return !station.IsReconnecting(); }));
  EXPECT_TRUE(station.IsCameraConnected());
  ASSERT_TRUE(Shoot(station));
  EXPECT_EQ(m_folder.SavedPhotos().size(), 1u);

  // What the HTTP service is told: the loss, the return, the photo.
  std::vector<std::string> events;
  for (const remote::StationEvent& event :
       station.Feed().Events().WaitFrom(cursor, std::chrono::seconds(0)).events)
    events.push_back(event.name);
  EXPECT_EQ(events, (std::vector<std::string>{"camera-lost", "camera-found", "photo-saved"}));
  EXPECT_EQ(station.RemoteSnapshot().cameraReconnects, 1u);
}

bool HasThreadStartingWith(const std::string& prefix) {
  const std::vector<std::string> names = ThreadNames();
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& name) { return name.starts_with(prefix); });
}

TEST_F(StationCoreTest, ShutdownJoinsEveryThreadOfTheStation) {
  // Libraries start thread pools of their own on first use, named after the
  // thread that used them: a first run starts them, the second must leave
  // the process with the same threads it found.
  std::vector<std::string> before;
  for (int run = 0; run < 2; ++run) {
    before = ThreadNames();
    CountingStation& station = Start(true);
    station.SetReconnectPeriod(60000);
    ASSERT_TRUE(Shoot(station));
    EXPECT_TRUE(HasThreadStartingWith("bx-processing"));
    EXPECT_TRUE(HasThreadStartingWith("bx-grab"));
    Pylon::CTlFactory::GetInstance().Simulator().Unplug(CameraSerial());
    ASSERT_TRUE(Eventually([&] { return station.IsReconnecting(); }));
    EXPECT_TRUE(Eventually([] { return HasThreadStartingWith("bx-timer"); }));
    m_station.reset();
    Pylon::CTlFactory::GetInstance().Simulator().Replug(CameraSerial());
  }
  std::vector<std::string> after = ThreadNames();
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, before);
}

// The watchdog and the trigger engine restart the program from a thread of the
// station: its threads are stopped before the program starts again.
TEST_F(StationCoreTest, ARestartStopsTheStationBeforeTheProgramStartsAgain) {
  CountingStation& station = Start(true);
  ASSERT_TRUE(Shoot(station));
  std::thread([&] { m_app->App().RestartProgram(); }).join();
  ASSERT_TRUE(Eventually([&] { return m_app->Restart().restarts == 1; }));
  // Nothing processes a frame any more.
  const size_t shown = m_host.Images().size();
  station.OnNewImage(PatternFrame(64, 48), OwnershipHeaderAndData);
  EXPECT_FALSE(m_host.WaitForImages(shown + 1, 300ms));
  EXPECT_EQ(station.QueuedFrames(), 1);
  EXPECT_EQ(m_app->Restart().restarts, 1);
}

TEST_F(StationCoreTest, ClosingSavesTheShotsStillQueued) {
  CountingStation& station = Start(true);
  constexpr int kQueued = 5;
  for (int frame = 0; frame < kQueued; ++frame)
    station.OnNewImage(PatternFrame(kSensorWidth, kSensorHeight), OwnershipHeaderAndData);
  station.OnDestroy();
  EXPECT_EQ(station.SavedCount(), kQueued);
  EXPECT_EQ(m_folder.SavedPhotos().size(), static_cast<size_t>(kQueued));
}

TEST_F(StationCoreTest, AFrameWithoutRoomForItsOutputIsDroppedAsKo) {
  CountingStation& station = Start(true);
  // Wider than any image can be created: the output image cannot take its size.
  station.OnNewImage(PatternFrame(CxImage::kMaxCreateSize + 1, 1), OwnershipHeaderAndData);
  EXPECT_TRUE(Eventually([&] { return station.Status() == "Ko"; }));
  EXPECT_TRUE(m_host.Images().empty());
  ASSERT_TRUE(Shoot(station));  // the next frame is processed as usual
  EXPECT_EQ(m_host.Images().size(), 1u);
  EXPECT_EQ(m_folder.SavedPhotos().size(), 1u);
  EXPECT_EQ(station.SavedCount(), 1);
}

TEST_F(StationCoreTest, AStartTheCameraRefusesLeavesGrabbingOffWithoutThrowing) {
  CountingStation& station = Start(false);
  auto& simulator = Pylon::CTlFactory::GetInstance().Simulator();
  simulator.RefuseValue(CameraSerial(), "PixelFormat");
  station.SetGrabbing(false);
  EXPECT_NO_THROW(station.SetGrabbing(true));
  EXPECT_FALSE(station.IsCameraConnected());
  simulator.RefuseValue(CameraSerial(), "PixelFormat", false);
  station.SetGrabbing(true);
  EXPECT_TRUE(station.IsCameraConnected());
  EXPECT_TRUE(Shoot(station));
}

TEST_F(StationCoreTest, PresetsSetTheTitleAndUnknownPresetsAreIgnored) {
  CountingStation& station = Start(false);
  EXPECT_EQ(m_host.Title(), "Brightcap Grabber  active preset Normal");
  station.ApplyPreset(CGrabberDlg::PresetLowLight);
  EXPECT_EQ(station.GetPreset(), 1);
  EXPECT_EQ(m_host.Title(), "Brightcap Grabber  active preset Low Light");
  EXPECT_EQ(m_host.LastPreset(), 1);
  station.ApplyPreset(7);
  EXPECT_EQ(station.GetPreset(), 1);
  EXPECT_EQ(m_host.Title(), "Brightcap Grabber  active preset Low Light");
}

TEST_F(StationCoreTest, TheFilmNumberServiceReadsAndAppliesThePreset) {
  CGrabberApp& app = StartCounterServer();
  m_station = std::make_unique<CountingStation>(app, m_host);
  m_station->ApplyPreset(CGrabberDlg::PresetLowLight);

  AppCounterSettings settings(app);
  CRemoteCounterClient client(settings);
  int preset = -1;
  ASSERT_TRUE(client.ExchangeInt(&preset, "127.0.0.1"));
  EXPECT_EQ(preset, 1);
  preset = CGrabberDlg::PresetHighLight;
  ASSERT_TRUE(client.ExchangeInt(&preset, "127.0.0.1"));
  // Applied a moment later, on the station's own thread.
  EXPECT_TRUE(Eventually([&] { return m_host.Title() == "Brightcap Grabber  active preset Hight Light"; }));
  EXPECT_EQ(m_station->GetPreset(), 2);
}

}  // namespace
