#include "ipl/IplRowBands.h"

#include "ipl/IplMatView.h"

#include <algorithm>
#include <atomic>

namespace ipl {
namespace {

// Bands of about half a megabyte stay in a core's cache between the steps
// an operation chains on them.
constexpr long long kBandBytes = 512 * 1024;
constexpr int kMinBandRows = 8;

// A copy of the header whose ROI is rows [first, first + rows) of its ROI.
struct BandHeader {
  IplImage header;
  IplROI roi;
  BandHeader(const IplImage* image, const cv::Rect& r, int first, int rows, int width)
      : header(*image), roi{coiOf(image), r.x, r.y + first, width, rows} {
    header.roi = &roi;
  }
};

}  // namespace

void forEachRowBand(const IplImage* a, const IplImage* b, const BandOp& op) {
  if (!a || !b) {
    fail("forEachRowBand", IPL_StsBadArg, "no image");
    return;
  }
  const cv::Rect ra = roiRect(a), rb = roiRect(b);
  const int width = std::min(ra.width, rb.width), height = std::min(ra.height, rb.height);
  if (width < 1 || height < 1) {
    fail("forEachRowBand", IPL_BadROISize, "empty ROI");
    return;
  }
  const long long rowBytes = std::max(a->widthStep, b->widthStep);
  const int bandRows =
      static_cast<int>(std::max<long long>(kMinBandRows, kBandBytes / std::max(1LL, rowBytes)));
  const int bands = std::max(1, height / bandRows);
  std::atomic<int> firstFailure{IPL_StsOk};
  const auto runBands = [&](const cv::Range& range) {
    for (int band = range.start; band < range.end; ++band) {
      const int first = static_cast<int>(static_cast<long long>(height) * band / bands);
      const int rows = static_cast<int>(static_cast<long long>(height) * (band + 1) / bands) - first;
      BandHeader bandA(a, ra, first, rows, width), bandB(b, rb, first, rows, width);
      iplSetErrStatus(IPL_StsOk);
      op(&bandA.header, &bandB.header);
      int expected = IPL_StsOk;
      if (const IPLStatus status = iplGetErrStatus(); status != IPL_StsOk)
        firstFailure.compare_exchange_strong(expected, status);
    }
  };
  try {
    cv::parallel_for_(cv::Range(0, bands), runBands, bands);
  } catch (const cv::Exception& e) {
    fail("forEachRowBand", IPL_StsError, e.what());
    return;
  }
  iplSetErrStatus(firstFailure.load());
}

}  // namespace ipl
