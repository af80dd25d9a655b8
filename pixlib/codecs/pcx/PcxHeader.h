#pragma once

#include <array>
#include <cstdio>

#include "pixlib/codecs/RowConverters.h"

namespace pixcodec {

// The 128-byte PCX header and the palette that goes with it.
struct PcxHeader {
  static constexpr int kSize = 128;
  static constexpr int kManufacturer = 10;

  int version = 0;
  int bitsPerPixel = 0;  // per plane: 1, 2, 4 or 8
  int planes = 0;        // 1 to 4
  int width = 0;         // xmax - xmin + 1
  int height = 0;
  int bytesPerLine = 0;  // per plane
  int dpiX = 0;
  int dpiY = 0;
  std::array<unsigned char, 48> headerPalette{};  // 16 R, G, B entries

  // 8 bits with 3 or 4 planes: direct colour (planes R, G, B and unused alpha).
  bool DirectColour() const { return bitsPerPixel == 8 && planes >= 3; }
};

// Reads and checks the header at the start of `file`. Null on success, else
// the message to report.
const char* ReadPcxHeader(std::FILE* file, PcxHeader& header);

// The palette of an indexed file as B, G, R triples (black beyond the
// file's): black and white for 1 bit, the header's 16 entries, or the
// 256-entry palette that ends the image data at `imageEnd` (a grey ramp when
// an 8-bit file has none).
void ReadPcxPalette(std::FILE* file, const PcxHeader& header, long imageEnd,
                    std::array<unsigned char, 3 * kPaletteEntries>& palette);

}  // namespace pixcodec
