// Copy and fill within ROI and COI.

#include "ipl/IplMatView.h"

namespace {

// Both views cut to the common ROI size, so images with different ROIs copy
// their overlapping top-left part.
void commonViews(IplImage* a, IplImage* b, cv::Mat& va, cv::Mat& vb) {
  va = ipl::roiView(a);
  vb = ipl::roiView(b);
  const cv::Rect common(0, 0, std::min(va.cols, vb.cols), std::min(va.rows, vb.rows));
  va = va(common);
  vb = vb(common);
}

}  // namespace

extern "C" {

void iplCopy(IplImage* src, IplImage* dst) {
  const char* func = "iplCopy";
  if (!ipl::usable(src, func) || !ipl::usable(dst, func)) return;
  if (src->depth != dst->depth) {
    ipl::fail(func, IPL_BadDepth, "depths differ");
    return;
  }
  ipl::guarded(func, [&] {
    cv::Mat s, d;
    commonViews(src, dst, s, d);
    ipl::applyToChannels(src, s, dst, d, false, [](const cv::Mat& a, cv::Mat& b) { a.copyTo(b); });
  });
}

void iplSet(IplImage* image, int fillValue) {
  if (!ipl::usable(image, "iplSet")) return;
  ipl::guarded("iplSet", [&] {
    cv::Mat view = ipl::roiView(image);
    ipl::applyToChannels(image, view, image, view, false,
                         [&](const cv::Mat&, cv::Mat& d) { d.setTo(cv::Scalar::all(fillValue)); });
  });
}

void iplSetFP(IplImage* image, float fillValue) {
  if (!ipl::usable(image, "iplSetFP")) return;
  ipl::guarded("iplSetFP", [&] {
    cv::Mat view = ipl::roiView(image);
    ipl::applyToChannels(image, view, image, view, false,
                         [&](const cv::Mat&, cv::Mat& d) { d.setTo(cv::Scalar::all(fillValue)); });
  });
}

}  // extern "C"
