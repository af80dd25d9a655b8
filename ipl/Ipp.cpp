#include "ipl/Ipp.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

namespace {

inline Ipp8u clamp8(double v) { return static_cast<Ipp8u>(std::clamp(v + 0.5, 0.0, 255.0)); }

IppStatus checkArgs(const void* src, int srcStep, const void* dst, int dstStep, IppiSize roi,
                    int srcPixelBytes, int dstPixelBytes) {
  if (!src || !dst) return ippStsNullPtrErr;
  if (roi.width < 1 || roi.height < 1) return ippStsSizeErr;
  if (srcStep < roi.width * srcPixelBytes || dstStep < roi.width * dstPixelBytes) return ippStsStepErr;
  return ippStsNoErr;
}

// Video-range YCbCr to RGB.
void ycbcrToRgb(int y, int cb, int cr, Ipp8u rgb[3]) {
  const double luma = 1.164 * (y - 16);
  rgb[0] = clamp8(luma + 1.596 * (cr - 128));
  rgb[1] = clamp8(luma - 0.813 * (cr - 128) - 0.392 * (cb - 128));
  rgb[2] = clamp8(luma + 2.017 * (cb - 128));
}

// Analogue YUV to RGB.
void yuvToRgb(int y, int u, int v, Ipp8u* rgb) {
  rgb[0] = clamp8(y + 1.140 * (v - 128));
  rgb[1] = clamp8(y - 0.394 * (u - 128) - 0.581 * (v - 128));
  rgb[2] = clamp8(y + 2.032 * (u - 128));
}

// Each pair of pixels shares Cb and Cr; an odd last pixel uses its own pair.
template <class Put>
void eachCbYCr(const Ipp8u* src, int srcStep, IppiSize roi, Put&& put) {
  for (int row = 0; row < roi.height; ++row) {
    const Ipp8u* s = src + static_cast<size_t>(row) * srcStep;
    for (int x = 0; x < roi.width; ++x) {
      const Ipp8u* pair = s + (x / 2) * 4;
      Ipp8u rgb[3];
      ycbcrToRgb(pair[x % 2 == 0 ? 1 : 3], pair[0], pair[2], rgb);
      put(row, x, rgb);
    }
  }
}

template <int SrcN, int DstN>
IppStatus yuvPixels(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi) {
  if (IppStatus s = checkArgs(src, srcStep, dst, dstStep, roi, SrcN, DstN)) return s;
  for (int row = 0; row < roi.height; ++row) {
    const Ipp8u* s = src + static_cast<size_t>(row) * srcStep;
    Ipp8u* d = dst + static_cast<size_t>(row) * dstStep;
    for (int x = 0; x < roi.width; ++x) yuvToRgb(s[SrcN * x], s[SrcN * x + 1], s[SrcN * x + 2], d + DstN * x);
  }
  return ippStsNoErr;
}

template <int SrcN, int DstN>
IppStatus copyChannels(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi, int count) {
  if (IppStatus s = checkArgs(src, srcStep, dst, dstStep, roi, SrcN, count)) return s;
  for (int row = 0; row < roi.height; ++row) {
    const Ipp8u* s = src + static_cast<size_t>(row) * srcStep;
    Ipp8u* d = dst + static_cast<size_t>(row) * dstStep;
    for (int x = 0; x < roi.width; ++x)
      for (int c = 0; c < count; ++c) d[DstN * x + c] = s[SrcN * x + c];
  }
  return ippStsNoErr;
}

}  // namespace

extern "C" {

IppStatus ippiCbYCr422ToRGB_8u_C2C3R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi) {
  if (IppStatus s = checkArgs(src, srcStep, dst, dstStep, roi, 2, 3)) return s;
  eachCbYCr(src, srcStep, roi, [&](int row, int x, const Ipp8u rgb[3]) {
    Ipp8u* d = dst + static_cast<size_t>(row) * dstStep + 3 * x;
    d[0] = rgb[0], d[1] = rgb[1], d[2] = rgb[2];
  });
  return ippStsNoErr;
}

