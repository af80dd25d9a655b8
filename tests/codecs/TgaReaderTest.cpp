// TGA variants built byte by byte: origins, colour maps, packets across rows,
// 15/16-bit pixels, damaged files and headers that are no TGA.
#include <gtest/gtest.h>

#include <cstring>

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImageView.h"
#include "tests/codecs/CodecTestSupport.h"
#include "tests/codecs/RasterFileBuilders.h"

using namespace codectest;

namespace {

// 3 x 2 true colour pixels, B = 10 * row + x, stored in the given row order.
TgaRecipe TrueColour(bool topFirst, bool rightToLeft) {
  TgaRecipe recipe;
  recipe.width = 3;
  recipe.height = 2;
  recipe.descriptor = (topFirst ? 0x20 : 0) | (rightToLeft ? 0x10 : 0);
  for (int stored = 0; stored < 2; ++stored) {
    const int row = topFirst ? stored : 1 - stored;
    for (int i = 0; i < 3; ++i) {
      const int x = rightToLeft ? 2 - i : i;
      recipe.pixels.insert(recipe.pixels.end(), {static_cast<unsigned char>(10 * row + x), 1, 2});
    }
  }
  return recipe;
}

// The worked example: a top-left file and a bottom-left one of the same
// picture end up the same in memory; right-to-left rows are turned round.
TEST(TgaReaderTest, EveryOriginGivesTheSamePicture) {
  CxImage reference;
  ASSERT_EQ(1, LoadFileBytes(BuildTga(TrueColour(false, false)), reference));
  EXPECT_EQ(12, SampleAt(reference, 2, 1, 0));
  for (const auto& [top, right] : {std::pair{true, false}, {false, true}, {true, true}}) {
    CxImage image;
    ASSERT_EQ(1, LoadFileBytes(BuildTga(TrueColour(top, right)), image));
    EXPECT_EQ(0, MaxDifference(reference, image)) << top << right;
    const pixcodec::PixelView a = pixcodec::ViewOf(reference), b = pixcodec::ViewOf(image);
    EXPECT_EQ(0, std::memcmp(a.data, b.data, std::size_t(a.step) * a.height));
  }
}

// Map entries start at the first-entry index; indices outside the map are black.
TEST(TgaReaderTest, ColourMapFromItsFirstIndex) {
  TgaRecipe recipe;
  recipe.mapType = 1;
  recipe.imageType = 1;
  recipe.mapFirst = 10;
  recipe.mapLength = 2;
  recipe.mapEntryBits = 24;
  recipe.map = {1, 2, 3, 4, 5, 6};
  recipe.width = 3;
  recipe.height = 1;
  recipe.depth = 8;
  recipe.pixels = {10, 11, 12};
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildTga(recipe), image));
  EXPECT_EQ((std::vector<int>{1, 2, 3}), PixelAt(image, 0, 0));
  EXPECT_EQ((std::vector<int>{4, 5, 6}), PixelAt(image, 1, 0));
  EXPECT_EQ((std::vector<int>{0, 0, 0}), PixelAt(image, 2, 0));

  recipe.mapEntryBits = 15;  // 5-bit fields, shifted to the top of each byte
  recipe.map = {0xFF, 0x7F, 0x1F, 0x00};
  ASSERT_EQ(1, LoadFileBytes(BuildTga(recipe), image));
  EXPECT_EQ((std::vector<int>{248, 248, 248}), PixelAt(image, 0, 0));
  EXPECT_EQ((std::vector<int>{248, 0, 0}), PixelAt(image, 1, 0));
}

// A true-colour file that carries a map anyway: the map is skipped.
TEST(TgaReaderTest, MapOfATrueColourFileIsSkipped) {
  TgaRecipe recipe = TrueColour(true, false);
  recipe.mapType = 1;
  recipe.mapLength = 3;
  recipe.mapEntryBits = 32;
  recipe.map = Bytes(12, 0xEE);
  CxImage image, plain;
  ASSERT_EQ(1, LoadFileBytes(BuildTga(recipe), image));
  ASSERT_EQ(1, LoadFileBytes(BuildTga(TrueColour(true, false)), plain));
  EXPECT_EQ(0, MaxDifference(plain, image));
}

