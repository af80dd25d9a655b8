// The station on a real GenICam camera: Aravis's fake GigE Vision camera on
// loopback, which has no user outputs and offers its exposure as
// "ExposureTimeAbs" in microseconds.
#include "StationTestBase.h"

#include "app/station/HeadlessRunner.h"
#include "pylon/TlFactory.h"
#include "tests/pylon/FakeCameraProcess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kGlobal = 0;

class StationAravisTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!FakeCameraProcess::Available())
            GTEST_SKIP() << FakeCameraProcess::kProgram << " is missing (Debian package aravis-tools)";
        m_camera = std::make_unique<FakeCameraProcess>(m_serial);
        Pylon::CTlFactory::GetInstance().SelectTransport("aravis");
        ASSERT_TRUE(Discovered()) << "the fake camera never answered";
        std::ofstream profile(m_folder.ConfigFolder() / "BXGrabber.ini");
        profile << "[Camera Settings]\nCamera Transport=aravis\nDevice Index=-1\nDevice Name=" << m_serial
                << "\n[Database Settings]\nDatabasePath=" << m_folder.PhotoFolder().string() << "/\n"
                << "ServerName=localhost\nCounter Port=" << FreePort() << "\n";
        profile.close();
        m_app = MakeStationApp(m_folder);
    }

    void TearDown() override { Pylon::CTlFactory::GetInstance().SelectTransport("sim"); }

    // The fake camera answers discovery shortly after it starts.
    bool Discovered() const
    {
        for (int attempt = 0; attempt < 50; ++attempt) {
            Pylon::DeviceInfoList devices;
            Pylon::CTlFactory::GetInstance().EnumerateDevices(devices);
            for (const auto& device : devices)
                if (device.GetSerialNumber() == m_serial)
                    return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return false;
    }

    const std::string m_serial = "BXSTATION" + std::to_string(::getpid());
    std::unique_ptr<FakeCameraProcess> m_camera;
    StationFolder m_folder;
    std::unique_ptr<StationApp> m_app;
};

TEST_F(StationAravisTest, TheHeadlessStationTakesThreePhotos)
{
    HeadlessOptions options;
    options.shots = 3;
    options.intervalMs = 0;
    EXPECT_EQ(RunHeadless(m_app->App(), options), 0);
    EXPECT_EQ(m_folder.SavedPhotos().size(), 3u);
}

TEST_F(StationAravisTest, ExposureControlRaisesTheExposureOfADarkSceneFrameByFrame)
{
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

}  // namespace
