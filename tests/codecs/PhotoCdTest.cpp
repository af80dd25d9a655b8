// Photo CD packs written by ImageMagick and by hand: sizes, orientation,
// PhotoYCC samples and colours against ImageMagick's decode, damaged packs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/photocd/PhotoCdPack.h"
#include "tests/codecs/CodecTestSupport.h"
#include "tests/codecs/PhotoCdCorrections.h"

using namespace codectest;
using pixcodec::photocd::YccImage;

namespace {

// A pack of `sectors` sectors with the header and, from the sectors of the
// three stored resolutions on, records of luminance `y(x, row)` and the
// given chroma.
std::vector<unsigned char> HandMadePack(long sectors, int (*y)(int, int), int c1, int c2) {
  std::vector<unsigned char> pack(std::size_t(sectors * kSector), 0xFF);
  std::memcpy(&pack[kSector], "PCD_IPI", 7);
  const struct {
    long sector;
    int width, height;
  } stored[] = {{4, 192, 128}, {23, 384, 256}, {96, 768, 512}};
  for (const auto& s : stored) {
    std::size_t at = std::size_t(s.sector * kSector);
    for (int pair = 0; pair < s.height / 2; ++pair) {
      for (int row = 2 * pair; row < 2 * pair + 2; ++row)
        for (int x = 0; x < s.width; ++x)
          pack.at(at++) = static_cast<unsigned char>(y(x * 192 / s.width, row * 128 / s.height));
      for (int x = 0; x < s.width; ++x) pack.at(at++) = static_cast<unsigned char>(x < s.width / 2 ? c1 : c2);
    }
  }
  return pack;
}

class PhotoCdTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string pack = dir.Path("picture.pcd");

  // An asymmetric picture: a white box at the top left, a green disc at the
  // bottom right, over a left-to-right and top-to-bottom ramp.
  void WriteImageMagickPack() {
    if (!ToolPresent(kConvert)) GTEST_SKIP() << "ImageMagick (package imagemagick) is not installed";
    const std::string command = std::string(kConvert) +
                                " -size 768x512 gradient:red-blue -fill white -draw 'rectangle 10,10 200,100'"
                                " -fill green -draw 'circle 600,400 650,450' PCD:" +
                                pack;
    ASSERT_TRUE(RunCommand(command));
  }

  // ImageMagick's decode of subimage `index` (-1: its default, the largest
  // stored): colours, or the raw samples.
  Pnm Decoded(int index, bool raw) {
    const std::string out = dir.Path("decoded.ppm");
    const std::string subimage = index < 0 ? "" : "[" + std::to_string(index) + "]";
    const std::string command =
        std::string(kConvert) + " '" + pack + subimage + "'" + (raw ? " -set colorspace sRGB " : " ") + out;
    Pnm pnm;
    EXPECT_TRUE(RunCommand(command));
    EXPECT_TRUE(ReadPnm(out, pnm));
    return pnm;
  }
};

struct Level {
  int reduction;
  int subimage;  // ImageMagick's index of the same resolution
  int width;
  int height;
};
constexpr Level kLevels[] = {{2, -1, 768, 512}, {4, 2, 384, 256}, {8, 1, 192, 128}};

