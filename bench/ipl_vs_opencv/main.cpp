// Compares each image operation with the direct OpenCV call on the same
// 2448 x 2048 BGR data, alternating the two in one run, and prints the
// median times and their ratio (goal: at most 1.10). A plain image copy is
// compared with memcpy the same way.

#include "bench/common/AlternatingRuns.h"
#include "ipl/Ipl.h"

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <numeric>
#include <vector>

namespace {

constexpr int kWidth = 2448, kHeight = 2048, kRounds = 21;

struct Image {
  IplImage* ipl;
  cv::Mat mat;  // view over the same pixels
  Image(int width, int height) {
    ipl = iplCreateImageHeader(3, 0, IPL_DEPTH_8U, "RGB", "BGR", IPL_DATA_ORDER_PIXEL, IPL_ORIGIN_BL,
                               IPL_ALIGN_4BYTES, width, height, nullptr, nullptr, nullptr, nullptr);
    iplAllocateImage(ipl, 1, 0);
    mat = cv::Mat(height, width, CV_8UC3, ipl->imageData, static_cast<size_t>(ipl->widthStep));
  }
  ~Image() { iplDeallocate(ipl, IPL_IMAGE_HEADER | IPL_IMAGE_DATA); }
};

void compare(const char* name, const std::function<void()>& ours, const std::function<void()>& reference) {
  const bench::MedianPair m = bench::AlternatingMedians(kRounds, ours, reference);
  std::printf("%-22s ipl %8.3f ms   reference %8.3f ms   ratio %.3f %s\n", name, m.ours, m.reference,
              m.Ratio(), m.Ratio() <= 1.10 ? "" : "(above 1.10)");
}

struct DirectLut {
  std::vector<int> keys = std::vector<int>(257), values = std::vector<int>(257);
  IplLUT lut{257, keys.data(), values.data(), nullptr, IPL_LUT_LOOKUP};
  DirectLut() { std::iota(keys.begin(), keys.end(), 0); }
};

}  // namespace

int main() {
  cv::setNumThreads(1);  // both sides single-threaded: steadier on a shared machine
  Image src(kWidth, kHeight), dst(kWidth, kHeight), half(kWidth / 2, kHeight / 2);
  cv::randu(src.mat, 0, 256);
  std::printf("%d x %d BGR, median of %d rounds each\n", kWidth, kHeight, kRounds);

  compare(
      "resize half, cubic", [&] { iplDecimate(src.ipl, half.ipl, 1, 2, 1, 2, IPL_INTER_CUBIC); },
      [&] { cv::resize(src.mat, half.mat, half.mat.size(), 0, 0, cv::INTER_CUBIC); });

  const double a = 10.0 * CV_PI / 180.0;
  const double m[2][3] = {{std::cos(a), std::sin(a), 0}, {-std::sin(a), std::cos(a), 400}};
  const cv::Matx23d mm(m[0][0], m[0][1], m[0][2], m[1][0], m[1][1], m[1][2]);
  compare(
      "affine 10 deg, cubic", [&] { iplWarpAffine(src.ipl, dst.ipl, m, IPL_INTER_CUBIC); },
      [&] { cv::warpAffine(src.mat, dst.mat, mm, dst.mat.size(), cv::INTER_CUBIC, cv::BORDER_TRANSPARENT); });

  const float twist[16] = {0.9f, 0.05f, 0.05f, 0, 0.1f, 0.8f, 0.1f, 2, 0.0f, 0.2f, 0.8f, -3, 0, 0, 0, 1};
  int fixed[16];
  for (int i = 0; i < 16; ++i) fixed[i] = static_cast<int>(twist[i] * (1 << 24));
  IplColorTwist* ct = iplCreateColorTwist(fixed, 24);
  cv::Mat tm(3, 4, CV_32F);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 4; ++j) tm.at<float>(i, j) = static_cast<float>(fixed[4 * i + j] / double(1 << 24));
  compare(
      "colour twist", [&] { iplApplyColorTwist(src.ipl, dst.ipl, ct, 0); },
      [&] { cv::transform(src.mat, dst.mat, tm); });
  iplDeleteColorTwist(ct);

  DirectLut luts[3];
  cv::Mat table(1, 256, CV_8UC3);
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 256; ++i) {
      luts[c].values[i] = std::min(255, i * (c + 2) / 2);
      table.ptr<uint8_t>(0)[3 * i + c] = static_cast<uint8_t>(luts[c].values[i]);
    }
  IplLUT* lutPtrs[3] = {&luts[0].lut, &luts[1].lut, &luts[2].lut};
  compare(
      "contrast stretch", [&] { iplContrastStretch(src.ipl, dst.ipl, lutPtrs); },
      [&] { cv::LUT(src.mat, table, dst.mat); });

  const int histSize = 256;
  const float range[] = {0, 256};
  const float* ranges = range;
  compare(
      "histogram", [&] { iplComputeHisto(src.ipl, lutPtrs); },
      [&] {
        for (int c = 0; c < 3; ++c) {
          cv::Mat hist;
          cv::calcHist(&src.mat, 1, &c, cv::Mat(), hist, 1, &histSize, &ranges);
        }
      });

  compare(
      "copy vs memcpy", [&] { iplCopy(src.ipl, dst.ipl); },
      [&] { std::memcpy(dst.ipl->imageData, src.ipl->imageData, static_cast<size_t>(src.ipl->imageSize)); });
  return 0;
}
