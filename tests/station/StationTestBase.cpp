#include "StationTestBase.h"

#include "app/counter/StationCounterServer.h"
#include "ipl/Ipl.h"
#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <future>
#include <thread>

void CountingStation::ReleaseFrame(IplImage* frame, ImageOwnership kind) {
  ++released;
  CGrabberDlg::ReleaseFrame(frame, kind);
}

IplImage* PatternFrame(int width, int height) {
  IplImage* frame =
      iplCreateImageHeader(3, 0, IPL_DEPTH_8U, "RGB", "BGR", IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_BL,
                           IPL_ALIGN_4BYTES, width, height, nullptr, nullptr, nullptr, nullptr);
  iplAllocateImage(frame, 0, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      std::memset(frame->imageData + y * frame->widthStep + 3 * x, (x + 7 * y) % 256, 3);
  return frame;
}

std::vector<std::string> ThreadNames() {
  std::vector<std::string> names;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream comm(task.path() / "comm");
    std::string name;
    if (std::getline(comm, name)) names.push_back(name);
  }
  return names;
}

void RunOrAbort(std::chrono::seconds limit, const char* what, const std::function<void()>& work) {
  std::packaged_task<void()> task(work);
  std::future<void> done = task.get_future();
  std::thread runner(std::move(task));
  if (done.wait_for(limit) == std::future_status::timeout) {
    std::fprintf(stderr, "Hung for %lld s: %s\n", static_cast<long long>(limit.count()), what);
    std::fflush(stderr);
    std::abort();
  }
  runner.join();
  done.get();
}

void StationTest::SetUp() {
  Pylon::SSimulatorConfig config;
  config.sensorWidth = kSensorWidth;
  config.sensorHeight = kSensorHeight;
  Pylon::CTlFactory::GetInstance().Simulator().Configure(config);
}

CountingStation& StationTest::Start(bool withPhotos, bool connect, const std::string& extraProfile) {
  m_folder.WriteProfile(withPhotos ? m_folder.PhotoFolder().string() + "/" : "", extraProfile);
  m_app = MakeStationApp(m_folder);
  m_station = std::make_unique<CountingStation>(m_app->App(), m_host);
  if (connect) {
    EXPECT_TRUE(m_station->OnInitDialog());
    EXPECT_TRUE(m_station->IsCameraConnected());
  }
  return *m_station;
}

CGrabberApp& StationTest::StartCounterServer() {
  m_folder.WriteProfile("");
  m_app = MakeStationApp(m_folder);
  CGrabberApp& app = m_app->App();
  app.m_counterServer = std::make_unique<StationCounterServer>(app, "", m_app->Power());
  EXPECT_TRUE(app.m_counterServer->IsServing());
  return app;
}

void StationTest::TearDown() {
  m_station.reset();
  if (m_app) m_app->App().m_counterServer.reset();
}

bool StationTest::Shoot(CGrabberDlg& station) {
  const size_t before = m_host.Images().size();
  station.SoftwareShot(false);
  return m_host.WaitForImages(before + 1);
}

std::string StationTest::CameraSerial() const {
  return Pylon::CTlFactory::GetInstance().Simulator().Serials().front();
}
