// Geometry of the imaging library on a 2448 x 2048 BGR frame against the
// direct OpenCV calls, alternated in one run; prints medians and ratios.
// - the station's rotation of a frame by a non-right angle (TransformMatrix
//   and Warp) against cv::warpAffine with the same pixel matrix;
// - StretchBits resampling a frame for a 1024-pixel pane against cv::resize;
// - CannyFilter on one channel against GaussianBlur plus cv::Canny.

#include "bench/common/AlternatingRuns.h"
#include "pixlib/core/CannyFilter.h"
#include "pixlib/core/CxImage.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kWidth = 2448, kHeight = 2048, kRounds = 11;

void Compare(const char* name, double goal, const std::function<void()>& ours,
             const std::function<void()>& reference) {
  const bench::MedianPair m = bench::AlternatingMedians(kRounds, ours, reference);
  std::printf("%-26s ours %9.2f ms   reference %9.2f ms   ratio %.2f (goal %.2f)\n", name, m.ours,
              m.reference, m.Ratio(), goal);
}

cv::Mat View(const CxImage& image) {
  return cv::Mat(image.Height(), image.Width(), CV_8UC(image.SamplesPerPixel()), image.GetRowPtr(0),
                 static_cast<size_t>(image.GetRowBytes()));
}

// Draws nothing: StretchBits's own work is the resampling.
class NullDevice : public IDisplayDevice {
 public:
  int Technology() const override { return DT_RASDISPLAY; }
  int RasterCaps() const override { return 0; }
  int Draw(const DibDrawing&) override { return 1; }
};

}  // namespace

int main() {
  cv::setNumThreads(1);
  CxImage frame, rotated, grey, edges;
  frame.Create(kWidth, kHeight);
  rotated.Create(kWidth, kHeight, 0, 1, 0);
  cv::randu(View(frame), 0, 256);
  cv::GaussianBlur(View(frame), View(frame), cv::Size(9, 9), 3);  // a picture, not noise
  std::printf("%d x %d BGR, median of %d rounds each, one thread\n", kWidth, kHeight, kRounds);

  double m[2][3];
  CxImage::TransformMatrix(1, 1, static_cast<float>(3150 / 572.95779513), 0, 0, m);
  double pixel[2][3];
  std::copy(&m[0][0], &m[0][0] + 6, &pixel[0][0]);
  frame.Warp(pixel, rotated);  // the pixel matrix it uses
  const cv::Matx23d forward(pixel[0][0], pixel[0][1], pixel[0][2], pixel[1][0], pixel[1][1], pixel[1][2]);
  cv::Mat reference(kHeight, kWidth, CV_8UC3);
  Compare(
      "rotate frame 315 degrees", 1.10,
      [&] {
        double w[2][3];
        std::copy(&m[0][0], &m[0][0] + 6, &w[0][0]);
        frame.Warp(w, rotated);
      },
      [&] {
        cv::warpAffine(View(frame), reference, forward, reference.size(), cv::INTER_CUBIC,
                       cv::BORDER_TRANSPARENT);
      });

  NullDevice device;
  CDC dc(&device);
  const int paneHeight = 1024 * kHeight / kWidth;
  cv::Mat pane;
  Compare(
      "stretch to a 1024 pane", 1.20,
      [&] { frame.StretchBits(&dc, 0, 0, 1024, paneHeight, 0, 0, kWidth, kHeight, SRCCOPY, 1); },
      [&] { cv::resize(View(frame), pane, cv::Size(1024, paneHeight), 0, 0, cv::INTER_CUBIC); });

  grey.Create(kWidth, kHeight, "GRAY", "GRAY", 1, 0, IPL_ORIGIN_BL, IPL_DEPTH_8U);
  edges.Create(kWidth, kHeight, "GRAY", "GRAY", 1, 0, IPL_ORIGIN_BL, IPL_DEPTH_8U);
  cv::extractChannel(View(frame), View(grey), 1);
  cv::Mat smooth, cvEdges;
  Compare(
      "canny, one channel", 3.0, [&] { CannyFilter(grey, edges, 1.4f, 20, 60); },
      [&] {
        cv::GaussianBlur(View(grey), smooth, cv::Size(11, 11), 1.4, 1.4, cv::BORDER_REPLICATE);
        cv::Canny(smooth, cvEdges, 20, 60, 3, true);
      });
  return 0;
}
