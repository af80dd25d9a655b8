// Display through a device context over a recording device: resampling
// against cv::resize, clipping of the source, and what each device is given.

#include "PixlibTestImages.h"
#include "pixlib/core/CxImage.h"
#include "pixlib/core/ScreenDevice.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

namespace {

// Records every drawing and the source pixels it was given, as stored rows.
class RecordingDevice : public IDisplayDevice {
 public:
  RecordingDevice(int technology, int caps) : m_technology(technology), m_caps(caps) {}
  int Technology() const override { return m_technology; }
  int RasterCaps() const override { return m_caps; }
  int Draw(const DibDrawing& d) override {
    drawings.push_back(d);
    const BITMAPINFOHEADER& h = d.info->bmiHeader;
    const int stride = (h.biWidth * h.biBitCount + 31) / 32 * 4;
    const int rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    const cv::Mat whole(rows, h.biWidth, CV_8UC(h.biBitCount / 8), const_cast<void*>(d.bits), stride);
    pixels = whole(cv::Rect(d.xSrc, d.ySrc, d.wSrc, d.hSrc)).clone();
    return 1;
  }

  std::vector<DibDrawing> drawings;
  cv::Mat pixels;

 private:
  int m_technology, m_caps;
};

}  // namespace

TEST(StretchBits, ResamplesUpAndDownLikeCvResize) {
  CxImage image;
  image.Create(90, 60);
  FillNoise(image, 11);
  for (const cv::Size target : {cv::Size(40, 25), cv::Size(200, 150), cv::Size(120, 30)}) {
    RecordingDevice screen(DT_RASDISPLAY, 0);
    CDC dc(&screen);
    ASSERT_EQ(image.StretchBits(&dc, 5, 7, target.width, target.height, 10, 5, 60, 40, SRCCOPY, 1), 1);
    ASSERT_EQ(screen.drawings.size(), 1u);
    const DibDrawing& d = screen.drawings[0];
    EXPECT_EQ(cv::Rect(d.xDst, d.yDst, d.wDst, d.hDst), cv::Rect(5, 7, target.width, target.height));
    EXPECT_EQ(cv::Size(d.wSrc, d.hSrc), target) << "the device gets the bitmap at its final size";
    cv::Mat expected;
    cv::resize(StoredRows(image)(cv::Rect(10, 5, 60, 40)), expected, target, 0, 0, cv::INTER_CUBIC);
    EXPECT_EQ(cv::countNonZero(screen.pixels.reshape(1) != expected.reshape(1)), 0) << target;
  }
  CRect roi;
  image.GetROI(roi);
  EXPECT_EQ(roi, (CRect{0, 0, 90, 60})) << "the image's own ROI is left as it was";
}

TEST(StretchBits, EqualSizesAreNeverResampledAndDevicesGetWhatTheyUse) {
  CxImage image;
  image.Create(30, 20);
  FillNoise(image, 12);
  RecordingDevice printer(DT_RASPRINTER, 0), palette(DT_RASDISPLAY, RC_PALETTE);
  CDC onPrinter(&printer), onPalette(&palette);
  constexpr unsigned long kInvert = 0x00550009;
  ASSERT_EQ(image.StretchBits(&onPrinter, 0, 0, 30, 20, 0, 0, 30, 20, kInvert, 1), 1);
  EXPECT_EQ(printer.drawings[0].bits, image.GetBits());
  EXPECT_EQ(printer.drawings[0].rop, kInvert);  // only a printer is given the raster operation
  EXPECT_FALSE(printer.drawings[0].halftone);
  ASSERT_EQ(image.StretchBits(&onPalette, 0, 0, 60, 40, 0, 0, 30, 20, kInvert, 0), 1);
  EXPECT_EQ(palette.drawings[0].bits, image.GetBits());  // no resampling asked
  EXPECT_EQ(palette.drawings[0].rop, SRCCOPY);
  EXPECT_TRUE(palette.drawings[0].halftone);

  ASSERT_EQ(image.SetBits(&onPalette, 3, 4, 10, 8, 2, 1, kInvert), 1);
  const DibDrawing& set = palette.drawings[1];
  EXPECT_EQ(cv::Rect(set.xDst, set.yDst, set.wDst, set.hDst), cv::Rect(3, 4, 10, 8));
  EXPECT_EQ(cv::Rect(set.xSrc, set.ySrc, set.wSrc, set.hSrc), cv::Rect(2, 1, 10, 8));
  EXPECT_EQ(set.rop, SRCCOPY);
}

TEST(StretchBits, SourceIsCutToTheImageAndEmptyTargetsDrawNothing) {
  CxImage image;
  image.Create(40, 30);
  FillNoise(image, 13);
  RecordingDevice screen(DT_RASDISPLAY, 0);
  CDC dc(&screen);
  // Twice the size; the source sticks out 10 pixels right and 10 rows past
  // the last stored row, which for a bottom-up image is the top of the picture.
  ASSERT_EQ(image.StretchBits(&dc, 0, 0, 80, 60, 10, 0, 40, 40, SRCCOPY, 0), 1);
  const DibDrawing& d = screen.drawings.back();
  EXPECT_EQ(cv::Rect(d.xSrc, d.ySrc, d.wSrc, d.hSrc), cv::Rect(10, 0, 30, 30));
  EXPECT_EQ(cv::Rect(d.xDst, d.yDst, d.wDst, d.hDst), cv::Rect(0, 15, 60, 45));

  ASSERT_EQ(image.SetBits(&dc, 0, 0, 100, 100, -5, 0, SRCCOPY), 1);
  const DibDrawing& s = screen.drawings.back();
  EXPECT_EQ(cv::Rect(s.xSrc, s.ySrc, s.wSrc, s.hSrc), cv::Rect(0, 0, 40, 30));
  EXPECT_EQ(cv::Rect(s.xDst, s.yDst, s.wDst, s.hDst), cv::Rect(5, 70, 40, 30));

  const size_t drawn = screen.drawings.size();
  EXPECT_EQ(image.StretchBits(&dc, 0, 0, 0, 10, 0, 0, 40, 30, SRCCOPY, 1), 0);
  EXPECT_EQ(image.StretchBits(&dc, 0, 0, 10, -10, 0, 0, 40, 30, SRCCOPY, 1), 0);
  EXPECT_EQ(image.StretchBits(&dc, 0, 0, 10, 10, 50, 0, 40, 30, SRCCOPY, 1), 0);  // wholly outside
  EXPECT_EQ(image.SetBits(&dc, 0, 0, 10, 10, 0, 30, SRCCOPY), 0);
  CxImage empty;
  EXPECT_EQ(empty.StretchBits(&dc, 0, 0, 10, 10, 0, 0, 10, 10, SRCCOPY, 1), 0);
  CDC memory;
  EXPECT_EQ(image.SetBits(&memory, 0, 0, 10, 10, 0, 0, SRCCOPY), 0);  // no device behind it
  EXPECT_EQ(screen.drawings.size(), drawn);
}
