// The station on a real GenICam camera: Aravis's fake GigE Vision camera on
// loopback, which has no user outputs and offers its exposure as
// "ExposureTimeAbs" in microseconds.
#include "StationTestBase.h"

#include "../camera/PropertyListSearch.h"
#include "app/station/HeadlessRunner.h"
#include "platform/LogTrace.h"
#include "pylon/TlFactory.h"
#include "tests/app/AppTestSupport.h"
#include "tests/pylon/FakeCameraProcess.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kGlobal = 0;
// The station notices a silent camera once a request goes unanswered (about
// 2.5 s) and reports it lost once its queued requests timed out (about 5 s
// more); a power-cycled camera within a heartbeat. Reconnecting at once keeps the
// rounds short.
constexpr int kReconnectPeriodMs = 200;

size_t CountOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class StationAravisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!FakeCameraProcess::Available())
      GTEST_SKIP() << FakeCameraProcess::kProgram << " is missing (Debian package aravis-tools)";
    m_camera = std::make_unique<FakeCameraProcess>(m_serial);
    Pylon::CTlFactory::GetInstance().SelectTransport("aravis");
    ASSERT_TRUE(Discovered()) << "the fake camera never answered";
    std::ofstream profile(m_folder.ConfigFolder() / "BXGrabber.ini");
    profile << "[Camera Settings]\nCamera Transport=aravis\nDevice Index=-1\nDevice Name=" << m_serial
            << "\n[Database Settings]\nDatabasePath=" << m_folder.PhotoFolder().string() << "/\n"
            << "ServerName=localhost\nCounter Port=" << FreePort() << "\n"
            << "[Program Settings]\nSerial Port=\nEnable Log=1\nApplication Path=" << m_folder.Root().string()
            << "\nProperties File Name=" << (m_folder.Root() / "Properties.xml").string() << "\n";
    profile.close();
    m_app = MakeStationApp(m_folder);
  }

  void TearDown() override {
    TheLog().Enable(false, false);
    Pylon::CTlFactory::GetInstance().SelectTransport("sim");
  }

  std::filesystem::path LogFile() const { return m_folder.StateFolder() / "BXGrabber.log"; }
  // Lines of the log that hold `text`.
  size_t LogLines(const std::string& text) const { return CountOf(ReadFile(LogFile().string()), text); }

  // How a camera goes away: it stays silent until the station gives it up
  // (requests go unanswered, closing waits for the control time-outs), or it is
  // power-cycled and answers again at once without the station's control.
  enum class Loss { Silent, PowerCycle };

  // The camera goes away; it is back by the time `losses` has grown.
  template <class Losses>
  void LoseCamera(Losses losses, Loss loss, int round) {
    const size_t before = losses();
    m_camera.reset();
    if (loss == Loss::PowerCycle) m_camera = std::make_unique<FakeCameraProcess>(m_serial);
    ASSERT_TRUE(Eventually([&] { return losses() > before; }, 30s))
        << "the loss " << round << " went unnoticed";
    if (!m_camera) m_camera = std::make_unique<FakeCameraProcess>(m_serial);
  }

  // The fake camera answers discovery shortly after it starts.
  bool Discovered() const {
    for (int attempt = 0; attempt < 50; ++attempt) {
      Pylon::DeviceInfoList devices;
      Pylon::CTlFactory::GetInstance().EnumerateDevices(devices);
      for (const auto& device : devices)
        if (device.GetSerialNumber() == m_serial) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
  }

  const std::string m_serial = "BXSTATION" + std::to_string(::getpid());
  std::unique_ptr<FakeCameraProcess> m_camera;
  StationFolder m_folder;
  std::unique_ptr<StationApp> m_app;
};

TEST_F(StationAravisTest, TheHeadlessStationTakesThreePhotos) {
  HeadlessOptions options;
  options.shots = 3;
  options.intervalMs = 0;
  EXPECT_EQ(RunHeadless(m_app->App(), options), 0);
  EXPECT_EQ(m_folder.SavedPhotos().size(), 3u);
}

TEST_F(StationAravisTest, ExposureControlRaisesTheExposureOfADarkSceneFrameByFrame) {
  RecordingHost host;
  CountingStation station(m_app->App(), host);
  station.SelectAlgorithm(kGlobal);
  ASSERT_TRUE(station.OnInitDialog());
  ASSERT_TRUE(station.IsCameraConnected());
  GenApi::CFloatPtr exposure = station.GetNodeMap()->GetNode("ExposureTimeAbs");
  ASSERT_TRUE(exposure.IsValid());
  exposure->SetValue(2000.0);  // a fifth of the camera's nominal exposure: dark
  double previous = exposure->GetValue();
  // "Global" steps by a tenth per frame while the frame is too dark.
  for (size_t shot = 1; shot <= 5; ++shot) {
    station.SoftwareShot(false);
    ASSERT_TRUE(host.WaitForImages(shot)) << "shot " << shot;
    const double written = exposure->GetValue();
    EXPECT_GT(written, previous) << "shot " << shot << ", mean green " << host.Images().back().meanGreen;
    previous = written;
  }
}

