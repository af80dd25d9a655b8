#include "aec/AutoExposure.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "aec/RoiScope.h"
#include "ipl/Ipl.h"

namespace AEC {

namespace {

constexpr int kLevels = 256;
constexpr int kMeasuredChannel = 1;

// The 256-bin histogram of one channel of `image` within its region of interest.
std::array<int, kLevels> ChannelHistogram(IplImage& image, int channel) {
  std::array<int, kLevels + 1> edges{};
  for (int i = 0; i <= kLevels; ++i) edges[i] = i;
  std::array<int, kLevels> counts{};
  IplLUT lut{kLevels + 1, edges.data(), counts.data(), nullptr, IPL_LUT_LOOKUP};
  IplLUT* luts[] = {&lut};
  // Only the measured channel is counted: the region keeps its place and
  // takes that channel as its channel of interest.
  const IplROI* roi = image.roi;
  CRoiScope region(image);
  region.Set(roi ? roi->xOffset : 0, roi ? roi->yOffset : 0, roi ? roi->width : image.width,
             roi ? roi->height : image.height, channel + 1);
  iplComputeHisto(&image, luts);
  return counts;
}

long long RegionPixels(const IplImage& image) {
  if (image.roi) return static_cast<long long>(image.roi->width) * image.roi->height;
  return static_cast<long long>(image.width) * image.height;
}

}  // namespace

float CAutoExposure::Compute(IplImage&, int, int, float exposure) { return exposure; }

void CAutoExposure::GetProperties(IPropertyHost*, CPropertyList&) {}

bool CAutoExposure::Load(const TiXmlElement&) { return true; }

bool CAutoExposure::Save(TiXmlElement&) { return true; }

std::string CAutoExposure::GetName() const { return "Auto Exposure"; }

std::string CAutoExposure::GetDescription() const { return {}; }

void CAutoExposure::Snapshot() {}

void CAutoExposure::Restore() {}

std::optional<CExposureStatistics> CAutoExposure::ComputeStatistics(IplImage& image, int underLevel,
                                                                    int overLevel) {
  const long long pixels = RegionPixels(image);
  if (pixels <= 0 || image.nChannels < 1) return std::nullopt;
  // A single-channel frame has no channel 1; its only channel carries the level.
  const auto counts = ChannelHistogram(image, std::min(kMeasuredChannel, image.nChannels - 1));
  // A region the histogram could not cover (outside the image) measures nothing.
  if (std::accumulate(counts.begin(), counts.end(), 0LL) != pixels) return std::nullopt;

  double under = 0, over = 0, levelSum = 0;
  long long running = 0;
  std::optional<int> median;
  for (int i = 0; i < kLevels; ++i) {
    if (i <= underLevel) under += counts[i];
    if (i >= overLevel) over += counts[i];
    levelSum += static_cast<double>(counts[i]) * i;
    if (!median) {
      running += counts[i];
      if (running >= pixels / 2) median = i;
    }
  }
  const double n = static_cast<double>(pixels);
  return CExposureStatistics{static_cast<float>(levelSum / n), static_cast<float>(median.value_or(0)),
                             static_cast<float>(under / n), static_cast<float>(over / n)};
}

std::string CAutoExposure::GetElementName() const {
  std::string name = GetName();
  std::erase(name, ' ');
  return name;
}

}  // namespace AEC
