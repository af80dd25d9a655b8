#include "ipl/Ipl.h"
#include "pixlib/core/CxImage.h"

#include <gtest/gtest.h>

TEST(CxImageCreate, SizeLimits) {
  CxImage img;
  EXPECT_EQ(img.Create(32768, 1), 1);
  EXPECT_EQ(img.Width(), 32768);
  EXPECT_EQ(img.Create(32769, 1), 0);
  EXPECT_FALSE(img.IsValid());
  EXPECT_EQ(img.Create(0, 10), 0);
  EXPECT_FALSE(img.IsValid());
  EXPECT_EQ(img.Width(), 0);
  EXPECT_EQ(img.GetRowBytes(), -1);
  EXPECT_EQ(img.PixelStride(), -1);
  EXPECT_EQ(img.FWidth(), 0.0f);
}

TEST(CxImageCreate, LibraryLayoutAndFloatSize) {
  CxImage img;
  ASSERT_EQ(img.Create(201, 100, 0, 1, 7), 1);
  IplImage* ipl = img;
  EXPECT_EQ(ipl->nChannels, 3);
  EXPECT_EQ(ipl->origin, IPL_ORIGIN_BL);
  EXPECT_EQ(img.GetRowBytes(), 604);  // 603 rounded up to 4
  EXPECT_EQ(img.PixelStride(), 3);
  EXPECT_FLOAT_EQ(img.FWidth(), 2.01f);
  EXPECT_FLOAT_EQ(img.FHeight(), 1.0f);
  EXPECT_EQ(img.GetRowPtr(99)[602], 7);
  EXPECT_EQ(ipl->roi->width, 201);
  EXPECT_EQ(ipl->roi->coi, 0);
  EXPECT_EQ(ipl->ID, img.Id());
  EXPECT_NE(static_cast<HBITMAP>(img), nullptr);
  EXPECT_EQ(img.GetBitmap()->bmiHeader.biBitCount, 24);

  ASSERT_EQ(img.Create(10, 10, 1), 1);
  EXPECT_EQ(img.SamplesPerPixel(), 4);
  EXPECT_EQ(img.HasAlphaChannel(), 4);
  EXPECT_EQ(img.BitsPerSample(), IPL_DEPTH_8U);
}

TEST(CxImageCreate, DefaultOriginAppliesToNewImages) {
  CxImage::DefaultImageOrigin(IPL_ORIGIN_TL);
  CxImage img;
  img.Create(4, 4);
  CxImage::DefaultImageOrigin(IPL_ORIGIN_BL);
  EXPECT_EQ(static_cast<IplImage*>(img)->origin, IPL_ORIGIN_TL);
}

TEST(CxImageCreate, IdsAreTakenInOrder) {
  CxImage a, b;
  EXPECT_EQ(b.Id(), a.Id() + 1);
}

TEST(CxImageCreate, GeneralLayouts) {
  CxImage grey;
  ASSERT_EQ(grey.Create(5, 3, "GRAY", "GRAY", 1, 0, IPL_ORIGIN_TL, IPL_DEPTH_8U, 1, 9), 1);
  EXPECT_EQ(grey.GetRowBytes(), 8);
  EXPECT_EQ(grey.GetRowPtr(2)[4], 9);  // the fill is honoured for bitmap-backed pixels too
  EXPECT_EQ(grey.GetBitmap()->bmiHeader.biBitCount, 8);

  CxImage fp;
  ASSERT_EQ(fp.Create(4, 2, "GRAY", "GRAY", 1, 0, IPL_ORIGIN_TL, IPL_DEPTH_32F, 1, 3), 1);
  EXPECT_EQ(fp.GetBitmap(), nullptr);
  EXPECT_EQ(static_cast<HBITMAP>(fp), nullptr);
  EXPECT_FLOAT_EQ(reinterpret_cast<float*>(fp.GetRowPtr(1))[3], 3.0f);
  EXPECT_EQ(fp.OwnershipFlags(), CxImage::OWN_HEADER | CxImage::OWN_IPL_DATA);

  CxImage wide;
  EXPECT_EQ(wide.Create(40000, 1, "GRAY", "GRAY", 1, 0, IPL_ORIGIN_TL, IPL_DEPTH_8U), 1);
  EXPECT_EQ(wide.Create(0, 1, "GRAY", "GRAY", 1, 0, IPL_ORIGIN_TL, IPL_DEPTH_8U), 0);
}

TEST(CxImageCreate, ResolutionAndProfile) {
  CxImage img;
  EXPECT_EQ(img.Resolution(), (CSize{72, 72}));
  img.Resolution(300);
  EXPECT_EQ(img.Resolution(), (CSize{300, 300}));
  img.Resolution(CSize{100, 200});
  EXPECT_EQ(img.Resolution().cy, 200);
  img.SetTargetProfile("sRGB");
  EXPECT_EQ(img.GetTargetProfile(), "sRGB");
}

TEST(CxImageRows, CopyWholeRowsAndRefuseOthers) {
  CxImage img;
  img.Create(3, 2);
  std::vector<unsigned char> row(static_cast<size_t>(img.GetRowBytes()));
  for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<unsigned char>(i + 1);
  EXPECT_EQ(img.PutRow(1, row.data()), 1);
  std::vector<unsigned char> back(row.size());
  EXPECT_EQ(img.GetRow(1, back.data()), 1);
  EXPECT_EQ(back, row);
  EXPECT_EQ(img.GetRow(2, back.data()), 0);
  EXPECT_EQ(img.PutRow(-1, row.data()), 0);
}
