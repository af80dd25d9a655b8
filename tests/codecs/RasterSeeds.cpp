#include "tests/codecs/RasterSeeds.h"

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

Bytes Quads(int entries) {
  Bytes palette;
  for (int i = 0; i < entries; ++i)
    palette.insert(palette.end(), {static_cast<unsigned char>(i * 5), static_cast<unsigned char>(255 - i),
                                   static_cast<unsigned char>(i * 3), 0});
  return palette;
}

std::vector<RasterSeed> BmpSeeds() {
  CxImage image;
  MakePattern(image, 21, 13);
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
  return {{Written(image, false), IMG_TYPE_BMP}, {BuildBmp(rle8), IMG_TYPE_BMP},
          {BuildBmp(rle4), IMG_TYPE_BMP},        {BuildBmp(masks), IMG_TYPE_BMP},
          {BuildBmp(mono), IMG_TYPE_BMP}};
}

std::vector<RasterSeed> PcxSeeds() {
  PcxRecipe indexed{.width = 5, .height = 3, .bytesPerLine = 6};
  for (int y = 0; y < 3; ++y) AppendPcxRuns({1, 1, 1, static_cast<unsigned char>(200 + y), 7, 0}, indexed.data);
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
  TgaRecipe mapped{.idLength = 4, .mapType = 1, .imageType = 9, .mapFirst = 2, .mapLength = 3,
                 .mapEntryBits = 16, .width = 4, .height = 2, .depth = 8, .descriptor = 0x10};
  mapped.map = {0xFF, 0x7F, 0x1F, 0x00, 0xE0, 0x03};
  mapped.pixels = {0x83, 2, 0x03, 3, 4, 2, 9};
  TgaRecipe grey{.imageType = 3, .width = 3, .height = 2, .depth = 8};
  grey.pixels = {0, 100, 200, 50, 150, 250};
  return {{BuildTga(rle), IMG_TYPE_TGA}, {BuildTga(mapped), IMG_TYPE_TGA}, {BuildTga(grey), IMG_TYPE_TGA}};
}

std::vector<RasterSeed> TiffSeeds() {
  CxImage rgb, rgba;
  MakePattern(rgb, 17, 9);
  MakePattern(rgba, 7, 5, true);
  return {{Written(rgb, true), IMG_TYPE_TIFF}, {Written(rgba, true), IMG_TYPE_TIFF}};
}

}  // namespace

std::vector<RasterSeed> RasterSeeds() {
  std::vector<RasterSeed> seeds;
  for (auto&& group : {BmpSeeds(), PcxSeeds(), TgaSeeds(), TiffSeeds()})
    seeds.insert(seeds.end(), group.begin(), group.end());
  return seeds;
}

}  // namespace codectest
