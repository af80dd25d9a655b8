// Box blur and integer convolution kernels.
//
// Kernels are applied as correlation: the kernel's anchor sits on the target
// pixel and kernel element (i, j) weighs source pixel (x - anchorX + i,
// y - anchorY + j). Pixels beyond the ROI edge repeat the edge pixel. The
// alpha channel named by the header is not filtered.

#include "ipl/IplMatView.h"

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Applies a neighbourhood filter to every processed channel (alpha kept) over
// the common ROI size; a source that is also the target is read from a copy.
void filterChannels(IplImage* src, IplImage* dst, const char* func, const ipl::PlaneOp& filter) {
  ipl::guarded(func, [&] {
    cv::Mat s, d;
    ipl::commonRoiViews(src, dst, s, d);
    if (src->imageData == dst->imageData) s = s.clone();  // filters read neighbours
    ipl::applyToChannels(src, s, dst, d, true, filter);
  });
}

bool filterable(IplImage* src, IplImage* dst, const char* func) {
  if (!ipl::usable(src, func) || !ipl::usable(dst, func)) return false;
  if (src->depth != dst->depth) return ipl::fail(func, IPL_BadDepth, "depths differ");
  return true;
}

bool validKernel(const IplConvKernel* k) {
  return k && k->values && k->nCols > 0 && k->nRows > 0 && k->anchorX >= 0 && k->anchorX < k->nCols &&
         k->anchorY >= 0 && k->anchorY < k->nRows && k->nShiftR >= 0 && k->nShiftR < 31;
}

// The kernel as floats, already divided by 2^nShiftR.
cv::Mat floatKernel(const IplConvKernel* k) {
  cv::Mat m(k->nRows, k->nCols, CV_32F);
  const float unit = 1.0f / static_cast<float>(1 << k->nShiftR);
  for (int i = 0; i < k->nRows * k->nCols; ++i) m.at<float>(i / k->nCols, i % k->nCols) = k->values[i] * unit;
  return m;
}

cv::Mat combine(const std::vector<cv::Mat>& results, int method) {
  if (method == IPL_SUMSQROOT && results.size() == 2) {  // a gradient's magnitude, in one pass
    cv::Mat out;
    cv::magnitude(results[0], results[1], out);
    return out;
  }
  cv::Mat out = results[0].clone();
  if (method == IPL_SUMSQ || method == IPL_SUMSQROOT) out = out.mul(out);
  for (size_t i = 1; i < results.size(); ++i) {
    const cv::Mat& r = results[i];
    if (method == IPL_SUM)
      out += r;
    else if (method == IPL_MAX)
      out = cv::max(out, r);
    else if (method == IPL_MIN)
      out = cv::min(out, r);
    else
      out += r.mul(r);
  }
  if (method == IPL_SUMSQROOT) cv::sqrt(out, out);
  return out;
}

}  // namespace

