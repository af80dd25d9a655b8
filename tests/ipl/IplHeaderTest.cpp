#include "tests/ipl/IplTestImage.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(IplHeader, RowsAreAlignedAndTagsKept) {
  IplImage* h = iplCreateImageHeader(3, 0, IPL_DEPTH_8U, "RGB", "BGR", IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_BL,
                                     IPL_ALIGN_4BYTES, 5, 2, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->widthStep, 16);
  EXPECT_EQ(h->imageSize, 32);
  EXPECT_EQ(std::memcmp(h->channelSeq, "BGR", 3), 0);
  EXPECT_EQ(h->imageData, nullptr);
  iplDeallocateHeader(h);

  IplImage* q = iplCreateImageHeader(1, 0, IPL_DEPTH_8U, "GRAY", "GRAY", IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_TL,
                                     IPL_ALIGN_8BYTES, 9, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->widthStep, 16);
  iplDeallocate(q, IPL_IMAGE_HEADER);
}

TEST(IplHeader, BadLayoutsFailThroughTheErrorHandler) {
  ErrorRecorder errors;
  EXPECT_EQ(iplCreateImageHeader(5, 0, IPL_DEPTH_8U, "RGB", "BGR", 0, 0, 4, 4, 4, nullptr, nullptr, nullptr,
                                 nullptr),
            nullptr);
  EXPECT_EQ(iplGetErrStatus(), IPL_BadNumChannels);
  EXPECT_EQ(iplCreateImageHeader(3, 0, IPL_DEPTH_8U, "RGB", "BGR", 0, 0, 4, 0, 4, nullptr, nullptr, nullptr,
                                 nullptr),
            nullptr);
  // 2^31 bytes would overflow the 32-bit size field.
  EXPECT_EQ(iplCreateImageHeader(4, 0, IPL_DEPTH_8U, "RGB", "BGRA", 0, 0, 4, 32768, 32768, nullptr, nullptr,
                                 nullptr, nullptr),
            nullptr);
  EXPECT_EQ(iplGetErrStatus(), IPL_BadImageSize);
  EXPECT_EQ(ErrorRecorder::statuses().size(), 3u);
  iplCopy(nullptr, nullptr);
  EXPECT_EQ(iplGetErrStatus(), IPL_HeaderIsNull);
}

TEST(IplHeader, CloneIsDeepAndKeepsTheRoi) {
  TestImage src(6, 4, 3);
  src.fill([](int x, int y, int c) { return x * 10 + y + c; });
  src.setRoi(2, 1, 1, 3, 2);
  IplImage* clone = iplCloneImage(src);
  ASSERT_NE(clone, nullptr);
  ASSERT_NE(clone->roi, src->roi);
  EXPECT_EQ(clone->roi->coi, 2);
  EXPECT_EQ(clone->roi->width, 3);
  src.at(5, 3, 2) = 0;
  EXPECT_EQ(reinterpret_cast<uint8_t*>(clone->imageData)[3 * clone->widthStep + 5 * 3 + 2], 55);
  iplDeallocate(clone, IPL_IMAGE_ALL);
}

TEST(IplHeader, AllocationFillsAndFloatImagesFillWithFloats) {
  TestImage img(3, 3, 1);
  EXPECT_EQ(img.at(2, 2), 0);
  IplImage* fp = iplCreateImageHeader(1, 0, IPL_DEPTH_32F, "GRAY", "GRAY", 0, 0, 4, 3, 2, nullptr, nullptr,
                                      nullptr, nullptr);
  iplAllocateImageFP(fp, 1, 1.5f);
  ASSERT_NE(fp->imageData, nullptr);
  EXPECT_FLOAT_EQ(reinterpret_cast<float*>(fp->imageData + fp->widthStep)[2], 1.5f);
  iplDeallocate(fp, IPL_IMAGE_HEADER | IPL_IMAGE_DATA);
}
