#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

#include "pixlib/codecs/RowConverters.h"

namespace pixcodec {

// One colour field of a 16- or 32-bit pixel: where it sits and how wide it is.
struct BitField {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;  // 0: the field is absent and reads as 0
  // The field's value scaled to 8 bits (a 5-bit field shifted to the top).
  unsigned char Extract(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    const std::uint32_t v = (pixel & mask) >> shift;
    return static_cast<unsigned char>(bits >= 8 ? v >> (bits - 8) : v << (8 - bits));
  }
  // An alpha field spans the whole range (a 1-bit field of 1 is opaque).
  unsigned char ExtractAlpha(std::uint32_t pixel) const {
    if (bits >= 8) return Extract(pixel);
    const std::uint32_t max = (1u << bits) - 1;
    return static_cast<unsigned char>((((pixel & mask) >> shift) * 255 + max / 2) / max);
  }
};

// The file header, bitmap header, masks and palette of a BMP file.
struct BmpHeader {
  static constexpr int kFileHeaderSize = 14;
  static constexpr int kCoreHeaderSize = 12;  // OS/2: 16-bit sizes, 3-byte palette entries
  static constexpr int kInfoHeaderSize = 40;  // Windows: 32-bit sizes, 4-byte entries
  // Later Windows headers: the 40-byte header, then the R, G, B, A masks
  // (56 bytes), then colour-space fields (108, 124) that the reader ignores.
  static constexpr int kMaskedHeaderSizes[] = {56, 108, 124};
  enum Compression { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

  std::uint32_t dataOffset = 0;
  int headerSize = 0;
  int width = 0;
  int height = 0;        // positive; topDown tells the row order
  bool topDown = false;  // a negative height in the file
  int bitCount = 0;
  int compression = kRgb;
  int dpiX = 0;  // 0 when the file states none
  int dpiY = 0;
  std::array<BitField, 4> fields;     // blue, green, red, alpha (absent: opaque)
  bool standardFields = true;         // 32-bit pixels are plain B, G, R, A bytes
  std::uint32_t headerMasks[4] = {};  // R, G, B, A as a 56-byte or later header holds them
  int paletteEntries = 0;             // as read from the file
  std::array<unsigned char, 3 * kPaletteEntries> palette{};  // B, G, R; black beyond the file's

  // 32-bit files keep the 40-byte header's rule (the fourth byte is alpha
  // unless masks say otherwise); others have alpha only through a mask.
  bool HasAlpha() const { return fields[3].bits > 0 || (bitCount == 32 && headerSize <= kInfoHeaderSize); }
};

// Reads and checks the headers at the start of `file` (the palette too when
// `withPalette`). Returns null on success, else the message to report.
const char* ReadBmpHeader(std::FILE* file, BmpHeader& header, bool withPalette);

// Dots per inch from pixels per metre, rounded (2835 → 72, 3780 → 96).
int PixelsPerMetreToDpi(std::int32_t pixelsPerMetre);
// Pixels per metre from dots per inch, rounded; 0 for none.
std::uint32_t DpiToPixelsPerMetre(int dpi);

}  // namespace pixcodec
