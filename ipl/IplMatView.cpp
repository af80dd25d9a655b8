#include "ipl/IplMatView.h"

#include <algorithm>
#include <numeric>

namespace ipl {

int cvDepthOf(int iplDepth) {
  switch (iplDepth) {
    case IPL_DEPTH_8U:
      return CV_8U;
    case IPL_DEPTH_8S:
      return CV_8S;
    case IPL_DEPTH_16U:
      return CV_16U;
    case IPL_DEPTH_16S:
      return CV_16S;
    case IPL_DEPTH_32S:
      return CV_32S;
    case IPL_DEPTH_32F:
      return CV_32F;
    default:
      return -1;
  }
}

bool fail(const char* func, IPLStatus status, const char* context) {
  iplError(status, func, context, __FILE__, __LINE__);
  return false;
}

bool usable(const IplImage* image, const char* func) {
  if (!image) return fail(func, IPL_HeaderIsNull, "image header is null");
  if (image->tileInfo) return fail(func, IPL_StsBadArg, "tiled images are not handled here");
  if (!image->imageData) return fail(func, IPL_BadDataPtr, "image has no data");
  if (image->dataOrder != IPL_DATA_ORDER_PIXEL) return fail(func, IPL_BadOrder, "plane order");
  if (cvDepthOf(image->depth) < 0) return fail(func, IPL_BadDepth, "unsupported depth");
  if (image->nChannels < 1 || image->nChannels > 4)
    return fail(func, IPL_BadNumChannels, "unsupported channel count");
  const long long rowBytes =
      static_cast<long long>(image->width) * image->nChannels * ((image->depth & 0xff) / 8);
  if (image->width < 1 || image->height < 1 || image->widthStep < rowBytes)
    return fail(func, IPL_BadStep, "row step shorter than a row");
  const cv::Rect r = roiRect(image);
  if (r.width < 1 || r.height < 1 || r.x < 0 || r.y < 0 || r.x + r.width > image->width ||
      r.y + r.height > image->height)
    return fail(func, IPL_BadROISize, "ROI outside the image");
  if (coiOf(image) < 0 || coiOf(image) > image->nChannels)
    return fail(func, IPL_BadCOI, "COI outside the channels");
  return true;
}

cv::Rect roiRect(const IplImage* image) {
  if (!image->roi) return {0, 0, image->width, image->height};
  return {image->roi->xOffset, image->roi->yOffset, image->roi->width, image->roi->height};
}

int coiOf(const IplImage* image) { return image->roi ? image->roi->coi : 0; }

cv::Mat fullView(const IplImage* image) {
  const int type = CV_MAKETYPE(cvDepthOf(image->depth), image->nChannels);
  return cv::Mat(image->height, image->width, type, image->imageData, static_cast<size_t>(image->widthStep));
}

cv::Mat roiView(const IplImage* image) { return fullView(image)(roiRect(image)); }

void commonRoiViews(const IplImage* a, const IplImage* b, cv::Mat& va, cv::Mat& vb) {
  va = roiView(a);
  vb = roiView(b);
  const cv::Rect common(0, 0, std::min(va.cols, vb.cols), std::min(va.rows, vb.rows));
  va = va(common);
  vb = vb(common);
}

std::vector<int> activeChannels(const IplImage* image, bool skipAlpha) {
  if (const int coi = coiOf(image)) return {coi - 1};
  std::vector<int> channels;
  for (int c = 0; c < image->nChannels; ++c)
    if (!(skipAlpha && image->alphaChannel == c + 1)) channels.push_back(c);
  return channels;
}

namespace {

bool isEveryChannel(const std::vector<int>& channels, int total) {
  if (static_cast<int>(channels.size()) != total) return false;
  for (int c = 0; c < total; ++c)
    if (channels[c] != c) return false;
  return true;
}

// Copies the listed channels of view into a new matrix (or back, when
// scatter is set), using mixChannels' pair list.
void moveChannels(const cv::Mat& from, cv::Mat& to, const std::vector<int>& fromChannels,
                  const std::vector<int>& toChannels) {
  std::vector<int> pairs;
  for (size_t i = 0; i < fromChannels.size(); ++i) {
    pairs.push_back(fromChannels[i]);
    pairs.push_back(toChannels[i]);
  }
  cv::mixChannels(&from, 1, &to, 1, pairs.data(), fromChannels.size());
}

std::vector<int> sequence(size_t n) {
  std::vector<int> v(n);
  std::iota(v.begin(), v.end(), 0);
  return v;
}

}  // namespace

void applyToChannels(const IplImage* src, const cv::Mat& srcView, IplImage* dst, cv::Mat& dstView,
                     bool skipAlpha, const PlaneOp& op) {
  std::vector<int> srcChannels = activeChannels(src, skipAlpha);
  std::vector<int> dstChannels = activeChannels(dst, skipAlpha);
  // A COI on one side picks the same channel on the other.
  if (coiOf(src) && !coiOf(dst)) dstChannels = srcChannels;
  if (coiOf(dst) && !coiOf(src)) srcChannels = dstChannels;
  if (srcChannels.size() != dstChannels.size()) {
    fail("applyToChannels", IPL_BadNumChannels, "source and target channels differ");
    return;
  }
  if (isEveryChannel(srcChannels, src->nChannels) && isEveryChannel(dstChannels, dst->nChannels)) {
    op(srcView, dstView);
    return;
  }
  const int n = static_cast<int>(srcChannels.size());
  cv::Mat srcPlanes(srcView.size(), CV_MAKETYPE(srcView.depth(), n));
  cv::Mat dstPlanes(dstView.size(), CV_MAKETYPE(dstView.depth(), n));
  const std::vector<int> packed = sequence(srcChannels.size());
  moveChannels(srcView, srcPlanes, srcChannels, packed);
  moveChannels(dstView, dstPlanes, dstChannels, packed);
  op(srcPlanes, dstPlanes);
  moveChannels(dstPlanes, dstView, packed, dstChannels);
}

}  // namespace ipl
