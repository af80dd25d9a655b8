// The colour transformer per 2448 x 2048 frame of the simulated scene, with
// its defaults, with levels, with unsharp masking (sigma 6) and with skin
// exposure (and with contrast 20), each against the same operations done directly with OpenCV in
// the same run. Every round starts from a fresh copy of the frame with the
// caches evicted, as a frame from the camera would. Prints medians and
// ratios (goal for the defaults: at most 1.3).

#include "color/ColorTransformer.h"
#include "pixlib/core/ColorMatrix.h"
#include "pixlib/core/Lut.h"
#include "pylon/sim/SimScene.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr int kWidth = 2448, kHeight = 2048, kRounds = 15;

void evictCaches() {
  static std::vector<unsigned char> evictor(64 << 20);
  for (size_t i = 0; i < evictor.size(); i += 64) ++evictor[i];
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

cv::Mat viewOf(CxImage& image) {
  return cv::Mat(image.Height(), image.Width(), CV_8UC3, image.GetBits(), size_t(image.GetRowBytes()));
}

struct Frames {
  CxImage scene, source, target;
  Frames() {
    scene.Create(kWidth, kHeight);
    source.Create(kWidth, kHeight);
    target.Create(kWidth, kHeight, 0, 1, 0);
    Pylon::SFrameGeometry geometry;
    geometry.width = kWidth;
    geometry.height = kHeight;
    geometry.paddingX = uint32_t(scene.GetRowBytes() - 3 * kWidth);
    Pylon::CSimScene(kWidth, kHeight)
        .Render(Pylon::PixelType_BGR8packed, geometry, Pylon::SExposure{},
                static_cast<unsigned char*>(scene.GetBits()));
  }
  void Refresh() {
    std::memcpy(source.GetBits(), scene.GetBits(), size_t(scene.GetRowBytes()) * kHeight);
    evictCaches();
  }
};

// The default matrix (as a 3 x 4 float transform) and a contrast table.
struct Reference {
  cv::Mat matrix = cv::Mat(3, 4, CV_32F);
  cv::Mat table = cv::Mat(1, 256, CV_8U);
  explicit Reference(float contrast) {
    float m[16];
    Mult4(rgbrgb8, yccrgb, m);
    Concat4(m, rgbycc);
    Concat4(m, rgb8rgb);
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 4; ++c) matrix.at<float>(r, c) = m[4 * r + c];
    CLut lut;
    ContrastLUT(contrast, lut);
    for (int i = 0; i < 256; ++i) table.at<unsigned char>(i) = static_cast<unsigned char>(lut[i]);
  }
  void MatrixAndTable(const cv::Mat& in, cv::Mat& out) const {
    cv::transform(in, out, matrix);
    cv::LUT(out, table, out);
  }
};

void levels(cv::Mat& image) {
  std::vector<cv::Mat> planes;
  cv::split(image, planes);
  for (cv::Mat& plane : planes) {
    const int size = 256;
    const float range[] = {0, 256};
    const float* ranges = range;
    cv::Mat histogram;
    cv::calcHist(&plane, 1, nullptr, cv::Mat(), histogram, 1, &size, &ranges);
    cv::Mat table(1, 256, CV_8U);
    for (int i = 0; i < 256; ++i)
      table.at<unsigned char>(i) = cv::saturate_cast<unsigned char>((i - 10) * 1.1);
    cv::LUT(plane, table, plane);
  }
  cv::merge(planes, image);
}

void unsharp(const cv::Mat& in, cv::Mat& out) {
  cv::Mat ycc, edgeX, edgeY, edges, blurred;
  cv::cvtColor(in, ycc, cv::COLOR_BGR2YCrCb);
  cv::Mat luminance;
  cv::extractChannel(ycc, luminance, 0);
  cv::Sobel(luminance, edgeX, CV_32F, 1, 0);
  cv::Sobel(luminance, edgeY, CV_32F, 0, 1);
  cv::magnitude(edgeX, edgeY, edges);
  edges.convertTo(edges, CV_8U);
  cv::blur(edges, edges, cv::Size(5, 5));
  cv::GaussianBlur(luminance, blurred, cv::Size(41, 41), 6.0);
  cv::addWeighted(luminance, 2.2, blurred, -1.2, 0, luminance);
  cv::insertChannel(luminance, ycc, 0);
  cv::cvtColor(ycc, out, cv::COLOR_YCrCb2BGR);
}

double skinMean(const cv::Mat& in) {
  cv::Mat ycc, mask;
  cv::cvtColor(in, ycc, cv::COLOR_BGR2YCrCb);
  cv::inRange(ycc, cv::Scalar(0, 134, 78), cv::Scalar(255, 172, 126), mask);
  return cv::mean(ycc, mask)[0];
}

void compare(const char* name, Frames& frames, const std::function<void()>& ours,
             const std::function<void()>& reference) {
  std::vector<double> a, b;
  for (int round = 0; round < kRounds; ++round) {
    for (int side = 0; side < 2; ++side) {
      // Alternate which side runs first.
      const bool oursNow = (side == 0) == (round % 2 == 0);
      frames.Refresh();
      const auto start = std::chrono::steady_clock::now();
      (oursNow ? ours : reference)();
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      (oursNow ? a : b).push_back(ms);
    }
  }
  const double ma = median(a), mb = median(b);
  std::printf("%-22s transformer %8.2f ms   OpenCV %8.2f ms   ratio %.2f\n", name, ma, mb, ma / mb);
}

}  // namespace

int main() {
  Frames frames;
  const Reference reference(0.5f);
  std::printf("%d x %d simulated scene, %d threads, median of %d rounds each\n", kWidth, kHeight,
              cv::getNumThreads(), kRounds);

  CColorTransformer defaults;
  cv::Mat out;
  const auto run = [&](CColorTransformer& t) {
    return [&] { t.Transform(frames.source, frames.target, true); };
  };
  compare("defaults", frames, run(defaults), [&] {
    cv::Mat in = viewOf(frames.source), target = viewOf(frames.target);
    reference.MatrixAndTable(in, target);
  });

  CColorTransformer withContrast;
  withContrast.m_settings.m_contrast = 20;
  const Reference contrastReference(0.6f);
  compare("contrast 20", frames, run(withContrast), [&] {
    cv::Mat in = viewOf(frames.source), target = viewOf(frames.target);
    contrastReference.MatrixAndTable(in, target);
  });

  CColorTransformer withLevels;
  withLevels.m_settings.m_colorStretch = 1;
  compare("levels", frames, run(withLevels), [&] {
    cv::Mat in = viewOf(frames.source), target = viewOf(frames.target);
    levels(in);
    reference.MatrixAndTable(in, target);
  });

  CColorTransformer withUnsharp;
  withUnsharp.m_settings.m_unsharpMask = 1;
  compare("unsharp mask sigma 6", frames, run(withUnsharp), [&] {
    cv::Mat in = viewOf(frames.source), target = viewOf(frames.target);
    unsharp(in, target);
    reference.MatrixAndTable(target, target);
  });

  CColorTransformer withSkin;
  withSkin.m_settings.m_skinExposure = 1;
  compare("skin exposure", frames, run(withSkin), [&] {
    cv::Mat in = viewOf(frames.source), target = viewOf(frames.target);
    volatile double mean = skinMean(in);
    (void)mean;
    reference.MatrixAndTable(in, target);
  });
  return 0;
}
