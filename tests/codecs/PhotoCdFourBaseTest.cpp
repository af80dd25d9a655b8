// The 1536 x 1024 image of a Photo CD pack: Base doubled plus Huffman-coded
// luminance corrections, written here by a small encoder and checked
// against ImageMagick's decode of the same pack.
#include <gtest/gtest.h>

#include <filesystem>

#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/photocd/FourBaseCorrections.h"
#include "tests/codecs/CodecTestSupport.h"
#include "tests/codecs/PhotoCdCorrections.h"

using namespace codectest;

namespace {


class PhotoCdFourBaseTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string pack = dir.Path("four.pcd");

  // A pack of ImageMagick's (Base and smaller) with the corrections after it.
  std::vector<unsigned char> WritePack(const std::vector<Code>& codes, std::size_t padding) {
    const std::string base = dir.Path("base.pcd");
    if (!std::filesystem::exists(base)) {
      EXPECT_TRUE(RunCommand(std::string(kConvert) +
                             " -size 768x512 gradient:white-black -fill red"
                             " -draw 'rectangle 20,20 300,200' PCD:" +
                             base));
    }
    std::vector<unsigned char> bytes = ReadBytes(base);
    bytes.resize(388 * kSector, 0);
    const std::vector<unsigned char> corrections = FourBaseSectors(codes, 3);
    bytes.insert(bytes.end(), corrections.begin(), corrections.end());
    bytes.resize(bytes.size() + padding, 0);
    WriteBytes(pack, bytes);
    return bytes;
  }

  bool Decode(pixcodec::photocd::YccImage& ycc) {
    pixcodec::StdioFile file = pixcodec::OpenFile(pack.c_str(), "rb");
    pixcodec::photocd::PackReader reader(file.get());
    return pixcodec::photocd::ReadFourBaseImage(reader, ycc);
  }
};

TEST_F(PhotoCdFourBaseTest, CorrectionsMatchImageMagicksDecode) {
  if (!ToolPresent(kConvert)) GTEST_SKIP() << "ImageMagick (package imagemagick) is not installed";
  // ImageMagick reads ahead of the corrections: it gets padding.
  WritePack(kCodes, 3000 * kSector);
  ASSERT_TRUE(RunCommand(std::string(kConvert) + " -size 1536x1024 " + pack + " -set colorspace sRGB " +
                         dir.Path("raw.ppm")));
  ASSERT_TRUE(RunCommand(std::string(kConvert) + " -size 1536x1024 " + pack + " " + dir.Path("rgb.ppm")));
  Pnm raw, rgb;
  ASSERT_TRUE(ReadPnm(dir.Path("raw.ppm"), raw));
  ASSERT_TRUE(ReadPnm(dir.Path("rgb.ppm"), rgb));
  ASSERT_EQ(1536, raw.width);

  pixcodec::photocd::YccImage ycc;
  ASSERT_TRUE(Decode(ycc));
  int worstY = 0, worstC = 0, clamped = 0;
  for (std::size_t i = 0; i < ycc.y.size(); ++i) {
    worstY = std::max(worstY, std::abs(ycc.y[i] - raw.pixels[3 * i]));
    worstC = std::max(
        {worstC, std::abs(ycc.c1[i] - raw.pixels[3 * i + 1]), std::abs(ycc.c2[i] - raw.pixels[3 * i + 2])});
    clamped += ycc.y[i] == 255 || ycc.y[i] == 0;
  }
  EXPECT_LE(worstY, 1);
  EXPECT_LE(worstC, 1);
  EXPECT_GT(clamped, 1000);  // corrections of 40 on white and black clamp

  CxImage image;
  ASSERT_EQ(1, image.Load(pack.c_str(), 0, 1, 0, 0, nullptr));
  ASSERT_EQ(1536, image.Width());
  int worst = 0;
  for (int row = 0; row < 1024; row += 3)
    for (int x = 0; x < 1536; x += 5)
      for (int c = 0; c < 3; ++c)
        worst = std::max(worst, std::abs(SampleAt(image, x, row, c) -
                                         rgb.pixels[(std::size_t(row) * 1536 + x) * 3 + 2 - c]));
  EXPECT_LE(worst, 2);
}

TEST_F(PhotoCdFourBaseTest, BrokenTablesAndSequencesEndTheLoad) {
  if (!ToolPresent(kConvert)) GTEST_SKIP() << "ImageMagick (package imagemagick) is not installed";
  testing::internal::CaptureStderr();
  pixcodec::photocd::YccImage ycc;
  // Two codes claiming the same bits.
  WritePack({{1, 0b0, 0}, {2, 0b01, 5}, {2, 0b10, 3}}, 0);
  EXPECT_FALSE(Decode(ycc));
  // The data uses codes the table no longer holds.
  std::vector<unsigned char> bytes = WritePack(kCodes, 0);
  bytes[388 * kSector] = 1;  // only the first two codes are left
  WriteBytes(pack, bytes);
  EXPECT_FALSE(Decode(ycc));
  // Cut inside the corrections: the load ends without a crash.
  WritePack(kCodes, 0);
  bytes = ReadBytes(pack);
  for (std::size_t cut : {389 * kSector, 389 * kSector + 5000, bytes.size() - 100}) {
    WriteBytes(pack, std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
    CxImage image;
    EXPECT_EQ(0, image.Load(pack.c_str(), 0, 1, 0, 0, nullptr)) << cut;
  }
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, errors.find("Error in Huffman-Code-Table\n"));
  EXPECT_NE(std::string::npos, errors.find("Error in Huffman-Sequence, try option -rep\n"));
  EXPECT_NE(std::string::npos, errors.find("Error while reading.\n"));
}

}  // namespace
