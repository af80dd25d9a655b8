#include "tests/codecs/RasterSeeds.h"

#include <spng.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdlib>

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/bmp/BmpWriter.h"
#include "tests/codecs/CodecTestSupport.h"

namespace codectest {

namespace {

Bytes Written(CxImage& image, bool tiff) {
  TempDir dir;
  const std::string path = dir.Path("seed");
  if (tiff)
    WriteTiffFile(image, path.c_str(), 0, 0, nullptr);
  else
    pixcodec::WriteBmpFile(pixcodec::ViewOf(image), path.c_str(), 96, 96);
  return ReadBytes(path);
}

// An LZW file of `image` (RGB, or its green samples as grey) in strips of
// three rows, with the horizontal predictor.
Bytes WrittenLzw(CxImage& image, bool grey) {
  TempDir dir;
  const std::string path = dir.Path("seed.tif");
  const pixcodec::PixelView view = pixcodec::ViewOf(image);
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  if (tiff == nullptr) return {};
  const int samples = grey ? 1 : 3;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, view.width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, view.height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 3);
  Bytes row(std::size_t(view.width) * samples);
  for (int y = 0; y < view.height; ++y) {
    const unsigned char* src = view.TopRow(y);
    for (int x = 0; x < view.width; ++x, src += view.channels)
      for (int c = 0; c < samples; ++c) row[std::size_t(x) * samples + c] = src[grey ? 1 : 2 - c];
    TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0);
  }
  TIFFClose(tiff);
  return ReadBytes(path);
}

Bytes Quads(int entries) {
  Bytes palette;
  for (int i = 0; i < entries; ++i)
    palette.insert(palette.end(), {static_cast<unsigned char>(i * 5), static_cast<unsigned char>(255 - i),
                                   static_cast<unsigned char>(i * 3), 0});
  return palette;
}

// Pixel bytes 0, 7, 14, ... for files whose rows are read straight into the image.
Bytes Ramp(std::size_t count) {
  Bytes pixels(count);
  for (std::size_t i = 0; i < count; ++i) pixels[i] = static_cast<unsigned char>(i * 7);
  return pixels;
}

