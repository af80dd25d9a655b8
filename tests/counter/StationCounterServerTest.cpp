#include <gtest/gtest.h>

#include "app/GrabberApp.h"
#include "app/counter/CRemoteCounterClient.h"
#include "platform/RecordingMachinePower.h"
#include "tests/app/AppTestSupport.h"
#include "tests/counter/CounterTestSupport.h"

namespace {

class PresetWindow final : public IPresetHost {
 public:
  void RequestPreset(int preset) override { active = preset; }
  int GetPreset() override { return active; }
  int active = 2;
};

// Start-up of a station that is not "ServerName": it serves its own counter on
// base port + instance, answers the preset command once the window registered.
TEST(StationCounterServer, StartUpServesTheInstanceCounterAndItsPresets) {
  FreshFolders folders;
  bx::ProfileStore store("BXGrabber2");
  bx::RecordingMachinePower power;
  bx::RecordingProgramRestart restart;
  CGrabberApp app(power, restart);
  // Another process may take the port between its choice and the start-up.
  for (int attempt = 0; attempt < 20 && !(app.m_counterServer && app.m_counterServer->IsServing());
       ++attempt) {
    store.WriteInt("Database Settings", "Counter Port", FreePort() - 2);
    app.InitInstance({"BXGrabber", "-i2"});
  }
  ASSERT_NE(app.m_counterServer, nullptr);
  ASSERT_TRUE(app.m_counterServer->IsServing());

  ProfileCounterSettings settings(store);
  CRemoteCounterClient client(settings);
  int first = -1;
  ASSERT_TRUE(client.AllocateFilmNumbers(&first, 3, "127.0.0.1:2"));
  EXPECT_EQ(first, 0);
  EXPECT_EQ(store.GetInt("Film Settings", "Next Film Number", -1), 3);

  int preset = -1;
  ASSERT_TRUE(client.ExchangeInt(&preset, "127.0.0.1:2"));
  EXPECT_EQ(preset, -1);  // no window yet: the payload comes back as sent
  PresetWindow window;
  app.m_counterServer->SetPresetHost(&window);
  ASSERT_TRUE(client.ExchangeInt(&preset, "127.0.0.1:2"));
  EXPECT_EQ(preset, 2);
  preset = 1;
  ASSERT_TRUE(client.ExchangeInt(&preset, "127.0.0.1:2"));
  EXPECT_EQ(window.active, 1);
  app.m_counterServer->SetPresetHost(nullptr);

  ASSERT_TRUE(client.ShutdownServer("127.0.0.1:2"));
  EXPECT_EQ(power.ShutdownCodes(), std::vector<int>{0});
  app.ExitInstance();
}

}  // namespace
