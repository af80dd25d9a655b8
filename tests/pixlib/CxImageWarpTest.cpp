// Affine matrices, bounds, warps and zoom, against OpenCV computed with the
// matrix rebuilt from its definition.

#include "PixlibTestImages.h"
#include "pixlib/core/CxImage.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <limits>
#include <numbers>
#include <tuple>

namespace {

void ExpectSameMatrix(const double a[2][3], const double b[2][3]) {
  for (int r = 0; r < 2; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(a[r][c], b[r][c]) << "m" << r << c;
}

// The pixel matrix Warp(m, target) is defined to use, in doubles.
cv::Matx23d WarpPixelMatrix(const double m[2][3], const CRect& roi, int targetWidth, int targetHeight) {
  const double k = static_cast<double>(targetHeight) / (roi.bottom - roi.top);
  cv::Matx23d p(m[0][0] * k, m[0][1] * k, 0, m[1][0] * k, m[1][1] * k, 0);
  const double cx = (roi.left + roi.right) / 2.0, cy = (roi.top + roi.bottom) / 2.0;
  const double px = p(0, 0) * cx + p(0, 1) * cy, py = p(1, 0) * cx + p(1, 1) * cy;
  p(0, 2) = targetHeight * m[0][2] + (targetWidth / 2.0 - px);
  p(1, 2) = targetHeight * m[1][2] + (targetHeight / 2.0 - py);
  return p;
}

bool SamePixels(const CxImage& a, const CxImage& b) {
  return cv::countNonZero(StoredRows(a).reshape(1) != StoredRows(b).reshape(1)) == 0;
}

}  // namespace

TEST(TransformMatrix, WorkedExamplesAndAngleReduction) {
  double m[2][3], n[2][3];
  ASSERT_EQ(CxImage::TransformMatrix(1, 1, 0.005f, 0, 0, m), 1);
  const double identity[2][3] = {{1, 0, 0}, {0, 1, 0}};
  ExpectSameMatrix(m, identity);

  CxImage::TransformMatrix(2, 1, std::numbers::pi_v<float> / 2, 0.25f, -0.5f, m);
  EXPECT_EQ(m[0][1], 1.0);
  EXPECT_EQ(m[1][0], -2.0);
  EXPECT_LT(std::fabs(m[0][0]), 1e-7);
  EXPECT_LT(std::fabs(m[1][1]), 1e-7);
  EXPECT_EQ(m[0][2], 0.25);
  EXPECT_EQ(m[1][2], -0.5);

  CFPoint p;
  AffineTransform(CFPoint(3, 4), m, p);  // x' = y + 0.25, y' = -2x - 0.5
  EXPECT_NEAR(p.x, 4.25f, 1e-6);
  EXPECT_NEAR(p.y, -6.5f, 1e-6);

  CxImage::TransformMatrix(1, 1, -std::numbers::pi_v<float> / 2, 0, 0, m);
  CxImage::TransformMatrix(1, 1, 3 * std::numbers::pi_v<float> / 2, 0, 0, n);
  ExpectSameMatrix(m, n);
  // Just short of a full turn snaps to 0; a large angle (a database value
  // in hundredths of a radian) is reduced exactly.
  CxImage::TransformMatrix(1, 1, 6.28f, 0, 0, m);
  ExpectSameMatrix(m, identity);
  const float large = 1.0e7f;
  CxImage::TransformMatrix(1, 1, large, 0, 0, m);
  CxImage::TransformMatrix(
      1, 1, static_cast<float>(std::fmod(static_cast<double>(large), 2 * std::numbers::pi)), 0, 0, n);
  ExpectSameMatrix(m, n);
}

TEST(TransformMatrix, NonFiniteInputIsRefused) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  double m[2][3];
  for (const auto& args : {std::array{1.0f, 1.0f, inf, 0.0f, 0.0f},
                           {1.0f, 1.0f, -inf, 0.0f, 0.0f},
                           {nan, 1.0f, 0.0f, 0.0f, 0.0f},
                           {1.0f, 1.0f, 0.0f, 0.0f, inf}}) {
    m[0][0] = 7;
    EXPECT_EQ(CxImage::TransformMatrix(args[0], args[1], args[2], args[3], args[4], m), 0);
    EXPECT_EQ(m[0][0], 0.0);  // a zero matrix: every warp refuses it
  }
  CxImage image;
  image.Create(30, 20);
  CFRect r;
  EXPECT_EQ(image.GetTransformBoundsRect(1, 1, inf, r), 0);
}

