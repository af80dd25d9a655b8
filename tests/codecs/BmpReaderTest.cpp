// BMP variants built byte by byte: the run-length codes, bit fields, top-down
// rows, short palettes, resolution, reduction and damaged files.
#include <gtest/gtest.h>

#include "pixlib/codecs/FileType.h"
#include "tests/codecs/CodecTestSupport.h"
#include "tests/codecs/RasterFileBuilders.h"

using namespace codectest;

namespace {

// 16 palette quads; entry i is (B, G, R) = (i, 2i, 3i), entry 0 is (9, 9, 9).
Bytes RampPalette(int entries) {
  Bytes palette;
  for (int i = 0; i < entries; ++i) {
    const int v = i == 0 ? 3 : i;
    palette.insert(palette.end(), {static_cast<unsigned char>(i == 0 ? 9 : v),
                                   static_cast<unsigned char>(i == 0 ? 9 : 2 * v),
                                   static_cast<unsigned char>(i == 0 ? 9 : 3 * v), 0});
  }
  return palette;
}

std::vector<int> Entry(int i) {
  return i == 0 ? std::vector<int>{9, 9, 9} : std::vector<int>{i, 2 * i, 3 * i};
}

// Runs clipped at the row end, a literal of an odd byte count followed by its
// word pad, end of line and end of bitmap.
TEST(BmpReaderTest, Rle4RunsAndLiteralsStayInsideTheRow) {
  BmpRecipe recipe;
  recipe.width = 6;
  recipe.height = 2;
  recipe.bits = 4;
  recipe.compression = 2;
  recipe.palette = RampPalette(16);
  recipe.pixels = {0x03, 0x12, 0x00, 0x05, 0x34, 0x56, 0x70, 0x00, 0x00, 0x00,  // bottom row
                   0x10, 0x67, 0x00, 0x00, 0x00, 0x01};                         // top row
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image));
  const int bottom[] = {1, 2, 1, 3, 4, 5}, top[] = {6, 7, 6, 7, 6, 7};
  for (int x = 0; x < 6; ++x) {
    EXPECT_EQ(Entry(bottom[x]), PixelAt(image, x, 1)) << x;
    EXPECT_EQ(Entry(top[x]), PixelAt(image, x, 0)) << x;
  }
}

// A delta moves on without drawing; after the end-of-bitmap code the rows
// stay black as created, without a warning.
TEST(BmpReaderTest, Rle8DeltaAndEndOfBitmap) {
  BmpRecipe recipe;
  recipe.width = 4;
  recipe.height = 4;
  recipe.bits = 8;
  recipe.compression = 1;
  recipe.palette = RampPalette(16);
  recipe.pixels = {0x02, 0x05, 0x00, 0x02, 0x01, 0x01,  // row 0: two 5s, then right 1 and up 1
                   0x01, 0x07, 0x00, 0x00,              // row 1 from x = 3
                   0x00, 0x01};                         // end of bitmap in row 2
  CxImage image;
  std::string warnings;
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image, 0, 1, &warnings));
  EXPECT_EQ("", warnings);
  EXPECT_EQ(Entry(5), PixelAt(image, 1, 3));
  EXPECT_EQ(Entry(0), PixelAt(image, 2, 3));
  EXPECT_EQ(Entry(0), PixelAt(image, 2, 2));
  EXPECT_EQ(Entry(7), PixelAt(image, 3, 2));
  for (int x = 0; x < 4; ++x) EXPECT_EQ((std::vector<int>{0, 0, 0}), PixelAt(image, x, 0));
}

TEST(BmpReaderTest, SixteenBitPixelsThroughTheirMasks) {
  BmpRecipe recipe;
  recipe.width = 2;
  recipe.height = 1;
  recipe.bits = 16;
  recipe.pixels = {0xFF, 0x7F, 0x1F, 0x00};  // 5-5-5 without masks: white, blue
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image));
  EXPECT_EQ((std::vector<int>{248, 248, 248}), PixelAt(image, 0, 0));
  EXPECT_EQ((std::vector<int>{248, 0, 0}), PixelAt(image, 1, 0));

  recipe.compression = 3;
  recipe.masks = {0xF800, 0x07E0, 0x001F};  // 5-6-5
  recipe.pixels = {0xFF, 0xFF, 0xE0, 0x07};
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image));
  EXPECT_EQ((std::vector<int>{248, 252, 248}), PixelAt(image, 0, 0));
  EXPECT_EQ((std::vector<int>{0, 252, 0}), PixelAt(image, 1, 0));

  // Compression 3 with the masks left out (the pixels follow the header): 5-5-5.
  recipe.masks.clear();
  recipe.pixels = {0xFF, 0x7F, 0x00, 0x7C};
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image));
  EXPECT_EQ((std::vector<int>{248, 248, 248}), PixelAt(image, 0, 0));
  EXPECT_EQ((std::vector<int>{0, 0, 248}), PixelAt(image, 1, 0));
}

