#include "platform/NamedEvent.h"

#include <gtest/gtest.h>
#include <signal.h>
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

// Ends `child` if it has not ended within five seconds; its exit status, -1
// when it had to be ended.
int ExitWithin5s(pid_t child) {
  int status = 0;
  for (int waited = 0; waited < 5000; waited += 10) {
    if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  return -1;
}

// A station killed while it waits for its trigger (a crash, SIGKILL) must not
// stop the event from working for the stations started after it: shot after
// shot, a new waiter is released by a Set from another process.
TEST_F(NamedEventTest, AWaiterKilledWhileWaitingLeavesTheEventWorking) {
  NamedEvent event(name_);
  const pid_t killed = fork();
  if (killed == 0) _exit(NamedEvent(name_).Wait(bx::Event::kInfinite) == WaitResult::Signalled ? 0 : 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // asleep in its wait
  ASSERT_EQ(kill(killed, SIGKILL), 0);
  waitpid(killed, nullptr, 0);
  for (int shot = 0; shot < 3; ++shot) {
    event.Reset();
    const pid_t waiter = fork();
    if (waiter == 0) _exit(NamedEvent(name_).Wait(20000) == WaitResult::Signalled ? 0 : 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const pid_t setter = fork();
    if (setter == 0) _exit(NamedEvent(name_).Set() ? 0 : 1);
    EXPECT_EQ(ExitWithin5s(setter), 0) << "shot " << shot << ": Set hung or failed";
    EXPECT_EQ(ExitWithin5s(waiter), 0) << "shot " << shot << ": the waiter was not released";
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