TEST(FloatRect, NormalizePutsTheLargerYOnTop) {
  CFRect r(5, 1, 2, 3);  // left, top, right, bottom
  r.Normalize();
  EXPECT_EQ(std::tuple(r.left, r.top, r.right, r.bottom), std::tuple(2.0f, 3.0f, 5.0f, 1.0f));
}

TEST(TransformBounds, UprightAndQuarterTurn) {
  CxImage image;
  ASSERT_EQ(image.Create(300, 200), 1);
  CFRect r;
  ASSERT_EQ(image.GetTransformBoundsRect(1, 1, 0, r), 1);
  EXPECT_FLOAT_EQ(r.left, 0.0f);
  EXPECT_FLOAT_EQ(r.right, 1.5f);
  EXPECT_FLOAT_EQ(r.bottom, 0.0f);
  EXPECT_FLOAT_EQ(r.top, 1.0f);
  image.GetTransformBoundsRect(1, 1, std::numbers::pi_v<float> / 2, r);
  EXPECT_NEAR(r.left, 0.0f, 1e-6);
  EXPECT_NEAR(r.right, 1.0f, 1e-6);
  EXPECT_NEAR(r.bottom, -1.5f, 1e-6);
  EXPECT_NEAR(r.top, 0.0f, 1e-6);
}

TEST(AffineWarp, EqualsOpenCvWithTheMatrixItDefines) {
  for (const int alpha : {0, 1}) {
    CxImage source, target, expected;
    source.Create(120, 80, alpha);
    FillNoise(source, 7);
    ASSERT_EQ(source.SetROI(0, 10, 5, 90, 60), 1);
    target.Create(150, 100, alpha);
    FillNoise(target, 8);
    expected.Create(150, 100, alpha);
    StoredRows(target).copyTo(StoredRows(expected));

    double m[2][3];
    CxImage::TransformMatrix(0.8f, 0.9f, 0.3f, 0.1f, -0.05f, m);
    CRect roi;
    source.GetROI(roi);
    const cv::Matx23d pixel = WarpPixelMatrix(m, roi, 150, 100);
    ASSERT_EQ(source.Warp(m, target), 1);
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(m[r][c], pixel(r, c), 1e-9) << "the matrix is rewritten";

    // The warp samples only the ROI; the same ROI-local matrix for OpenCV.
    cv::Matx23d local = pixel;
    local(0, 2) += pixel(0, 0) * roi.left + pixel(0, 1) * roi.top;
    local(1, 2) += pixel(1, 0) * roi.left + pixel(1, 1) * roi.top;
    cv::Mat out = StoredRows(expected);
    cv::warpAffine(StoredRows(source)(cv::Rect(10, 5, 90, 60)), out, local, out.size(), cv::INTER_CUBIC,
                   cv::BORDER_TRANSPARENT);
    EXPECT_TRUE(SamePixels(target, expected)) << "alpha " << alpha;
  }
}

TEST(AffineWarp, SingularAndNonFiniteMatricesChangeNothing) {
  CxImage source, target, before;
  source.Create(40, 30);
  FillNoise(source, 1);
  target.Create(50, 40);
  FillNoise(target, 2);
  before.Create(50, 40);
  StoredRows(target).copyTo(StoredRows(before));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  double matrices[][2][3] = {{{0, 0, 0.1}, {0, 0, 0.2}},       // an extreme zoom out
                             {{1, 2, 0}, {2, 4, 0}},           // rank one
                             {{1, 0, nan}, {0, 1, 0}},         // corrupt offset
                             {{1e300, 0, 0}, {0, 1e300, 0}}};  // overflows once scaled
  for (auto& m : matrices) {
    EXPECT_EQ(source.Warp(m, target), 0);
    EXPECT_EQ(source.WarpOver(m, target), 0);
  }
  EXPECT_TRUE(SamePixels(target, before));
}

