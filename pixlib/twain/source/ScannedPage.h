#pragma once
// One acquired picture as a data source holds it before the transfer: rows
// top first, samples as the protocol sends them in memory transfers (R, G, B
// order; 1 and 4-bit samples packed from the high bit; 16-bit samples in the
// machine's byte order).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pixlib/twain/TwainTypes.h"

namespace twainsource {

struct ScannedPage {
  int width = 0;
  int height = 0;
  TW_INT16 pixelType = TWPT_RGB;
  int bitsPerSample = 8;  // 1, 4, 8 or 16
  int samplesPerPixel = 3;
  int dpi = 75;
  TW_UINT16 pixelFlavor = TWPF_CHOCOLATE;  // of BW pictures
  std::vector<TW_ELEMENT8> palette;        // of palette pictures
  std::vector<std::uint8_t> pixels;

  int BitsPerPixel() const { return bitsPerSample * samplesPerPixel; }
  std::size_t RowBytes() const { return (std::size_t(width) * BitsPerPixel() + 7) / 8; }
  const std::uint8_t* Row(int y) const { return pixels.data() + std::size_t(y) * RowBytes(); }
};

}  // namespace twainsource
