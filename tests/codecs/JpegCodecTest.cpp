// JPEG reading and writing through the image object.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/jpeg/IjgJpegReader.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/jpeg/JfifDensity.h"
#include "tests/codecs/CodecTestSupport.h"

using namespace codectest;

namespace {

class JpegCodecTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::string Saved(CxImage& image, const char* name, int keepAlpha, int preferSystem) {
    const std::string path = dir.Path(name);
    EXPECT_NE(0, image.Save(path.c_str(), IMG_TYPE_JPEG, keepAlpha, 95, nullptr, preferSystem));
    return path;
  }
};

// Cut files load with grey below the cut and a warning, as the IJG reader
// reports them; a file cut inside its header is refused with the reader's
// own message, newline included.
TEST_F(JpegCodecTest, CutFilesLoadWithAWarning) {
  if (!ToolPresent("/usr/bin/convert")) GTEST_SKIP() << "imagemagick not installed";
  CxImage source;
  MakePattern(source, 64, 48);
  WritePpm(dir.Path("in.ppm"), source);
  ASSERT_TRUE(RunCommand("/usr/bin/convert " + dir.Path("in.ppm") + " -interlace JPEG " + dir.Path("p.jpg")));
  const std::vector<unsigned char> progressive = ReadBytes(dir.Path("p.jpg"));
  const std::vector<unsigned char> scan = {0xFF, 0xDA};
  const auto first = std::search(progressive.begin(), progressive.end(), scan.begin(), scan.end());
  const auto second = std::search(first + 2, progressive.end(), scan.begin(), scan.end());
  ASSERT_NE(progressive.end(), second);
  CxImage image;
  std::string warnings;
  ASSERT_EQ(1, LoadFileBytes({progressive.begin(), second}, image, 0, 1, &warnings));
  EXPECT_NE(std::string::npos, warnings.find("Corrupt JPEG data: Premature end of JPEG file\n")) << warnings;

  std::vector<unsigned char> baseline = ReadBytes(Saved(source, "b.jpg", 0, 1));
  const auto data = std::search(baseline.begin(), baseline.end(), scan.begin(), scan.end());
  baseline.resize(std::size_t(data - baseline.begin()) + std::size_t(baseline.end() - data) / 2);
  ASSERT_EQ(1, LoadFileBytes(baseline, image, 0, 1, &warnings));
  EXPECT_NE(std::string::npos, warnings.find("Premature end of JPEG file")) << warnings;
  EXPECT_EQ((std::vector<int>{128, 128, 128}), PixelAt(image, 63, 47));

  baseline.resize(std::size_t(first - progressive.begin()) / 2);
  EXPECT_EQ(0, LoadFileBytes(baseline, image, 0, 1, &warnings));
  EXPECT_EQ("\n\nimg_warning : Error reading the file\n", warnings);
}

TEST_F(JpegCodecTest, ChannelModesOfAThreeComponentFile) {
  CxImage source;
  MakePattern(source, 97, 61);
  for (int preferSystem : {0, 1}) {
    const std::string path = Saved(source, "rgb.jpg", 0, preferSystem);
    for (int mode : {0, 1, 2}) {
      SCOPED_TRACE(testing::Message() << "system " << preferSystem << " mode " << mode);
      CxImage loaded;
      ASSERT_EQ(1, loaded.Load(path.c_str(), mode, 1, 0, 0, nullptr));
      EXPECT_EQ(mode == 2 ? 4 : 3, loaded.SamplesPerPixel());
      EXPECT_EQ(0, loaded.FileHasAlpha());
      ASSERT_EQ(97, loaded.Width());
      ASSERT_EQ(61, loaded.Height());
      // Mode 2 keeps B, G, R in place and adds an opaque alpha.
      for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(SampleAt(source, 40, 30, c), SampleAt(loaded, 40, 30, c), 6) << c;
      if (mode == 2) {
        EXPECT_EQ(255, SampleAt(loaded, 7, 9, 3));
      }
    }
  }
}

