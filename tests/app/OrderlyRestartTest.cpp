// A restart asked for from any thread: the stop first, for a bounded time, then
// the restart (faked: it only counts).
#include "app/OrderlyRestart.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Event.h"
#include "platform/ProgramRestart.h"

namespace {

using namespace std::chrono_literals;

// Notes whether the stop had ended when the restart came.
class ProbingRestart final : public bx::ProgramRestart {
 public:
  explicit ProbingRestart(const std::atomic<bool>& stopped) : m_stopped(stopped) {}
  void Restart() override {
    stoppedFirst = m_stopped.load();
    ++restarts;
    done.Set();
  }
  std::atomic<bool> stoppedFirst{false};
  std::atomic<int> restarts{0};
  bx::Event done;

 private:
  const std::atomic<bool>& m_stopped;
};

TEST(OrderlyRestart, TheStopEndsBeforeOneRestartHoweverManyAskForIt) {
  std::atomic<bool> stopped{false};
  std::atomic<int> stops{0};
  ProbingRestart restart(stopped);
  {
    OrderlyRestart orderly(restart, 10s);
    orderly.SetStop([&] {
      std::this_thread::sleep_for(20ms);
      ++stops;
      stopped = true;
    });
    std::vector<std::thread> askers;
    for (int i = 0; i < 4; ++i) askers.emplace_back([&] { orderly.Request(); });
    for (std::thread& asker : askers) asker.join();
    ASSERT_TRUE(restart.done.Wait(10000));
  }
  EXPECT_TRUE(restart.stoppedFirst);
  EXPECT_EQ(restart.restarts, 1);
  EXPECT_EQ(stops, 1);
}

TEST(OrderlyRestart, AStopThatHangsDelaysTheRestartByItsLimitOnly) {
  std::atomic<bool> stopped{false};
  ProbingRestart restart(stopped);
  bx::Event release;
  OrderlyRestart orderly(restart, 50ms);
  orderly.SetStop([&] {
    release.Wait(10000);
    stopped = true;
  });
  orderly.Request();
  ASSERT_TRUE(restart.done.Wait(5000));
  EXPECT_FALSE(restart.stoppedFirst);
  release.Set();
  orderly.SetStop({});  // returns once the hung stop has ended
  EXPECT_TRUE(stopped);
}

}  // namespace
