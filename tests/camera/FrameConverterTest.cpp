#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "camera/FrameConverter.h"
#include "camera/GenPylonCamera.h"

using namespace Pylon;

namespace {

struct Bgr {
  int b, g, r;
};

// A uniform colour as the sensor of the given pattern sees it; the pattern
// names the colours of the first two pixels of the first row.
std::vector<uint8_t> BayerMosaic(EPixelType pattern, int width, int height, Bgr colour) {
  const char* names = pattern == PixelType_BayerRG8   ? "RGGB"
                      : pattern == PixelType_BayerGR8 ? "GRBG"
                      : pattern == PixelType_BayerGB8 ? "GBRG"
                                                      : "BGGR";
  std::vector<uint8_t> raw(size_t(width) * size_t(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const char c = names[(y % 2) * 2 + x % 2];
      raw[size_t(y) * size_t(width) + size_t(x)] = uint8_t(c == 'R'   ? colour.r
                                                           : c == 'G' ? colour.g
                                                                      : colour.b);
    }
  return raw;
}

const uint8_t* Pixel(const IplImage* image, int x, int row) {
  return reinterpret_cast<const uint8_t*>(image->imageData) + size_t(row) * size_t(image->widthStep) +
         size_t(x) * size_t(image->nChannels);
}

void ExpectColour(const IplImage* image, int x, int row, Bgr expected) {
  const uint8_t* p = Pixel(image, x, row);
  EXPECT_NEAR(p[0], expected.b, 2) << "blue at " << x << "," << row;
  EXPECT_NEAR(p[1], expected.g, 2) << "green at " << x << "," << row;
  EXPECT_NEAR(p[2], expected.r, 2) << "red at " << x << "," << row;
}

}  // namespace

TEST(FrameConverter, BayerPhasesGiveTheSceneColourFlippedOrNot) {
  const Bgr colour{40, 120, 210};
  for (EPixelType pattern : {PixelType_BayerGR8, PixelType_BayerRG8, PixelType_BayerGB8, PixelType_BayerBG8})
    for (bool flip : {false, true})
      for (int height : {12, 13}) {  // even heights swap the phase when flipped
        SCOPED_TRACE(testing::Message()
                     << std::hex << pattern << std::dec << " flip " << flip << " height " << height);
        CFrameConverter converter;
        converter.SetFlip(flip);
        std::vector<uint8_t> raw = BayerMosaic(pattern, 16, height, colour);
        const SConvertedFrame frame =
            converter.Convert(16, height, pattern, raw.data(), 16, PixelType_BGR8packed);
        ASSERT_NE(frame.image, nullptr);
        EXPECT_EQ(frame.ownership, OwnershipHeaderAndData);
        EXPECT_EQ(frame.image->nChannels, 3);
        EXPECT_EQ(frame.image->origin, IPL_ORIGIN_BL);
        EXPECT_EQ(frame.image->widthStep % 4, 0);
        ExpectColour(frame.image, 8, height / 2, colour);
        CGenPylonCamera::ReleaseImage(frame.image, frame.ownership);
      }
}

TEST(FrameConverter, FlipTurnsTopRowIntoBottomRowAndMonoFillsEveryChannel) {
  const int width = 6, height = 5, stride = 8;  // two padding bytes per row
  for (bool flip : {false, true}) {
    std::vector<uint8_t> raw(size_t(stride) * height, 0xEE);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) raw[size_t(y * stride + x)] = uint8_t(10 * y + x);
    CFrameConverter converter;
    converter.SetFlip(flip);
    const SConvertedFrame frame =
        converter.Convert(width, height, PixelType_Mono8, raw.data(), stride, PixelType_BGR8packed);
    ASSERT_NE(frame.image, nullptr);
    EXPECT_EQ(frame.ownership, OwnershipHeaderAndData);
    for (int row = 0; row < height; ++row) {
      const int sourceRow = flip ? height - 1 - row : row;
      for (int x = 0; x < width; ++x) {
        const uint8_t grey = uint8_t(10 * sourceRow + x);
        ExpectColour(frame.image, x, row, {grey, grey, grey});
      }
    }
    CGenPylonCamera::ReleaseImage(frame.image, frame.ownership);
  }
}

TEST(FrameConverter, YuvFramesComeOutInBlueGreenRedOrder) {
  // Studio-range red: Y 81, Cb 90, Cr 240.
  std::vector<uint8_t> uyvy;
  for (int i = 0; i < 4; ++i) uyvy.insert(uyvy.end(), {90, 81, 240, 81});
  CFrameConverter converter;
  converter.SetFlip(false);
  const SConvertedFrame frame =
      converter.Convert(4, 2, PixelType_YUV422packed, uyvy.data(), 8, PixelType_BGR8packed);
  ASSERT_NE(frame.image, nullptr);
  const uint8_t* const p = Pixel(frame.image, 1, 1);
  EXPECT_LT(p[0], 30);
  EXPECT_LT(p[1], 30);
  EXPECT_GT(p[2], 225);
  CGenPylonCamera::ReleaseImage(frame.image, frame.ownership);
}

