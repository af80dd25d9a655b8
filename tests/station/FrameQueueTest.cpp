#include "app/station/CxImageRefList.h"

#include "pixlib/core/CxImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

CxImage* NewImage(int width) {
  auto* image = new CxImage;
  image->Create(width, 2);
  return image;
}

TEST(FrameQueueTest, HandsOverInOrderAndBlocksWhileEmpty) {
  CxImageRefList queue;
  auto head = std::async(std::launch::async, [&] { return queue.RemoveHead(); });
  EXPECT_EQ(head.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  queue.AddTail(NewImage(5));
  queue.AddTail(NewImage(7));
  std::unique_ptr<CxImage> first(head.get());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Width(), 5);
  EXPECT_EQ(queue.GetCount(), 1);
  std::unique_ptr<CxImage> second(queue.RemoveHead());
  EXPECT_EQ(second->Width(), 7);
  EXPECT_EQ(queue.GetCount(), 0);
}

TEST(FrameQueueTest, AStopIsKeptUntilTheNextRunOpensTheList) {
  CxImageRefList queue;
  queue.AddTail(NewImage(3));
  queue.RemoveAll(false);  // deletes the queued image; a consumer waits again
  EXPECT_EQ(queue.GetCount(), 0);
  auto waiter = std::async(std::launch::async, [&] { return queue.RemoveHead(); });
  EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  EXPECT_EQ(queue.RemoveAll(true), 0);
  EXPECT_EQ(waiter.get(), nullptr);

  // A frame that arrives after the stop must not swallow it: a consumer that
  // has not yet looked still sees the stop.
  queue.AddTail(NewImage(4));
  EXPECT_EQ(queue.RemoveHead(), nullptr);
  EXPECT_EQ(queue.RemoveHead(), nullptr);
  EXPECT_EQ(queue.RemoveAll(false), 1);
  queue.AddTail(NewImage(5));
  std::unique_ptr<CxImage> next(queue.RemoveHead());
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->Width(), 5);
}

TEST(FrameQueueTest, StopAfterQueuedHandsOutWhatIsQueuedFirst) {
  CxImageRefList queue;
  queue.AddTail(NewImage(6));
  queue.AddTail(NewImage(7));
  queue.StopAfterQueued();
  queue.AddTail(NewImage(9));  // after the request: never handed out
  std::unique_ptr<CxImage> first(queue.RemoveHead());
  std::unique_ptr<CxImage> second(queue.RemoveHead());
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->Width() + second->Width(), 13);
  EXPECT_EQ(queue.RemoveHead(), nullptr);
  queue.AddTail(NewImage(8));  // too late: the list has stopped
  EXPECT_EQ(queue.RemoveHead(), nullptr);
  EXPECT_EQ(queue.RemoveAll(false), 2);
}

}  // namespace
