#include "tests/codecs/RasterFileBuilders.h"

namespace codectest {

namespace {

void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

}  // namespace

Bytes BuildBmp(const BmpRecipe& s) {
  const bool masksInHeader = s.headerSize > 40;
  const std::uint32_t offset = 14 + s.headerSize +
                               (masksInHeader ? 0 : 4 * static_cast<std::uint32_t>(s.masks.size())) +
                               s.palette.size();
  Bytes b{'B', 'M'};
  Put32(b, offset + s.pixels.size());
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, s.headerSize);
  if (s.headerSize == 12) {
    Put16(b, s.width);
    Put16(b, s.height);
    Put16(b, 1);
    Put16(b, s.bits);
  } else {
    Put32(b, s.width);
    Put32(b, static_cast<std::uint32_t>(s.height));
    Put16(b, 1);
    Put16(b, s.bits);
    Put32(b, s.compression);
    Put32(b, s.pixels.size());
    Put32(b, s.pixelsPerMetre);
    Put32(b, s.pixelsPerMetre);
    Put32(b, s.coloursUsed);
    Put32(b, 0);
  }
  for (std::uint32_t mask : s.masks) Put32(b, mask);
  if (masksInHeader) b.resize(14 + s.headerSize, 0);  // colour-space fields left 0
  b.insert(b.end(), s.palette.begin(), s.palette.end());
  b.insert(b.end(), s.pixels.begin(), s.pixels.end());
  return b;
}

Bytes BuildTga(const TgaRecipe& s) {
  Bytes b{static_cast<unsigned char>(s.idLength), static_cast<unsigned char>(s.mapType),
          static_cast<unsigned char>(s.imageType)};
  Put16(b, s.mapFirst);
  Put16(b, s.mapLength);
  b.push_back(static_cast<unsigned char>(s.mapEntryBits));
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, s.width);
  Put16(b, s.height);
  b.push_back(static_cast<unsigned char>(s.depth));
  b.push_back(static_cast<unsigned char>(s.descriptor));
  for (int i = 0; i < s.idLength; ++i) b.push_back(static_cast<unsigned char>('a' + i % 26));
  b.insert(b.end(), s.map.begin(), s.map.end());
  b.insert(b.end(), s.pixels.begin(), s.pixels.end());
  return b;
}

Bytes BuildPcx(const PcxRecipe& s) {
  Bytes b{10, 5, 1, static_cast<unsigned char>(s.bitsPerPixel)};
  Put16(b, 0);
  Put16(b, 0);
  Put16(b, s.width - 1);
  Put16(b, s.height - 1);
  Put16(b, 150);
  Put16(b, 150);
  Bytes palette = s.headerPalette;
  palette.resize(48, 0);
  b.insert(b.end(), palette.begin(), palette.end());
  b.push_back(0);
  b.push_back(static_cast<unsigned char>(s.planes));
  Put16(b, s.bytesPerLine);
  Put16(b, 1);
  b.resize(128, 0);
  b.insert(b.end(), s.data.begin(), s.data.end());
  if (!s.endPalette.empty()) {
    b.push_back(12);
    b.insert(b.end(), s.endPalette.begin(), s.endPalette.end());
  }
  return b;
}

void AppendPcxRuns(const Bytes& line, Bytes& out) {
  for (std::size_t i = 0; i < line.size();) {
    std::size_t run = 1;
    while (i + run < line.size() && run < 63 && line[i + run] == line[i]) ++run;
    if (run > 1 || line[i] >= 0xC0) out.push_back(static_cast<unsigned char>(0xC0 | run));
    out.push_back(line[i]);
    i += run;
  }
}

}  // namespace codectest
