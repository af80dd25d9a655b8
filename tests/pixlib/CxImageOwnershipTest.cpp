// Ownership across the creation flags. Under AddressSanitizer a missing or
// double free here fails the run.

#include "ipl/Ipl.h"
#include "pixlib/core/CxImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

IplImage* makeForeign(int width, int height, int channels, IplROI* roi) {
  IplImage* image = iplCreateImageHeader(channels, 0, IPL_DEPTH_8U, "RGB", channels == 4 ? "BGRA" : "BGR",
                                         IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_BL, IPL_ALIGN_4BYTES, width, height,
                                         roi, nullptr, nullptr, nullptr);
  iplAllocateImage(image, 1, 33);
  return image;
}

// A packed DIB from malloc; palette entries, when the depth has them, are black.
BITMAPINFOHEADER* mallocDib(int width, int height, int bits) {
  const int stride = (width * bits + 31) / 32 * 4;
  const size_t palette = bits <= 8 ? (size_t{1} << bits) * sizeof(RGBQUAD) : 0;
  auto* h =
      static_cast<BITMAPINFOHEADER*>(std::calloc(1, sizeof(BITMAPINFOHEADER) + palette + stride * height));
  *h = BITMAPINFOHEADER{
      sizeof(BITMAPINFOHEADER), width, height, 1, static_cast<uint16_t>(bits), BI_RGB, 0, 0, 0, 0, 0};
  return h;
}

}  // namespace

TEST(CxImageOwnership, ReferenceLeavesTheForeignImageAsItWas) {
  IplROI foreignRoi{0, 1, 1, 2, 2};
  IplImage* foreign = makeForeign(4, 4, 3, &foreignRoi);
  {
    CxImage img;
    ASSERT_EQ(img.Create(foreign, CF_REFERENCE), 2);
    EXPECT_EQ(img.GetBits(), foreign->imageData);
    EXPECT_NE(foreign->roi, &foreignRoi);
    EXPECT_EQ(foreign->roi->width, 4);  // a new object's ROI covers the image
    EXPECT_EQ(img.OwnershipFlags(), 0);
    img.Set(200);
  }
  EXPECT_EQ(foreign->roi, &foreignRoi);
  EXPECT_EQ(foreignRoi.width, 2);
  EXPECT_EQ(static_cast<uint8_t>(foreign->imageData[0]), 200);
  iplDeallocate(foreign, IPL_IMAGE_HEADER | IPL_IMAGE_DATA);
}

TEST(CxImageOwnership, AttachTakesHeaderAndPixels) {
  IplImage* foreign = makeForeign(3, 3, 4, nullptr);
  CxImage img;
  ASSERT_EQ(img.Create(foreign, CF_ATTACH), 2);
  EXPECT_EQ(foreign->alphaChannel, 4);
  EXPECT_EQ(img.OwnershipFlags(), CxImage::OWN_HEADER | CxImage::OWN_IPL_DATA);
  img.CleanUp();
  EXPECT_FALSE(img.IsValid());
}

TEST(CxImageOwnership, CopyIsIndependent) {
  IplImage* foreign = makeForeign(3, 2, 3, nullptr);
  CxImage img;
  ASSERT_EQ(img.Create(foreign, CF_COPY), 1);
  EXPECT_NE(img.GetBits(), foreign->imageData);
  foreign->imageData[0] = 1;
  EXPECT_EQ(static_cast<uint8_t*>(img.GetBits())[0], 33);
  iplDeallocate(foreign, IPL_IMAGE_HEADER | IPL_IMAGE_DATA);
  // Creating again releases the copy first.
  EXPECT_EQ(img.Create(5, 5), 1);
}

TEST(CxImageOwnership, DibFlags) {
  BITMAPINFOHEADER* dib = mallocDib(3, 2, 24);
  auto* bits = reinterpret_cast<uint8_t*>(dib + 1);
  bits[0] = 77;
  {
    CxImage ref;
    ASSERT_EQ(ref.Create(dib, CF_REFERENCE), 2);
    EXPECT_EQ(ref.GetBits(), bits);
    CxImage copy;
    ASSERT_EQ(copy.Create(dib, CF_COPY), 1);
    EXPECT_NE(copy.GetBits(), bits);
    EXPECT_EQ(static_cast<uint8_t*>(copy.GetBits())[0], 77);
  }
  EXPECT_EQ(bits[0], 77);
  CxImage owner;
  ASSERT_EQ(owner.Create(dib, CF_ATTACH), 2);  // frees the whole block at clean-up
}

TEST(CxImageOwnership, DibWithSeparateBits) {
  BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  auto* bits = static_cast<uint8_t*>(std::calloc(16, 1));
  bits[4] = 5;
  CxImage img;
  ASSERT_EQ(img.Create(&header, bits, CF_ATTACH), 2);
  EXPECT_EQ(img.HasAlphaChannel(), 4);
  EXPECT_EQ(static_cast<uint8_t*>(img.GetBits())[4], 5);
  CxImage copy;
  ASSERT_EQ(copy.Create(&header, bits, CF_COPY), 1);
  EXPECT_EQ(static_cast<uint8_t*>(copy.GetBits())[4], 5);
  header.biHeight = -2;
  EXPECT_EQ(copy.Create(&header, bits, CF_COPY), 0);
  EXPECT_FALSE(copy.IsValid());
  // A bitmap the conversion cannot read is reported, not turned into black.
  header.biHeight = 2;
  header.biCompression = BI_BITFIELDS;
  iplRedirectError([](IPLStatus s, const char*, const char*, const char*, int) { return s; });
  EXPECT_EQ(copy.Create(&header, bits, CF_COPY), 0);
  iplRedirectError(nullptr);
  EXPECT_FALSE(copy.IsValid());
  EXPECT_EQ(iplGetErrStatus(), IPL_StsOk);
}

TEST(CxImageOwnership, PaletteDibIsAlwaysCopied) {
  BITMAPINFOHEADER* dib = mallocDib(4, 1, 1);
  CxImage img;
  EXPECT_EQ(img.Create(dib, CF_REFERENCE), 1);
  EXPECT_NE(img.GetBits(), static_cast<void*>(reinterpret_cast<char*>(dib + 1) + 2 * sizeof(RGBQUAD)));
  std::free(dib);
}
