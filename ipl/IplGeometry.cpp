// Mirror, rotation and affine warps.
//
// Coordinates are image coordinates: x along a row, y along the stored rows
// (so y grows upwards for a bottom-left origin image), with pixel (x, y) at
// integer position (x, y). Source pixels come from the source ROI only;
// target pixels that no source pixel maps to keep their values, as IPL does.

#include "ipl/IplMatView.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

namespace {

int warpInterpolation(int interpolate) {
  switch (interpolate) {
    case IPL_INTER_NN:
      return cv::INTER_NEAREST;
    case IPL_INTER_LINEAR:
      return cv::INTER_LINEAR;
    case IPL_INTER_CUBIC:
      return cv::INTER_CUBIC;
    default:
      return -1;
  }
}

// Warps src's ROI into dst's ROI with the forward matrix m, given in the
// images' own coordinates.
void warp(const char* func, IplImage* src, IplImage* dst, const double m[2][3], int interpolate,
          bool skipAlpha) {
  if (!ipl::usable(src, func) || !ipl::usable(dst, func)) return;
  const int method = warpInterpolation(interpolate);
  if (method < 0 || src->depth != dst->depth) {
    ipl::fail(func, IPL_StsBadArg, "interpolation or depths");
    return;
  }
  ipl::guarded(func, [&] {
    const cv::Rect sr = ipl::roiRect(src), dr = ipl::roiRect(dst);
    // Move the matrix from whole-image coordinates to ROI-local ones.
    cv::Matx23d local(m[0][0], m[0][1], m[0][0] * sr.x + m[0][1] * sr.y + m[0][2] - dr.x, m[1][0], m[1][1],
                      m[1][0] * sr.x + m[1][1] * sr.y + m[1][2] - dr.y);
    cv::Mat s = ipl::roiView(src);
    if (src->imageData == dst->imageData) s = s.clone();  // the warp cannot work in place
    cv::Mat d = ipl::roiView(dst);
    ipl::applyToChannels(src, s, dst, d, skipAlpha, [&](const cv::Mat& a, cv::Mat& b) {
      cv::warpAffine(a, b, local, b.size(), method, cv::BORDER_TRANSPARENT);
    });
  });
}

}  // namespace

extern "C" {

// flipAxis 0 flips top and bottom, 1 left and right, -1 both.
void iplMirror(IplImage* src, IplImage* dst, int flipAxis) {
  const char* func = "iplMirror";
  if (!ipl::usable(src, func) || !ipl::usable(dst, func)) return;
  if (flipAxis < -1 || flipAxis > 1 || src->depth != dst->depth) {
    ipl::fail(func, IPL_StsBadArg, "axis or depths");
    return;
  }
  ipl::guarded(func, [&] {
    cv::Mat s = ipl::roiView(src), d = ipl::roiView(dst);
    if (s.size() != d.size()) {
      ipl::fail(func, IPL_BadROISize, "source and target ROIs differ in size");
      return;
    }
    // OpenCV's codes: 0 around the x axis, 1 around the y axis, -1 both.
    ipl::applyToChannels(src, s, dst, d, false,
                         [&](const cv::Mat& a, cv::Mat& b) { cv::flip(a, b, flipAxis); });
  });
}

// x' = x cos a + y sin a + xShift, y' = -x sin a + y cos a + yShift, a in
// degrees. All channels, alpha included, are rotated.
void iplRotate(IplImage* src, IplImage* dst, double angle, double xShift, double yShift, int interpolate) {
  const double a = angle * CV_PI / 180.0;
  // Exact values at right angles keep nearest-neighbour rotations lossless.
  const auto snap = [](double v) { return std::abs(v) < 1e-12 ? 0.0 : v; };
  const double c = snap(std::cos(a)), s = snap(std::sin(a));
  const double m[2][3] = {{c, s, xShift}, {-s, c, yShift}};
  warp("iplRotate", src, dst, m, interpolate, false);
}

// The alpha channel named by the header is not warped (see iplDecimate).
void iplWarpAffine(IplImage* src, IplImage* dst, const double coeffs[2][3], int interpolate) {
  warp("iplWarpAffine", src, dst, coeffs, interpolate, true);
}

// Bounding box of the warped ROI: rect[0] = (min x, min y), rect[1] = (max x,
// max y). The ROI is taken by its pixel edges, x0 .. x0 + width.
void iplGetAffineBound(IplImage* image, const double coeffs[2][3], double rect[2][2]) {
  if (!image) {
    ipl::fail("iplGetAffineBound", IPL_HeaderIsNull, "image header is null");
    return;
  }
  const cv::Rect r = ipl::roiRect(image);
  const double xs[2] = {static_cast<double>(r.x), static_cast<double>(r.x + r.width)};
  const double ys[2] = {static_cast<double>(r.y), static_cast<double>(r.y + r.height)};
  rect[0][0] = rect[0][1] = 1e300;
  rect[1][0] = rect[1][1] = -1e300;
  for (double x : xs)
    for (double y : ys) {
      const double u = coeffs[0][0] * x + coeffs[0][1] * y + coeffs[0][2];
      const double v = coeffs[1][0] * x + coeffs[1][1] * y + coeffs[1][2];
      rect[0][0] = std::min(rect[0][0], u), rect[1][0] = std::max(rect[1][0], u);
      rect[0][1] = std::min(rect[0][1], v), rect[1][1] = std::max(rect[1][1], v);
    }
}

}  // extern "C"
