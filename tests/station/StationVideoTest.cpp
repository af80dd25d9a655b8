// The station on the video motion trigger, and the watchdog over its threads
// with the service manager's watchdog behind it.
#include "RecordingHost.h"
#include "StationApp.h"
#include "StationFixture.h"

#include "platform/LogTrace.h"
#include "app/station/CGrabberDlg.h"
#include "pylon/PylonIncludes.h"
#include "trigger/video/SimulatedVideoSource.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;

namespace {

// A station whose second video device is simulated and whose colour stage can
// be held up on purpose.
class VideoStation : public CGrabberDlg {
 public:
  using CGrabberDlg::CGrabberDlg;
  ~VideoStation() override { OnDestroy(); }

  std::atomic<SimulatedVideoSource*> source{nullptr};
  std::shared_future<void> colourGate;

 protected:
  std::unique_ptr<IVideoSource> MakeVideoSource() override {
    auto made = std::make_unique<SimulatedVideoSource>(1);
    source = made.get();
    return made;
  }
  void ApplyColour(bool final) override {
    if (colourGate.valid()) colourGate.wait();
    CGrabberDlg::ApplyColour(final);
  }
};

// The notification socket a service manager gives a service whose watchdog it
// watches every 100 ms ($NOTIFY_SOCKET, $WATCHDOG_USEC), for the life of this object.
class FakeServiceManager {
 public:
  FakeServiceManager() {
    m_path = "/tmp/bx-notify-" + std::to_string(::getpid());
    ::unlink(m_path.c_str());
    m_socket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, m_path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::setenv("NOTIFY_SOCKET", m_path.c_str(), 1);
    ::setenv("WATCHDOG_USEC", "100000", 1);
  }
  ~FakeServiceManager() {
    ::unsetenv("NOTIFY_SOCKET");
    ::unsetenv("WATCHDOG_USEC");
    ::close(m_socket);
    ::unlink(m_path.c_str());
  }

  // Every message that arrives within `period`.
  std::vector<std::string> Receive(std::chrono::milliseconds period) {
    std::vector<std::string> messages;
    const auto end = std::chrono::steady_clock::now() + period;
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return messages;
      pollfd ready{m_socket, POLLIN, 0};
      if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
      char text[256];
      const ssize_t size = ::recv(m_socket, text, sizeof text, 0);
      if (size > 0) messages.emplace_back(text, static_cast<std::size_t>(size));
    }
  }
  bool Hears(const std::string& message, std::chrono::milliseconds period) {
    const auto end = std::chrono::steady_clock::now() + period;
    while (std::chrono::steady_clock::now() < end) {
      const std::vector<std::string> heard = Receive(20ms);
      if (std::find(heard.begin(), heard.end(), message) != heard.end()) return true;
    }
    return false;
  }

 private:
  std::string m_path;
  int m_socket = -1;
};

VideoFrame Filled(uint8_t value) {
  VideoFrame frame(64, 48);
  std::fill(frame.pixels.begin(), frame.pixels.end(), value);
  return frame;
}

class StationVideoTest : public ::testing::Test {
 protected:
  void SetUp() override { SimulateSmallCamera(); }
  void TearDown() override {
    m_station.reset();
    TheLog().Enable(false, false);
  }

  VideoStation& Start(const std::string& extraLines, std::shared_future<void> colourGate = {}) {
    m_folder.WriteProfile(m_folder.PhotoFolder().string() + "/", extraLines);
    m_app = MakeStationApp(m_folder);
    TheLog().SetFileName((m_folder.StateFolder() / "BXGrabber.log").string());
    TheLog().Enable(true, false);
    m_station = std::make_unique<VideoStation>(m_app->App(), m_host);
    m_station->colourGate = std::move(colourGate);
    EXPECT_TRUE(m_station->OnInitDialog());
    EXPECT_TRUE(m_station->IsCameraConnected());
    return *m_station;
  }
  bool WaitForSaved(int count) {
    for (int i = 0; i < 1000 && m_station->SavedCount() < count; ++i) std::this_thread::sleep_for(10ms);
    return m_station->SavedCount() >= count;
  }
  std::string Log() const {
    std::ifstream log(m_folder.StateFolder() / "BXGrabber.log");
    std::stringstream text;
    text << log.rdbuf();
    return text.str();
  }

  StationFolder m_folder;
  RecordingHost m_host;
  std::unique_ptr<StationApp> m_app;
  std::unique_ptr<VideoStation> m_station;
};

