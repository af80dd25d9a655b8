#include "platform/FreedMemoryReuse.h"

#include <malloc.h>

#include <algorithm>
#include <mutex>

namespace bx {
namespace {

// The C library refuses mapping thresholds above this (half its heap size).
constexpr std::size_t kLargestRetainedBlock = std::size_t(32) << 20;
// Free memory at the top of a heap beyond this is given back to the kernel.
constexpr std::size_t kRetainedFramesAtTop = 8;

}  // namespace

void KeepFreedBlocksForReuse(std::size_t blockBytes) {
  static std::mutex lock;
  static std::size_t retained = 0;
  // Room above the block for alignment and row padding of the images built on it.
  const std::size_t wanted = std::min(blockBytes + blockBytes / 4, kLargestRetainedBlock);
  std::lock_guard<std::mutex> guard(lock);
  if (wanted <= retained) return;
  // Blocks below the mapping threshold come from the heap and stay there when freed.
  mallopt(M_MMAP_THRESHOLD, int(wanted));
  mallopt(M_TRIM_THRESHOLD, int(wanted * kRetainedFramesAtTop));
  retained = wanted;
}

}  // namespace bx
