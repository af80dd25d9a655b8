#include "platform/TimerQueue.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "platform/Event.h"
#include "platform/TickCount.h"

namespace {

TEST(TimerQueue, RunsTimersInDeadlineOrderNotBefore) {
  std::mutex mutex;
  std::vector<int> order;
  bx::Event done;
  const uint32_t start = bx::TickCount();
  uint32_t lastFiredAfter = 0;
  {
    bx::TimerQueue queue;
    auto record = [&](int n) {
      return [&, n] {
        std::lock_guard<std::mutex> guard(mutex);
        order.push_back(n);
        if (n == 3) {
          lastFiredAfter = bx::TicksBetween(start, bx::TickCount());
          done.Set();
        }
      };
    };
    queue.Schedule(60, record(3));
    queue.Schedule(0, record(1));
    queue.Schedule(30, record(2));
    ASSERT_TRUE(done.Wait(10000));
  }
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_GE(lastFiredAfter, 59u);
}

TEST(TimerQueue, CancelledTimerNeverRunsAndCancelReportsWhetherItWasPending) {
  bx::Event fired, later;
  bx::TimerQueue queue;
  const auto id = queue.Schedule(20, [&] { fired.Set(); });
  const auto laterId = queue.Schedule(40, [&] { later.Set(); });
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, laterId);
  EXPECT_TRUE(queue.Cancel(id));
  EXPECT_FALSE(queue.Cancel(id));
  ASSERT_TRUE(later.Wait(10000));
  EXPECT_FALSE(fired.IsSet());
  EXPECT_FALSE(queue.Cancel(laterId));  // already ran
}

TEST(TimerQueue, DestructionDropsPendingTimers) {
  bx::Event fired;
  {
    bx::TimerQueue queue;
    queue.Schedule(60000, [&] { fired.Set(); });
  }
  EXPECT_FALSE(fired.IsSet());
}

}  // namespace
