// Colour twist, lookup tables, histograms and YCrCb conversion.

#include "ipl/IplMatView.h"

#include <opencv2/imgproc.hpp>

#include <cstdlib>
#include <cstring>

namespace {

bool colour8u(const IplImage* image, const char* func) {
  if (!ipl::usable(image, func)) return false;
  if (image->depth != IPL_DEPTH_8U) return ipl::fail(func, IPL_BadDepth, "8-bit images only");
  return true;
}

// A 256-entry table from an IPL LUT: values below the first key or from the
// last key on map to themselves.
bool tableFromLut(const IplLUT* lut, uint8_t table[256], const char* func) {
  if (!lut || !lut->key || !lut->value || lut->num < 2) return ipl::fail(func, IPL_StsBadArg, "bad LUT");
  for (int v = 0; v < 256; ++v) table[v] = static_cast<uint8_t>(v);
  for (int k = 0; k + 1 < lut->num; ++k) {
    const int lo = std::max(0, lut->key[k]), hi = std::min(256, lut->key[k + 1]);
    for (int v = lo; v < hi; ++v) {
      int out = lut->value[k];
      if (lut->interpolateType == IPL_LUT_INTER && hi > lut->key[k])
        out += (lut->value[k + 1] - lut->value[k]) * (v - lut->key[k]) / (lut->key[k + 1] - lut->key[k]);
      table[v] = cv::saturate_cast<uint8_t>(out);
    }
  }
  return true;
}

// Converts between an RGB image and a YCrCb image over the overlap of their
// ROIs; the OpenCV code follows the RGB image's channel sequence.
void convertYCrCb(const char* func, IplImage* from, IplImage* to, const IplImage* rgb, int codeForBgr,
                  int codeForRgb) {
  const IplImage* yCrCb = rgb == from ? to : from;
  if (!colour8u(rgb, func) || !colour8u(yCrCb, func)) return;
  if (from->nChannels != 3 || to->nChannels != 3) {
    ipl::fail(func, IPL_BadNumChannels, "three channels required");
    return;
  }
  const bool bgr = std::strncmp(rgb->channelSeq, "BGR", 3) == 0;
  ipl::guarded(func, [&] {
    cv::Mat s, target;
    ipl::commonRoiViews(from, to, s, target);
    cv::cvtColor(s, target, bgr ? codeForBgr : codeForRgb);
  });
}

// True when every channel of both images is processed (no COI, no alpha
// channel) and the tables of all channels are the same.
bool oneTableForEveryChannel(const IplImage* src, const IplImage* dst, const cv::Mat& table) {
  const int planes = table.channels();
  if (planes != src->nChannels || planes != dst->nChannels ||
      static_cast<int>(ipl::activeChannels(src, true).size()) != planes ||
      static_cast<int>(ipl::activeChannels(dst, true).size()) != planes)
    return false;
  const uint8_t* t = table.ptr<uint8_t>(0);
  for (int v = 0; v < 256; ++v)
    for (int i = 1; i < planes; ++i)
      if (t[v * planes + i] != t[v * planes]) return false;
  return true;
}

}  // namespace

extern "C" {

IplColorTwist* iplCreateColorTwist(int data[16], int scalingValue) {
  if (!data || scalingValue < 0 || scalingValue > 30)
    return ipl::fail("iplCreateColorTwist", IPL_StsBadArg, "data or scale"), nullptr;
  auto* twist = static_cast<IplColorTwist*>(std::malloc(sizeof(IplColorTwist)));
  if (!twist) return ipl::fail("iplCreateColorTwist", IPL_StsNoMem, "out of memory"), nullptr;
  std::memcpy(twist->data, data, sizeof twist->data);
  twist->scalingValue = scalingValue;
  return twist;
}

void iplDeleteColorTwist(IplColorTwist* twist) { std::free(twist); }

// out_i = (sum_j data[4i+j] * c_j + data[4i+3]) / 2^scale + offset for the
// three colour channels; a fourth channel is left as it is. Results are
// rounded to nearest (OpenCV's transform) rather than truncated.
void iplApplyColorTwist(IplImage* src, IplImage* dst, IplColorTwist* twist, int offset) {
  const char* func = "iplApplyColorTwist";
  if (!colour8u(src, func) || !colour8u(dst, func)) return;
  if (!twist || src->nChannels < 3 || src->nChannels != dst->nChannels) {
    ipl::fail(func, IPL_StsBadArg, "twist or channel counts");
    return;
  }
  ipl::guarded(func, [&] {
    const int n = src->nChannels;
    const double unit = 1.0 / static_cast<double>(1 << twist->scalingValue);
    cv::Mat m = cv::Mat::zeros(n, n + 1, CV_32F);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) m.at<float>(i, j) = static_cast<float>(twist->data[4 * i + j] * unit);
      m.at<float>(i, n) = static_cast<float>(twist->data[4 * i + 3] * unit + offset);
    }
    if (n == 4) m.at<float>(3, 3) = 1.0f;
    cv::Mat s, target;
    ipl::commonRoiViews(src, dst, s, target);
    cv::transform(s, target, m);
  });
}

