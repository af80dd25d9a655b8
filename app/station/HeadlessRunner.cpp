#include "app/station/HeadlessRunner.h"

#include "app/GrabberApp.h"
#include "platform/LogTrace.h"
#include "app/station/CGrabberDlg.h"
#include "app/station/HeadlessHost.h"
#include "app/station/SimulatedUnplugSignals.h"
#include "pylon/TlFactory.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>
#include <thread>

namespace {

std::atomic<bool> g_stopRequested{false};

void RequestStop(int) { g_stopRequested = true; }

void Report(const std::string& line) {
  TheLog().WriteLine(line);
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

void ReportError(const std::string& line) {
  TheLog().WriteLine(line);
  std::fprintf(stderr, "%s\n", line.c_str());
}

// What the control page would show: the status and its reason.
std::string StatusLine(const CGrabberDlg& station) {
  const StationStatus status = station.CurrentStatus();
  std::string line = "status " + status.word;
  if (!status.reason.empty()) line += " (" + status.reason + ")";
  return line + ", photos saved " + std::to_string(station.SavedCount());
}

void StopOnSignals() {
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
}

// False when a stop signal came first.
bool WaitForCamera(const CGrabberDlg& station, int shot) {
  if (station.IsCameraConnected()) return true;
  Report("Shot " + std::to_string(shot) + " waits for the camera (SIGINT or SIGTERM ends the run)");
  while (!station.IsCameraConnected() && !g_stopRequested)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return !g_stopRequested;
}

// True when the camera was lost since `losses` was read: a shot then is taken
// again. The station may notice the loss only after the shot gave up waiting:
// it is given `wait` more.
bool LostSince(const CGrabberDlg& station, int losses, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (station.CameraLosses() == losses && station.IsCameraConnected()) {
    if (std::chrono::steady_clock::now() >= deadline || g_stopRequested) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

// Takes the shots; how many photos they saved. A shot the camera took away with
// it is taken again once the camera is back.
int TakeShots(CGrabberDlg& station, HeadlessHost& host, const HeadlessOptions& options) {
  const int savedBefore = station.SavedCount();
  for (int shot = 1; shot <= options.shots && !g_stopRequested; ++shot) {
    if (!WaitForCamera(station, shot)) break;
    const int losses = station.CameraLosses();
    const int before = host.ImagesShown();
    station.SoftwareShot(false);
    const std::chrono::milliseconds timeout(options.shotTimeoutMs);
    if (!host.WaitForImages(before + 1, timeout)) {
      if (LostSince(station, losses, timeout)) {
        --shot;
        continue;
      }
      Report("Shot " + std::to_string(shot) + " produced no image");
      break;
    }
    if (shot < options.shots) std::this_thread::sleep_for(std::chrono::milliseconds(options.intervalMs));
  }
  return station.SavedCount() - savedBefore;
}

void WaitForStopSignal() {
  while (!g_stopRequested) std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

}  // namespace

int RunHeadless(CGrabberApp& app, const HeadlessOptions& options) {
  std::optional<SimulatedUnplugSignals> unplugSignals;
  HeadlessHost host(Report);
  CGrabberDlg station(app, host);
  host.SetStatusQuery([&station] { return StatusLine(station); });
  const bool started = station.OnInitDialog();
  // Only simulated cameras can be unplugged on request: a station on real
  // cameras keeps no thread for it.
  if (Pylon::CTlFactory::GetInstance().GetTransport() == "sim") unplugSignals.emplace();
  if (!started) {
    ReportError("No camera connected and \"Restart\" is set: the station ends and the machine restarts");
    return 1;
  }
  if (!station.IsCameraConnected()) ReportError(station.CurrentStatus().reason);
  StopOnSignals();
  int exitCode = 0;
  if (options.shots == HeadlessOptions::kUntilStopped) {
    WaitForStopSignal();
  } else {
    const int saved = TakeShots(station, host, options);
    if (saved != options.shots) {
      ReportError(std::to_string(saved) + " of " + std::to_string(options.shots) + " photos saved");
      exitCode = 1;
    }
  }
  station.OnDestroy();
  return exitCode;
}