TEST(BmpReaderTest, ThirtyTwoBitMasksAreHonouredAndBadOnesRefused) {
  BmpRecipe recipe;
  recipe.width = 1;
  recipe.height = 1;
  recipe.bits = 32;
  recipe.compression = 3;
  recipe.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};  // R, G, B in the low bytes
  recipe.pixels = {10, 20, 30, 40};
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image, 1));
  EXPECT_EQ((std::vector<int>{30, 20, 10, 255}), PixelAt(image, 0, 0));

  recipe.masks = {0, 0x0000FF00, 0x00FF0000};  // no red field: red reads 0
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image));
  EXPECT_EQ((std::vector<int>{30, 20, 0}), PixelAt(image, 0, 0));

  recipe.masks = {0x00FF00FF, 0x0000FF00, 0xFF000000};  // red split in two
  std::string warnings;
  EXPECT_EQ(0, LoadFileBytes(BuildBmp(recipe), image, 0, 1, &warnings));
  EXPECT_NE(std::string::npos, warnings.find("Error reading DWORD")) << warnings;
}

// Headers of 56, 108 and 124 bytes carry R, G, B, A masks inside; they apply
// with compression 3 only. A zero alpha mask means opaque pixels.
TEST(BmpReaderTest, LaterHeadersCarryTheirMasksAndAlpha) {
  for (const int headerSize : {56, 108, 124}) {
    SCOPED_TRACE(headerSize);
    BmpRecipe recipe;
    recipe.headerSize = headerSize;
    recipe.width = 1;
    recipe.height = 1;
    recipe.bits = 32;
    recipe.compression = 3;
    recipe.masks = {0x000000FF, 0x0000FF00, 0xFF000000, 0x00FF0000};  // R, G, B, A
    recipe.pixels = {10, 20, 30, 40};
    CxImage image;
    ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image, 1));
    EXPECT_EQ((std::vector<int>{40, 20, 10, 30}), PixelAt(image, 0, 0));
    EXPECT_EQ(1, image.FileHasAlpha());

    recipe.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};  // X8R8G8B8: no alpha
    ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image, 1));
    EXPECT_EQ((std::vector<int>{10, 20, 30}), PixelAt(image, 0, 0));
    EXPECT_EQ(0, image.FileHasAlpha());

    recipe.bits = 16;  // A1R5G5B5
    recipe.masks = {0x7C00, 0x03E0, 0x001F, 0x8000};
    recipe.pixels = {0x1F, 0x80, 0xE0, 0x03};  // opaque blue, then transparent green
    recipe.width = 2;
    ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image, 1));
    EXPECT_EQ((std::vector<int>{248, 0, 0, 255}), PixelAt(image, 0, 0));
    EXPECT_EQ((std::vector<int>{0, 248, 0, 0}), PixelAt(image, 1, 0));

    recipe.compression = 0;  // without compression 3 the masks are not used: 5-5-5
    ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image, 1));
    EXPECT_EQ((std::vector<int>{248, 0, 0}), PixelAt(image, 0, 0));
  }
  BmpRecipe recipe;
  recipe.headerSize = 64;  // any other size is still no BMP
  recipe.width = 1;
  recipe.height = 1;
  recipe.pixels = {0, 0, 0, 0};
  CxImage image;
  EXPECT_EQ(0, LoadFileBytes(BuildBmp(recipe), image));
}

// Plain 32-bit pixels carry alpha in their fourth byte; the channel mode decides.
TEST(BmpReaderTest, ChannelModes) {
  BmpRecipe recipe;
  recipe.width = 1;
  recipe.height = 1;
  recipe.bits = 32;
  recipe.pixels = {1, 2, 3, 4};
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image, 0));
  EXPECT_EQ((std::vector<int>{1, 2, 3}), PixelAt(image, 0, 0));
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image, 1));
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), PixelAt(image, 0, 0));
  EXPECT_EQ(1, image.FileHasAlpha());
  recipe.bits = 24;
  recipe.pixels = {1, 2, 3, 0};
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image, 1));
  EXPECT_EQ((std::vector<int>{1, 2, 3}), PixelAt(image, 0, 0));
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image, 2));
  EXPECT_EQ((std::vector<int>{1, 2, 3, 255}), PixelAt(image, 0, 0));
}

TEST(BmpReaderTest, TopDownRowsAndShortPalettes) {
  BmpRecipe recipe;
  recipe.width = 2;
  recipe.height = -2;
  recipe.pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image));
  EXPECT_EQ(2, image.Height());
  EXPECT_EQ((std::vector<int>{1, 2, 3}), PixelAt(image, 0, 0));
  EXPECT_EQ((std::vector<int>{10, 11, 12}), PixelAt(image, 1, 1));

  recipe.bits = 8;
  recipe.compression = 1;  // run-length rows cannot run top-down
  EXPECT_EQ(0, LoadFileBytes(BuildBmp(recipe), image));

  // Two palette entries for an 8-bit file: used as written; index 2 is black.
  recipe = BmpRecipe{};
  recipe.width = 3;
  recipe.height = 1;
  recipe.bits = 8;
  recipe.coloursUsed = 2;
  recipe.palette = {10, 20, 30, 0, 40, 50, 60, 0};
  recipe.pixels = {1, 0, 2, 0};
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image));
  EXPECT_EQ((std::vector<int>{40, 50, 60}), PixelAt(image, 0, 0));
  EXPECT_EQ((std::vector<int>{10, 20, 30}), PixelAt(image, 1, 0));
  EXPECT_EQ((std::vector<int>{0, 0, 0}), PixelAt(image, 2, 0));
}

