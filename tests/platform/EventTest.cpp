#include "platform/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/TickCount.h"

namespace {

using bx::Event;

TEST(Event, ManualResetStaysSetAutoResetReleasesOnce) {
  Event manual(Event::ResetMode::Manual);
  Event automatic(Event::ResetMode::Auto, true);
  EXPECT_FALSE(manual.Wait(0));
  manual.Set();
  EXPECT_TRUE(manual.Wait(0));
  EXPECT_TRUE(manual.Wait(0));
  manual.Reset();
  EXPECT_FALSE(manual.Wait(10));
  EXPECT_TRUE(automatic.Wait(0));
  EXPECT_FALSE(automatic.Wait(0));
}

TEST(Event, AutoResetWakesOneWaiterPerSet) {
  Event event(Event::ResetMode::Auto);
  std::atomic<int> woken{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (event.Wait(Event::kInfinite)) ++woken;
    });
  for (int i = 0; i < 3; ++i) {
    event.Set();
    while (woken.load() < i + 1) std::this_thread::yield();
    EXPECT_EQ(woken.load(), i + 1);
  }
  for (auto& w : waiters) w.join();
  EXPECT_FALSE(event.IsSet());
}

TEST(Event, WaitForMultipleReturnsTheSignalledIndexOrTimeout) {
  Event a, b(Event::ResetMode::Auto), c;
  EXPECT_EQ(Event::WaitForMultiple({&a, &b, &c}, false, 0), Event::kWaitTimeout);
  const uint32_t start = bx::TickCount();
  EXPECT_EQ(Event::WaitForMultiple({&a, &b, &c}, false, 30), Event::kWaitTimeout);
  EXPECT_GE(bx::TicksBetween(start, bx::TickCount()), 29u);

  std::thread setter([&] { c.Set(); });
  EXPECT_EQ(Event::WaitForMultiple({&a, &b, &c}, false, Event::kInfinite), 2);
  setter.join();
  b.Set();
  EXPECT_EQ(Event::WaitForMultiple({&a, &b, &c}, false, 0), 1);  // lowest signalled
  EXPECT_FALSE(b.IsSet());                                       // consumed
  EXPECT_EQ(Event::WaitForMultiple({&a, &b, &c}, false, 0), 2);
}

TEST(Event, WaitAllNeedsEveryEventAndConsumesAutoResetOnesTogether) {
  Event manual, automatic(Event::ResetMode::Auto);
  automatic.Set();
  EXPECT_EQ(Event::WaitForMultiple({&manual, &automatic}, true, 10), Event::kWaitTimeout);
  EXPECT_TRUE(automatic.IsSet());  // not consumed by a wait that did not succeed
  std::thread setter([&] { manual.Set(); });
  EXPECT_EQ(Event::WaitForMultiple({&manual, &automatic}, true, Event::kInfinite), 0);
  setter.join();
  EXPECT_TRUE(manual.IsSet());
  EXPECT_FALSE(automatic.IsSet());
}

TEST(TickCount, FollowsTheSteadyClockAndDifferencesSurviveTheWrap) {
  const uint32_t before = bx::TickCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const uint32_t elapsed = bx::TicksBetween(before, bx::TickCount());
  EXPECT_GE(elapsed, 19u);
  EXPECT_LT(elapsed, 60000u);
  EXPECT_EQ(bx::TicksBetween(0xFFFFFFF0u, 0x10u), 0x20u);
}

}  // namespace
