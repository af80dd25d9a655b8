// Copy and fill within ROI and COI.

#include "ipl/IplMatView.h"

#include <cstring>

namespace {

// Row by row, or in one block when both views are contiguous.
void copyRows(const cv::Mat& from, cv::Mat& to) {
  const size_t rowBytes = from.cols * from.elemSize();
  if (from.isContinuous() && to.isContinuous()) {
    std::memmove(to.data, from.data, rowBytes * from.rows);
    return;
  }
  for (int y = 0; y < from.rows; ++y) std::memmove(to.ptr(y), from.ptr(y), rowBytes);
}

// Every processed channel of the ROI takes the value.
void fillRoi(IplImage* image, double value, const char* func) {
  if (!ipl::usable(image, func)) return;
  ipl::guarded(func, [&] {
    cv::Mat view = ipl::roiView(image);
    ipl::applyToChannels(image, view, image, view, false,
                         [&](const cv::Mat&, cv::Mat& d) { d.setTo(cv::Scalar::all(value)); });
  });
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
    ipl::commonRoiViews(src, dst, s, d);
    ipl::applyToChannels(src, s, dst, d, false, copyRows);
  });
}

void iplSet(IplImage* image, int fillValue) { fillRoi(image, fillValue, "iplSet"); }

void iplSetFP(IplImage* image, float fillValue) { fillRoi(image, fillValue, "iplSetFP"); }

}  // extern "C"