extern "C" {

void iplBlur(IplImage* src, IplImage* dst, int nCols, int nRows, int anchorX, int anchorY) {
  const char* func = "iplBlur";
  if (!filterable(src, dst, func)) return;
  if (nCols < 1 || nRows < 1 || anchorX < 0 || anchorX >= nCols || anchorY < 0 || anchorY >= nRows) {
    ipl::fail(func, IPL_StsBadArg, "kernel size or anchor");
    return;
  }
  filterChannels(src, dst, func, [&](const cv::Mat& a, cv::Mat& b) {
    cv::blur(a, b, cv::Size(nCols, nRows), cv::Point(anchorX, anchorY), cv::BORDER_REPLICATE);
  });
}

IplConvKernel* iplCreateConvKernel(int nCols, int nRows, int anchorX, int anchorY, int* values, int nShiftR) {
  const char* func = "iplCreateConvKernel";
  IplConvKernel probe{nCols, nRows, anchorX, anchorY, values, nShiftR};
  if (!validKernel(&probe)) return ipl::fail(func, IPL_StsBadArg, "kernel"), nullptr;
  auto* kernel = static_cast<IplConvKernel*>(std::malloc(sizeof(IplConvKernel)));
  const size_t bytes = sizeof(int) * static_cast<size_t>(nCols) * nRows;
  int* copy = static_cast<int*>(std::malloc(bytes));
  if (!kernel || !copy) {
    std::free(kernel);
    std::free(copy);
    return ipl::fail(func, IPL_StsNoMem, "out of memory"), nullptr;
  }
  std::memcpy(copy, values, bytes);
  *kernel = probe;
  kernel->values = copy;
  return kernel;
}

void iplDeleteConvKernel(IplConvKernel* kernel) {
  if (!kernel) return;
  std::free(kernel->values);
  std::free(kernel);
}

void iplConvolve2D(IplImage* src, IplImage* dst, IplConvKernel** kernels, int nKernels, int combineMethod) {
  const char* func = "iplConvolve2D";
  if (!filterable(src, dst, func)) return;
  if (!kernels || nKernels < 1 || combineMethod < IPL_SUM || combineMethod > IPL_MIN) {
    ipl::fail(func, IPL_StsBadArg, "kernels or combine method");
    return;
  }
  for (int i = 0; i < nKernels; ++i)
    if (!validKernel(kernels[i])) {
      ipl::fail(func, IPL_StsBadArg, "kernel");
      return;
    }
  filterChannels(src, dst, func, [&](const cv::Mat& a, cv::Mat& b) {
    std::vector<cv::Mat> results(static_cast<size_t>(nKernels));
    for (int i = 0; i < nKernels; ++i)
      cv::filter2D(a, results[i], CV_32F, floatKernel(kernels[i]),
                   cv::Point(kernels[i]->anchorX, kernels[i]->anchorY), 0, cv::BORDER_REPLICATE);
    combine(results, combineMethod).convertTo(b, b.type());
  });
}

// xKernel is one row, yKernel one column; each carries its own shift.
void iplConvolveSep2D(IplImage* src, IplImage* dst, IplConvKernel* xKernel, IplConvKernel* yKernel) {
  const char* func = "iplConvolveSep2D";
  if (!filterable(src, dst, func)) return;
  if (!validKernel(xKernel) || !validKernel(yKernel) || xKernel->nRows != 1 || yKernel->nCols != 1) {
    ipl::fail(func, IPL_StsBadArg, "kernels");
    return;
  }
  filterChannels(src, dst, func, [&](const cv::Mat& a, cv::Mat& b) {
    cv::Mat result;
    cv::sepFilter2D(a, result, CV_32F, floatKernel(xKernel), floatKernel(yKernel),
                    cv::Point(xKernel->anchorX, yKernel->anchorY), 0, cv::BORDER_REPLICATE);
    result.convertTo(b, b.type());
  });
}

// dst = srcA - srcB per sample, saturated.
void iplSubtract(IplImage* srcA, IplImage* srcB, IplImage* dst) {
  const char* func = "iplSubtract";
  if (!filterable(srcA, dst, func) || !filterable(srcB, dst, func)) return;
  ipl::guarded(func, [&] {
    cv::Mat a = ipl::roiView(srcA), b = ipl::roiView(srcB), d = ipl::roiView(dst);
    const cv::Rect common(0, 0, std::min({a.cols, b.cols, d.cols}), std::min({a.rows, b.rows, d.rows}));
    cv::Mat bView = b(common), target = d(common);
    ipl::applyToChannels(srcA, a(common), dst, target, false, [&](const cv::Mat& x, cv::Mat& out) {
      if (x.channels() == bView.channels()) {
        cv::subtract(x, bView, out);
      } else {
        cv::Mat bPlanes;
        cv::extractChannel(bView, bPlanes, ipl::coiOf(srcB) ? ipl::coiOf(srcB) - 1 : 0);
        cv::subtract(x, bPlanes, out);
      }
    });
  });
}

// Sum over the ROI of x^m * y^n * value, with (x, y) relative to the ROI
// corner, for the COI channel (the first channel when none is set).
double iplSpatialMoment(IplImage* image, int mOrd, int nOrd) {
  const char* func = "iplSpatialMoment";
  if (!ipl::usable(image, func)) return 0.0;
  if (mOrd < 0 || nOrd < 0 || mOrd > 3 || nOrd > 3) return ipl::fail(func, IPL_StsBadArg, "order"), 0.0;
  double sum = 0.0;
  ipl::guarded(func, [&] {
    cv::Mat plane;
    cv::extractChannel(ipl::roiView(image), plane, ipl::coiOf(image) ? ipl::coiOf(image) - 1 : 0);
    plane.convertTo(plane, CV_64F);
    for (int y = 0; y < plane.rows; ++y) {
      const double* row = plane.ptr<double>(y);
      const double yPow = std::pow(y, nOrd);
      for (int x = 0; x < plane.cols; ++x) sum += std::pow(x, mOrd) * yPow * row[x];
    }
  });
  return sum;
}

}  // extern "C"
