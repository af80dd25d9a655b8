#pragma once

#include <array>
#include <cstdio>

#include "pixlib/codecs/RowConverters.h"

namespace pixcodec {

// The 18-byte TGA header. TGA files carry no magic number, so the header is
// checked field by field before a file is taken for one.
struct TgaHeader {
  static constexpr int kSize = 18;
  enum ImageType {
    kIndexed = 1,
    kTrueColour = 2,
    kGrey = 3,
    kRleIndexed = 9,
    kRleTrueColour = 10,
    kRleGrey = 11
  };

  int idLength = 0;
  int mapType = 0;  // 1: a colour map follows the image ID
  int imageType = 0;
  int mapFirst = 0;  // index of the map's first entry
  int mapLength = 0;
  int mapEntryBits = 0;
  int width = 0;
  int height = 0;
  int depth = 0;  // bits per pixel: 8, 15, 16, 24 or 32
  int descriptor = 0;

  bool RunLength() const { return imageType >= kRleIndexed; }
  bool Indexed() const { return imageType == kIndexed || imageType == kRleIndexed; }
  bool Grey() const { return imageType == kGrey || imageType == kRleGrey; }
  bool RightToLeft() const { return (descriptor & 0x10) != 0; }
  bool TopFirst() const { return (descriptor & 0x20) != 0; }
  int BytesPerPixel() const { return (depth + 7) / 8; }
  int MapEntryBytes() const { return (mapEntryBits + 7) / 8; }
  long DataOffset() const {
    return kSize + idLength + (mapType == 1 ? long(mapLength) * MapEntryBytes() : 0);
  }
};

// Reads and checks the header at the start of `file`. Null on success, else
// the message to report.
const char* ReadTgaHeader(std::FILE* file, TgaHeader& header);

// The palette as B, G, R triples: a grey ramp for grey images, the colour map
// (placed from its first-entry index; black elsewhere) for indexed ones. The
// file must stand right after the header. False when the map is cut short.
bool ReadTgaPalette(std::FILE* file, const TgaHeader& header,
                    std::array<unsigned char, 3 * kPaletteEntries>& palette);

// A 15/16-bit pixel's 5-bit fields as B, G, R bytes, each shifted left by 3.
void ExpandTga16(const unsigned char* pixel, unsigned char* bgr);

}  // namespace pixcodec
