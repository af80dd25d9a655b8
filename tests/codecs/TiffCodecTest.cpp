// TIFF writing and reading: round trips, alpha, grey, tall images, the
// refusals and warnings of the reader, and silence for files that are no TIFF.
#include <gtest/gtest.h>

#include <tiffio.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <vector>

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/RasterReader.h"
#include "tests/codecs/CodecTestSupport.h"

using namespace codectest;
using Bytes = std::vector<unsigned char>;

namespace {

// Writes a one-strip TIFF with libtiff: `tags` sets what the test is about,
// `row` fills each scanline.
void WriteRawTiff(const std::string& path, int width, int height, int bits, int samples,
                  const std::function<void(TIFF*)>& tags,
                  const std::function<void(int, std::vector<unsigned char>&)>& row) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(nullptr, tiff);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  tags(tiff);
  std::vector<unsigned char> line(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
  for (int y = 0; y < height; ++y) {
    row(y, line);
    ASSERT_GE(TIFFWriteScanline(tiff, line.data(), y, 0), 0);
  }
  TIFFClose(tiff);
}

std::string Loaded(const std::string& path, CxImage& image, int mode, int& result) {
  testing::internal::CaptureStdout();
  result = LoadTiffFile(image, path.c_str(), mode, 1, 0, nullptr);
  return testing::internal::GetCapturedStdout();
}

TEST(TiffCodecTest, WrittenImagesReadBackUnchanged) {
  TempDir dir;
  const std::string path = dir.Path("out.tif");
  CxImage rgb;
  MakePattern(rgb, 67, 41);
  rgb.Resolution(CSize{150, 200});
  ASSERT_EQ(1, rgb.Save(path.c_str(), IMG_TYPE_TIFF, 0, 0, nullptr, 0));
  CxImage back;
  ASSERT_EQ(1, back.Load(path.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ(0, MaxDifference(rgb, back));
  EXPECT_EQ(150, back.Resolution().cx);
  EXPECT_EQ(200, back.Resolution().cy);

  // Unassociated alpha: colours come back as they were, not premultiplied.
  CxImage rgba;
  MakePattern(rgba, 30, 20, true);
  const pixcodec::PixelView view = pixcodec::ViewOf(rgba);
  for (int y = 0; y < view.height; ++y)
    for (int x = 0; x < view.width; ++x) view.TopRow(y)[4 * x + 3] = static_cast<unsigned char>(x * 8);
  ASSERT_EQ(1, rgba.Save(path.c_str(), IMG_TYPE_TIFF, 1, 0, nullptr, 0));
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  std::uint16_t count = 0, *extra = nullptr;
  ASSERT_EQ(1, TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &extra));
  EXPECT_EQ(EXTRASAMPLE_UNASSALPHA, extra[0]);
  TIFFClose(tiff);
  ASSERT_EQ(1, back.Load(path.c_str(), 1, 1, 0, 0, nullptr));
  EXPECT_EQ(0, MaxDifference(rgba, back));
  EXPECT_EQ(1, back.FileHasAlpha());
}

TEST(TiffCodecTest, GreyAndTallImages) {
  TempDir dir;
  const std::string path = dir.Path("grey.tif");
  CxImage grey;
  ASSERT_NE(0, grey.Create(5, 3, "GRAY", "GRAY", 1, 0, IPL_ORIGIN_BL, IPL_DEPTH_8U, 1, 77));
  pixcodec::ViewOf(grey).TopRow(0)[0] = 200;
  ASSERT_EQ(1, WriteTiffFile(grey, path.c_str(), 0, 0, nullptr));
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  std::uint16_t photometric = 0, samples = 0;
  TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFClose(tiff);
  EXPECT_EQ(PHOTOMETRIC_MINISBLACK, photometric);
  EXPECT_EQ(1, samples);
  CxImage back;
  ASSERT_EQ(1, back.Load(path.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ((std::vector<int>{200, 200, 200}), PixelAt(back, 0, 0));
  EXPECT_EQ((std::vector<int>{77, 77, 77}), PixelAt(back, 4, 2));

  // More rows than 16 bits count.
  CxImage tall;
  ASSERT_TRUE(pixcodec::CreateCodecImage(tall, 2, 40000, 3));
  FillPattern(tall);
  ASSERT_EQ(1, WriteTiffFile(tall, path.c_str(), 0, 0, nullptr));
  ASSERT_EQ(1, back.Load(path.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ(40000, back.Height());
  EXPECT_EQ(0, MaxDifference(tall, back));
}

TEST(TiffCodecTest, FailedWritesReturnZeroAndLeaveNoFile) {
  TempDir dir;
  CxImage image;
  MakePattern(image, 4, 4);
  testing::internal::CaptureStdout();
  EXPECT_EQ(0, WriteTiffFile(image, dir.Path("missing/x.tif").c_str(), 0, 0, nullptr));
  CxImage empty;
  EXPECT_EQ(0, WriteTiffFile(empty, dir.Path("e.tif").c_str(), 0, 0, nullptr));
  CxImage floats;
  ASSERT_NE(0, floats.Create(4, 4, "GRAY", "GRAY", 1, 0, IPL_ORIGIN_BL, IPL_DEPTH_32F));
  EXPECT_EQ(0, WriteTiffFile(floats, dir.Path("f.tif").c_str(), 0, 0, nullptr));
  testing::internal::GetCapturedStdout();
  EXPECT_FALSE(std::filesystem::exists(dir.Path("e.tif")));
  EXPECT_FALSE(std::filesystem::exists(dir.Path("f.tif")));
}

// The worked example: 16-bit samples keep their high byte.
TEST(TiffCodecTest, SixteenBitRgbLoadsAsEightBit) {
  TempDir dir;
  const std::string path = dir.Path("16.tif");
  WriteRawTiff(
      path, 2, 1, 16, 3, [](TIFF* t) { TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB); },
      [](int, std::vector<unsigned char>& line) {
        const std::uint16_t samples[] = {0x1234, 0xABCD, 0xFF00, 0x0100, 0x00FF, 0x8000};
        std::memcpy(line.data(), samples, sizeof samples);
      });
  CxImage image;
  int result = 0;
  Loaded(path, image, 0, result);
  ASSERT_EQ(1, result);
  EXPECT_EQ((std::vector<int>{0xFF, 0xAB, 0x12}), PixelAt(image, 0, 0));
  EXPECT_EQ((std::vector<int>{0x80, 0x00, 0x01}), PixelAt(image, 1, 0));
}

TEST(TiffCodecTest, RefusalsAndWarningsOfTheReader) {
  TempDir dir;
  const std::string path = dir.Path("t.tif");
  const auto fill = [](int, std::vector<unsigned char>& line) { std::fill(line.begin(), line.end(), 90); };
  CxImage image;
  int result = 0, width = 0, height = 0;

  WriteRawTiff(
      path, 4, 2, 8, 3,
      [](TIFF* t) {
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_SEPARATE);
      },
      fill);
  EXPECT_EQ(0, IsTiffFile(path.c_str(), width, height, nullptr));
  EXPECT_NE(std::string::npos, Loaded(path, image, 0, result).find("Sorry, can not handle bit plane images"));
  EXPECT_EQ(0, result);
  // The dispatcher finds no reader for it, yet the TIFF reader says why.
  testing::internal::CaptureStdout();
  EXPECT_EQ(0, image.Load(path.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_NE(std::string::npos,
            testing::internal::GetCapturedStdout().find("Sorry, can not handle bit plane images"));

  WriteRawTiff(
      path, 4, 2, 8, 3, [](TIFF*) {}, fill);  // no photometric tag
  EXPECT_NE(
      std::string::npos,
      Loaded(path, image, 0, result).find("No \"PhotometricInterpretation\" tag, assuming default value"));
  EXPECT_EQ(1, result);
  EXPECT_EQ((std::vector<int>{90, 90, 90}), PixelAt(image, 3, 1));

  WriteRawTiff(
      path, 4, 2, 8, 2, [](TIFF*) {}, fill);
  EXPECT_NE(std::string::npos,
            Loaded(path, image, 0, result).find("Missing needed \"PhotometricInterpretation\" tag"));
  EXPECT_EQ(0, result);

  WriteRawTiff(
      path, 4, 2, 8, 4,
      [](TIFF* t) {
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
        TIFFSetField(t, TIFFTAG_INKSET, INKSET_MULTIINK);
      },
      fill);
  EXPECT_NE(std::string::npos,
            Loaded(path, image, 0, result).find("Sorry, can not handle non CMYK separated images"));

  WriteRawTiff(
      path, 4, 2, 8, 1, [](TIFF* t) { TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MASK); }, fill);
  EXPECT_NE(std::string::npos, Loaded(path, image, 0, result).find("Sorry, can not handle this image"));
  EXPECT_EQ(0, result);
}

// Centimetre units: 118 pixels per cm is 300 dpi (rounded).
TEST(TiffCodecTest, ResolutionInCentimetres) {
  TempDir dir;
  const std::string path = dir.Path("cm.tif");
  WriteRawTiff(
      path, 1, 1, 8, 1,
      [](TIFF* t) {
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
        TIFFSetField(t, TIFFTAG_XRESOLUTION, 118.0f);
        TIFFSetField(t, TIFFTAG_YRESOLUTION, 118.0f);
      },
      [](int, std::vector<unsigned char>& line) { line[0] = 1; });
  CxImage image;
  ASSERT_EQ(1, image.Load(path.c_str(), 0, 1, 0, 0, nullptr));
  EXPECT_EQ(300, image.Resolution().cx);
}

// A grey file in two strips whose second strip lies beyond the end of the file,
// loaded over memory that held other data: every pixel is the file's or grey,
// and the padding that ends each row of the image is zero.
TEST(TiffCodecTest, TruncatedFileLoadsWithGrey) {
  struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
  };
  constexpr std::uint32_t kData = 8 + 2 + 9 * 12 + 4;
  constexpr std::uint32_t kWidth = 5, kStripBytes = 2 * kWidth;
  const Entry entries[] = {{256, 3, 1, kWidth}, {257, 3, 1, 4}, {258, 3, 1, 8},
                           {259, 3, 1, 1},      {262, 3, 1, 1}, {273, 3, 2, kData | (kData + kStripBytes) << 16},
                           {277, 3, 1, 1},      {278, 3, 1, 2}, {279, 3, 2, kStripBytes | kStripBytes << 16}};
  Bytes bytes = {'I', 'I', 42, 0, 8, 0, 0, 0, 9, 0};
  const auto put = [&](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  for (const Entry& e : entries) {
    put(e.tag, 2);
    put(e.type, 2);
    put(e.count, 4);
    put(e.value, 4);
  }
  put(0, 4);
  bytes.resize(kData + kStripBytes, 90);  // the first strip only
  TempDir dir;
  const std::string path = dir.Path("cut.tif");
  WriteBytes(path, bytes);
  CxImage image;
  int result = 0;
  DirtyFreedMemory(16 * 4);  // the image's rows: 15 bytes and one of padding
  const std::string warnings = Loaded(path, image, 0, result);
  ASSERT_EQ(1, result);
  EXPECT_NE(std::string::npos, warnings.find("Premature end of TIFF file")) << warnings;
  const pixcodec::PixelView view = pixcodec::ViewOf(image);
  ASSERT_EQ(16, view.step);
  for (int y = 0; y < 4; ++y) {
    const std::vector<int> expected(3, y < 2 ? 90 : 128);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(expected, PixelAt(image, x, y)) << x << ", " << y;
    EXPECT_EQ(0, view.TopRow(y)[15]) << y;
  }
}

// A decoder that hands out two rows, then runs out of memory.
class FailingDecoder : public pixcodec::Decoder {
 public:
  int ReadRow(unsigned char* buffer, int pixels) override {
    if (m_rows++ == 2) throw std::bad_alloc();
    std::memset(buffer, 77, std::size_t(pixels) * 3);
    return 0;
  }

 private:
  int m_rows = 0;
};

// The TIFF reader creates its images without zeroing them: a read that throws
// part way must still leave no pixel undefined.
TEST(TiffCodecTest, ARowReadThatThrowsLeavesTheImageBlack) {
  CxImage image;
  pixcodec::PixelView view;
  DirtyFreedMemory(16 * 4);
  ASSERT_TRUE(pixcodec::CreateRasterImage(image, {5, 4, false, 0, 0}, 0, 1, view, NewBits::Undefined));
  FailingDecoder decoder;
  const pixcodec::RasterSource source{decoder, pixcodec::SourcePixels::Bgr, nullptr, 5, 4, true};
  EXPECT_THROW(pixcodec::ReadRaster(source, view, 1), std::bad_alloc);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ((std::vector<int>{0, 0, 0}), PixelAt(image, x, y)) << x << ", " << y;
}

TEST(TiffCodecTest, ProbingOtherFilesPrintsNothing) {
  TempDir dir;
  const std::string path = dir.Path("text.txt");
  WriteBytes(path, Bytes(200, 'x'));
  testing::internal::CaptureStderr();
  int width = 0, height = 0;
  EXPECT_EQ(IMG_TYPE_UNKNOWN, GetFileType(path.c_str(), width, height, nullptr));
  WriteBytes(path, {'I', 'I', 42, 0, 0xFF, 0xFF, 0, 0});
  EXPECT_EQ(IMG_TYPE_UNKNOWN, GetFileType(path.c_str(), width, height, nullptr));
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

}  // namespace
