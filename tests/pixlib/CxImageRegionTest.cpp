#include "ipl/Ipl.h"
#include "pixlib/core/CxImage.h"

#include <gtest/gtest.h>

namespace {
IplROI roiOf(const CxImage& img) { return *static_cast<IplImage*>(img)->roi; }
}  // namespace

TEST(CxImageRoi, ClampsInTheStatedOrder) {
  CxImage img;
  img.Create(100, 100);
  EXPECT_EQ(img.SetROI(0, -5, -5, 10, 10), 1);
  EXPECT_EQ(roiOf(img).xOffset, 0);
  EXPECT_EQ(roiOf(img).width, 10);
  EXPECT_EQ(img.SetROI(0, 100, 0, 10, 10), 0);
  EXPECT_EQ(roiOf(img).width, 10);  // unchanged after a refusal
  EXPECT_EQ(img.SetROI(2, 95, 90, 10, 20), 1);
  EXPECT_EQ(roiOf(img).width, 5);
  EXPECT_EQ(roiOf(img).height, 10);
  EXPECT_EQ(roiOf(img).coi, 2);
  EXPECT_EQ(img.SetROI(0, 150, 0, 10, 10), 1);  // past the edge becomes the last column
  EXPECT_EQ(roiOf(img).xOffset, 99);
  EXPECT_EQ(roiOf(img).width, 1);
  EXPECT_EQ(img.SetROI(5, 0, 0, 10, 10), 0);  // no fifth channel
  CxImage empty;
  EXPECT_EQ(empty.SetROI(0, 0, 0, 1, 1), 0);
}

TEST(CxImageRoi, CoiResetsTheRoi) {
  CxImage img;
  img.Create(30, 20);
  img.SetROI(0, 5, 5, 3, 3);
  EXPECT_EQ(img.SetCOI(2), 1);
  EXPECT_EQ(roiOf(img).coi, 2);
  EXPECT_EQ(roiOf(img).xOffset, 0);
  EXPECT_EQ(roiOf(img).width, 30);
  EXPECT_EQ(roiOf(img).height, 20);
}

TEST(CxImageRoi, IntegerAndFloatRectangles) {
  CxImage img;
  img.Create(200, 100);
  EXPECT_EQ(img.SetROI(0, CRect{10, 50, 30, 20}), 1);  // top 50 above bottom 20
  CRect r;
  img.GetROI(r);
  EXPECT_EQ(r, (CRect{10, 20, 30, 50}));
  // The left half of the image, about the centre; the left edge is raised to -1.
  EXPECT_EQ(img.SetROI(0, CFRect(-5.0f, 0.5f, 0.0f, -0.5f)), 1);
  img.GetROI(r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 100);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.bottom, 99);
}

TEST(CxImageRoi, SetFillsOnlyRoiAndCoi) {
  CxImage img;
  img.Create(4, 2);
  img.SetROI(3, 1, 1, 2, 1);
  img.Set(250);
  const unsigned char* row = img.GetRowPtr(1);
  EXPECT_EQ(row[3 + 2], 250);
  EXPECT_EQ(row[6 + 2], 250);
  EXPECT_EQ(row[3 + 1], 0);
  EXPECT_EQ(row[9 + 2], 0);
  EXPECT_EQ(img.GetRowPtr(0)[5], 0);
}