// A PNG of rows as PNG packs them (no filter bytes; the encoder interlaces
// when asked), with an optional palette and tRNS.
Bytes BuildPng(int width, int height, int depth, int colourType, bool interlaced, const Bytes& rows,
               const Bytes& palette = {}, const Bytes& trns = {}) {
  spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr ihdr{std::uint32_t(width),
                 std::uint32_t(height),
                 std::uint8_t(depth),
                 std::uint8_t(colourType),
                 0,
                 0,
                 std::uint8_t(interlaced ? 1 : 0)};
  spng_set_ihdr(ctx, &ihdr);
  if (!palette.empty()) {
    spng_plte plte{};
    plte.n_entries = std::uint32_t(palette.size() / 3);
    for (std::uint32_t i = 0; i < plte.n_entries; ++i)
      plte.entries[i] = {palette[3 * i], palette[3 * i + 1], palette[3 * i + 2], 255};
    spng_set_plte(ctx, &plte);
  }
  if (!trns.empty()) {
    spng_trns t{};
    t.n_type3_entries = std::uint32_t(trns.size());
    std::copy(trns.begin(), trns.end(), t.type3_alpha);
    t.gray = trns[0];
    spng_set_trns(ctx, &t);
  }
  int error = spng_encode_image(ctx, rows.data(), rows.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
  std::size_t size = 0;
  unsigned char* png =
      error == 0 ? static_cast<unsigned char*>(spng_get_png_buffer(ctx, &size, &error)) : nullptr;
  Bytes bytes(png, png + (png != nullptr ? size : 0));
  std::free(png);
  spng_ctx_free(ctx);
  return bytes;
}

Bytes WrittenPng(CxImage& image) {
  TempDir dir;
  const std::string path = dir.Path("seed.png");
  image.Save(path.c_str(), IMG_TYPE_PNG, 1, 0, nullptr, 0);
  return ReadBytes(path);
}

std::vector<RasterSeed> PngSeeds() {
  CxImage rgb, rgba;
  MakePattern(rgb, 17, 9);
  MakePattern(rgba, 7, 5, true);
  const Bytes grey16 = Ramp(5 * 3 * 2);  // 16-bit grey, 5 x 3, given whole (the encoder interlaces)
  return {{WrittenPng(rgb), IMG_TYPE_PNG},
          {WrittenPng(rgba), IMG_TYPE_PNG},
          {BuildPng(6, 2, 4, 3, false, {0x01, 0x23, 0x40, 0x12, 0x34, 0x01},
                    {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9, 200, 100, 50}, {0, 128, 255}),
           IMG_TYPE_PNG},
          {BuildPng(3, 2, 8, 4, false, {10, 200, 20, 255, 30, 128, 40, 50, 60, 70, 80, 90}), IMG_TYPE_PNG},
          {BuildPng(5, 2, 2, 0, false, {0x1B, 0x80, 0xE4, 0x40}), IMG_TYPE_PNG},
          {BuildPng(5, 3, 16, 0, true, grey16), IMG_TYPE_PNG}};
}

std::vector<RasterSeed> BmpSeeds() {
  CxImage image, unpadded;
  MakePattern(image, 21, 13);
  MakePattern(unpadded, 8, 5);
  BmpRecipe rle8{.width = 8, .height = 3, .bits = 8, .compression = 1};
  rle8.palette = Quads(256);
  rle8.pixels = {4, 7, 0, 3, 1, 2, 3, 0, 0, 0, 2, 9, 0, 2, 1, 1, 3, 5, 0, 0, 0, 1};
  BmpRecipe rle4{.width = 6, .height = 2, .bits = 4, .compression = 2};
  rle4.palette = Quads(16);
  rle4.pixels = {3, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 16, 0x67, 0, 0, 0, 1};
  BmpRecipe masks{.width = 3, .height = 2, .bits = 16, .compression = 3};
  masks.masks = {0xF800, 0x07E0, 0x001F};
  masks.pixels = {0xFF, 0xFF, 0xE0, 0x07, 0x1F, 0x00, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0};
  BmpRecipe mono{.headerSize = 12, .width = 9, .height = 2, .bits = 1};
  mono.palette = {0, 0, 0, 255, 255, 255};
  mono.pixels = {0xA5, 0x80, 0, 0, 0x5A, 0x00, 0, 0};
  BmpRecipe bgra{.width = 3, .height = 4, .bits = 32};
  bgra.pixels = Ramp(3 * 4 * 4);
  BmpRecipe v5{.headerSize = 124, .width = 3, .height = 2, .bits = 16, .compression = 3};
  v5.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
  v5.pixels = Ramp(2 * 8);
  return {{Written(image, false), IMG_TYPE_BMP}, {Written(unpadded, false), IMG_TYPE_BMP},
          {BuildBmp(bgra), IMG_TYPE_BMP},        {BuildBmp(rle8), IMG_TYPE_BMP},
          {BuildBmp(rle4), IMG_TYPE_BMP},        {BuildBmp(masks), IMG_TYPE_BMP},
          {BuildBmp(mono), IMG_TYPE_BMP},        {BuildBmp(v5), IMG_TYPE_BMP}};
}

std::vector<RasterSeed> PcxSeeds() {
  PcxRecipe indexed{.width = 5, .height = 3, .bytesPerLine = 6};
  for (int y = 0; y < 3; ++y)
    AppendPcxRuns({1, 1, 1, static_cast<unsigned char>(200 + y), 7, 0}, indexed.data);
  for (int i = 0; i < 256; ++i)
    indexed.endPalette.insert(indexed.endPalette.end(), {static_cast<unsigned char>(i), 9, 200});
  PcxRecipe rgb{.planes = 3, .width = 4, .height = 2, .bytesPerLine = 4};
  for (int y = 0; y < 2; ++y) AppendPcxRuns({1, 2, 3, 4, 50, 50, 50, 50, 0xC5, 0xC6, 9, 9}, rgb.data);
  PcxRecipe planes{.bitsPerPixel = 1, .planes = 4, .width = 10, .height = 2, .bytesPerLine = 2};
  planes.headerPalette = Bytes(48, 77);
  for (int y = 0; y < 2; ++y) AppendPcxRuns({0xF0, 0x80, 0x0F, 0x40, 0xAA, 0xC0, 0x55, 0x00}, planes.data);
  return {{BuildPcx(indexed), IMG_TYPE_PCX}, {BuildPcx(rgb), IMG_TYPE_PCX}, {BuildPcx(planes), IMG_TYPE_PCX}};
}

std::vector<RasterSeed> TgaSeeds() {
  TgaRecipe rle{.imageType = 10, .width = 5, .height = 3, .depth = 32, .descriptor = 0x28};
  rle.pixels = {0x84, 1, 2, 3, 4, 0x02, 9, 9, 9, 9, 8, 8, 8, 8, 7, 7, 7, 7, 0x85, 5, 6, 7, 8};
  TgaRecipe mapped{.idLength = 4,
                   .mapType = 1,
                   .imageType = 9,
                   .mapFirst = 2,
                   .mapLength = 3,
                   .mapEntryBits = 16,
                   .width = 4,
                   .height = 2,
                   .depth = 8,
                   .descriptor = 0x10};
  mapped.map = {0xFF, 0x7F, 0x1F, 0x00, 0xE0, 0x03};
  mapped.pixels = {0x83, 2, 0x03, 3, 4, 2, 9};
  TgaRecipe grey{.imageType = 3, .width = 3, .height = 2, .depth = 8};
  grey.pixels = {0, 100, 200, 50, 150, 250};
  TgaRecipe raw{.width = 4, .height = 3};
  raw.pixels = Ramp(4 * 3 * 3);
  TgaRecipe bgra{.width = 3, .height = 2, .depth = 32, .descriptor = 0x08};
  bgra.pixels = Ramp(3 * 2 * 4);
  return {{BuildTga(rle), IMG_TYPE_TGA},
          {BuildTga(mapped), IMG_TYPE_TGA},
          {BuildTga(grey), IMG_TYPE_TGA},
          {BuildTga(raw), IMG_TYPE_TGA},
          {BuildTga(bgra), IMG_TYPE_TGA}};
}

std::vector<RasterSeed> TiffSeeds() {
  CxImage rgb, rgba;
  MakePattern(rgb, 17, 9);
  MakePattern(rgba, 7, 5, true);
  return {{Written(rgb, true), IMG_TYPE_TIFF},
          {Written(rgba, true), IMG_TYPE_TIFF},
          {WrittenLzw(rgb, false), IMG_TYPE_TIFF},
          {WrittenLzw(rgb, true), IMG_TYPE_TIFF}};
}

}  // namespace

std::vector<RasterSeed> RasterSeeds() {
  std::vector<RasterSeed> seeds;
  for (auto&& group : {BmpSeeds(), PcxSeeds(), TgaSeeds(), TiffSeeds(), PngSeeds()})
    seeds.insert(seeds.end(), group.begin(), group.end());
  return seeds;
}

}  // namespace codectest
