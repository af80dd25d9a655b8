// Latency from a software shot to the photo (JPEG and thumbnail) on disk, and the
// sustained shot rate, for 2448 x 2048 frames of the simulated camera; each as a
// ratio to the save sequence alone (save, then embed the thumbnail) on the same
// photo, measured in the same run.
#include "app/GrabberApp.h"
#include "app/station/CGrabberDlg.h"
#include "app/station/HeadlessHost.h"
#include "bench/save_sequence/SaveSequence.h"
#include "platform/ProgramRestart.h"
#include "platform/RecordingMachinePower.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kLatencyShots = 15;
constexpr int kBurstShots = 20;
constexpr int kBurstIntervalMs = 70;
constexpr int kSaveRepeats = 15;

// Notes when each frame reaches the station from the camera.
class TimedStation : public CGrabberDlg {
public:
    using CGrabberDlg::CGrabberDlg;
    std::atomic<Clock::rep> lastArrival{0};

    void OnNewImage(IplImage* frame, ImageOwnership kind) override
    {
        lastArrival = Clock::now().time_since_epoch().count();
        CGrabberDlg::OnNewImage(frame, kind);
    }
};

struct Latencies {
    std::vector<double> shotToDisk;   // software shot to photo on disk
    std::vector<double> frameToDisk;  // frame delivered by the camera to photo on disk
};

double Milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, static_cast<size_t>(fraction * (values.size() - 1) + 0.5));
    return values[at];
}

fs::path PrepareStation()
{
    const fs::path root = fs::temp_directory_path() / ("bxstation-bench-" + std::to_string(::getpid()));
    fs::create_directories(root / "config");
    fs::create_directories(root / "state");
    fs::create_directories(root / "photos");
    std::ofstream(root / "config" / "BXGrabber.ini")
        << "[Camera Settings]\nCamera Transport=sim\nNum Buffers=4\n[Database Settings]\nDatabasePath=" << (root / "photos").string()
        << "/\nServerName=localhost\n";
    ::setenv("BX_CONFIG_DIR", (root / "config").c_str(), 1);
    ::setenv("BX_STATE_DIR", (root / "state").c_str(), 1);
    return root;
}

Latencies ShotLatencies(TimedStation& station, HeadlessHost& host)
{
    Latencies latencies;
    for (int shot = 0; shot < kLatencyShots; ++shot) {
        const int before = host.ImagesShown();
        const auto start = Clock::now();
        station.SoftwareShot(false);
        if (!host.WaitForImages(before + 1, std::chrono::seconds(10)))
            break;
        const auto done = Clock::now();
        const Clock::time_point arrival{Clock::duration(station.lastArrival.load())};
        latencies.shotToDisk.push_back(Milliseconds(done - start));
        latencies.frameToDisk.push_back(Milliseconds(done - arrival));
    }
    return latencies;
}

// Shots every kBurstIntervalMs, faster than photos are saved: the queue absorbs
// them and the rate is the processing thread's. Returns photos per second.
double BurstRate(CGrabberDlg& station, HeadlessHost& host, int& saved)
{
    const int before = host.ImagesShown();
    const int savedBefore = station.SavedCount();
    const auto start = Clock::now();
    for (int shot = 0; shot < kBurstShots; ++shot) {
        station.SoftwareShot(false);
        std::this_thread::sleep_for(std::chrono::milliseconds(kBurstIntervalMs));
    }
    host.WaitForImages(before + kBurstShots, std::chrono::seconds(60));
    saved = station.SavedCount() - savedBefore;
    return saved / (Milliseconds(Clock::now() - start) / 1000.0);
}

// The save sequence alone (the image-files benchmark's measurement) on a
// full-size photo of the same scene.
std::vector<double> SaveAloneTimes(const fs::path& photo, const fs::path& folder)
{
    CxImage scene;
    scene.Load(photo.c_str(), 0, 1, 0, 0, nullptr);
    std::vector<double> times;
    for (int repeat = 0; repeat < kSaveRepeats; ++repeat) {
        const fs::path target = folder / ("save" + std::to_string(repeat) + ".jpg");
        times.push_back(1000.0 * bxbench::TimeStationSaveSequence(scene, target.string()));
    }
    return times;
}

}  // namespace

int main()
{
    const fs::path root = PrepareStation();
    bx::RecordingMachinePower power;
    bx::RecordingProgramRestart restart;
    CGrabberApp app(power, restart);
    HeadlessHost host([](const std::string&) {});
    TimedStation station(app, host);
    if (!station.OnInitDialog() || !station.IsCameraConnected()) {
        std::fprintf(stderr, "station_latency: the simulated camera did not connect\n");
        return 1;
    }
    ShotLatencies(station, host);  // warm-up: allocations, file-system caches
    const Latencies latencies = ShotLatencies(station, host);
    int saved = 0;
    const double rate = BurstRate(station, host, saved);
    station.OnDestroy();

    fs::path photo;
    for (const auto& entry : fs::recursive_directory_iterator(root / "photos"))
        if (entry.path().extension() == ".jpg")
            photo = entry.path();
    const std::vector<double> saves = SaveAloneTimes(photo, root);
    fs::remove_all(root);
    if (latencies.shotToDisk.size() != kLatencyShots || photo.empty()) {
        std::fprintf(stderr, "station_latency: shots were lost\n");
        return 1;
    }

    const double saveMedian = Percentile(saves, 0.5);
    const double latencyMedian = Percentile(latencies.shotToDisk, 0.5);
    const double latencyP95 = Percentile(latencies.shotToDisk, 0.95);
    const double stationMedian = Percentile(latencies.frameToDisk, 0.5);
    const double stationP95 = Percentile(latencies.frameToDisk, 0.95);
    const double saveRate = 1000.0 / saveMedian;
    std::printf("save sequence alone (2448x2048, quality 90 + 1024 thumbnail): median %.1f ms\n", saveMedian);
    std::printf("shot to photo on disk: median %.1f ms (ratio %.2f, goal <= 1.30), p95 %.1f ms (ratio %.2f)\n",
                latencyMedian, latencyMedian / saveMedian, latencyP95, latencyP95 / saveMedian);
    std::printf("frame delivered to photo on disk: median %.1f ms (ratio %.2f), p95 %.1f ms (ratio %.2f)\n",
                stationMedian, stationMedian / saveMedian, stationP95, stationP95 / saveMedian);
    std::printf("sustained rate: %.2f photos/s, %d of %d saved (ratio to save-alone rate %.2f)\n", rate, saved,
                kBurstShots, rate / saveRate);
    return saved == kBurstShots ? 0 : 1;
}