TEST_F(PhotoCdTest, ImageMagickPacksMatchItsDecode) {
  WriteImageMagickPack();
  int width = 0, height = 0;
  EXPECT_EQ(IMG_TYPE_PHOTOCD, GetFileType(pack.c_str(), width, height, nullptr));
  EXPECT_EQ(1536, width);
  EXPECT_EQ(1024, height);
  for (const Level& level : kLevels) {
    SCOPED_TRACE(level.reduction);
    CxImage image;
    ASSERT_EQ(1, image.Load(pack.c_str(), 0, level.reduction, 0, 0, nullptr));
    ASSERT_EQ(level.width, image.Width());
    ASSERT_EQ(level.height, image.Height());
    // Colours within one level of ImageMagick's, the picture the same way up.
    const Pnm colours = Decoded(level.subimage, false);
    ASSERT_EQ(level.width, colours.width);
    int worst = 0;
    for (int row = 0; row < level.height; ++row)
      for (int x = 0; x < level.width; ++x)
        for (int c = 0; c < 3; ++c)
          worst = std::max(worst, std::abs(SampleAt(image, x, row, c) -
                                           colours.pixels[(std::size_t(row) * level.width + x) * 3 + 2 - c]));
    EXPECT_LE(worst, 1);
    const int s = level.width / 192;
    EXPECT_GT(SampleAt(image, 20 * s, 12 * s, 1), 240);  // the white box, top left
    EXPECT_LT(SampleAt(image, 20 * s, 118 * s, 1), 40);  // blue, bottom left

    // Samples: luminance exact, interpolated chroma within one level.
    const Pnm samples = Decoded(level.subimage, true);
    pixcodec::StdioFile file = pixcodec::OpenFile(pack.c_str(), "rb");
    pixcodec::photocd::PackReader reader(file.get());
    YccImage ycc;
    ASSERT_TRUE(pixcodec::photocd::ReadBaseImage(reader, level.reduction, ycc));
    int worstY = 0, worstC = 0;
    for (std::size_t i = 0; i < ycc.y.size(); ++i) {
      worstY = std::max(worstY, std::abs(ycc.y[i] - samples.pixels[3 * i]));
      worstC = std::max({worstC, std::abs(ycc.c1[i] - samples.pixels[3 * i + 1]),
                         std::abs(ycc.c2[i] - samples.pixels[3 * i + 2])});
    }
    EXPECT_EQ(0, worstY);
    EXPECT_LE(worstC, 1);
  }
}

int Ramp(int x, int row) { return (x + row) * 255 / (191 + 127); }

// Neutral chroma gives grey at every luminance, brighter with luminance;
// mode 2 adds an opaque alpha; reductions above 8 read as 8.
TEST_F(PhotoCdTest, NeutralChromaIsGreyAndModesAndReductions) {
  WriteBytes(pack, HandMadePack(385, Ramp, 156, 137));
  CxImage image;
  ASSERT_EQ(1, image.Load(pack.c_str(), 2, 16, 0, 0, nullptr));
  ASSERT_EQ(192, image.Width());
  ASSERT_EQ(4, image.SamplesPerPixel());
  EXPECT_EQ(0, image.FileHasAlpha());
  int previous = -1;
  for (int x = 0; x < 192; ++x) {
    const int b = SampleAt(image, x, 127, 0);
    EXPECT_NEAR(b, SampleAt(image, x, 127, 1), 1) << x;
    EXPECT_NEAR(b, SampleAt(image, x, 127, 2), 1) << x;
    EXPECT_EQ(255, SampleAt(image, x, 127, 3));
    EXPECT_GE(b, previous) << x;
    previous = b;
  }
  EXPECT_EQ(0, SampleAt(image, 0, 0, 0));
  EXPECT_EQ(255, SampleAt(image, 191, 127, 1));
  ASSERT_EQ(1, image.LoadWithPreferredSize(pack.c_str(), 1, 400, 0, 0, nullptr));
  EXPECT_EQ(384, image.Width());
  EXPECT_EQ(256, image.Height());
  EXPECT_EQ(3, image.SamplesPerPixel());
}

// Cut at every sector: each resolution loads when its records are all there
// and is refused otherwise; nothing crashes.
TEST_F(PhotoCdTest, TruncatedPacksLoadWhatIsThereOrRefuse) {
  const std::vector<unsigned char> whole = HandMadePack(385, Ramp, 100, 200);
  testing::internal::CaptureStderr();
  for (long sectors = 0; sectors <= 385; ++sectors) {
    WriteBytes(pack, std::vector<unsigned char>(whole.begin(), whole.begin() + sectors * kSector));
    for (const Level& level : kLevels) {
      const long last = level.reduction == 8 ? 22 : level.reduction == 4 ? 95 : 384;
      CxImage image;
      ASSERT_EQ(sectors >= last ? 1 : 0, image.Load(pack.c_str(), 1, level.reduction, 0, 0, nullptr))
          << sectors << " " << level.reduction;
    }
  }
  CxImage image;
  EXPECT_EQ(0, image.Load(pack.c_str(), 1, 1, 0, 0, nullptr));  // no 1536 x 1024 data in this pack
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, errors.find("Error while reading.\n"));
}

}  // namespace
