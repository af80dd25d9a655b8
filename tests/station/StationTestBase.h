#pragma once
// What the station core's tests share: a station that counts returned frames,
// frames made in memory, and a fixture over a fresh station folder.
#include "RecordingHost.h"
#include "StationApp.h"
#include "StationFixture.h"

#include "app/station/CGrabberDlg.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// Counts the frames the core hands back to the camera.
class CountingStation : public CGrabberDlg {
 public:
  using CGrabberDlg::CGrabberDlg;
  // The grab thread calls ReleaseFrame: stop it while this class still exists.
  ~CountingStation() override { OnDestroy(); }
  std::atomic<int> released{0};
  void SetReconnectPeriod(int ms) { m_reconnectPeriodMs = ms; }

 protected:
  void ReleaseFrame(IplImage* frame, ImageOwnership kind) override;
};

// A camera-owned BGR frame whose pixel (x, y) of memory row y holds x + 7y in every channel.
IplImage* PatternFrame(int width, int height);

// The names of this process's threads.
std::vector<std::string> ThreadNames();

// Runs `work` on its own thread. A run that has not ended after `limit` hangs
// for good: the test program aborts with `what` rather than wait for ever.
void RunOrAbort(std::chrono::seconds limit, const char* what, const std::function<void()>& work);

// Waits up to `limit` for `condition`, polling; the waits it replaces are far shorter.
template <class Condition>
bool Eventually(Condition condition, std::chrono::seconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return condition();
}

class StationTest : public ::testing::Test {
 protected:
  static constexpr int kSensorWidth = 640;
  static constexpr int kSensorHeight = 480;

  void SetUp() override;
  // The station over a profile; DatabasePath empty unless `withPhotos`.
  CountingStation& Start(bool withPhotos, bool connect = true, const std::string& extraProfile = "");
  // The application with its film-number server on loopback, no station yet;
  // TearDown stops the server after the station.
  CGrabberApp& StartCounterServer();
  void TearDown() override;
  // One software shot; true when its image was shown.
  bool Shoot(CGrabberDlg& station);
  std::string CameraSerial() const;

  StationFolder m_folder;
  RecordingHost m_host;
  std::unique_ptr<StationApp> m_app;
  std::unique_ptr<CountingStation> m_station;
};