TEST(FrameConverter, UnconvertedFramesAreHeadersWithoutPixels) {
  std::vector<uint8_t> mono12(32 * 2 * 8);
  CFrameConverter converter;
  const SConvertedFrame frame =
      converter.Convert(32, 8, PixelType_Mono12, mono12.data(), 64, PixelType_BGR8packed);
  ASSERT_NE(frame.image, nullptr);
  EXPECT_EQ(frame.ownership, OwnershipHeaderOnly);
  EXPECT_EQ(frame.image->imageData, nullptr);
  EXPECT_EQ(converter.GetLastOwnership(), OwnershipHeaderOnly);
  CGenPylonCamera::ReleaseImage(frame.image, frame.ownership);

  // A Bayer frame too small to demosaic is dropped the same way, pixels freed.
  std::vector<uint8_t> row(16);
  const SConvertedFrame tiny =
      converter.Convert(16, 1, PixelType_BayerBG8, row.data(), 16, PixelType_BGR8packed);
  ASSERT_NE(tiny.image, nullptr);
  EXPECT_EQ(tiny.ownership, OwnershipHeaderOnly);
  EXPECT_EQ(tiny.image->imageData, nullptr);
  CGenPylonCamera::ReleaseImage(tiny.image, tiny.ownership);

  // So is one too narrow, however tall (its bands fail on other threads), and
  // one whose rows are longer than its pitch.
  std::vector<uint8_t> column(1200);
  for (int width : {1, 2}) {
    const SConvertedFrame frame =
        converter.Convert(width, 1200, PixelType_BayerBG8, column.data(), 1, PixelType_BGR8packed);
    ASSERT_NE(frame.image, nullptr);
    EXPECT_EQ(frame.ownership, OwnershipHeaderOnly) << "width " << width;
    CGenPylonCamera::ReleaseImage(frame.image, frame.ownership);
  }
}

// Flipped Bayer frames are demosaiced from the raw rows in reverse order (or,
// without AVX2 or to four channels, in bands whose seams are redone): the
// result must be the hand-mirrored frame demosaiced whole, byte for byte. The
// wider frame takes two 32-pixel steps a row and ends in single pixels.
TEST(FrameConverter, FlippedBayerFrameIsTheMirroredFrameDemosaicedWhole) {
  // Pairs of patterns that are each other's second row: with an even height the
  // mirrored frame starts with the other pattern of its pair.
  const EPixelType patterns[] = {PixelType_BayerGR8, PixelType_BayerBG8, PixelType_BayerRG8,
                                 PixelType_BayerGB8};
  std::mt19937 random(3);
  for (int pair = 0; pair < 4; ++pair)
    for (const auto& [width, height] : {std::pair{14, 1030}, std::pair{14, 1031}, std::pair{77, 6}})
      for (EPixelType outputType : {PixelType_BGR8packed, PixelType_BGRA8packed}) {
        const EPixelType pattern = patterns[pair], mirroredPattern = patterns[pair ^ 1];
        const int stride = width + 2;
        SCOPED_TRACE(testing::Message() << std::hex << pattern << " to " << outputType << std::dec << " "
                                        << width << " x " << height);
        std::vector<uint8_t> raw(size_t(stride) * size_t(height)), mirrored(raw.size());
        for (uint8_t& sample : raw) sample = uint8_t(random());
        for (int y = 0; y < height; ++y)
          std::copy_n(&raw[size_t(height - 1 - y) * stride], stride, &mirrored[size_t(y) * stride]);
        CFrameConverter flipping, plain;
        plain.SetFlip(false);
        const SConvertedFrame ours = flipping.Convert(width, height, pattern, raw.data(), stride, outputType);
        const SConvertedFrame reference = plain.Convert(width, height, height % 2 ? pattern : mirroredPattern,
                                                        mirrored.data(), stride, outputType);
        ASSERT_TRUE(ours.image && ours.image->imageData && reference.image && reference.image->imageData);
        const size_t rowBytes = size_t(width) * size_t(ours.image->nChannels);
        for (int row = 0; row < height; ++row)
          ASSERT_EQ(std::memcmp(Pixel(ours.image, 0, row), Pixel(reference.image, 0, row), rowBytes), 0)
              << "row " << row;
        CGenPylonCamera::ReleaseImage(ours.image, ours.ownership);
        CGenPylonCamera::ReleaseImage(reference.image, reference.ownership);
      }
}

