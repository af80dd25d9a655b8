#include "pixlib/codecs/tga/TgaHeader.h"

#include <vector>

#include "pixlib/codecs/LittleEndian.h"

namespace pixcodec {

namespace {

bool ValidLayout(const TgaHeader& h) {
  if (h.mapType != 0 && h.mapType != 1) return false;
  if (h.mapType == 1 && h.mapEntryBits != 15 && h.mapEntryBits != 16 && h.mapEntryBits != 24 &&
      h.mapEntryBits != 32)
    return false;
  if (h.width <= 0 || h.height <= 0) return false;
  switch (h.imageType) {
    case TgaHeader::kIndexed:
    case TgaHeader::kRleIndexed:
      return h.depth == 8 && h.mapType == 1;
    case TgaHeader::kGrey:
    case TgaHeader::kRleGrey:
      return h.depth == 8;
    case TgaHeader::kTrueColour:
    case TgaHeader::kRleTrueColour:
      return h.depth == 15 || h.depth == 16 || h.depth == 24 || h.depth == 32;
    default:
      return false;
  }
}

}  // namespace

void ExpandTga16(const unsigned char* pixel, unsigned char* bgr) {
  const int v = Le16(pixel);
  bgr[0] = static_cast<unsigned char>((v & 0x1F) << 3);
  bgr[1] = static_cast<unsigned char>(((v >> 5) & 0x1F) << 3);
  bgr[2] = static_cast<unsigned char>(((v >> 10) & 0x1F) << 3);
}

const char* ReadTgaHeader(std::FILE* file, TgaHeader& h) {
  h = TgaHeader{};
  unsigned char b[TgaHeader::kSize];
  if (std::fread(b, 1, sizeof b, file) != sizeof b) return "Error reading TGA header";
  h.idLength = b[0];
  h.mapType = b[1];
  h.imageType = b[2];
  h.mapFirst = Le16(b + 3);
  h.mapLength = Le16(b + 5);
  h.mapEntryBits = b[7];
  h.width = Le16(b + 12);
  h.height = Le16(b + 14);
  h.depth = b[16];
  h.descriptor = b[17];
  return ValidLayout(h) ? nullptr : "File is not a TGA file";
}

bool ReadTgaPalette(std::FILE* file, const TgaHeader& h,
                    std::array<unsigned char, 3 * kPaletteEntries>& palette) {
  palette.fill(0);
  if (h.Grey() || (h.Indexed() && h.mapLength == 0)) {
    for (int i = 0; i < kPaletteEntries; ++i)
      palette[3 * i] = palette[3 * i + 1] = palette[3 * i + 2] = static_cast<unsigned char>(i);
    return true;
  }
  if (!h.Indexed()) return true;
  const int entryBytes = h.MapEntryBytes();
  std::vector<unsigned char> map(std::size_t(h.mapLength) * entryBytes);
  if (std::fseek(file, TgaHeader::kSize + h.idLength, SEEK_SET) != 0 ||
      std::fread(map.data(), 1, map.size(), file) != map.size())
    return false;
  for (int i = 0; i < h.mapLength && h.mapFirst + i < kPaletteEntries; ++i) {
    const unsigned char* entry = &map[std::size_t(i) * entryBytes];
    unsigned char* dst = &palette[3 * (h.mapFirst + i)];
    if (entryBytes == 2)
      ExpandTga16(entry, dst);
    else
      dst[0] = entry[0], dst[1] = entry[1], dst[2] = entry[2];
  }
  return true;
}

}  // namespace pixcodec
