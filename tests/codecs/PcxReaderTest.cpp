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
PcxSpec IndexedSpec(int width, int height, const Bytes& indices) {
  PcxSpec spec;
  spec.width = width;
  spec.height = height;
  spec.bytesPerLine = width + (width & 1);
  for (int y = 0; y < height; ++y) {
    Bytes line(indices.begin() + y * width, indices.begin() + (y + 1) * width);
    line.resize(spec.bytesPerLine, 0);
    AppendPcxRuns(line, spec.data);
  }
  for (int i = 0; i < 256; ++i)
    spec.endPalette.insert(spec.endPalette.end(), {static_cast<unsigned char>(i),
                                                   static_cast<unsigned char>(255 - i),
                                                   static_cast<unsigned char>(i / 2)});
  return spec;
}

std::vector<int> Colour(int i) { return {i / 2, 255 - i, i}; }

TEST(PcxReaderTest, PaletteFoundBehindAnAppendedThumbnail) {
  const Bytes indices = {1, 2, 3, 200, 4, 5, 6, 250};
  TempDir dir;
  const std::string path = dir.Path("p.pcx");
  WriteBytes(path, BuildPcx(IndexedSpec(4, 2, indices)));
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
  PcxSpec spec = IndexedSpec(4, 2, Bytes(8, 0));
  spec.data = {0xC8, 7};  // eight 7s: both lines
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildPcx(spec), image));
  EXPECT_EQ(Colour(7), PixelAt(image, 3, 0));
  EXPECT_EQ(Colour(7), PixelAt(image, 3, 1));
  spec.data = {0xFF, 9};  // 63 9s: more than the whole image holds
  ASSERT_EQ(1, LoadFileBytes(BuildPcx(spec), image));
  EXPECT_EQ(Colour(9), PixelAt(image, 2, 1));
}

// A run whose count byte ends one 64 KiB read and whose value starts the next.
TEST(PcxReaderTest, RunSplitBetweenReads) {
  PcxSpec spec;
  spec.width = 1000;
  spec.height = 70;
  spec.bytesPerLine = 1000;
  spec.data.assign(65535, 7);
  spec.data.insert(spec.data.end(), {0xC5, 99});
  spec.data.resize(spec.data.size() + 70000 - 65540, 7);
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildPcx(spec), image));
  EXPECT_EQ((std::vector<int>{7, 7, 7}), PixelAt(image, 534, 65));
  EXPECT_EQ((std::vector<int>{99, 99, 99}), PixelAt(image, 535, 65));
  EXPECT_EQ((std::vector<int>{99, 99, 99}), PixelAt(image, 539, 65));
  EXPECT_EQ((std::vector<int>{7, 7, 7}), PixelAt(image, 540, 65));
}

// 8 bits in 4 planes (R, G, B, alpha): colour from the first three planes.
TEST(PcxReaderTest, FourPlanesOfEightBits) {
  PcxSpec spec;
  spec.width = 2;
  spec.height = 1;
  spec.planes = 4;
  spec.bytesPerLine = 2;
  AppendPcxRuns({10, 11, 20, 21, 30, 31, 255, 0}, spec.data);
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildPcx(spec), image, 1));
  EXPECT_EQ((std::vector<int>{30, 20, 10}), PixelAt(image, 0, 0));
  EXPECT_EQ((std::vector<int>{31, 21, 11}), PixelAt(image, 1, 0));
  EXPECT_EQ(0, image.FileHasAlpha());
}

TEST(PcxReaderTest, HeaderPaletteForFewColours) {
  PcxSpec spec;
  spec.width = 4;
  spec.height = 1;
  spec.bitsPerPixel = 2;
  spec.bytesPerLine = 2;
  spec.headerPalette = {0, 0, 0, 10, 20, 30, 40, 50, 60, 70, 80, 90};
  AppendPcxRuns({0x1B, 0x00}, spec.data);  // 00 01 10 11
  CxImage image;
  ASSERT_EQ(1, LoadFileBytes(BuildPcx(spec), image, 2));
  EXPECT_EQ((std::vector<int>{30, 20, 10, 255}), PixelAt(image, 1, 0));
  EXPECT_EQ((std::vector<int>{90, 80, 70, 255}), PixelAt(image, 3, 0));
}

TEST(PcxReaderTest, TruncatedDataLoadsWithGreyBelow) {
  PcxSpec spec = IndexedSpec(4, 4, Bytes(16, 3));
  spec.endPalette.clear();
  spec.data.resize(spec.data.size() / 2);
  CxImage image;
  std::string warnings;
  ASSERT_EQ(1, LoadFileBytes(BuildPcx(spec), image, 0, 1, &warnings));
  EXPECT_NE(std::string::npos, warnings.find("Premature end of PCX file")) << warnings;
  EXPECT_EQ((std::vector<int>{3, 3, 3}), PixelAt(image, 0, 0));  // grey ramp without a palette
  EXPECT_EQ((std::vector<int>{128, 128, 128}), PixelAt(image, 0, 3));
}

TEST(PcxReaderTest, ImpossibleLayoutsAreNoPcx) {
  PcxSpec spec;
  spec.width = 4;
  spec.height = 1;
  spec.bitsPerPixel = 4;
  spec.planes = 4;  // 16 bits of index
  spec.bytesPerLine = 2;
  spec.data = Bytes(8, 0);
  CxImage image;
  EXPECT_EQ(0, LoadFileBytes(BuildPcx(spec), image));
  spec.planes = 1;
  spec.bytesPerLine = 1;  // too short for four 4-bit pixels
  EXPECT_EQ(0, LoadFileBytes(BuildPcx(spec), image));

  // A TGA whose image ID is 10 bytes long starts with the PCX byte.
  TgaSpec tga;
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
