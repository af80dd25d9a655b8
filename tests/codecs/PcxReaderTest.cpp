// PCX variants built byte by byte: plane layouts, runs across scan lines, the
// closing palette behind an appended thumbnail, damaged and foreign headers.
#include <gtest/gtest.h>

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/Thumbnail.h"
#include "tests/codecs/CodecTestSupport.h"
#include "tests/codecs/RasterFileBuilders.h"

using namespace codectest;

namespace {

// 8 bits with 256 palette entries (R, G, B) = (i, 255 - i, i / 2).
PcxRecipe IndexedRecipe(int width, int height, const Bytes& indices) {
  PcxRecipe recipe;
  recipe.width = width;
  recipe.height = height;
  recipe.bytesPerLine = width + (width & 1);
  for (int y = 0; y < height; ++y) {
    Bytes line(indices.begin() + y * width, indices.begin() + (y + 1) * width);
    line.resize(recipe.bytesPerLine, 0);
    AppendPcxRuns(line, recipe.data);
  }
  for (int i = 0; i < 256; ++i)
    recipe.endPalette.insert(recipe.endPalette.end(),
                             {static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i),
                              static_cast<unsigned char>(i / 2)});
  return recipe;
}

std::vector<int> Colour(int i) { return {i / 2, 255 - i, i}; }

TEST(PcxReaderTest, PaletteFoundBehindAnAppendedThumbnail) {
  const Bytes indices = {1, 2, 3, 200, 4, 5, 6, 250};
  TempDir dir;
  const std::string path = dir.Path("p.pcx");
  WriteBytes(path, BuildPcx(IndexedRecipe(4, 2, indices)));
  CxImage thumb;
  MakePattern(thumb, 8, 8);
  ASSERT_NE(0, WriteThumbNail(thumb, path.c_str()));
  CxImage image;
  ASSERT_EQ(1, image.Load(path.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ(Colour(1), PixelAt(image, 0, 0));  // top row first
  EXPECT_EQ(Colour(200), PixelAt(image, 3, 0));
  EXPECT_EQ(Colour(250), PixelAt(image, 3, 1));
}

// A run that covers the end of one scan line carries on into the next.
TEST(PcxReaderTest, RunsCrossScanLines) {
  PcxRecipe recipe = IndexedRecipe(4, 2, Bytes(8, 0));
  recipe.data = {0xC8, 7};  // eight 7s: both lines
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildPcx(recipe), image));
  EXPECT_EQ(Colour(7), PixelAt(image, 3, 0));
  EXPECT_EQ(Colour(7), PixelAt(image, 3, 1));
  recipe.data = {0xFF, 9};  // 63 9s: more than the whole image holds
  ASSERT_EQ(1, LoadFileBytes(BuildPcx(recipe), image));
  EXPECT_EQ(Colour(9), PixelAt(image, 2, 1));
}

// A run whose count byte ends one 64 KiB read and whose value starts the next.
TEST(PcxReaderTest, RunSplitBetweenReads) {
  PcxRecipe recipe;
  recipe.width = 1000;
  recipe.height = 70;
  recipe.bytesPerLine = 1000;
  recipe.data.assign(65535, 7);
  recipe.data.insert(recipe.data.end(), {0xC5, 99});
  recipe.data.resize(recipe.data.size() + 70000 - 65540, 7);
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildPcx(recipe), image));
  EXPECT_EQ((std::vector<int>{7, 7, 7}), PixelAt(image, 534, 65));
  EXPECT_EQ((std::vector<int>{99, 99, 99}), PixelAt(image, 535, 65));
  EXPECT_EQ((std::vector<int>{99, 99, 99}), PixelAt(image, 539, 65));
  EXPECT_EQ((std::vector<int>{7, 7, 7}), PixelAt(image, 540, 65));
}

// 8 bits in 4 planes (R, G, B, alpha): colour from the first three planes.
TEST(PcxReaderTest, FourPlanesOfEightBits) {
  PcxRecipe recipe;
  recipe.width = 2;
  recipe.height = 1;
  recipe.planes = 4;
  recipe.bytesPerLine = 2;
  AppendPcxRuns({10, 11, 20, 21, 30, 31, 255, 0}, recipe.data);
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildPcx(recipe), image, 1));
  EXPECT_EQ((std::vector<int>{30, 20, 10}), PixelAt(image, 0, 0));
  EXPECT_EQ((std::vector<int>{31, 21, 11}), PixelAt(image, 1, 0));
  EXPECT_EQ(0, image.FileHasAlpha());
}

TEST(PcxReaderTest, HeaderPaletteForFewColours) {
  PcxRecipe recipe;
  recipe.width = 4;
  recipe.height = 1;
  recipe.bitsPerPixel = 2;
  recipe.bytesPerLine = 2;
  recipe.headerPalette = {0, 0, 0, 10, 20, 30, 40, 50, 60, 70, 80, 90};
  AppendPcxRuns({0x1B, 0x00}, recipe.data);  // 00 01 10 11
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildPcx(recipe), image, 2));
  EXPECT_EQ((std::vector<int>{30, 20, 10, 255}), PixelAt(image, 1, 0));
  EXPECT_EQ((std::vector<int>{90, 80, 70, 255}), PixelAt(image, 3, 0));
}

TEST(PcxReaderTest, TruncatedDataLoadsWithGreyBelow) {
  PcxRecipe recipe = IndexedRecipe(4, 4, Bytes(16, 3));
  recipe.endPalette.clear();
  recipe.data.resize(recipe.data.size() / 2);
  CxImage image;
  std::string warnings;
  ASSERT_EQ(1, LoadFileBytes(BuildPcx(recipe), image, 0, 1, &warnings));
  EXPECT_NE(std::string::npos, warnings.find("Premature end of PCX file")) << warnings;
  EXPECT_EQ((std::vector<int>{3, 3, 3}), PixelAt(image, 0, 0));  // grey ramp without a palette
  EXPECT_EQ((std::vector<int>{128, 128, 128}), PixelAt(image, 0, 3));
}

TEST(PcxReaderTest, ImpossibleLayoutsAreNoPcx) {
  PcxRecipe recipe;
  recipe.width = 4;
  recipe.height = 1;
  recipe.bitsPerPixel = 4;
  recipe.planes = 4;  // 16 bits of index
  recipe.bytesPerLine = 2;
  recipe.data = Bytes(8, 0);
  CxImage image;
  EXPECT_EQ(0, LoadFileBytes(BuildPcx(recipe), image));
  recipe.planes = 1;
  recipe.bytesPerLine = 1;  // too short for four 4-bit pixels
  EXPECT_EQ(0, LoadFileBytes(BuildPcx(recipe), image));

  // A TGA whose image ID is 10 bytes long starts with the PCX byte.
  TgaRecipe tga;
  tga.idLength = 10;
  tga.width = 2;
  tga.height = 1;
  tga.pixels = Bytes(6, 50);
  TempDir dir;
  WriteBytes(dir.Path("t"), BuildTga(tga));
  int width = 0, height = 0;
  EXPECT_EQ(IMG_TYPE_TGA, GetFileType(dir.Path("t").c_str(), width, height, nullptr));
}

}  // namespace
