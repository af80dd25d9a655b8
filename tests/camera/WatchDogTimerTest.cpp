// The watchdog on its real clock: a silent thread restarts the program (a
// recording fake here), a kicking one does not, and the watch thread lives only
// while threads are registered.
#include "camera/WatchDogTimer.h"

#include "platform/ProgramRestart.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

class WatchDogTimerTest : public ::testing::Test {
 protected:
  std::chrono::steady_clock::duration TimeToFirstRestart(std::chrono::milliseconds limit) {
    const auto start = std::chrono::steady_clock::now();
    while (m_restart.restarts == 0 && std::chrono::steady_clock::now() - start < limit)
      std::this_thread::sleep_for(5ms);
    return std::chrono::steady_clock::now() - start;
  }
  std::vector<std::string> Log() {
    std::lock_guard lock(m_mutex);
    return m_log;
  }

  bx::RecordingProgramRestart m_restart;
  std::mutex m_mutex;
  std::vector<std::string> m_log;
  CWatchDogTimer m_watchdog{[this] { m_restart.Restart(); },
                            [this](const std::string& line) {
                              std::lock_guard lock(m_mutex);
                              m_log.push_back(line);
                            }};
};

TEST_F(WatchDogTimerTest, TenTicksWithoutAKickRestartAfterAboutOneSecondNamingTheThread) {
  m_watchdog.Register(10, "grab thread");
  EXPECT_TRUE(m_watchdog.IsWatching());
  const auto waited = TimeToFirstRestart(5s);
  EXPECT_EQ(m_restart.restarts, 1);
  EXPECT_GE(waited, 900ms);
  EXPECT_LT(waited, 4s);
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ(Log()[0], "Watchdog: grab thread stopped reporting; restarting the program");
  m_watchdog.Unregister();
  EXPECT_FALSE(m_watchdog.IsWatching());
}

TEST_F(WatchDogTimerTest, KicksKeepAThreadAliveAndOnlyTheRegisteredThreadCounts) {
  m_watchdog.Register(4);  // 400 ms
  std::atomic<bool> done{false};
  std::thread stranger([&] {
    // Kicks from a thread that never registered change nothing.
    while (!done) {
      m_watchdog.Kick();
      std::this_thread::sleep_for(10ms);
    }
    m_watchdog.Unregister();  // not registered: the watched thread stays watched
  });
  EXPECT_GE(TimeToFirstRestart(3s), 300ms);
  EXPECT_EQ(m_restart.restarts, 1);
  done = true;
  stranger.join();
  EXPECT_TRUE(m_watchdog.IsWatching());

  m_watchdog.Kick();
  m_restart.restarts = 0;
  for (int i = 0; i < 20; ++i) {  // a second of kicks every 50 ms
    m_watchdog.Kick();
    std::this_thread::sleep_for(50ms);
  }
  EXPECT_EQ(m_restart.restarts, 0);
  m_watchdog.Unregister();
}

TEST_F(WatchDogTimerTest, ZeroTicksMeanOneAndTheWatchThreadComesAndGoesWithTheThreads) {
  m_watchdog.Register(0);  // not 65535 ticks
  EXPECT_LT(TimeToFirstRestart(3s), 1s);
  EXPECT_GE(m_restart.restarts, 1);
  std::thread other([&] {
    m_watchdog.Register(100);
    m_watchdog.Unregister();
  });
  other.join();
  EXPECT_TRUE(m_watchdog.IsWatching());  // this thread is still registered
  m_watchdog.Unregister();
  EXPECT_FALSE(m_watchdog.IsWatching());
  for (int round = 0; round < 50; ++round) {  // registering and leaving quickly never hangs
    m_watchdog.Register(5);
    m_watchdog.Unregister();
  }
  EXPECT_FALSE(m_watchdog.IsWatching());
}

}  // namespace
