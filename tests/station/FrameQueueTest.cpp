#include "app/station/CxImageRefList.h"

#include "pixlib/core/CxImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace {

CxImage* NewImage(int width)
{
    auto* image = new CxImage;
    image->Create(width, 2);
    return image;
}

TEST(FrameQueueTest, HandsOverInOrderAndBlocksWhileEmpty)
{
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

TEST(FrameQueueTest, RemoveAllWakesAWaiterOnlyWhenAsked)
{
    CxImageRefList queue;
    queue.AddTail(NewImage(3));
    queue.RemoveAll(false);  // deletes the queued image and leaves the event reset
    EXPECT_EQ(queue.GetCount(), 0);
    auto waiter = std::async(std::launch::async, [&] { return queue.RemoveHead(); });
    EXPECT_EQ(waiter.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    queue.AddTail(NewImage(4));
    queue.AddTail(NewImage(4));
    queue.RemoveAll(true);
    std::unique_ptr<CxImage> woken(waiter.get());
    // Either the waiter got the first image before RemoveAll, or it was woken empty.
    if (woken) {
        EXPECT_EQ(woken->Width(), 4);
    }
    EXPECT_EQ(queue.RemoveHead(), nullptr);  // stays woken until refilled
    EXPECT_EQ(queue.GetCount(), 0);
}

}  // namespace