IppStatus ippiCbYCr422ToBGR_8u_C2C4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi,
                                     Ipp8u aval) {
  if (IppStatus s = checkArgs(src, srcStep, dst, dstStep, roi, 2, 4)) return s;
  eachCbYCr(src, srcStep, roi, [&](int row, int x, const Ipp8u rgb[3]) {
    Ipp8u* d = dst + static_cast<size_t>(row) * dstStep + 4 * x;
    d[0] = rgb[2], d[1] = rgb[1], d[2] = rgb[0], d[3] = aval;
  });
  return ippStsNoErr;
}

IppStatus ippiYUVToRGB_8u_C3R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi) {
  return yuvPixels<3, 3>(src, srcStep, dst, dstStep, roi);
}

IppStatus ippiYUVToRGB_8u_AC4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi) {
  return yuvPixels<4, 4>(src, srcStep, dst, dstStep, roi);
}

IppStatus ippiSwapChannels_8u_C3IR(Ipp8u* srcDst, int step, IppiSize roi, const int dstOrder[3]) {
  if (IppStatus s = checkArgs(srcDst, step, srcDst, step, roi, 3, 3)) return s;
  if (!dstOrder) return ippStsNullPtrErr;
  for (int c = 0; c < 3; ++c)
    if (dstOrder[c] < 0 || dstOrder[c] > 2) return ippStsBadArgErr;
  for (int row = 0; row < roi.height; ++row) {
    Ipp8u* p = srcDst + static_cast<size_t>(row) * step;
    for (int x = 0; x < roi.width; ++x, p += 3) {
      const Ipp8u old[3] = {p[0], p[1], p[2]};
      for (int c = 0; c < 3; ++c) p[c] = old[dstOrder[c]];
    }
  }
  return ippStsNoErr;
}

IppStatus ippiCopy_8u_C1C3R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi) {
  return copyChannels<1, 3>(src, srcStep, dst, dstStep, roi, 1);
}

IppStatus ippiCopy_8u_C1C4R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi) {
  return copyChannels<1, 4>(src, srcStep, dst, dstStep, roi, 1);
}

IppStatus ippiCopy_8u_AC4C3R(const Ipp8u* src, int srcStep, Ipp8u* dst, int dstStep, IppiSize roi) {
  if (IppStatus s = checkArgs(src, srcStep, dst, dstStep, roi, 4, 3)) return s;
  // Dropping the fourth channel is what OpenCV's BGRA-to-BGR conversion does, vectorised.
  const cv::Mat from(roi.height, roi.width, CV_8UC4, const_cast<Ipp8u*>(src), static_cast<size_t>(srcStep));
  cv::Mat to(roi.height, roi.width, CV_8UC3, dst, static_cast<size_t>(dstStep));
  cv::cvtColor(from, to, cv::COLOR_BGRA2BGR);
  return ippStsNoErr;
}

IppStatus ippiMirror_8u_C1IR(Ipp8u* srcDst, int step, IppiSize roi, IppiAxis flip) {
  if (IppStatus s = checkArgs(srcDst, step, srcDst, step, roi, 1, 1)) return s;
  if (flip != ippAxsHorizontal && flip != ippAxsVertical && flip != ippAxsBoth) return ippStsBadArgErr;
  const auto row = [&](int y) { return srcDst + static_cast<size_t>(y) * step; };
  if (flip != ippAxsVertical)  // around the horizontal axis: rows swap, through one spare row
    cv::parallel_for_(
        cv::Range(0, roi.height / 2),
        [&](const cv::Range& pairs) {
          std::vector<Ipp8u> spare(static_cast<size_t>(roi.width));
          for (int y = pairs.start; y < pairs.end; ++y) {
            Ipp8u* top = row(y);
            Ipp8u* bottom = row(roi.height - 1 - y);
            std::memcpy(spare.data(), top, spare.size());
            std::memcpy(top, bottom, spare.size());
            std::memcpy(bottom, spare.data(), spare.size());
          }
        },
        8);
  if (flip != ippAxsHorizontal)
    for (int y = 0; y < roi.height; ++y) std::reverse(row(y), row(y) + roi.width);
  return ippStsNoErr;
}

}  // extern "C"
