// The station core in-process: frame queue bound, live preview, modes, rotation,
// live-mode shots, reconnection and shutdown, on the simulated camera.
#include "RecordingHost.h"
#include "StationApp.h"
#include "StationFixture.h"

#include "app/counter/CRemoteCounterClient.h"
#include "app/counter/StationCounterServer.h"
#include "app/station/CGrabberDlg.h"
#include "ipl/Ipl.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int kSensorWidth = 640;
constexpr int kSensorHeight = 480;

// Counts the frames the core hands back to the camera.
class CountingStation : public CGrabberDlg {
public:
    using CGrabberDlg::CGrabberDlg;
    std::atomic<int> released{0};

protected:
    void ReleaseFrame(IplImage* frame, ImageOwnership kind) override
    {
        ++released;
        CGrabberDlg::ReleaseFrame(frame, kind);
    }
};

// A camera-owned BGR frame whose pixel (x, y) of memory row y holds x + 7y in every channel.
IplImage* PatternFrame(int width, int height)
{
    IplImage* frame = iplCreateImageHeader(3, 0, IPL_DEPTH_8U, "RGB", "BGR", IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_BL,
                                           IPL_ALIGN_4BYTES, width, height, nullptr, nullptr, nullptr, nullptr);
    iplAllocateImage(frame, 0, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memset(frame->imageData + y * frame->widthStep + 3 * x, (x + 7 * y) % 256, 3);
    return frame;
}

int ThreadCount()
{
    return static_cast<int>(std::distance(fs::directory_iterator("/proc/self/task"), fs::directory_iterator()));
}

class StationCoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Pylon::SSimulatorConfig config;
        config.sensorWidth = kSensorWidth;
        config.sensorHeight = kSensorHeight;
        Pylon::CTlFactory::GetInstance().Simulator().Configure(config);
    }

    // The station over a profile; DatabasePath empty unless `withPhotos`.
    CountingStation& Start(bool withPhotos, bool connect = true)
    {
        m_folder.WriteProfile(withPhotos ? m_folder.PhotoFolder().string() + "/" : "");
        m_app = MakeStationApp(m_folder);
        m_station = std::make_unique<CountingStation>(m_app->App(), m_host);
        if (connect) {
            EXPECT_TRUE(m_station->OnInitDialog());
            EXPECT_TRUE(m_station->IsCameraConnected());
        }
        return *m_station;
    }

    // One software shot; true when its image was shown.
    bool Shoot(CGrabberDlg& station)
    {
        const size_t before = m_host.Images().size();
        station.SoftwareShot(false);
        return m_host.WaitForImages(before + 1);
    }

    StationFolder m_folder;
    RecordingHost m_host;
    std::unique_ptr<StationApp> m_app;
    std::unique_ptr<CountingStation> m_station;
};

TEST_F(StationCoreTest, TheHundredAndFirstQueuedFrameIsDroppedAndReturned)
{
    CountingStation& station = Start(false, false);
    for (int frame = 0; frame < CGrabberDlg::kQueueLimit; ++frame)
        station.OnNewImage(PatternFrame(8, 4), OwnershipHeaderAndData);
    EXPECT_EQ(station.released, 0);  // the queue took each buffer over
    EXPECT_EQ(station.QueuedFrames(), 100);
    station.OnNewImage(PatternFrame(8, 4), OwnershipHeaderAndData);
    EXPECT_EQ(station.released, 1);
    EXPECT_EQ(station.QueuedFrames(), 100);
}

TEST_F(StationCoreTest, LiveModeDecimatesByFourAndQueuesNothing)
{
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

TEST_F(StationCoreTest, SetupModeHalvesAndNeverSaves)
{
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

TEST_F(StationCoreTest, RotationTurnsOrWarpsTheCapturedFrame)
{
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

TEST_F(StationCoreTest, ASoftwareShotFromLiveModeReturnsToLiveMode)
{
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

TEST_F(StationCoreTest, AnUnpluggedCameraIsReconnectedAndGrabsAgain)
{
    CountingStation& station = Start(true);
    auto& simulator = Pylon::CTlFactory::GetInstance().Simulator();
    const std::string serial = simulator.Serials().front();
    const auto unplugged = std::chrono::steady_clock::now();
    simulator.Unplug(serial);
    while (!station.IsReconnecting() && std::chrono::steady_clock::now() - unplugged < 2s)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(station.IsReconnecting());
    simulator.Replug(serial);
    while (station.IsReconnecting() && std::chrono::steady_clock::now() - unplugged < 6s)
        std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(station.IsReconnecting());
    EXPECT_TRUE(station.IsCameraConnected());
    ASSERT_TRUE(Shoot(station));
    EXPECT_EQ(m_folder.SavedPhotos().size(), 1u);
}

TEST_F(StationCoreTest, ShutdownJoinsEveryThread)
{
    // The camera layer keeps one process-wide thread once a device was used:
    // a first run starts it, the second run must leave nothing behind.
    int before = 0;
    for (int run = 0; run < 2; ++run) {
        before = ThreadCount();
        CountingStation& station = Start(true);
        ASSERT_TRUE(Shoot(station));
        station.SetLiveMode(true);
        ASSERT_TRUE(m_host.WaitForPreviews(1));
        EXPECT_GT(ThreadCount(), before);
        m_station.reset();
        m_app.reset();
    }
    EXPECT_EQ(ThreadCount(), before);
}

TEST_F(StationCoreTest, PresetsSetTheTitleAndUnknownPresetsAreIgnored)
{
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

TEST_F(StationCoreTest, TheFilmNumberServiceReadsAndAppliesThePreset)
{
    m_folder.WriteProfile("");
    m_app = MakeStationApp(m_folder);
    CGrabberApp& app = m_app->App();
    app.m_counterServer = std::make_unique<StationCounterServer>(app, "", m_app->Power());
    ASSERT_TRUE(app.m_counterServer->IsServing());
    m_station = std::make_unique<CountingStation>(app, m_host);
    m_station->ApplyPreset(CGrabberDlg::PresetLowLight);

    AppCounterSettings settings(app);
    CRemoteCounterClient client(settings);
    int preset = -1;
    ASSERT_TRUE(client.ExchangeInt(&preset, "127.0.0.1"));
    EXPECT_EQ(preset, 1);
    preset = CGrabberDlg::PresetHighLight;
    ASSERT_TRUE(client.ExchangeInt(&preset, "127.0.0.1"));
    EXPECT_EQ(m_station->GetPreset(), 2);
    EXPECT_EQ(m_host.Title(), "Brightcap Grabber  active preset Hight Light");
    m_station.reset();
    app.m_counterServer.reset();
}

}  // namespace
