#include "StationWindowFixture.h"

#include "pylon/TlFactory.h"
#include "pylon/sim/Simulator.h"

#include <cstdlib>

// For the whole ui test program: the system's font configuration keeps a cache
// for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

QApplication* StationWindowFixture::s_application = nullptr;

void StationWindowFixture::SetUpTestSuite() {
  // Screenshots for people keep the caller's platform (a display under Xvfb).
  ::setenv("QT_QPA_PLATFORM", "offscreen", std::getenv("BX_PAGES_SCREENSHOTS") ? 0 : 1);
  static int argc = 1;
  static char name[] = "station_window_test";
  static char* argv[] = {name, nullptr};
  s_application = new QApplication(argc, argv);
}

void StationWindowFixture::TearDownTestSuite() {
  delete s_application;
  s_application = nullptr;
}

void StationWindowFixture::PrepareStation() {
  Pylon::SSimulatorConfig config;
  config.sensorWidth = 1280;
  config.sensorHeight = 1024;
  Pylon::CTlFactory::GetInstance().Simulator().Configure(config);
  m_folder.WriteProfile(m_folder.PhotoFolder().string() + "/");
}

void StationWindowFixture::StartWindow() {
  m_app = MakeStationApp(m_folder);
  m_window = std::make_unique<StationWindow>(
      m_app->App(), [this](int code) { m_powerCodes.push_back(code); }, [this] { return m_shift; });
  m_window->show();
  ASSERT_TRUE(m_window->Start());
}

void StationWindowFixture::TearDown() {
  m_shift = true;
  if (!m_window) return;
  m_window->close();
  m_window.reset();
}

void StationWindowFixture::Screenshot(const char* name) const {
  if (const char* folder = std::getenv("BX_PAGES_SCREENSHOTS")) {
    QCoreApplication::processEvents();  // the layouts as the event loop would have them
    EXPECT_TRUE(m_window->grab().save(QString(folder) + "/" + name + ".png"));
  }
}
