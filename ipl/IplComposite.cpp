// Porter-Duff compositing and alpha premultiplication of 8-bit images.

#include "ipl/IplMatView.h"

#include <array>

namespace {

inline int mul255(int a, int b) { return (a * b + 127) / 255; }

// Where a pixel's alpha comes from: a separate image's first channel (or its
// COI), the image's own alpha channel, or fully opaque.
struct AlphaSource {
  cv::Mat view;
  int channel = -1;
  int at(int x, int y) const {
    return channel < 0 ? 255 : view.ptr<uint8_t>(y)[x * view.channels() + channel];
  }
};

AlphaSource alphaOf(const IplImage* image, const IplImage* separate, const cv::Size& size) {
  AlphaSource a;
  if (separate) {
    a.view = ipl::roiView(separate)(cv::Rect(cv::Point(), size));
    a.channel = ipl::coiOf(separate) ? ipl::coiOf(separate) - 1 : 0;
  } else if (image->alphaChannel > 0) {
    a.view = ipl::roiView(image)(cv::Rect(cv::Point(), size));
    a.channel = image->alphaChannel - 1;
  }
  return a;
}

// Fractions of A and B that survive: Fa, Fb in 0..255.
std::array<int, 2> fractions(int op, int alphaA, int alphaB) {
  switch (op) {
    case IPL_COMPOSITE_OVER:
      return {255, 255 - alphaA};
    case IPL_COMPOSITE_IN:
      return {alphaB, 0};
    case IPL_COMPOSITE_OUT:
      return {255 - alphaB, 0};
    case IPL_COMPOSITE_ATOP:
      return {alphaB, 255 - alphaA};
    case IPL_COMPOSITE_XOR:
      return {255 - alphaB, 255 - alphaA};
    default:
      return {255, 255};  // plus
  }
}

bool usable8u(const IplImage* image, const char* func) {
  if (!ipl::usable(image, func)) return false;
  if (image->depth != IPL_DEPTH_8U) return ipl::fail(func, IPL_BadDepth, "8-bit images only");
  return true;
}

struct CompositeJob {
  cv::Mat a, b, d;
  AlphaSource alphaA, alphaB;
  int dstAlpha = -1;  // alpha channel of d, or -1
  cv::Mat alphaOut;   // separate alpha target
  int alphaOutChannel = 0;
  int op = IPL_COMPOSITE_OVER;
  bool premultiplied = false;
  bool divide = false;
};

void compositeRow(CompositeJob& job, int y) {
  const uint8_t* pa = job.a.ptr<uint8_t>(y);
  const uint8_t* pb = job.b.ptr<uint8_t>(y);
  uint8_t* pd = job.d.ptr<uint8_t>(y);
  const int n = job.d.channels(), na = job.a.channels(), nb = job.b.channels();
  for (int x = 0; x < job.d.cols; ++x) {
    const int aa = job.alphaA.at(x, y), ab = job.alphaB.at(x, y);
    const auto [fa, fb] = fractions(job.op, aa, ab);
    const int alpha = std::min(255, mul255(fa, aa) + mul255(fb, ab));
    for (int c = 0; c < n; ++c) {
      if (c == job.dstAlpha) continue;
      int ca = pa[x * na + std::min(c, na - 1)], cb = pb[x * nb + std::min(c, nb - 1)];
      if (!job.premultiplied) ca = mul255(ca, aa), cb = mul255(cb, ab);
      int v = std::min(255, mul255(fa, ca) + mul255(fb, cb));
      if (job.divide) v = alpha ? std::min(255, (v * 255 + alpha / 2) / alpha) : 0;
      pd[x * n + c] = static_cast<uint8_t>(v);
    }
    if (job.dstAlpha >= 0) pd[x * n + job.dstAlpha] = static_cast<uint8_t>(alpha);
    if (!job.alphaOut.empty())
      job.alphaOut.ptr<uint8_t>(y)[x * job.alphaOut.channels() + job.alphaOutChannel] =
          static_cast<uint8_t>(alpha);
  }
}

}  // namespace

extern "C" {

// Composites A with B into dst. Colour channels are every channel other than
// the alpha channel; the result alpha goes to dst's alpha channel and to
// alphaDst when given. With premulAlpha the colours are taken as already
// multiplied by their alpha; divideMode divides the result by its alpha.
void iplAlphaComposite(IplImage* srcA, IplImage* srcB, IplImage* dst, int compositeType, IplImage* alphaA,
                       IplImage* alphaB, IplImage* alphaDst, int premulAlpha, int divideMode) {
  const char* func = "iplAlphaComposite";
  if (!usable8u(srcA, func) || !usable8u(srcB, func) || !usable8u(dst, func)) return;
  for (const IplImage* extra : {alphaA, alphaB, alphaDst})
    if (extra && !usable8u(extra, func)) return;
  if (compositeType < IPL_COMPOSITE_OVER || compositeType > IPL_COMPOSITE_PLUS) {
    ipl::fail(func, IPL_StsBadArg, "compositing operation");
    return;
  }
  ipl::guarded(func, [&] {
    cv::Size size = ipl::roiView(srcA).size();
    for (const IplImage* i : {srcB, dst, alphaA, alphaB, alphaDst})
      if (i)
        size = cv::Size(std::min(size.width, ipl::roiRect(i).width),
                        std::min(size.height, ipl::roiRect(i).height));
    const cv::Rect common(cv::Point(), size);
    CompositeJob job;
    job.a = ipl::roiView(srcA)(common);
    job.b = ipl::roiView(srcB)(common);
    job.d = ipl::roiView(dst)(common);
    job.alphaA = alphaOf(srcA, alphaA, size);
    job.alphaB = alphaOf(srcB, alphaB, size);
    job.dstAlpha = dst->alphaChannel - 1;
    if (alphaDst) {
      job.alphaOut = ipl::roiView(alphaDst)(common);
      job.alphaOutChannel = ipl::coiOf(alphaDst) ? ipl::coiOf(alphaDst) - 1 : 0;
    }
    job.op = compositeType;
    job.premultiplied = premulAlpha != 0;
    job.divide = divideMode != 0;
    for (int y = 0; y < size.height; ++y) compositeRow(job, y);
  });
}

// Multiplies the colour channels by the image's own alpha (alphaValue -1) or
// by a constant alpha 0..255, which is then also stored in the alpha channel.
void iplPreMultiplyAlpha(IplImage* image, int alphaValue) {
  const char* func = "iplPreMultiplyAlpha";
  if (!usable8u(image, func)) return;
  if (alphaValue < -1 || alphaValue > 255 || (alphaValue == -1 && image->alphaChannel == 0)) {
    ipl::fail(func, IPL_StsBadArg, "alpha value or missing alpha channel");
    return;
  }
  cv::Mat v = ipl::roiView(image);
  const int n = v.channels(), alphaIndex = image->alphaChannel - 1;
  for (int y = 0; y < v.rows; ++y) {
    uint8_t* p = v.ptr<uint8_t>(y);
    for (int x = 0; x < v.cols; ++x, p += n) {
      const int alpha = alphaValue >= 0 ? alphaValue : p[alphaIndex];
      for (int c = 0; c < n; ++c) p[c] = static_cast<uint8_t>(c == alphaIndex ? alpha : mul255(p[c], alpha));
    }
  }
}

}  // extern "C"