TEST_F(StationVideoTest, EachTriggerOfTheSecondVideoDeviceSavesOnePhoto) {
  VideoStation& station = Start("[Trigger Settings]\nTrigger Source=3\nVideo Device Index=0\nMinDelay=0\n");
  SimulatedVideoSource* source = station.source;
  ASSERT_NE(source, nullptr);
  std::this_thread::sleep_for(2ms);  // past the dead time of 0 ms after the start
  for (int photo = 1; photo <= 2; ++photo) {
    ASSERT_TRUE(source->Feed(Filled(10)));   // the reference
    ASSERT_TRUE(source->Feed(Filled(200)));  // brighter everywhere: a trigger
    ASSERT_TRUE(WaitForSaved(photo)) << Log();
  }
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(m_folder.SavedPhotos().size(), 2u);
  EXPECT_FALSE(station.IsLiveMode());  // a second device leaves the camera triggered
}

// The camera's own previews: live mode from the start, a brighter scene
// leaves it for one photo (the live frames still on their way are not saved),
// and live mode returns after the dead time.
TEST_F(StationVideoTest, TheCamerasLivePreviewReleasesOnePhotoPerTriggerAndReturnsToLiveMode) {
  const auto started = std::chrono::steady_clock::now();
  VideoStation& station =
      Start("[Trigger Settings]\nTrigger Source=3\nVideo Device Index=-1\nMinDelay=500\n");
  ASSERT_TRUE(station.IsLiveMode());
  GenApi::CIntegerPtr exposure(station.GetNodeMap()->GetNode("ExposureTimeRaw"));
  ASSERT_TRUE(exposure.IsValid());
  // Live mode raises the gain to its maximum: the shortest exposure keeps the scene dark.
  exposure->SetValue(exposure->GetMin());
  ASSERT_TRUE(m_host.WaitForPreviews(CMotionDetector::kArmingFrames + 5));  // armed, and dark for a while
  std::this_thread::sleep_until(started + 600ms);
  EXPECT_EQ(station.SavedCount(), 0);
  exposure->SetValue(exposure->GetMin() * 4);
  ASSERT_TRUE(WaitForSaved(1)) << Log();
  for (int i = 0; i < 300 && !station.IsLiveMode(); ++i) std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(station.IsLiveMode());
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(m_folder.SavedPhotos().size(), 1u) << Log();
}

TEST_F(StationVideoTest, AProcessingThreadThatStopsReportingRestartsTheProgramAndIsNamed) {
  std::promise<void> release;
  VideoStation& station =
      Start("[Program Settings]\nWatchdog Period=20\nWatchdog Tolerance=200\n", release.get_future().share());
  const auto blocked = std::chrono::steady_clock::now();
  station.SoftwareShot(false);
  const auto named = [&] {
    return Log().find("Watchdog: processing thread stopped reporting; restarting the program") !=
           std::string::npos;
  };
  for (int i = 0; i < 300 && !named(); ++i) std::this_thread::sleep_for(10ms);
  const auto waited = std::chrono::steady_clock::now() - blocked;
  // The restart waits for the station to stop, which waits for the hung thread.
  EXPECT_EQ(m_app->Restart().restarts, 0);
  release.set_value();
  EXPECT_TRUE(named()) << Log();
  EXPECT_GE(waited, 180ms);
  ASSERT_TRUE(WaitForSaved(1));  // released, the frame is still saved
  for (int i = 0; i < 300 && m_app->Restart().restarts == 0; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(m_app->Restart().restarts, 1);
}

TEST_F(StationVideoTest, TheServiceManagerHearsReadyAndWatchdogPingsThatStopWhileAThreadIsBlocked) {
  FakeServiceManager manager;
  std::promise<void> release;
  VideoStation& station =
      Start("[Program Settings]\nWatchdog Period=20\nWatchdog Tolerance=200\n", release.get_future().share());
  ASSERT_TRUE(manager.Hears("READY=1", 2s));
  ASSERT_TRUE(manager.Hears("WATCHDOG=1", 2s));
  station.SoftwareShot(false);
  const auto fired = [&] {
    return Log().find("Watchdog: processing thread stopped reporting") != std::string::npos;
  };
  for (int i = 0; i < 300 && !fired(); ++i) std::this_thread::sleep_for(10ms);
  ASSERT_TRUE(fired()) << Log();
  manager.Receive(200ms);  // a ping already on its way
  const std::vector<std::string> whileBlocked = manager.Receive(400ms);
  release.set_value();
  EXPECT_EQ(std::count(whileBlocked.begin(), whileBlocked.end(), "WATCHDOG=1"), 0);
  ASSERT_TRUE(WaitForSaved(1));  // released, the frame is still saved and the restart follows
}

}  // namespace
