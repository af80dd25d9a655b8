#include "tests/ipl/IplTestImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A packed DIB in a byte buffer: header, palette, rows (bottom row first
// when height is positive).
std::vector<uint8_t> makeDib(int width, int height, int bits, const std::vector<RGBQUAD>& palette) {
  const int stride = (width * bits + 31) / 32 * 4;
  const int rows = height < 0 ? -height : height;
  std::vector<uint8_t> block(sizeof(BITMAPINFOHEADER) + palette.size() * sizeof(RGBQUAD) + stride * rows);
  BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER),
                     width,
                     height,
                     1,
                     static_cast<uint16_t>(bits),
                     BI_RGB,
                     0,
                     0,
                     0,
                     static_cast<uint32_t>(palette.size()),
                     0};
  std::memcpy(block.data(), &h, sizeof h);
  if (!palette.empty())
    std::memcpy(block.data() + sizeof h, palette.data(), palette.size() * sizeof(RGBQUAD));
  return block;
}

uint8_t* bitsOf(std::vector<uint8_t>& dib) {
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
  return dib.data() + sizeof(BITMAPINFOHEADER) + h->biClrUsed * sizeof(RGBQUAD);
}

}  // namespace

TEST(IplTranslateDIB, TrueColourBitsAreUsedInPlace) {
  auto dib = makeDib(3, 2, 24, {});
  int cloned = -1;
  IplImage* img = iplTranslateDIB(reinterpret_cast<BITMAPINFOHEADER*>(dib.data()), &cloned);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(cloned, 0);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(img->imageData), bitsOf(dib));
  EXPECT_EQ(img->origin, IPL_ORIGIN_BL);
  EXPECT_EQ(img->nChannels, 3);
  EXPECT_EQ(img->widthStep, 12);
  iplDeallocate(img, IPL_IMAGE_HEADER);
}

TEST(IplTranslateDIB, ColourPaletteIsExpandedIntoACopy) {
  auto dib = makeDib(4, 1, 4, {{1, 2, 3, 0}, {7, 8, 9, 0}});
  bitsOf(dib)[0] = 0x10;  // pixels 1, 0
  int cloned = -1;
  IplImage* img = iplTranslateDIB(reinterpret_cast<BITMAPINFOHEADER*>(dib.data()), &cloned);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(cloned, 1);
  const auto* p = reinterpret_cast<uint8_t*>(img->imageData);
  EXPECT_EQ(p[0], 7);
  EXPECT_EQ(p[2], 9);
  EXPECT_EQ(p[3], 1);
  iplDeallocate(img, IPL_IMAGE_HEADER | IPL_IMAGE_DATA);
}

TEST(IplConvertFromDIB, RowOrderFollowsBothOrigins) {
  auto dib = makeDib(1, 2, 32, {});
  uint8_t* bits = bitsOf(dib);
  bits[0] = 11;  // bottom row
  bits[4] = 22;  // top row
  for (int origin : {IPL_ORIGIN_TL, IPL_ORIGIN_BL}) {
    TestImage img(1, 2, 4, 4, origin);
    iplConvertFromDIB(reinterpret_cast<BITMAPINFOHEADER*>(dib.data()), img);
    EXPECT_EQ(img.at(0, 0, 0), origin == IPL_ORIGIN_TL ? 22 : 11);
    EXPECT_EQ(img.at(0, 1, 0), origin == IPL_ORIGIN_TL ? 11 : 22);
  }
  // A top-down DIB is read the other way round.
  reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biHeight = -2;
  TestImage tl(1, 2, 4, 4, IPL_ORIGIN_TL);
  iplConvertFromDIBSep(reinterpret_cast<BITMAPINFOHEADER*>(dib.data()), reinterpret_cast<char*>(bits), tl);
  EXPECT_EQ(tl.at(0, 0, 0), 11);
}

TEST(IplConvertFromDIB, CompressedBitmapsAreRefused) {
  ErrorRecorder errors;
  auto dib = makeDib(2, 2, 24, {});
  reinterpret_cast<BITMAPINFOHEADER*>(dib.data())->biCompression = 1;
  TestImage img(2, 2, 3);
  iplConvertFromDIB(reinterpret_cast<BITMAPINFOHEADER*>(dib.data()), img);
  EXPECT_EQ(iplGetErrStatus(), IPL_StsBadArg);
}