TEST_F(JpegCodecTest, GreyImagesAreWrittenAsOneComponent) {
  CxImage grey;
  ASSERT_NE(0, grey.Create(33, 17, "GRAY", "GRAY", 1, 0, IPL_ORIGIN_BL, IPL_DEPTH_8U, 0, 0));
  const pixcodec::PixelView view = pixcodec::ViewOf(grey);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 33; ++x) view.TopRow(y)[x] = static_cast<unsigned char>(4 * x + 3 * y);
  for (int preferSystem : {0, 1}) {
    const std::string path = Saved(grey, "grey.jpg", 0, preferSystem);
    CxImage loaded;
    ASSERT_EQ(1, loaded.Load(path.c_str(), 0, 1, 0, 0, nullptr));
    ASSERT_EQ(3, loaded.SamplesPerPixel());
    EXPECT_NEAR(4 * 20 + 3 * 5, SampleAt(loaded, 20, 5, 1), 3);
    EXPECT_EQ(SampleAt(loaded, 20, 5, 0), SampleAt(loaded, 20, 5, 2));
  }
}

TEST_F(JpegCodecTest, AlphaKeptOnlyWhenAskedAndReadBackByMode) {
  CxImage source;
  MakePattern(source, 64, 48, true);
  const std::string withAlpha = Saved(source, "alpha.jpg", 1, 1);
  const std::string without = Saved(source, "noalpha.jpg", 0, 1);

  int width = 0, height = 0;
  CxImage four, three, dropped;
  ASSERT_EQ(1, four.Load(withAlpha.c_str(), 1, 1, 0, 0, nullptr));
  EXPECT_EQ(4, four.SamplesPerPixel());
  EXPECT_EQ(1, four.FileHasAlpha());
  EXPECT_LE(MaxDifference(source, four), 12);
  ASSERT_EQ(1, three.Load(withAlpha.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ(3, three.SamplesPerPixel());
  EXPECT_NEAR(SampleAt(source, 20, 20, 2), SampleAt(three, 20, 20, 2), 8);
  ASSERT_EQ(1, dropped.Load(without.c_str(), 1, 1, 0, 0, nullptr));
  EXPECT_EQ(3, dropped.SamplesPerPixel());
  EXPECT_EQ(0, dropped.FileHasAlpha());
  EXPECT_EQ(IMG_TYPE_JPEG, GetFileType(withAlpha.c_str(), width, height, nullptr));
}

// Every encoder writes the top of the picture first, whatever the memory origin.
TEST_F(JpegCodecTest, PictureStaysTheSameWayUpWithEveryEncoderAndOrigin) {
  const int savedOrigin = CxImage::DefaultImageOrigin();
  for (int origin : {IPL_ORIGIN_BL, IPL_ORIGIN_TL}) {
    CxImage::DefaultImageOrigin(origin);
    CxImage image;
    ASSERT_NE(0, image.Create(32, 32, 0, 1, 0));
    const pixcodec::PixelView view = pixcodec::ViewOf(image);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 32; ++x) view.TopRow(y)[x * 3 + 2] = 255;  // red band on top
    for (int preferSystem : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "origin " << origin << " system " << preferSystem);
      const std::string path = Saved(image, "band.jpg", 0, preferSystem);
      CxImage::DefaultImageOrigin(IPL_ORIGIN_BL);
      CxImage loaded;
      ASSERT_EQ(1, loaded.Load(path.c_str(), 0, 1, 0, 0, nullptr));
      CxImage::DefaultImageOrigin(origin);
      EXPECT_GT(SampleAt(loaded, 16, 2, 2), 200);
      EXPECT_LT(SampleAt(loaded, 16, 29, 2), 50);
    }
  }
  CxImage::DefaultImageOrigin(savedOrigin);
}

TEST_F(JpegCodecTest, ReductionRoundsUpAndBothDecodersAgree) {
  CxImage source;
  MakePattern(source, 1000, 750);
  const std::string path = Saved(source, "big.jpg", 0, 1);
  for (int reduction : {1, 2, 4, 8}) {
    CxImage fast, ijg;
    ASSERT_EQ(1, fast.Load(path.c_str(), 0, reduction, 0, 0, nullptr));
    pixcodec::StdioFile file = pixcodec::OpenFile(path.c_str(), "rb");
    pixcodec::ImageDecodeTarget target(ijg);
    ASSERT_TRUE(pixcodec::ReadJpegIjg(file.get(), {0, reduction, nullptr}, target));
    EXPECT_EQ((1000 + reduction - 1) / reduction, fast.Width());
    EXPECT_EQ((750 + reduction - 1) / reduction, fast.Height());
    EXPECT_EQ(0, MaxDifference(fast, ijg)) << reduction;
  }
  CxImage eighth;
  ASSERT_EQ(1, eighth.Load(path.c_str(), 0, 8, 0, 0, nullptr));
  EXPECT_EQ(125, eighth.Width());
  EXPECT_EQ(94, eighth.Height());
}

