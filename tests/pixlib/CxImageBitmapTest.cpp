#include "ipl/Ipl.h"
#include "pixlib/core/CxImage.h"
#include "pixlib/core/ScreenDevice.h"

#include <gtest/gtest.h>

#include <array>

namespace {

IplImage* header(int channels, int depth, int origin) {
  return iplCreateImageHeader(channels, 0, depth, "RGB", "BGR", IPL_DATA_ORDER_PIXEL, origin,
                              IPL_ALIGN_4BYTES, 7, 5, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

TEST(CDibHeader, LayoutsAndPalette) {
  CDibHeader dib;
  IplImage* grey = header(1, IPL_DEPTH_8U, IPL_ORIGIN_BL);
  ASSERT_EQ(dib.Create(grey), 1);
  EXPECT_EQ(dib.Size(), 1064u);
  BITMAPINFO* info = dib;
  EXPECT_EQ(info->bmiHeader.biBitCount, 8);
  EXPECT_EQ(info->bmiHeader.biXPelsPerMeter, 9000);
  EXPECT_EQ(info->bmiColors[200].rgbGreen, 200);
  EXPECT_EQ(info->bmiColors[200].rgbReserved, 0);

  IplImage* deep = header(3, IPL_DEPTH_16U, IPL_ORIGIN_BL);
  EXPECT_EQ(dib.Create(deep), 0);
  EXPECT_EQ(static_cast<BITMAPINFO*>(dib), nullptr);

  IplImage* topLeft = header(4, IPL_DEPTH_8U, IPL_ORIGIN_TL);
  ASSERT_EQ(dib.Create(topLeft), 1);
  EXPECT_EQ(dib.Size(), 40u);
  EXPECT_EQ(static_cast<BITMAPINFOHEADER*>(dib)->biHeight, 5);  // top-down not enabled
  CDibHeader::TLBitmapSupported(true);
  dib.Create(topLeft);
  EXPECT_EQ(static_cast<BITMAPINFOHEADER*>(dib)->biHeight, -5);
  dib.Create(grey);
  EXPECT_EQ(static_cast<BITMAPINFOHEADER*>(dib)->biHeight, 5);
  CDibHeader::TLBitmapSupported(false);

  CDibHeader copy;
  copy = dib;
  EXPECT_NE(static_cast<BITMAPINFO*>(copy), static_cast<BITMAPINFO*>(dib));
  EXPECT_EQ(copy.Size(), dib.Size());
  for (IplImage* h : {grey, deep, topLeft}) iplDeallocateHeader(h);
}

TEST(CxImageDC, NestedCallsShareOneContext) {
  CxImage img;
  EXPECT_EQ(img.GetDC(), nullptr);
  img.Create(4, 4);
  CDC* dc = img.GetDC();
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(dc->SelectedBitmap(), static_cast<HBITMAP>(img));
  EXPECT_EQ(img.GetDC(), dc);
  img.ReleaseDC();
  img.ReleaseDC();
  CDC* again = img.GetDC();
  EXPECT_NE(again, nullptr);
  img.GetDC();
  img.ReleaseDC(1);  // forced: gone whatever the count
  img.CleanUp();     // and clean-up releases any context still held
}

TEST(CxImageDC, DrawingLandsInTheImagePixelsTopRowFirst) {
  CxImage img;
  img.Create(2, 3);  // bottom-left origin: the top row is stored last
  struct {
    BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), 1, 1, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    uint8_t bits[4] = {1, 2, 3, 0};
  } dib;
  ASSERT_EQ(img.GetDC()->DrawDib(&dib.h), 1);
  img.ReleaseDC();
  EXPECT_EQ(img.GetRowPtr(2)[2], 3);
  EXPECT_EQ(img.GetRowPtr(0)[2], 0);
}

TEST(CxImageResources, LibraryAndCallerModules) {
  CxImage img;
  ASSERT_EQ(img.Create(kTransparencyCheckerName), 1);
  EXPECT_EQ(img.Width(), 16);
  EXPECT_EQ(img.SamplesPerPixel(), 3);
  EXPECT_EQ(img.GetRowPtr(0)[0], 204);
  EXPECT_EQ(img.GetRowPtr(0)[8 * 3], 153);
  EXPECT_EQ(img.GetRowPtr(8)[0], 153);
  ASSERT_EQ(img.Create(IDB_TRANSPARENCY_CHECKER), 1);
  EXPECT_EQ(img.Create("NO_SUCH_BITMAP"), 0);
  EXPECT_FALSE(img.IsValid());

  struct {
    BITMAPINFOHEADER h{sizeof(BITMAPINFOHEADER), 2, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    uint8_t bits[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  } bgra;
  const std::array<CBitmapResource, 1> table = {CBitmapResource{"ARGB", 7, &bgra.h, sizeof bgra}};
  const CResourceModule module(table);
  ASSERT_EQ(img.Create(static_cast<unsigned short>(7), &module), 1);
  EXPECT_EQ(img.HasAlphaChannel(), 4);
  EXPECT_EQ(img.GetRowPtr(0)[7], 8);
}

namespace {

struct PaletteScreen : IScreenDevice {
  int RasterCaps() const override { return RC_PALETTE; }
};

struct PaletteProbe : CxImage {
  static int Ask() { return PaletteDevice(); }
};

}  // namespace

TEST(CxImagePaletteDevice, AskedOnceAndCached) {
  PaletteScreen screen;
  IScreenDevice* previous = SetScreenDevice(&screen);
  CxImage::m_paletteDevice = -1;
  EXPECT_EQ(PaletteProbe::Ask(), 1);
  SetScreenDevice(previous);
  EXPECT_EQ(PaletteProbe::Ask(), 1);
  CxImage::m_paletteDevice = -1;
  EXPECT_EQ(PaletteProbe::Ask(), 0);
}