// What an operator does at the station: shots, an exposure edit in the camera
// grid, a preset, the live view with exposure control running on every frame.
void UseTheStation(CGrabberDlg& station) {
  station.SoftwareShot(false);
  CPropertyList list;
  station.GetProperties(list);
  if (const CProperty* exposure = FindItem(list, false, "ExposureTimeAbs"))
    station.OnPropertyChanged(exposure->Id(), PropertyValue(4000.0));
  station.ApplyPreset(CGrabberDlg::PresetNormal);
  station.SetLiveMode(true);
  std::this_thread::sleep_for(100ms);
  station.SetLiveMode(false);
}

TEST_F(StationAravisTest, TheStationOutlivesItsCameraGoingAwayTenTimesInTheMiddleOfItsWork) {
  TheLog().SetFileName(LogFile().string());
  TheLog().Enable(true, true);
  RecordingHost host;
  CountingStation station(m_app->App(), host);
  station.SetReconnectPeriod(kReconnectPeriodMs);
  station.SelectAlgorithm(kGlobal);
  ASSERT_TRUE(station.OnInitDialog());
  ASSERT_TRUE(station.SavePresetCameraSettings());
  std::atomic<bool> working{true};
  std::thread user([&] {
    while (working) UseTheStation(station);
  });
  constexpr int kRounds = 10;
  for (int round = 1; round <= kRounds && !HasFatalFailure(); ++round) {
    const Loss loss = round % 2 ? Loss::Silent : Loss::PowerCycle;
    LoseCamera([&] { return size_t(station.CameraLosses()); }, loss, round);
    ASSERT_TRUE(Eventually([&] { return station.IsCameraConnected() && !station.IsReconnecting(); }, 30s))
        << "not reconnected after loss " << round;
    const int saved = station.SavedCount();
    EXPECT_TRUE(Eventually([&] { return station.SavedCount() > saved; }, 30s))
        << "no photo after loss " << round;
  }
  working = false;
  user.join();
  // A camera slow to answer under load may count as lost once more.
  EXPECT_GE(station.CameraLosses(), kRounds);
  EXPECT_EQ(LogLines("Camera lost: "), size_t(station.CameraLosses())) << ReadFile(LogFile().string());
  EXPECT_EQ(LogLines("Camera reconnected: "), size_t(station.CameraLosses())) << ReadFile(LogFile().string());
}

// The program itself, headless: a scripted run waits for its camera and still
// saves every photo it was asked for.
TEST_F(StationAravisTest, AHeadlessRunKeepsCountingPhotosAfterEachReturnOfTheCamera) {
  constexpr int kShots = 8;
  constexpr int kLosses = 2;
  const std::string output = (m_folder.StateFolder() / "output.txt").string();
  const std::string command = "exec env BX_CONFIG_DIR='" + m_folder.ConfigFolder().string() +
                              "' BX_STATE_DIR='" + m_folder.StateFolder().string() +
                              "' BX_RECONNECT_PERIOD_MS=" + std::to_string(kReconnectPeriodMs) +
                              " '" BX_GRABBER_PATH "' --headless --shots " + std::to_string(kShots) +
                              " --interval 200 >'" + output + "' 2>&1";
  struct Program {
    pid_t pid = ::fork();
    int status = 0;
    bool ended = false;
    ~Program() {
      if (pid > 0 && !ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
      }
    }
    bool Ended() {
      ended = ended || ::waitpid(pid, &status, WNOHANG) == pid;
      return ended;
    }
  } program;
  ASSERT_GE(program.pid, 0);
  if (program.pid == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
    ::_exit(127);
  }
  for (int loss = 1; loss <= kLosses && !HasFatalFailure(); ++loss) {
    ASSERT_TRUE(Eventually([&] { return m_folder.SavedPhotos().size() >= size_t(3 * loss); }, 60s))
        << ReadFile(output);
    LoseCamera([&] { return LogLines("Camera lost: "); }, loss == 1 ? Loss::Silent : Loss::PowerCycle, loss);
  }
  ASSERT_TRUE(Eventually([&] { return program.Ended(); }, 120s)) << ReadFile(output);
  EXPECT_TRUE(WIFEXITED(program.status) && WEXITSTATUS(program.status) == 0) << ReadFile(output);
  EXPECT_EQ(m_folder.SavedPhotos().size(), size_t(kShots)) << ReadFile(output);
  EXPECT_EQ(LogLines("Camera reconnected: "), LogLines("Camera lost: ")) << ReadFile(LogFile().string());
  EXPECT_GE(LogLines("Camera lost: "), size_t(kLosses)) << ReadFile(LogFile().string());
}

}  // namespace
