// The station's threads under the watchdog: each frame the grab thread
// delivers, each frame the processing thread works on, each photo the finisher
// saves and each shot the trigger releases must end within "Watchdog
// Tolerance" milliseconds, else the program starts afresh. A service manager's
// watchdog is pinged from here too, only while every watched thread reports,
// so a station that hangs stops the pings and is restarted from outside as well.
#include "app/station/CGrabberDlg.h"

#include "app/GrabberApp.h"
#include "platform/LogTrace.h"
#include "platform/ServiceNotifier.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr int kDefaultPeriodMs = 100;
constexpr int kDefaultToleranceMs = 60000;
// How soon the service manager hears that the camera is up.
constexpr std::chrono::milliseconds kServiceNoticePeriod{500};

}  // namespace

std::unique_ptr<CWatchDogTimer> CGrabberDlg::MakeWatchdog() {
  const int period = std::max(1, ReadInt("Program Settings", "Watchdog Period", kDefaultPeriodMs));
  const int tolerance = ReadInt("Program Settings", "Watchdog Tolerance", kDefaultToleranceMs);
  if (tolerance <= 0) return nullptr;
  m_watchTicks = static_cast<unsigned>((tolerance + period - 1) / period);
  const auto restart = [this] {
    m_feed.Tally().WatchdogRestart();
    m_feed.WatchdogRestartPending();
    m_app.RestartProgram();
  };
  return std::make_unique<CWatchDogTimer>(
      restart, [](const std::string& line) { TheLog().WriteLine(line); }, std::chrono::milliseconds(period));
}

CWatchedSection CGrabberDlg::WatchSection(const char* thread) {
  return CWatchedSection(m_watchdog.get(), m_watchTicks, thread);
}

void CGrabberDlg::StartServiceNotices() {
  if (!bx::ServiceNotifier::IsListening()) return;
  // At least twice in each period the service manager watches.
  const std::chrono::milliseconds watched = bx::ServiceNotifier::WatchdogPeriod() / 2;
  const auto period = watched.count() > 0 ? std::min(kServiceNoticePeriod, watched) : kServiceNoticePeriod;
  m_serviceTimer.Start(static_cast<int>(period.count()), [this] { NotifyService(); });
}

void CGrabberDlg::StopServiceNotices() {
  if (!m_serviceTimer.IsRunning()) return;
  m_serviceTimer.Kill();
  bx::ServiceNotifier::Stopping();
}

void CGrabberDlg::NotifyService() {
  if (!m_serviceReady && m_cameraConnected) {
    bx::ServiceNotifier::Ready();
    m_serviceReady = true;
  }
  const bool watched = bx::ServiceNotifier::WatchdogPeriod().count() > 0;
  if (watched && (!m_watchdog || m_watchdog->IsEveryThreadReporting())) bx::ServiceNotifier::WatchdogPing();
}
