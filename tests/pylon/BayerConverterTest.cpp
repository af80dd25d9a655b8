// The SDK's Bayer demosaicing: output layout and rejected descriptions.
#include <gtest/gtest.h>

#include <vector>

#include "pylon/BayerConverter.h"
#include "pylon/GenericException.h"

namespace {

// A uniform colour in a BayerBG8 mosaic: row 0 B G, row 1 G R.
std::vector<uint8_t> UniformBayerBG(uint32_t width, uint32_t height, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> raw(size_t(width) * height);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      raw[size_t(y) * width + x] = (y % 2 == 0) ? (x % 2 == 0 ? b : g) : (x % 2 == 0 ? g : r);
  return raw;
}

}  // namespace

TEST(BayerConverter, RgbaOutputHoldsBgrBytesFirstAndHonoursPitches) {
  const uint32_t width = 8, height = 6, outPitch = width * 4 + 12;
  const std::vector<uint8_t> raw = UniformBayerBG(width, height, 210, 120, 30);
  std::vector<uint8_t> out(outPitch * height, 0);
  Pylon::CPixelFormatConverterBayer converter;
  Pylon::SInputImageFormat input;
  input.Width = width;
  input.Height = height;
  input.LinePitch = width;
  input.PixelFormat = Pylon::PixelType_BayerBG8;
  converter.Init(input);
  EXPECT_TRUE(converter.IsInitialized());
  Pylon::SOutputImageFormat output;
  output.PixelFormat = Pylon::PixelType_RGBA8packed;
  output.LinePitch = outPitch;
  converter.Convert(out.data(), out.size(), raw.data(), raw.size(), input, output);
  const uint8_t* pixel = &out[3 * outPitch + 4 * 4];
  EXPECT_EQ(pixel[0], 30);
  EXPECT_EQ(pixel[1], 120);
  EXPECT_EQ(pixel[2], 210);
  EXPECT_EQ(out[outPitch - 1], 0);  // the row padding stays untouched
}

TEST(BayerConverter, RejectsUnsupportedFormatsAndShortBuffers) {
  Pylon::CPixelFormatConverterBayer converter;
  Pylon::SInputImageFormat input;
  input.Width = 8;
  input.Height = 4;
  input.LinePitch = 8;
  input.PixelFormat = Pylon::PixelType_Mono8;
  EXPECT_THROW(converter.Init(input), GenICam::InvalidArgumentException);
  input.PixelFormat = Pylon::PixelType_BayerGR8;
  std::vector<uint8_t> raw(8 * 4), out(8 * 4 * 4);
  Pylon::SOutputImageFormat output;
  output.PixelFormat = Pylon::PixelType_Mono8;
  EXPECT_THROW(converter.Convert(out.data(), out.size(), raw.data(), raw.size(), input, output),
               GenICam::InvalidArgumentException);
  output.PixelFormat = Pylon::PixelType_BGRA8packed;
  EXPECT_THROW(converter.Convert(out.data(), out.size() - 1, raw.data(), raw.size(), input, output),
               GenICam::InvalidArgumentException);
  EXPECT_THROW(converter.Convert(out.data(), out.size(), raw.data(), raw.size() - 1, input, output),
               GenICam::InvalidArgumentException);
  EXPECT_NO_THROW(converter.Convert(out.data(), out.size(), raw.data(), raw.size(), input, output));
}
