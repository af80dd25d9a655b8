#include "pixlib/codecs/pcx/PcxHeader.h"

#include <algorithm>

#include "pixlib/codecs/LittleEndian.h"

namespace pixcodec {

namespace {

constexpr int kPaletteMarker = 12;
constexpr long kEndPaletteBytes = 1 + 3 * kPaletteEntries;

bool ValidLayout(const PcxHeader& h) {
  const int bits = h.bitsPerPixel;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8) return false;
  if (h.planes < 1 || h.planes > 4) return false;
  if (bits == 8 ? h.planes == 2 : bits * h.planes > 8) return false;
  return h.bytesPerLine >= (static_cast<long long>(h.width) * bits + 7) / 8;
}

// R, G, B entries into B, G, R triples.
void StoreRgb(const unsigned char* rgb, int entries, unsigned char* palette) {
  for (int i = 0; i < entries; ++i) {
    palette[3 * i] = rgb[3 * i + 2];
    palette[3 * i + 1] = rgb[3 * i + 1];
    palette[3 * i + 2] = rgb[3 * i];
  }
}

bool ReadEndPalette(std::FILE* file, long imageEnd, unsigned char* palette) {
  unsigned char bytes[kEndPaletteBytes];
  if (imageEnd < PcxHeader::kSize + kEndPaletteBytes ||
      std::fseek(file, imageEnd - kEndPaletteBytes, SEEK_SET) != 0 ||
      std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes || bytes[0] != kPaletteMarker)
    return false;
  StoreRgb(bytes + 1, kPaletteEntries, palette);
  return true;
}

}  // namespace

const char* ReadPcxHeader(std::FILE* file, PcxHeader& h) {
  h = PcxHeader{};
  unsigned char b[PcxHeader::kSize];
  if (std::fread(b, 1, sizeof b, file) != sizeof b) return "Error reading PCX header";
  if (b[0] != PcxHeader::kManufacturer || b[2] != 1) return "File is not a PCX file";
  h.version = b[1];
  h.bitsPerPixel = b[3];
  const int xmin = Le16(b + 4), ymin = Le16(b + 6), xmax = Le16(b + 8), ymax = Le16(b + 10);
  if (xmax < xmin || ymax < ymin) return "File is not a PCX file";
  h.width = xmax - xmin + 1;
  h.height = ymax - ymin + 1;
  h.dpiX = Le16(b + 12);
  h.dpiY = Le16(b + 14);
  std::copy_n(b + 16, h.headerPalette.size(), h.headerPalette.begin());
  h.planes = b[65];
  h.bytesPerLine = Le16(b + 66);
  if (!ValidLayout(h)) return "File is not a PCX file";
  return nullptr;
}

void ReadPcxPalette(std::FILE* file, const PcxHeader& h, long imageEnd,
                    std::array<unsigned char, 3 * kPaletteEntries>& palette) {
  palette.fill(0);
  const int indexBits = h.bitsPerPixel * h.planes;
  if (indexBits == 1) {
    palette[3] = palette[4] = palette[5] = 255;
    return;
  }
  if (indexBits > 4 && ReadEndPalette(file, imageEnd, palette.data())) return;
  if (h.bitsPerPixel == 8) {
    for (int i = 0; i < kPaletteEntries; ++i)
      palette[3 * i] = palette[3 * i + 1] = palette[3 * i + 2] = static_cast<unsigned char>(i);
    return;
  }
  StoreRgb(h.headerPalette.data(), 16, palette.data());
}

}  // namespace pixcodec
