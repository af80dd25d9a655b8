// The SANE source waits for the reader threads a backend started, and only
// for those: a thread that has returned counts as ended before anyone joins it.
#include "pixlib/twain/sane/ReaderThreads.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace {

using namespace std::chrono_literals;
using namespace twainsane;

TEST(ReaderThreads, AThreadStartedBetweenTwoLooksIsAwaitedUntilItReturns) {
  const std::vector<pid_t> before = ThreadIds();
  std::promise<void> finish;
  std::thread reader([done = finish.get_future()] { done.wait(); });
  const std::vector<pid_t> started = StartedSince(before, ThreadIds());
  ASSERT_EQ(started.size(), 1u);

  EXPECT_FALSE(AwaitThreadsEnd(started, 20ms));
  finish.set_value();
  EXPECT_TRUE(AwaitThreadsEnd(started, 10s));
  EXPECT_EQ(StartedSince(before, ThreadIds()).size(), 0u);
  reader.join();
}

}  // namespace