// luts[i] maps the i-th processed channel: the COI channel alone when one is
// set, otherwise every channel but the alpha channel.
void iplContrastStretch(IplImage* src, IplImage* dst, IplLUT** luts) {
  const char* func = "iplContrastStretch";
  if (!colour8u(src, func) || !colour8u(dst, func)) return;
  if (!luts) {
    ipl::fail(func, IPL_StsBadArg, "no LUTs");
    return;
  }
  ipl::guarded(func, [&] {
    const size_t planes = ipl::activeChannels(src, true).size();
    cv::Mat table(1, 256, CV_8UC(static_cast<int>(planes)));
    for (size_t i = 0; i < planes; ++i) {
      uint8_t single[256];
      if (!tableFromLut(luts[i], single, func)) return;
      for (int v = 0; v < 256; ++v) table.ptr<uint8_t>(0)[v * planes + i] = single[v];
    }
    cv::Mat s, target;
    ipl::commonRoiViews(src, dst, s, target);
    if (oneTableForEveryChannel(src, dst, table)) {
      // The samples as one plane: OpenCV's fastest lookup.
      cv::Mat flatTable, from = s.reshape(1), to = target.reshape(1);
      cv::extractChannel(table, flatTable, 0);
      cv::LUT(from, flatTable, to);
      return;
    }
    ipl::applyToChannels(src, s, dst, target, true,
                         [&](const cv::Mat& a, cv::Mat& b) { cv::LUT(a, table, b); });
  });
}

// Adds the number of ROI samples of each processed channel falling in
// [key[k], key[k+1]) to luts[i]->value[k].
void iplComputeHisto(IplImage* src, IplLUT** luts) {
  const char* func = "iplComputeHisto";
  if (!colour8u(src, func)) return;
  if (!luts) {
    ipl::fail(func, IPL_StsBadArg, "no LUTs");
    return;
  }
  ipl::guarded(func, [&] {
    const cv::Mat view = ipl::roiView(src);
    const std::vector<int> channels = ipl::activeChannels(src, true);
    const int histSize = 256;
    const float range[] = {0, 256};
    const float* ranges = range;
    for (size_t i = 0; i < channels.size(); ++i) {
      IplLUT* lut = luts[i];
      if (!lut || !lut->key || !lut->value || lut->num < 2) {
        ipl::fail(func, IPL_StsBadArg, "bad LUT");
        return;
      }
      cv::Mat hist;
      cv::calcHist(&view, 1, &channels[i], cv::Mat(), hist, 1, &histSize, &ranges);
      for (int k = 0; k + 1 < lut->num; ++k)
        for (int v = std::max(0, lut->key[k]); v < std::min(256, lut->key[k + 1]); ++v)
          lut->value[k] += static_cast<int>(hist.at<float>(v));
    }
  });
}

// Full-range YCrCb (Y = 0.299 R + 0.587 G + 0.114 B, Cr and Cb offset by
// 128); the YCrCb image's channels hold Y, Cr, Cb in that order. The RGB side is
// read or written in the order its channel sequence names.
void iplRGB2YCrCb(IplImage* rgb, IplImage* yCrCb) {
  convertYCrCb("iplRGB2YCrCb", rgb, yCrCb, rgb, cv::COLOR_BGR2YCrCb, cv::COLOR_RGB2YCrCb);
}

void iplYCrCb2RGB(IplImage* yCrCb, IplImage* rgb) {
  convertYCrCb("iplYCrCb2RGB", yCrCb, rgb, rgb, cv::COLOR_YCrCb2BGR, cv::COLOR_YCrCb2RGB);
}

}  // extern "C"
