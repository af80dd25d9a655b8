#include "platform/NamedEvent.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace {

using bx::NamedEvent;
using WaitResult = NamedEvent::WaitResult;

// A name of its own per test and process, removed afterwards.
class NamedEventTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = "test." + std::to_string(getpid()) + "." +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  void TearDown() override { NamedEvent::Remove(name_); }
  std::string name_;
};

// Runs `body` in a child process and returns its exit status.
template <class Body>
int RunInChild(Body body) {
  const pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(NamedEventTest, SetAndResetAreSeenByAnotherProcess) {
  NamedEvent event(name_);
  ASSERT_TRUE(event.IsOpen());
  EXPECT_FALSE(event.IsSet());
  EXPECT_EQ(RunInChild([&] { return NamedEvent(name_).Set() ? 0 : 1; }), 0);
  EXPECT_TRUE(event.IsSet());
  EXPECT_EQ(event.Wait(0), WaitResult::Signalled);
  EXPECT_EQ(event.Wait(0), WaitResult::Signalled);  // manual reset
  event.Reset();
  EXPECT_EQ(RunInChild([&] { return NamedEvent(name_).IsSet() ? 1 : 0; }), 0);
  EXPECT_EQ(event.Wait(20), WaitResult::Timeout);
}

TEST_F(NamedEventTest, WaiterInAnotherProcessWakesOnSetAndOnPulse) {
  NamedEvent event(name_);
  for (const bool pulse : {false, true}) {
    event.Reset();
    const pid_t child = fork();
    if (child == 0) _exit(NamedEvent(name_).Wait(20000) == WaitResult::Signalled ? 0 : 1);
    // A pulse only releases a process already waiting, so pulse until the child is released.
    int status = 0;
    if (!pulse) event.Set();
    while (waitpid(child, &status, pulse ? WNOHANG : 0) == 0) {
      event.Pulse();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "pulse " << pulse;
    EXPECT_EQ(event.IsSet(), !pulse);
  }
}

TEST_F(NamedEventTest, PulseWithoutWaitersLeavesNothingBehind) {
  NamedEvent event(name_);
  event.Pulse();
  EXPECT_EQ(event.Wait(10), WaitResult::Timeout);
}

TEST_F(NamedEventTest, LocalStopEventEndsTheWait) {
  NamedEvent event(name_);
  bx::Event stop;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop.Set();
  });
  EXPECT_EQ(event.Wait(bx::Event::kInfinite, &stop), WaitResult::Stopped);
  stopper.join();
  EXPECT_EQ(event.Wait(bx::Event::kInfinite, &stop), WaitResult::Stopped);  // already set
  event.Set();
  EXPECT_EQ(event.Wait(bx::Event::kInfinite, &stop), WaitResult::Signalled);  // event first
}

}  // namespace
