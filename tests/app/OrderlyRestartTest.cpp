// A restart asked for from any thread: the stop first, for a bounded time, then
// one restart (faked: it only counts).
#include "app/OrderlyRestart.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Event.h"
#include "platform/ProgramRestart.h"

namespace {

using namespace std::chrono_literals;

class CountingRestart final : public bx::ProgramRestart {
 public:
  void Restart() override {
    ++restarts;
    done.Set();
  }
  std::atomic<int> restarts{0};
  bx::Event done;
};

// A stop that hangs (the watchdog restarts because a thread hangs) delays the
// restart by the limit only; the station's owner still waits for it to end.
TEST(OrderlyRestart, OneRestartFollowsTheStopOrItsLimit) {
  CountingRestart restart;
  bx::Event release;
  std::atomic<int> stops{0};
  OrderlyRestart orderly(restart, 50ms);
  orderly.SetStop([&] {
    release.Wait(10000);
    ++stops;
  });
  std::vector<std::thread> askers;
  for (int i = 0; i < 4; ++i) askers.emplace_back([&] { orderly.Request(); });
  for (std::thread& asker : askers) asker.join();
  ASSERT_TRUE(restart.done.Wait(5000));
  EXPECT_EQ(stops, 0);
  release.Set();
  orderly.SetStop({});  // returns once the hung stop has ended
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(restart.restarts, 1);
}

}  // namespace
