// PNG written by the library opens in ImageMagick as the source; PNG and BMP
// files written by GIMP load as ImageMagick reads them; damaged and cut files;
// detection by content whatever the name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/joy/Crc32.h"
#include "tests/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

class PngCodecTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ToolPresent("/usr/bin/convert")) GTEST_SKIP() << "imagemagick not installed";
  }
  // ImageMagick's reading of `path` as 8-bit samples: colour or alpha.
  Pnm Theirs(const std::string& path, const char* what) {
    const std::string out = dir.Path("theirs.pnm");
    EXPECT_TRUE(RunCommand("/usr/bin/convert " + path + " " + what + " -depth 8 " + out));
    Pnm pnm;
    EXPECT_TRUE(ReadPnm(out, pnm));
    return pnm;
  }
  TempDir dir;
};

TEST_F(PngCodecTest, WrittenFilesOpenInImageMagickAsTheSource) {
  CxImage rgba, rgb;
  MakePattern(rgba, 61, 37, true);
  const pixcodec::PixelView view = pixcodec::ViewOf(rgba);
  for (int y = 0; y < view.height; ++y)
    for (int x = 0; x < view.width; ++x) view.TopRow(y)[4 * x + 3] = static_cast<unsigned char>(x * 4 + y);
  rgba.Resolution(CSize{300, 150});
  const std::string path = dir.Path("out.png");
  ASSERT_EQ(1, rgba.Save(path.c_str(), IMG_TYPE_PNG, 1, 0, nullptr, 0));
  EXPECT_EQ(0, DifferenceFromPnm(rgba, Theirs(path, "-alpha off")));
  const Pnm alpha = Theirs(path, "-alpha extract");
  int worst = 0;
  for (int y = 0; y < view.height; ++y)
    for (int x = 0; x < view.width; ++x)
      worst = std::max(worst, std::abs(view.TopRow(y)[4 * x + 3] - alpha.pixels[y * alpha.width + x]));
  EXPECT_EQ(0, worst);

  CxImage back;
  ASSERT_EQ(1, back.Load(path.c_str(), 1, 1, 0, 0, nullptr));
  EXPECT_EQ(0, MaxDifference(rgba, back));
  EXPECT_EQ(300, back.Resolution().cx);
  EXPECT_EQ(150, back.Resolution().cy);

  // Without keep-alpha the alpha is left out; an image without alpha has none.
  ASSERT_EQ(1, rgba.Save(path.c_str(), IMG_TYPE_PNG, 0, 0, nullptr, 0));
  ASSERT_EQ(1, back.Load(path.c_str(), 1, 1, 0, 0, nullptr));
  EXPECT_EQ(3, back.SamplesPerPixel());
  MakePattern(rgb, 5, 3);
  ASSERT_EQ(1, rgb.Save(path.c_str(), IMG_TYPE_PNG, 1, 0, nullptr, 0));
  EXPECT_EQ(0, DifferenceFromPnm(rgb, Theirs(path, "")));
}

// Files committed under data/gimp (see its README): every colour type GIMP
// writes, the 16-bit PNG and the BMP headers of 124 and 56 bytes with masks.
// Colours and alpha equal ImageMagick's reading; a file without alpha loads
// opaque. ImageMagick stretches the 5- and 6-bit fields of a 16-bit BMP to
// the full range where the library shifts them (white reads 248, 252, 248):
// they differ by at most 7 there.
TEST_F(PngCodecTest, FilesWrittenByGimpLoadAsImageMagickReadsThem) {
  const struct {
    const char* name;
    int type;
    int colourTolerance;
  } files[] = {{"gimp-rgb.png", IMG_TYPE_PNG, 0},      {"gimp-rgba.png", IMG_TYPE_PNG, 0},
               {"gimp-grey.png", IMG_TYPE_PNG, 0},     {"gimp-indexed-alpha.png", IMG_TYPE_PNG, 0},
               {"gimp-rgba16.png", IMG_TYPE_PNG, 0},   {"gimp-24.bmp", IMG_TYPE_BMP, 0},
               {"gimp-32-alpha.bmp", IMG_TYPE_BMP, 0}, {"gimp-565.bmp", IMG_TYPE_BMP, 7}};
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    const std::string path = std::string(CODEC_TEST_DATA "/gimp/") + file.name;
    int width = 0, height = 0;
    EXPECT_EQ(file.type, GetFileType(path.c_str(), width, height, nullptr));
    CxImage ours;
    ASSERT_EQ(1, ours.Load(path.c_str(), 1, 1, 0, 0, nullptr));
    EXPECT_GE(file.colourTolerance, DifferenceFromPnm(ours, Theirs(path, "-alpha off")));
    const Pnm alpha = Theirs(path, "-alpha extract");
    ASSERT_EQ(width * height, static_cast<int>(alpha.pixels.size()));
    int worst = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const int a = ours.SamplesPerPixel() == 4 ? SampleAt(ours, x, y, 3) : 255;
        worst = std::max(worst, std::abs(a - alpha.pixels[y * width + x]));
      }
    EXPECT_EQ(0, worst);
  }
}

