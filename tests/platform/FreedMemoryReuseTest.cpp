#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>

#include "platform/FreedMemoryReuse.h"

// A frame-sized block, once freed, stays with the process: the next one is
// served from the heap instead of freshly mapped pages.
TEST(FreedMemoryReuse, FrameSizedBlocksComeFromTheHeapAndStayThere) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer brings its own allocator";
#else
  const std::size_t frameBytes = std::size_t(2448) * 2048 * 3;
  bx::KeepFreedBlocksForReuse(frameBytes);
  const std::size_t mappedBefore = mallinfo2().hblkhd;
  // The images built on a frame round their size up for alignment.
  void* frame = std::aligned_alloc(32, (frameBytes + 31) / 32 * 32 + 64);
  ASSERT_NE(frame, nullptr);
  std::memset(frame, 1, frameBytes);
  EXPECT_EQ(mallinfo2().hblkhd, mappedBefore) << "the frame was mapped on its own";
  const std::size_t heapBefore = mallinfo2().arena;
  std::free(frame);
  EXPECT_EQ(mallinfo2().arena, heapBefore) << "the freed frame went back to the kernel";
#endif
}