// Packets may cross rows; 16-bit pixels expand by shifting; 32 bits keep alpha.
TEST(TgaReaderTest, RunLengthPacketsAndPixelDepths) {
  TgaRecipe recipe;
  recipe.imageType = 10;
  recipe.width = 2;
  recipe.height = 2;
  recipe.depth = 16;
  recipe.descriptor = 0x20;
  recipe.pixels = {0x82, 0xFF, 0x7F,   // three white pixels: row 0 and the start of row 1
                   0x00, 0x00, 0x7C};  // one red literal
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildTga(recipe), image));
  EXPECT_EQ((std::vector<int>{248, 248, 248}), PixelAt(image, 0, 1));
  EXPECT_EQ((std::vector<int>{0, 0, 248}), PixelAt(image, 1, 1));

  recipe.depth = 32;
  recipe.pixels = {0x83, 1, 2, 3, 4};
  ASSERT_EQ(1, LoadFileBytes(BuildTga(recipe), image, 1));
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), PixelAt(image, 1, 1));
  EXPECT_EQ(1, image.FileHasAlpha());
}

TEST(TgaReaderTest, TruncatedPacketsLoadWithGrey) {
  TgaRecipe recipe;
  recipe.imageType = 11;
  recipe.width = 4;
  recipe.height = 4;
  recipe.depth = 8;
  recipe.descriptor = 0x20;
  recipe.pixels = {0x87, 60};  // two rows of 60, then nothing
  CxImage image;
  std::string warnings;
  ASSERT_EQ(1, LoadFileBytes(BuildTga(recipe), image, 0, 1, &warnings));
  EXPECT_NE(std::string::npos, warnings.find("Premature end of TGA file")) << warnings;
  EXPECT_EQ((std::vector<int>{60, 60, 60}), PixelAt(image, 3, 1));
  EXPECT_EQ((std::vector<int>{128, 128, 128}), PixelAt(image, 0, 2));
}

// Raw rows cut short in the middle of a row, read straight into the image
// (bottom origin) or row by row (top origin, or right to left).
TEST(TgaReaderTest, TruncatedRawRowsLoadWithGrey) {
  for (const int descriptor : {0x00, 0x20, 0x10}) {
    SCOPED_TRACE(descriptor);
    TgaRecipe recipe;
    recipe.width = 4;
    recipe.height = 4;
    recipe.descriptor = descriptor;
    for (int i = 0; i < 12 + 2; ++i)  // three rows and two pixels of the fourth
      recipe.pixels.insert(recipe.pixels.end(), {static_cast<unsigned char>(i), 50, 60});
    CxImage image;
    std::string warnings;
    ASSERT_EQ(1, LoadFileBytes(BuildTga(recipe), image, 0, 1, &warnings));
    EXPECT_NE(std::string::npos, warnings.find("Premature end of TGA file")) << warnings;
    const bool topFirst = descriptor == 0x20;
    for (int fileRow = 0; fileRow < 4; ++fileRow)
      for (int x = 0; x < 4; ++x) {
        const int y = topFirst ? fileRow : 3 - fileRow;
        const int i = 4 * fileRow + (descriptor == 0x10 ? 3 - x : x);
        const std::vector<int> expected =
            fileRow < 3 ? std::vector<int>{i, 50, 60} : std::vector<int>{128, 128, 128};
        ASSERT_EQ(expected, PixelAt(image, x, y)) << x << "," << y;
      }
  }
}

TEST(TgaReaderTest, HeadersThatAreNoTga) {
  TgaRecipe good = TrueColour(false, false);
  CxImage image;
  int width = 0, height = 0;
  TempDir dir;
  const std::string path = dir.Path("t");
  const auto type = [&](const TgaRecipe& recipe) {
    WriteBytes(path, BuildTga(recipe));
    return GetFileType(path.c_str(), width, height, nullptr);
  };
  EXPECT_EQ(IMG_TYPE_TGA, type(good));
  for (int imageType : {0, 4, 32, 33}) {
    TgaRecipe bad = good;
    bad.imageType = imageType;
    EXPECT_EQ(IMG_TYPE_UNKNOWN, type(bad)) << imageType;
  }
  TgaRecipe bad = good;
  bad.depth = 7;
  EXPECT_EQ(IMG_TYPE_UNKNOWN, type(bad));
  bad = good;
  bad.mapType = 2;
  EXPECT_EQ(IMG_TYPE_UNKNOWN, type(bad));
  bad = good;
  bad.width = 0;
  EXPECT_EQ(IMG_TYPE_UNKNOWN, type(bad));
  bad = good;
  bad.imageType = 3;  // grey needs 8 bits
  EXPECT_EQ(IMG_TYPE_UNKNOWN, type(bad));
}

}  // namespace