// Found by content: a PNG named .jpg loads, a JPEG named .png is no PNG.
TEST_F(PngCodecTest, DetectedByContent) {
  CxImage image;
  MakePattern(image, 9, 7);
  const std::string png = dir.Path("really-png.jpg"), jpeg = dir.Path("really-jpeg.png");
  ASSERT_EQ(1, image.Save(png.c_str(), IMG_TYPE_PNG, 0, 0, nullptr, 0));
  ASSERT_EQ(1, image.Save(jpeg.c_str(), IMG_TYPE_JPEG, 0, 90, nullptr, 0));
  int width = 0, height = 0;
  EXPECT_EQ(IMG_TYPE_PNG, GetFileType(png.c_str(), width, height, nullptr));
  EXPECT_EQ(9, width);
  EXPECT_EQ(7, height);
  EXPECT_EQ(IMG_TYPE_JPEG, GetFileType(jpeg.c_str(), width, height, nullptr));
  CxImage back;
  ASSERT_EQ(1, back.Load(png.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ(0, MaxDifference(image, back));
}

// Pixel data cut short: the rows read, grey below, a warning (all grey when
// the cut falls in the first data chunk). A damaged header is refused with
// the reader's reason.
TEST_F(PngCodecTest, CutAndDamagedFiles) {
  const std::string path = dir.Path("x.png");
  ASSERT_TRUE(RunCommand(
      "/usr/bin/convert -size 200x150 gradient:red-blue -seed 3 -attenuate 0.3 +noise Uniform " + path));
  std::vector<unsigned char> bytes = ReadBytes(path);
  bytes.resize(bytes.size() / 2);
  CxImage cut;
  std::string warnings;
  ASSERT_EQ(1, LoadFileBytes(bytes, cut, 0, 1, &warnings));
  EXPECT_NE(std::string::npos, warnings.find("Premature end of PNG file")) << warnings;
  EXPECT_EQ((std::vector<int>{128, 128, 128}), PixelAt(cut, 0, 149));
  EXPECT_NE((std::vector<int>{128, 128, 128}), PixelAt(cut, 0, 0));
  bytes.resize(200);  // inside the first data chunk
  ASSERT_EQ(1, LoadFileBytes(bytes, cut, 0, 1, &warnings));
  EXPECT_NE(std::string::npos, warnings.find("Premature end of PNG file")) << warnings;

  bytes = ReadBytes(path);
  bytes[20] ^= 0xFF;  // the header's width, so its checksum fails
  EXPECT_EQ(0, LoadFileBytes(bytes, cut, 0, 1, &warnings));
  EXPECT_NE(std::string::npos, warnings.find("Error reading PNG file")) << warnings;

  // A checksummed header 201 million pixels wide: refused before a row of
  // 1.6 GB is allocated.
  bytes = ReadBytes(path);
  bytes[16] = 0x0C;
  const std::uint32_t crc = pixcodec::Crc32(&bytes[12], 17);
  for (int i = 0; i < 4; ++i) bytes[29 + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
  EXPECT_EQ(0, LoadFileBytes(bytes, cut, 0, 1, &warnings));
  EXPECT_NE(std::string::npos, warnings.find("PNG image too large")) << warnings;
}

}  // namespace
