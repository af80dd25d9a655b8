#pragma once

#include <vector>

#include "tests/codecs/RasterFileBuilders.h"

namespace codectest {

// A small valid file of one of the raster formats and its type code.
struct RasterSeed {
  Bytes bytes;
  int type = -1;
};

// Small BMP (24-bit, RLE8, RLE4, 16-bit masks, 1-bit, a 124-byte header with
// an alpha mask), PCX (8-bit palette, 24-bit, 4 planes), TGA (RLE true colour,
// colour-mapped, right-to-left), TIFF (RGB, RGBA, LZW RGB and grey) and PNG
// (RGB, RGBA, 4-bit palette with tRNS, grey with alpha, 2-bit grey, interlaced
// 16-bit grey) files: the seeds of the mutation tests and the fuzzers.
std::vector<RasterSeed> RasterSeeds();

}  // namespace codectest
