// Scaling of the source ROI into the target ROI.
//
// The three entry points differ only in the direction they are meant for;
// all of them scale by xDst/xSrc and yDst/ySrc. The result is placed at the
// target ROI's corner and cut to it. Samples are taken at pixel centres and
// only from inside the source ROI (edge samples repeat), results are rounded
// and saturated. IPL leaves the alpha channel alone when the header names
// one, so callers that want alpha scaled clear the index for the call.

#include "ipl/IplMatView.h"

#include <opencv2/imgproc.hpp>

namespace {

int cvInterpolation(int interpolate) {
  switch (interpolate) {
    case IPL_INTER_NN:
      return cv::INTER_NEAREST;
    case IPL_INTER_LINEAR:
      return cv::INTER_LINEAR;
    case IPL_INTER_CUBIC:
      return cv::INTER_CUBIC;
    case IPL_INTER_SUPER:
      return cv::INTER_AREA;
    default:
      return -1;
  }
}

void scale(const char* func, IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc,
           int interpolate) {
  if (!ipl::usable(src, func) || !ipl::usable(dst, func)) return;
  const int method = cvInterpolation(interpolate);
  if (method < 0) {
    ipl::fail(func, IPL_StsBadArg, "interpolation");
    return;
  }
  if (xDst < 1 || xSrc < 1 || yDst < 1 || ySrc < 1 || src->depth != dst->depth) {
    ipl::fail(func, IPL_StsBadArg, "scale factors or depths");
    return;
  }
  ipl::guarded(func, [&] {
    const cv::Mat s = ipl::roiView(src);
    const int width = std::max(1, static_cast<int>(static_cast<long long>(s.cols) * xDst / xSrc));
    const int height = std::max(1, static_cast<int>(static_cast<long long>(s.rows) * yDst / ySrc));
    cv::Mat d = ipl::roiView(dst);
    const cv::Size full(width, height);
    cv::Mat target = d(cv::Rect(0, 0, std::min(width, d.cols), std::min(height, d.rows)));
    ipl::applyToChannels(src, s, dst, target, true, [&](const cv::Mat& a, cv::Mat& b) {
      if (b.size() == full) {
        cv::resize(a, b, full, 0, 0, method);
        return;
      }
      cv::Mat scaled;
      cv::resize(a, scaled, full, 0, 0, method);
      scaled(cv::Rect(0, 0, b.cols, b.rows)).copyTo(b);
    });
  });
}

}  // namespace

extern "C" {

void iplDecimate(IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate) {
  scale("iplDecimate", src, dst, xDst, xSrc, yDst, ySrc, interpolate);
}

void iplZoom(IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate) {
  scale("iplZoom", src, dst, xDst, xSrc, yDst, ySrc, interpolate);
}

void iplResize(IplImage* src, IplImage* dst, int xDst, int xSrc, int yDst, int ySrc, int interpolate) {
  scale("iplResize", src, dst, xDst, xSrc, yDst, ySrc, interpolate);
}

}  // extern "C"