TEST(BmpReaderTest, ResolutionInDotsPerInch) {
  const std::pair<int, int> cases[] = {{2835, 72}, {3780, 96}, {11811, 300}, {0, 72}};
  for (const auto& [perMetre, dpi] : cases) {
    BmpRecipe recipe;
    recipe.width = 1;
    recipe.height = 1;
    recipe.pixelsPerMetre = perMetre;
    recipe.pixels = {0, 0, 0, 0};
    CxImage image;
    ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image));
    EXPECT_EQ(dpi, image.Resolution().cx) << perMetre;
  }
}

TEST(BmpReaderTest, ReductionDividesAndKeepsAtLeastOnePixel) {
  BmpRecipe recipe;
  recipe.width = 101;
  recipe.height = 51;
  recipe.pixels.assign(std::size_t(304) * 51, 0);
  const std::pair<int, std::pair<int, int>> cases[] = {{2, {50, 25}}, {4, {25, 12}}, {8, {12, 6}}};
  for (const auto& [reduction, size] : cases) {
    CxImage image;
    ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image, 0, reduction));
    EXPECT_EQ(size.first, image.Width());
    EXPECT_EQ(size.second, image.Height());
  }
  recipe.width = 3;
  recipe.height = 1;
  recipe.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image, 0, 8));
  EXPECT_EQ((std::vector<int>{1, 2, 3}), PixelAt(image, 0, 0));
  EXPECT_EQ(1, image.Width());
}

// Missing pixel data: the rows read, grey where the data is missing (a row
// cut short included), a warning; the same whether the rows are read straight
// into the image (bottom-up, as it stores them) or row by row (top-down).
TEST(BmpReaderTest, TruncatedDataLoadsWithGreyAndAWarning) {
  for (const int width : {4, 5}) {
    for (const bool topDown : {false, true}) {
      SCOPED_TRACE(std::to_string(width) + (topDown ? " top-down" : " bottom-up"));
      const int rowBytes = (width * 3 + 3) / 4 * 4;
      BmpRecipe recipe;
      recipe.width = width;
      recipe.height = topDown ? -4 : 4;
      recipe.pixels.assign(rowBytes * 2 + 6, 77);  // two rows and two pixels of the third
      CxImage image;
      std::string warnings;
      ASSERT_EQ(1, LoadFileBytes(BuildBmp(recipe), image, 0, 1, &warnings));
      EXPECT_NE(std::string::npos, warnings.find("Premature end of BMP file")) << warnings;
      const int firstRead = topDown ? 0 : 2;  // top row of the two read
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < width; ++x) {
          const int expected = y == firstRead || y == firstRead + 1 ? 77 : 128;
          ASSERT_EQ((std::vector<int>{expected, expected, expected}), PixelAt(image, x, y)) << x << "," << y;
        }
    }
  }
}

TEST(BmpReaderTest, HeadersThatAreNoBmpAreRefused) {
  BmpRecipe recipe;
  recipe.width = 1;
  recipe.height = 1;
  recipe.pixels = {0, 0, 0, 0};
  TempDir dir;
  const std::string path = dir.Path("x.bmp");
  int width = 0, height = 0;
  Bytes bytes = BuildBmp(recipe);
  WriteBytes(path, bytes);
  EXPECT_EQ(IMG_TYPE_BMP, GetFileType(path.c_str(), width, height, nullptr));
  bytes[1] = 'X';  // no "BM"
  WriteBytes(path, bytes);
  EXPECT_EQ(IMG_TYPE_UNKNOWN, GetFileType(path.c_str(), width, height, nullptr));

  CxImage image;
  recipe.headerSize = 12;
  recipe.bits = 7;
  EXPECT_EQ(0, LoadFileBytes(BuildBmp(recipe), image));
  recipe = BmpRecipe{};
  recipe.width = 0x7FFFFFFF;  // would need gigabytes
  recipe.height = 1;
  std::string warnings;
  EXPECT_EQ(0, LoadFileBytes(BuildBmp(recipe), image, 0, 1, &warnings));
  EXPECT_NE(std::string::npos, warnings.find("too large")) << warnings;
  recipe.width = 1;
  recipe.height = INT32_MIN;
  EXPECT_EQ(0, LoadFileBytes(BuildBmp(recipe), image));
}

}  // namespace
