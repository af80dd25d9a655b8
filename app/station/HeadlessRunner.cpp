#include "app/station/HeadlessRunner.h"

#include "app/GrabberApp.h"
#include "platform/LogTrace.h"
#include "app/station/CGrabberDlg.h"
#include "app/station/HeadlessHost.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {

std::atomic<bool> g_stopRequested{false};

void RequestStop(int) { g_stopRequested = true; }

void Report(const std::string& line)
{
    TheLog().WriteLine(line);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void ReportError(const std::string& line)
{
    TheLog().WriteLine(line);
    std::fprintf(stderr, "%s\n", line.c_str());
}

// What the control page would show: the status and its reason.
std::string StatusLine(const CGrabberDlg& station)
{
    const StationStatus status = station.CurrentStatus();
    std::string line = "status " + status.word;
    if (!status.reason.empty())
        line += " (" + status.reason + ")";
    return line + ", photos saved " + std::to_string(station.SavedCount());
}

// Takes the shots; how many photos they saved.
int TakeShots(CGrabberDlg& station, HeadlessHost& host, const HeadlessOptions& options)
{
    const int savedBefore = station.SavedCount();
    for (int shot = 1; shot <= options.shots; ++shot) {
        const int before = host.ImagesShown();
        station.SoftwareShot(false);
        if (!host.WaitForImages(before + 1, std::chrono::milliseconds(options.shotTimeoutMs))) {
            Report("Shot " + std::to_string(shot) + " produced no image");
            break;
        }
        if (shot < options.shots)
            std::this_thread::sleep_for(std::chrono::milliseconds(options.intervalMs));
    }
    return station.SavedCount() - savedBefore;
}

void WaitForStopSignal()
{
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    while (!g_stopRequested)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

}  // namespace

int RunHeadless(CGrabberApp& app, const HeadlessOptions& options)
{
    HeadlessHost host(Report);
    CGrabberDlg station(app, host);
    host.SetStatusQuery([&station] { return StatusLine(station); });
    if (!station.OnInitDialog()) {
        ReportError("No camera connected and \"Restart\" is set: the station ends and the machine restarts");
        return 1;
    }
    if (!station.IsCameraConnected())
        ReportError(station.CurrentStatus().reason);
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