SConvertedFrame ConvertMosaic(CFrameConverter& converter, int width, int height, Bgr colour) {
  std::vector<uint8_t> raw = BayerMosaic(PixelType_BayerBG8, width, height, colour);
  return converter.Convert(width, height, PixelType_BayerBG8, raw.data(), width, PixelType_BGR8packed);
}

TEST(FrameConverter, ReusedOutputIsKeptByTheConverterAndNeverTakenFromTheReceiver) {
  CFrameConverter converter;
  const SConvertedFrame handed = ConvertMosaic(converter, 16, 8, {10, 20, 30});
  ASSERT_EQ(handed.ownership, OwnershipHeaderAndData);
  CGenPylonCamera::ReleaseImage(handed.image, handed.ownership);  // the receiver is done with it
  converter.SetReuseOutput(true);
  const SConvertedFrame first = ConvertMosaic(converter, 16, 8, {10, 20, 30});
  const SConvertedFrame second = ConvertMosaic(converter, 16, 8, {70, 80, 90});
  EXPECT_EQ(first.image, second.image);
  EXPECT_EQ(first.ownership, OwnershipKeptByConverter);
  EXPECT_EQ(second.ownership, OwnershipKeptByConverter);
  ExpectColour(second.image, 8, 4, {70, 80, 90});
  // Another size needs another image; the converter frees the old one itself,
  // and leaving reuse frees the kept image at the next frame.
  EXPECT_EQ(ConvertMosaic(converter, 32, 8, {10, 20, 30}).image->width, 32);
  converter.SetReuseOutput(false);
  const SConvertedFrame own = ConvertMosaic(converter, 16, 8, {10, 20, 30});
  EXPECT_EQ(own.ownership, OwnershipHeaderAndData);
  CGenPylonCamera::ReleaseImage(own.image, own.ownership);
}

TEST(FrameConverter, FourChannelOutputCarriesOpaqueAlpha) {
  const Bgr colour{60, 110, 180};
  std::vector<uint8_t> bayer = BayerMosaic(PixelType_BayerRG8, 16, 8, colour);
  std::vector<uint8_t> mono(16 * 8, 77);
  struct Case {
    EPixelType type;
    uint8_t* data;
    int stride;
    Bgr expected;
  };
  for (const Case& c : {Case{PixelType_BayerRG8, bayer.data(), 16, colour},
                        Case{PixelType_Mono8, mono.data(), 16, {77, 77, 77}}}) {
    SCOPED_TRACE(testing::Message() << std::hex << c.type);
    CFrameConverter converter;
    const SConvertedFrame frame = converter.Convert(16, 8, c.type, c.data, c.stride, PixelType_BGRA8packed);
    ASSERT_NE(frame.image, nullptr);
    ASSERT_EQ(frame.image->nChannels, 4);
    EXPECT_EQ(frame.ownership, OwnershipHeaderAndData);
    ExpectColour(frame.image, 8, 4, c.expected);
    EXPECT_EQ(Pixel(frame.image, 8, 4)[3], 255);
    CGenPylonCamera::ReleaseImage(frame.image, frame.ownership);
  }
}

TEST(FrameConverter, ThreeChannelBayerResultIsTheFourChannelResultWithoutAlpha) {
  const int width = 20, height = 10, stride = 24;  // padded rows
  std::vector<uint8_t> mosaic(size_t(stride) * height);
  for (size_t i = 0; i < mosaic.size(); ++i) mosaic[i] = uint8_t(i * 37 % 251);
  for (EPixelType pattern :
       {PixelType_BayerGR8, PixelType_BayerRG8, PixelType_BayerGB8, PixelType_BayerBG8}) {
    SCOPED_TRACE(testing::Message() << std::hex << pattern);
    CFrameConverter converter;
    const SConvertedFrame three =
        converter.Convert(width, height, pattern, mosaic.data(), stride, PixelType_BGR8packed);
    const SConvertedFrame four =
        converter.Convert(width, height, pattern, mosaic.data(), stride, PixelType_BGRA8packed);
    ASSERT_TRUE(three.image && three.image->imageData && four.image && four.image->imageData);
    for (int row = 0; row < height; ++row)
      for (int x = 0; x < width; ++x)
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(Pixel(three.image, x, row)[c], Pixel(four.image, x, row)[c])
              << "channel " << c << " at " << x << "," << row;
    CGenPylonCamera::ReleaseImage(three.image, three.ownership);
    CGenPylonCamera::ReleaseImage(four.image, four.ownership);
  }
}
