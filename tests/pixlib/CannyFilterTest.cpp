// The edge filter against OpenCV's Canny (L2 gradient, same thresholds) on
// the simulated camera's scene, smoothed the same way first.

#include "PixlibTestImages.h"
#include "pixlib/core/CannyFilter.h"
#include "pylon/sim/SimScene.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>

TEST(CannyFilterTest, AgreesWithOpenCvOnTheSimulatedScene) {
  constexpr int kWidth = 320, kHeight = 240;
  constexpr float kSigma = 1.0f;
  constexpr int kLow = 40, kHigh = 120;
  CxImage scene, edges;
  ASSERT_EQ(scene.Create(kWidth, kHeight), 1);
  Pylon::CSimScene sim(kWidth, kHeight);
  Pylon::SFrameGeometry geometry{0, 0, kWidth, kHeight,
                                 static_cast<uint32_t>(scene.GetRowBytes() - 3 * kWidth)};
  sim.Render(Pylon::PixelType_BGR8packed, geometry, Pylon::SExposure{}, scene.GetRowPtr(0));
  ASSERT_EQ(edges.Create(kWidth, kHeight, 0, 1, 0), 1);
  ASSERT_EQ(CannyFilter(scene, edges, kSigma, kLow, kHigh), 1);

  const int kernel = 2 * static_cast<int>(std::ceil(3 * kSigma)) + 1;
  // The filter reads the picture top row first, as OpenCV reads a matrix.
  cv::Mat sceneTopFirst, edgesTopFirst;
  cv::flip(StoredRows(scene), sceneTopFirst, 0);
  cv::flip(StoredRows(edges), edgesTopFirst, 0);
  std::vector<cv::Mat> planes, ours;
  cv::split(sceneTopFirst, planes);
  cv::split(edgesTopFirst, ours);
  for (int c = 0; c < 3; ++c) {
    cv::Mat smooth, reference;
    cv::GaussianBlur(planes[c], smooth, cv::Size(kernel, kernel), kSigma, kSigma, cv::BORDER_REPLICATE);
    cv::Canny(smooth, reference, kLow, kHigh, 3, true);
    const cv::Mat mine = ours[c] > 0;
    const int agree = cv::countNonZero(mine == reference);
    const int both = cv::countNonZero(mine & reference), either = cv::countNonZero(mine | reference);
    EXPECT_GE(agree, 0.98 * kWidth * kHeight) << "channel " << c;
    EXPECT_GT(cv::countNonZero(reference), 500) << "the scene has edges";
    EXPECT_GE(both, 0.9 * either) << "channel " << c << ": the edges themselves mostly coincide";
  }
  // Edge samples keep their gradient magnitude: at least the low threshold.
  double smallest = 0;
  cv::Mat values = StoredRows(edges).reshape(1);
  cv::minMaxLoc(values, &smallest, nullptr, nullptr, nullptr, values > 0);
  EXPECT_GE(smallest, kLow);
}

TEST(CannyFilterTest, ChannelOfInterestAndRefusals) {
  CxImage image, edges;
  image.Create(40, 40, 0, 1, 0);
  for (int y = 0; y < 40; ++y) std::fill_n(image.GetRowPtr(y) + 3 * 20, 3 * 20, 200);  // a vertical step
  edges.Create(40, 40, 0, 1, 0);
  image.SetCOI(2);
  ASSERT_EQ(CannyFilter(image, edges, 1.0f, 50, 100), 1);
  std::vector<cv::Mat> planes;
  cv::split(StoredRows(edges), planes);
  EXPECT_GT(cv::countNonZero(planes[0]), 30);  // the destination has no COI: its first channel
  EXPECT_EQ(cv::countNonZero(planes[1]) + cv::countNonZero(planes[2]), 0);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x)
      if (Sample(edges, x, y, 0)) {
        EXPECT_TRUE(x == 19 || x == 20) << x;  // one thin line at the step
      }

  CxImage empty;
  EXPECT_EQ(CannyFilter(empty, edges, 1.0f, 50, 100), 0);
  EXPECT_EQ(CannyFilter(image, edges, std::nanf(""), 50, 100), 0);
}
