#pragma once
// Turns the rows of memory-transfer blocks into 8-bit BGR image rows: 1, 2,
// 4 and 8-bit samples through a palette (grey ramp, black-and-white pair
// by pixel flavour, or the source's palette), 16-bit samples by their high
// byte, colour from R, G, B order.

#include <cstddef>
#include <vector>

#include "pixlib/twain/TwainTypes.h"

namespace twainapp {

class MemoryRows {
 public:
  // False for a layout it cannot convert. `palette` is used for palette
  // pictures (null or empty: grey ramp).
  bool Configure(const TW_IMAGEINFO& info, TW_UINT16 pixelFlavor, const TW_PALETTE8* palette);
  // Bytes a row of `columns` pixels takes in a block.
  std::size_t RowBytes(std::size_t columns) const { return (columns * std::size_t(m_bitsPerPixel) + 7) / 8; }
  // Converts `columns` pixels of one block row to BGR at dst.
  void Convert(const unsigned char* src, int columns, unsigned char* dst);

 private:
  int m_bitsPerPixel = 0;
  int m_bitsPerSample = 0;
  bool m_colour = false;
  std::vector<unsigned char> m_palette = std::vector<unsigned char>(256 * 3);  // B, G, R
  std::vector<unsigned char> m_scratch;
};

}  // namespace twainapp
