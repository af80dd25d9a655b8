#pragma once
// An engine whose shots and device calls are counted, over a fresh profile and
// named events of its own.
#include "trigger/CExternalTrigger.h"

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
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class RecordingSound final : public ISoundPlayer {
 public:
  void Play(const std::string& path) override {
    std::lock_guard lock(mutex);
    played.push_back(path);
  }
  std::mutex mutex;
  std::vector<std::string> played;
};

// An engine whose shots and device calls are counted.
class RecordingTrigger final : public CExternalTrigger {
 public:
  using CExternalTrigger::CExternalTrigger;
  ~RecordingTrigger() override { Stop(); }

  void Fire() override {
    if (beforeShot) beforeShot();
    std::lock_guard lock(m_mutex);
    ++m_shots;
    m_changed.notify_all();
  }
  bool ConfigureLine(bool enable, bool risingEdge, const char* line) override {
    calls.push_back("line " + std::to_string(enable) + std::to_string(risingEdge) + " " + line);
    return true;
  }
  void SetDebouncer(double us, const char* line) override {
    calls.push_back("debounce " + std::to_string(static_cast<long>(us)) + " " + line);
  }
  void SetTriggerDelay(double us) override {
    calls.push_back("delay " + std::to_string(static_cast<long>(us)));
  }
  bool ReadLine() override { return lineHigh; }

  int Shots() {
    std::lock_guard lock(m_mutex);
    return m_shots;
  }
  bool WaitForShots(int count) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return m_shots >= count; });
  }

  std::vector<std::string> calls;
  std::atomic<bool> lineHigh{false};
  std::function<void()> beforeShot;

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  int m_shots = 0;
};

class ExternalTriggerTest : public ::testing::Test {
 protected:
  ExternalTriggerTest()
      : m_profile(m_folder.Path(), "BXGrabber"),
        m_riseName("BXTestRise" + std::to_string(::getpid()) + Unique()),
        m_fallName("BXTestFall" + std::to_string(::getpid()) + Unique()) {}
  ~ExternalTriggerTest() override {
    bx::NamedEvent::Remove(m_riseName);
    bx::NamedEvent::Remove(m_fallName);
  }

  // An engine on `source` without filter or dead time.
  RecordingTrigger& Engine(int source, const std::string& extraKey = "", int extraValue = 0) {
    m_profile.WriteInt("Trigger Settings", "Trigger Source", source);
    m_profile.WriteInt("Trigger Settings", "TriggerFilter", 0);
    m_profile.WriteInt("Trigger Settings", "MinDelay", 0);
    if (!extraKey.empty()) m_profile.WriteInt("Trigger Settings", extraKey, extraValue);
    TriggerServices services;
    services.log = [this](const std::string& line) {
      std::lock_guard lock(m_logMutex);
      m_log.push_back(line);
      m_logged.notify_all();
    };
    services.sound = &m_sound;
    services.restartProgram = [this] { ++m_restarts; };
    services.riseEventName = m_riseName;
    services.fallEventName = m_fallName;
    if (m_customise) m_customise(services);
    m_engine = std::make_unique<RecordingTrigger>(m_profile, services);
    m_engine->LoadSettings();
    return *m_engine;
  }
  // An engine on the serial port's DSR line, the simulated port opened.
  RecordingTrigger& SerialEngine() {
    RecordingTrigger& engine = Engine(SourceSerialDsr);
    EXPECT_TRUE(m_port.Open("COM1"));
    engine.Bind(&m_port, nullptr);
    return engine;
  }
  void StartEngine() {
    ASSERT_TRUE(m_engine->Start());
    // The dead time is "more than 0 ms" after the start.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::string LogText() {
    std::lock_guard lock(m_logMutex);
    std::string text;
    for (const std::string& line : m_log) text += line + "\n";
    return text;
  }
  int Logged(const std::string& line) {
    std::lock_guard lock(m_logMutex);
    return CountLocked(line);
  }
  // Waits until `line` was logged `count` times; the trigger thread logs each
  // edge it takes, so this tells when it has caught up with the edges made.
  bool WaitLogged(const std::string& line, int count) {
    std::unique_lock lock(m_logMutex);
    return m_logged.wait_for(lock, std::chrono::seconds(5), [&] { return CountLocked(line) >= count; });
  }
  int CountLocked(const std::string& line) const {
    return static_cast<int>(std::count(m_log.begin(), m_log.end(), line));
  }
  static std::string Unique() {
    static std::atomic<int> counter{0};
    return "_" + std::to_string(++counter);
  }

  TempFolder m_folder;
  bx::ProfileStore m_profile;
  std::string m_riseName;
  std::string m_fallName;
  RecordingSound m_sound;
  std::atomic<int> m_restarts{0};
  std::mutex m_logMutex;
  std::condition_variable m_logged;
  std::vector<std::string> m_log;
  bx::SimulatedSerialPort m_port;  // outlives the engine waiting on it
  // Changes the services before the engine is made.
  std::function<void(TriggerServices&)> m_customise;
  std::unique_ptr<RecordingTrigger> m_engine;
};
