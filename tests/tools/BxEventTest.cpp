#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/NamedEvent.h"

namespace {

int RunTool(const std::string& arguments) {
  const int status = std::system((std::string(BXEVENT_PATH) + " " + arguments + " 2>/dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(BxEvent, SetsResetsAndWaitsOnTheStationsEvents) {
  const std::string name = "test.tool." + std::to_string(getpid());
  bx::NamedEvent event(name);
  EXPECT_EQ(RunTool("set " + name), 0);
  EXPECT_TRUE(event.IsSet());
  EXPECT_EQ(RunTool("wait " + name + " --timeout 0"), 0);
  EXPECT_EQ(RunTool("reset " + name), 0);
  EXPECT_FALSE(event.IsSet());
  EXPECT_EQ(RunTool("wait " + name + " --timeout 20"), 1);

  // A pulse releases the tool waiting in another process and leaves the event reset.
  // The tool may not be waiting yet at the first pulse, so pulse until it has returned.
  std::atomic<int> waitResult{-2};
  std::thread waiter([&] { waitResult = RunTool("wait " + name + " --timeout 20000"); });
  while (waitResult == -2) {
    EXPECT_EQ(RunTool("pulse " + name), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  waiter.join();
  EXPECT_EQ(waitResult, 0);
  EXPECT_FALSE(event.IsSet());
  bx::NamedEvent::Remove(name);
}

TEST(BxEvent, RejectsBadUsage) {
  EXPECT_EQ(RunTool(""), 2);
  EXPECT_EQ(RunTool("toggle X"), 2);
  EXPECT_EQ(RunTool("wait X --timeout soon"), 2);
  EXPECT_EQ(RunTool("wait X --timeout -5"), 2);
  EXPECT_EQ(RunTool("set X --later 5"), 2);
}

}  // namespace
