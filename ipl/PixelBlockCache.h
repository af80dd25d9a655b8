#pragma once
// Pixel memory of IPL images. Whole frames (megabytes each) are allocated and
// freed for every camera frame; the C library gives such blocks back to the
// kernel on free, so the next frame would fault in thousands of fresh, zeroed
// pages. Large blocks are therefore kept after they are freed and handed to
// the next image of the same size.
//
// A large block starts with a short record (a mark and its size) right in
// front of the pixels, so code that frees the block's start with std::free
// still frees it correctly.
#include <cstddef>

namespace ipl {

struct PixelBlock {
  char* start = nullptr;   // what std::free takes
  char* pixels = nullptr;  // 32-byte aligned
};

PixelBlock allocatePixelBlock(std::size_t bytes);
// Frees the block that starts at start with its pixels at pixels, or keeps it
// for reuse when it is a large block of this cache.
void releasePixelBlock(char* start, const char* pixels);

}  // namespace ipl
