#pragma once
// cv::Mat views over IPL images (no copies) and the error plumbing shared by
// the operations.

#include "ipl/Ipl.h"

#include <opencv2/core.hpp>

#include <functional>
#include <new>
#include <vector>

namespace ipl {

// OpenCV element depth for an IPL depth code, or -1 when there is none.
int cvDepthOf(int iplDepth);

// Reports status through iplError and returns false; for use in checks.
bool fail(const char* func, IPLStatus status, const char* context);

// True when the image is a non-tiled, pixel-ordered header with data and a
// depth OpenCV handles; reports the reason otherwise.
bool usable(const IplImage* image, const char* func);

// The ROI rectangle (the whole image when there is no ROI), in stored rows.
cv::Rect roiRect(const IplImage* image);
int coiOf(const IplImage* image);

// A view over all channels of the whole image or of its ROI.
cv::Mat fullView(const IplImage* image);
cv::Mat roiView(const IplImage* image);
// The ROI views of two images cut to their common size, so that images with
// different ROIs work on their overlapping top-left part.
void commonRoiViews(const IplImage* a, const IplImage* b, cv::Mat& va, cv::Mat& vb);

// Channel indices (0-based) an operation acts on: the COI when set, otherwise
// every channel, less the alpha channel when skipAlpha is set and the image
// names one.
std::vector<int> activeChannels(const IplImage* image, bool skipAlpha);

// Applies op to the selected channels of src and dst (views when the
// selection is every channel, gathered planes otherwise). The COI of either
// image selects a single channel of both.
using PlaneOp = std::function<void(const cv::Mat& src, cv::Mat& dst)>;
void applyToChannels(const IplImage* src, const cv::Mat& srcView, IplImage* dst, cv::Mat& dstView,
                     bool skipAlpha, const PlaneOp& op);

// Runs body, turning OpenCV and allocation exceptions into error status.
template <class Body>
void guarded(const char* func, Body&& body) {
  try {
    body();
  } catch (const std::bad_alloc&) {
    fail(func, IPL_StsNoMem, "out of memory");
  } catch (const cv::Exception& e) {
    fail(func, e.code == cv::Error::StsNoMem ? IPL_StsNoMem : IPL_StsError, e.what());
  }
}

}  // namespace ipl
