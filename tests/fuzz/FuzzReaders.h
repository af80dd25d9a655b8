#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzz {

enum class Reader { Bmp, Pcx, Tga, Tiff, Png };

// Hands `data` to one format's tester and reader as a file (a memory file,
// so no disk is touched). The channel mode and reduction follow from the
// input's size. Images the tester says are above one megapixel are only
// tested, not loaded, to keep each run short. True when an image loaded.
bool FuzzReader(Reader reader, const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