TEST(AffineWarpOver, PlacesTheCentreTwoPixelsOffAndKeepsTheTargetElsewhere) {
  // A 3-channel layer is opaque: a white 20 x 20 square over a black 80 x 80 target.
  CxImage layer, target;
  layer.Create(20, 20, 0, 1, 255);
  target.Create(80, 80, 0, 1, 0);
  double m[2][3];
  CxImage::TransformMatrix(0.25f, 0.25f, 0, 0, 0, m);  // 0.25 target heights = the layer's own size
  ASSERT_EQ(layer.WarpOver(m, target), 1);
  EXPECT_EQ(m[0][0], 1.0);
  EXPECT_EQ(m[0][2], 32.0);  // the centre 40 - 10 + 2
  // Covered: x 32..51 (stored y likewise); the ROI is left on the box.
  EXPECT_EQ(Sample(target, 32, 32, 0), 255);
  EXPECT_EQ(Sample(target, 51, 51, 1), 255);
  EXPECT_EQ(Sample(target, 31, 40, 2), 0);
  EXPECT_EQ(Sample(target, 40, 52, 2), 0);
  CRect roi;
  target.GetROI(roi);
  EXPECT_EQ(roi.left, 32);
  EXPECT_EQ(roi.top, 32);

  // Wholly outside the target: nothing changes.
  CxImage untouched;
  untouched.Create(80, 80, 0, 1, 0);
  CxImage::TransformMatrix(0.25f, 0.25f, 0, 5.0f, 0, m);
  EXPECT_EQ(layer.WarpOver(m, untouched), 1);
  EXPECT_EQ(cv::countNonZero(StoredRows(untouched).reshape(1)), 0);
}

TEST(AffineWarpOver, TransparentLayerPixelsLeaveTheTarget) {
  // Premultiplied BGRA: left half opaque red, right half transparent.
  CxImage layer, target;
  layer.Create(20, 10, 1, 1, 0);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) layer.GetRowPtr(y)[x * 4 + 2] = layer.GetRowPtr(y)[x * 4 + 3] = 255;
  target.Create(20, 10, 0, 1, 90);
  ASSERT_EQ(layer.WarpOver(target), 1);
  EXPECT_EQ(Sample(target, 3, 5, 2), 255);
  EXPECT_EQ(Sample(target, 3, 5, 0), 0);
  EXPECT_EQ(Sample(target, 16, 5, 0), 90);
  EXPECT_EQ(Sample(target, 16, 5, 2), 90);

  // The plain warp scales alpha like any channel.
  CxImage scaled;
  scaled.Create(40, 20, 1, 1, 0);
  ASSERT_EQ(layer.Warp(scaled), 1);
  EXPECT_EQ(Sample(scaled, 5, 10, 3), 255);
  EXPECT_EQ(Sample(scaled, 35, 10, 3), 0);
}

TEST(ZoomTest, ReadsTheRectangleFromItsBottomEdgeAsCopyDoes) {
  // 100 x 100: the lower half (stored rows 0..49) black, the upper half white.
  CxImage image, zoomed, copied;
  image.Create(100, 100, 0, 1, 0);
  for (int y = 50; y < 100; ++y) std::fill_n(image.GetRowPtr(y), 300, 255);
  const CFRect upper(0.0f, 1.0f, 1.0f, 0.5f), lower(0.0f, 0.5f, 1.0f, 0.0f);
  ASSERT_EQ(image.Zoom(upper, 0.5f, zoomed), 1);
  EXPECT_EQ(zoomed.Width(), 50);
  EXPECT_EQ(zoomed.Height(), 25);
  EXPECT_EQ(cv::countNonZero(StoredRows(zoomed).reshape(1) != 255), 0);
  copied.Create(50, 25, 0, 1, 7);
  ASSERT_EQ(image.Copy(upper, CFRect(0, copied.FHeight(), copied.FWidth(), 0), copied), 1);
  copied.SetCOI(0);
  EXPECT_TRUE(SamePixels(zoomed, copied));

  ASSERT_EQ(image.Zoom(lower, 2.0f, zoomed), 1);
  EXPECT_EQ(zoomed.Width(), 200);
  EXPECT_EQ(zoomed.Height(), 100);
  EXPECT_EQ(cv::countNonZero(StoredRows(zoomed).reshape(1)), 0);

  EXPECT_EQ(image.Zoom(CFRect(2.0f, 1.0f, 3.0f, 0.0f), 1.0f, zoomed), 0);  // beyond the right edge
  EXPECT_EQ(image.Zoom(upper, 0.0f, zoomed), 0);
  EXPECT_EQ(image.Zoom(upper, std::numeric_limits<float>::infinity(), zoomed), 0);
  EXPECT_EQ(image.Zoom(upper, 1e6f, zoomed), 0);  // larger than any image
}

TEST(ZoomTest, KeepsAlpha) {
  CxImage image, zoomed;
  image.Create(40, 40, 1, 1, 200);
  ASSERT_EQ(image.Zoom(CFRect(0, 1, 1, 0), 1.5f, zoomed), 1);
  EXPECT_EQ(zoomed.HasAlphaChannel(), 4);
  EXPECT_EQ(Sample(zoomed, 30, 30, 3), 200);
}