TEST_F(JpegCodecTest, ScrambledStreamOpensOnlyWithItsKey) {
  CxImage source, plain, wrong, right;
  MakePattern(source, 40, 30);
  unsigned char key[8] = {9, 8, 7, 6, 5, 4, 3, 2};
  unsigned char other[8] = {9, 8, 7, 6, 5, 4, 3, 3};
  const std::string path = dir.Path("s.jpg");
  ASSERT_EQ(1, WriteJpegFile(source, path.c_str(), 90, 0, key, 1));
  EXPECT_EQ(0, LoadJpegFile(plain, path.c_str(), 0, 1, 0, nullptr));
  EXPECT_EQ(0, LoadJpegFile(wrong, path.c_str(), 0, 1, 0, other));
  ASSERT_EQ(1, LoadJpegFile(right, path.c_str(), 0, 1, 0, key));
  EXPECT_LE(MaxDifference(source, right), 12);
  const std::string plainPath = Saved(source, "p.jpg", 0, 1);
  EXPECT_EQ(0, LoadJpegFile(plain, plainPath.c_str(), 0, 1, 0, key));
}

TEST_F(JpegCodecTest, ResolutionIsWrittenAndReadInDotsPerInch) {
  CxImage source;
  MakePattern(source, 16, 16);
  source.Resolution(CSize{300, 150});
  for (int preferSystem : {0, 1}) {
    const std::string path = Saved(source, "dpi.jpg", 0, preferSystem);
    CxImage loaded;
    ASSERT_EQ(1, loaded.Load(path.c_str(), 0, 1, 0, 0, nullptr));
    EXPECT_EQ(300, loaded.Resolution().cx);
    EXPECT_EQ(150, loaded.Resolution().cy);

    std::vector<unsigned char> bytes = ReadBytes(path);
    ASSERT_TRUE(pixcodec::SetJfifDensity(bytes.data(), bytes.size(), {2, 118, 118}));
    WriteBytes(path, bytes);
    ASSERT_EQ(1, loaded.Load(path.c_str(), 0, 1, 0, 0, nullptr));
    EXPECT_EQ(299, loaded.Resolution().cx);

    // Density unit 0 states only an aspect ratio: the default resolution stays.
    ASSERT_TRUE(pixcodec::SetJfifDensity(bytes.data(), bytes.size(), {0, 1, 1}));
    WriteBytes(path, bytes);
    ASSERT_EQ(1, loaded.Load(path.c_str(), 0, 1, 0, 0, nullptr));
    EXPECT_EQ(72, loaded.Resolution().cx);
  }
}

TEST_F(JpegCodecTest, SaveWritesOnlyTheTypesItKnows) {
  CxImage image, empty;
  MakePattern(image, 8, 8);
  const std::string bmp = dir.Path("x.bmp");
  EXPECT_EQ(0, image.Save(bmp.c_str(), 3, 0, 90, nullptr, 1));
  EXPECT_FALSE(std::filesystem::exists(bmp));
  EXPECT_EQ(0, empty.Save(dir.Path("e.jpg").c_str(), IMG_TYPE_JPEG, 0, 90, nullptr, 1));
  EXPECT_EQ(0, image.Save(dir.Path("missing/x.jpg").c_str(), IMG_TYPE_JPEG, 0, 90, nullptr, 1));
}

// Rows beyond 32767 are handled like any others.
TEST_F(JpegCodecTest, ImagesTallerThan32767RowsRoundTrip) {
  CxImage tall, loaded;
  ASSERT_NE(0, tall.Create(8, 40000, "RGB", "BGR", 3, 0, IPL_ORIGIN_BL, IPL_DEPTH_8U, 0, 0));
  FillPattern(tall);
  const std::string path = Saved(tall, "tall.jpg", 0, 0);
  ASSERT_EQ(1, loaded.Load(path.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ(40000, loaded.Height());
  EXPECT_LE(MaxDifference(tall, loaded), 16);
}

}  // namespace
