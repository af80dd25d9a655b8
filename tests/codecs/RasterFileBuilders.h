#pragma once

// Byte-exact BMP, PCX and TGA files for the variants no outside tool writes
// (and for the fuzzers' seeds): headers as the formats define them, pixel
// data as given.

#include <cstdint>
#include <vector>

namespace codectest {

using Bytes = std::vector<unsigned char>;

struct BmpRecipe {
  int headerSize = 40;  // 40 (Windows), 12 (OS/2), or 56, 108, 124 (masks inside)
  int width = 0;
  int height = 0;  // negative: top-down
  int bits = 24;
  int compression = 0;
  std::vector<std::uint32_t> masks{};  // R, G, B (and A inside later headers), after a 40-byte header
  Bytes palette{};                     // B, G, R, 0 quads (B, G, R triples for 12-byte headers)
  std::uint32_t coloursUsed = 0;
  std::int32_t pixelsPerMetre = 2835;
  Bytes pixels{};  // rows as stored, padding included
};
Bytes BuildBmp(const BmpRecipe& recipe);

struct TgaRecipe {
  int idLength = 0;
  int mapType = 0;
  int imageType = 2;
  int mapFirst = 0;
  int mapLength = 0;
  int mapEntryBits = 0;
  int width = 0;
  int height = 0;
  int depth = 24;
  int descriptor = 0;
  Bytes map{};     // entries as stored
  Bytes pixels{};  // as stored (raw or packets)
};
Bytes BuildTga(const TgaRecipe& recipe);

struct PcxRecipe {
  int bitsPerPixel = 8;
  int planes = 1;
  int width = 0;
  int height = 0;
  int bytesPerLine = 0;
  Bytes headerPalette{};  // up to 16 R, G, B entries
  Bytes data{};           // run-length coded scan lines
  Bytes endPalette{};     // 256 R, G, B entries after the 12 marker, when given
};
Bytes BuildPcx(const PcxRecipe& recipe);

// Run-length codes `line` the PCX way (runs of up to 63, bytes from 0xC0 escaped).
void AppendPcxRuns(const Bytes& line, Bytes& out);

}  // namespace codectest
