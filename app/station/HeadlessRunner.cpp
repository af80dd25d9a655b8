#include "app/station/HeadlessRunner.h"

#include "app/LogTrace.h"
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

bool TakeShots(CGrabberDlg& station, HeadlessHost& host, const HeadlessOptions& options)
{
    for (int shot = 1; shot <= options.shots; ++shot) {
        const int before = host.ImagesShown();
        station.SoftwareShot(false);
        if (!host.WaitForImages(before + 1, std::chrono::milliseconds(options.shotTimeoutMs))) {
            Report("Shot " + std::to_string(shot) + " produced no image");
            return false;
        }
        if (shot < options.shots)
            std::this_thread::sleep_for(std::chrono::milliseconds(options.intervalMs));
    }
    return true;
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
    host.SetStatusQuery([&station] {
        return "status " + station.Status() + ", photos saved " + std::to_string(station.SavedCount());
    });
    if (!station.OnInitDialog())
        return 0;
    bool complete = true;
    if (options.shots == HeadlessOptions::kUntilStopped)
        WaitForStopSignal();
    else
        complete = TakeShots(station, host, options);
    station.OnDestroy();
    return complete ? 0 : 1;
}
