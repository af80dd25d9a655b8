// Races of the station core, each provoked many times over: reconnects while
// frames arrive and grabbing is switched, and preset commands from the
// film-number service while the window goes away.
#include "StationTestBase.h"

#include "app/counter/CRemoteCounterClient.h"
#include "app/counter/CounterLock.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr int kRounds = 200;

using StationRaceTest = StationTest;

TEST_F(StationRaceTest, ReconnectsWhileFramesArriveAndGrabbingIsSwitched) {
  CountingStation& station = Start(false);
  std::atomic<bool> reconnecting{true};
  std::thread feeder([&] {
    while (reconnecting) {
      station.OnNewImage(PatternFrame(64, 48), OwnershipHeaderAndData);
      std::this_thread::yield();
    }
  });
  std::atomic<int> connected{0};
  std::thread timer([&] {
    for (int round = 0; round < kRounds; ++round) connected += station.ConnectCamera() ? 1 : 0;
    reconnecting = false;
  });
  RunOrAbort(20s, "reconnecting while grabbing is switched", [&] {
    for (bool on = false; reconnecting; on = !on) station.SetGrabbing(on);
    timer.join();
    feeder.join();
  });
  EXPECT_EQ(connected, kRounds);
  EXPECT_GT(station.released + m_host.Images().size(), 0u);  // frames did arrive
  station.SetGrabbing(true);
  EXPECT_TRUE(station.IsCameraConnected());
  EXPECT_TRUE(Shoot(station));
}

// Notes every preset call that is still running once its station is gone.
class PresetStation : public CountingStation {
 public:
  PresetStation(CGrabberApp& app, IStationHost& host, std::atomic<int>& entered, std::atomic<bool>& alive,
                std::atomic<int>& late)
      : CountingStation(app, host), m_entered(entered), m_alive(alive), m_late(late) {}
  ~PresetStation() override {
    OnDestroy();
    m_alive = false;
  }
  void ApplyPreset(int preset) override {
    ++m_entered;
    std::this_thread::sleep_for(2ms);  // teardown starts meanwhile
    if (!m_alive) {
      ++m_late;
      return;
    }
    CountingStation::ApplyPreset(preset);
  }

 private:
  std::atomic<int>& m_entered;
  std::atomic<bool>& m_alive;
  std::atomic<int>& m_late;
};

TEST_F(StationRaceTest, PresetCommandsNeverReachAStationBeingTornDown) {
  CGrabberApp& app = StartCounterServer();
  AppCounterSettings settings(app);
  CRemoteCounterClient client(settings);

  std::atomic<int> late{0};
  RunOrAbort(20s, "preset commands during teardown", [&] {
    for (int round = 0; round < kRounds; ++round) {
      std::atomic<int> entered{0};
      std::atomic<bool> alive{true};
      auto station = std::make_unique<PresetStation>(app, m_host, entered, alive, late);
      std::thread command([&] {
        int preset = round % 3;
        client.ExchangeInt(&preset, "127.0.0.1");
      });
      while (entered == 0) std::this_thread::yield();
      station.reset();
      command.join();
    }
  });
  EXPECT_EQ(late, 0) << "preset calls still running after their station was destroyed";
}

// Notes whether the film-number service's lock was held while a preset was applied.
class LockProbingStation : public CountingStation {
 public:
  using CountingStation::CountingStation;
  void ApplyPreset(int preset) override {
    const bool counterFree = CounterLock().try_lock();
    if (counterFree) CounterLock().unlock();
    underCounterLock = underCounterLock || !counterFree;
    CountingStation::ApplyPreset(preset);
    ++applied;
  }
  std::atomic<bool> underCounterLock{false};
  std::atomic<int> applied{0};
};

TEST_F(StationRaceTest, APresetFromTheNetworkIsAppliedOutsideTheCounterLock) {
  CGrabberApp& app = StartCounterServer();
  AppCounterSettings settings(app);
  CRemoteCounterClient client(settings);
  LockProbingStation station(app, m_host);
  int preset = CGrabberDlg::PresetLowLight;
  ASSERT_TRUE(client.ExchangeInt(&preset, "127.0.0.1"));
  ASSERT_TRUE(Eventually([&] { return station.applied == 1; }));
  EXPECT_FALSE(station.underCounterLock);
  EXPECT_EQ(station.GetPreset(), CGrabberDlg::PresetLowLight);
}

}  // namespace
