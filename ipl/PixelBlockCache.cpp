#include "ipl/PixelBlockCache.h"

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <vector>

namespace ipl {
namespace {

constexpr std::size_t kAlignment = 32;
constexpr std::size_t kLargeBlock = std::size_t(1) << 20;
constexpr std::size_t kKeptBlocks = 12;  // a shot frees several large blocks besides its frame
constexpr std::size_t kKeptBytes = std::size_t(256) << 20;  // a few full frames, never a huge scan
constexpr std::uint64_t kMark = 0x6b636f6c42786950ULL;      // "PixBlock"

// Sits in front of the pixels, padded to the alignment.
struct alignas(kAlignment) Record {
  std::uint64_t mark;
  std::uint64_t bytes;
};

// Under the address sanitizer every block is freed at once, so that a use
// after free is still reported.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kKeepFreedBlocks = false;
#else
constexpr bool kKeepFreedBlocks = true;
#endif

struct Kept {
  std::mutex lock;
  std::deque<Record*> blocks;  // oldest first
  std::size_t bytes = 0;
};

Kept& kept() {
  static auto* instance = new Kept;  // never destroyed: images may be freed at exit
  return *instance;
}

Record* takeKept(std::size_t bytes) {
  Kept& cache = kept();
  std::lock_guard<std::mutex> guard(cache.lock);
  for (auto it = cache.blocks.begin(); it != cache.blocks.end(); ++it) {
    if ((*it)->bytes != bytes) continue;
    Record* record = *it;
    cache.blocks.erase(it);
    cache.bytes -= record->bytes;
    return record;
  }
  return nullptr;
}

void freeRecord(Record* record) {
  record->mark = 0;  // a stale pointer to the block is never taken for a live one
  std::free(record);
}

}  // namespace

PixelBlock allocatePixelBlock(std::size_t bytes) {
  const std::size_t rounded = (bytes + kAlignment - 1) / kAlignment * kAlignment;
  if (rounded < kLargeBlock) {
    char* data = static_cast<char*>(std::aligned_alloc(kAlignment, rounded));
    return {data, data};
  }
  Record* record = takeKept(rounded);
  if (!record) {
    record = static_cast<Record*>(std::aligned_alloc(kAlignment, sizeof(Record) + rounded));
    if (!record) return {};
    *record = Record{kMark, rounded};
  }
  return {reinterpret_cast<char*>(record), reinterpret_cast<char*>(record + 1)};
}

void releasePixelBlock(char* start, const char* pixels) {
  if (!start) return;
  // Only a block of this file has its pixels right behind a record with the
  // mark; anything else (a small block, a bitmap's header) is freed as it is.
  Record* record = reinterpret_cast<Record*>(start);
  if (pixels != reinterpret_cast<const char*>(record + 1) || record->mark != kMark) {
    std::free(start);
    return;
  }
  if (!kKeepFreedBlocks || record->bytes > kKeptBytes) {
    freeRecord(record);
    return;
  }
  std::vector<Record*> evicted;
  {
    Kept& cache = kept();
    std::lock_guard<std::mutex> guard(cache.lock);
    cache.blocks.push_back(record);
    cache.bytes += record->bytes;
    while (cache.blocks.size() > kKeptBlocks || cache.bytes > kKeptBytes) {
      evicted.push_back(cache.blocks.front());
      cache.bytes -= evicted.back()->bytes;
      cache.blocks.pop_front();
    }
  }
  for (Record* block : evicted) freeRecord(block);
}

}  // namespace ipl
