// The engine's thread on its real sources: named events shared with another
// program, the serial port's DSR line, the camera line; orderly stop; settings.
#include "TriggerEngineFixture.h"

#include "trigger/CPylonTrigger.h"

#include "platform/NamedEvent.h"
#include "platform/ProfileStore.h"
#include "platform/SimulatedSerialPort.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

using namespace std::chrono_literals;

namespace {

TEST_F(ExternalTriggerTest, NamedEventsReleaseShotsAndAreConsumed) {
  RecordingTrigger& engine = Engine(SourceNamedEvents);
  bx::NamedEvent rise(m_riseName), fall(m_fallName);
  rise.Set();  // left over from before the start: not an edge
  StartEngine();
  EXPECT_FALSE(rise.IsSet());

  for (int shot = 1; shot <= 3; ++shot) {
    rise.Set();
    ASSERT_TRUE(engine.WaitForShots(shot));
    fall.Set();
    ASSERT_TRUE(WaitLogged("Trigger Fall Edge", shot));
    std::this_thread::sleep_for(2ms);  // beyond the dead time of 0 ms
  }
  // Each set event was consumed: the waits did not return again and again.
  EXPECT_FALSE(rise.IsSet());
  EXPECT_FALSE(fall.IsSet());
  EXPECT_EQ(Logged("Trigger Rise Edge"), 3);
  EXPECT_EQ(Logged("Trigger Fall Edge"), 3);
  EXPECT_EQ(engine.Shots(), 3);
}

TEST_F(ExternalTriggerTest, DsrEdgesReleaseShotsAndAreMirroredOnTheNamedEvents) {
  RecordingTrigger& engine = SerialEngine();
  bx::SimulatedSerialPort& port = m_port;
  StartEngine();
  bx::NamedEvent rise(m_riseName);

  port.DriveDsr(true);
  ASSERT_TRUE(engine.WaitForShots(1));
  for (int i = 0; i < 500 && !rise.IsSet(); ++i)  // set right after the shot
    std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(rise.IsSet());
  port.DriveDsr(false);
  std::this_thread::sleep_for(2ms);  // beyond the dead time of 0 ms
  port.DriveDsr(true);
  ASSERT_TRUE(engine.WaitForShots(2));
  engine.Stop();
  EXPECT_EQ(engine.Shots(), 2);
}

TEST_F(ExternalTriggerTest, EdgesMadeWhileAShotIsFiredAreAllCounted) {
  RecordingTrigger& engine = SerialEngine();
  bx::SimulatedSerialPort& port = m_port;
  std::promise<void> firing, gate;
  std::future<void> firstShotBusy = firing.get_future();
  std::shared_future<void> open = gate.get_future().share();
  engine.beforeShot = [&firing, open, first = true]() mutable {
    if (std::exchange(first, false)) {
      firing.set_value();
      open.wait();
    }
  };
  StartEngine();
  port.DriveDsr(true);
  // The trigger thread is inside the first shot.
  ASSERT_EQ(firstShotBusy.wait_for(5s), std::future_status::ready) << LogText();
  std::this_thread::sleep_for(2ms);  // the next rise comes beyond the dead time of 0 ms
  port.DriveDsr(false);              // a whole pulse and a fall, all while the shot is busy
  port.DriveDsr(true);
  port.DriveDsr(false);
  gate.set_value();
  ASSERT_TRUE(engine.WaitForShots(2)) << LogText();
  // A fall taken for a second one would be logged as spurious instead.
  ASSERT_TRUE(WaitLogged("Trigger Fall Edge", 2)) << LogText();
  EXPECT_EQ(Logged("Trigger Rise Edge"), 2);
  EXPECT_EQ(Logged("Trigger Spurious Event"), 0);
}

TEST_F(ExternalTriggerTest, TheCameraLineReleasesShots) {
  RecordingTrigger& engine = Engine(SourceCameraLine);
  StartEngine();
  engine.lineHigh = true;
  ASSERT_TRUE(engine.WaitForShots(1));
  engine.lineHigh = false;
  ASSERT_TRUE(WaitLogged("Trigger Fall Edge", 1));  // the polled line was seen low
  std::this_thread::sleep_for(2ms);                 // beyond the dead time of 0 ms
  engine.lineHigh = true;
  ASSERT_TRUE(engine.WaitForShots(2));

  engine.SetSuspended(true);  // a suspended engine ignores the line
  engine.lineHigh = false;
  std::this_thread::sleep_for(20ms);
  engine.lineHigh = true;
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(engine.Shots(), 2);
}

TEST_F(ExternalTriggerTest, InCameraTriggerModeTheEngineWatchesNothing) {
  RecordingTrigger& engine = Engine(SourceNamedEvents, "Trigger Mode", 1);
  StartEngine();
  bx::NamedEvent(m_riseName).Set();
  std::this_thread::sleep_for(50ms);
  engine.Stop();  // ends the idle wait at once
  EXPECT_EQ(engine.Shots(), 0);
  EXPECT_EQ(Logged("Trigger Rise Edge"), 0);
}

TEST_F(ExternalTriggerTest, StopEndsAMultiTriggerChain) {
  RecordingTrigger& engine = Engine(SourceNamedEvents, "Multi Trigger", 1);
  m_profile.WriteInt("Trigger Settings", "TriggerDelay", 10);
  engine.LoadSettings();
  StartEngine();
  bx::NamedEvent(m_riseName).Set();
  ASSERT_TRUE(engine.WaitForShots(3));
  engine.Stop();
  const int shots = engine.Shots();
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(engine.Shots(), shots);
  EXPECT_FALSE(engine.IsRunning());
}

TEST_F(ExternalTriggerTest, AShotThatThrowsIsLoggedAndRestartsTheProgram) {
  for (int delay : {0, 5}) {  // on the trigger thread, then on the timer thread
    RecordingTrigger& engine = Engine(SourceNamedEvents, "TriggerDelay", delay);
    engine.beforeShot = [] { throw std::runtime_error("camera gone"); };
    StartEngine();
    bx::NamedEvent(m_riseName).Set();
    for (int i = 0; i < 500 && m_restarts == (delay == 0 ? 0 : 1); ++i) std::this_thread::sleep_for(10ms);
    engine.Stop();
  }
  EXPECT_EQ(m_restarts, 2);
  EXPECT_EQ(Logged("Trigger failure: camera gone"), 2);
}

TEST_F(ExternalTriggerTest, TheSoundPlaysOnRisingEdges) {
  RecordingTrigger& engine = Engine(SourceNamedEvents);
  m_profile.WriteString("Trigger Settings", "SoundName", "/usr/share/sounds/shutter.wav");
  engine.LoadSettings();
  StartEngine();
  bx::NamedEvent(m_riseName).Set();
  ASSERT_TRUE(engine.WaitForShots(1));
  std::lock_guard lock(m_sound.mutex);
  EXPECT_EQ(m_sound.played, std::vector<std::string>{"/usr/share/sounds/shutter.wav"});
}

TEST_F(ExternalTriggerTest, SettingsAreSavedAndTheCameraFollowsTheMode) {
  RecordingTrigger& engine = Engine(SourceSerialDsr);
  TriggerSettings settings = engine.GetSettings();
  settings.mode = 1;
  settings.filterMs = 500;
  settings.triggerDelayMs = 1200;
  settings.sequence = ParseSequence("0/0 1/400");
  settings.soundName = "not saved.wav";
  engine.calls.clear();
  engine.SetSettings(settings, true);
  EXPECT_EQ(engine.calls,
            (std::vector<std::string>{"line 11 Line1", "debounce 500000 Line1", "delay 700000"}));

  settings.soundName = "";
  EXPECT_EQ(LoadTriggerSettings(m_profile), settings);
  EXPECT_EQ(m_profile.GetString("Trigger Settings", "Sequence", ""), "0/0 1/400");

  settings.mode = 2;
  engine.calls.clear();
  engine.SetSettings(settings, false);
  EXPECT_EQ(engine.calls,
            (std::vector<std::string>{"line 10 Line2", "debounce 0 Line1", "debounce 0 Line2", "delay 0"}));
  EXPECT_EQ(m_profile.GetInt("Trigger Settings", "Trigger Mode", 0), 1);
}

TEST_F(ExternalTriggerTest, ADetachedCameraTriggerReleasesAndReadsNothing) {
  TriggerServices services;
  services.sound = &m_sound;
  services.riseEventName = m_riseName;
  services.fallEventName = m_fallName;
  CPylonTrigger trigger(m_profile, services);
  EXPECT_FALSE(trigger.ReadLine());
  EXPECT_FALSE(trigger.ConfigureLine(true, true, "Line1"));
  trigger.SetDebouncer(100, "Line1");
  trigger.SetTriggerDelay(100);
  trigger.Fire();  // no station bound: nothing to call
}

TEST_F(ExternalTriggerTest, ChangingTheSourceRestartsARunningEngine) {
  RecordingTrigger& engine = Engine(SourceSerialDsr);
  StartEngine();
  TriggerSettings settings = engine.GetSettings();
  settings.source = SourceNamedEvents;
  engine.SetSettings(settings, false);
  ASSERT_TRUE(engine.IsRunning());
  std::this_thread::sleep_for(2ms);
  bx::NamedEvent(m_riseName).Set();
  EXPECT_TRUE(engine.WaitForShots(1));
}

}  // namespace
