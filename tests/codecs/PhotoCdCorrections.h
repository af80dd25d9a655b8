#pragma once

#include <vector>

namespace codectest {

// A pack is read in sectors of this size; ImageMagick is the reference reader.
inline constexpr std::size_t kSector = 2048;
inline constexpr const char* kConvert = "/usr/bin/convert";

// One Huffman code of the 1536 x 1024 luminance corrections.
struct Code {
  int length;
  unsigned bits;
  int correction;
};

// Prefix codes that never put 23 ones in a row, so no code sequence looks
// like a record's sync.
extern const std::vector<Code> kCodes;

// The table sector and the coded corrections: random codes per pixel, one
// record per row in order for the first `rows` rows, then a closing record
// below the image.
std::vector<unsigned char> FourBaseSectors(const std::vector<Code>& codes, unsigned seed, int rows = 1024);

}  // namespace codectest
