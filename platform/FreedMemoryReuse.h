#pragma once
// Frame-sized blocks (a 2448 x 2048 BGR frame is 15 MB) are allocated and freed
// for every frame. By default the C library hands such blocks back to the
// kernel on free, so the next frame pays for thousands of page faults on fresh,
// zeroed pages. This keeps freed blocks up to the given size in the process for
// reuse instead.
#include <cstddef>

namespace bx {

void KeepFreedBlocksForReuse(std::size_t blockBytes);

}  // namespace bx
