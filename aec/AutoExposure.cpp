#include "aec/AutoExposure.h"

#include <algorithm>
#include <array>
#include <vector>

#include "ipl/Ipl.h"

namespace AEC {

namespace {

constexpr int kLevels = 256;
constexpr int kMeasuredChannel = 1;

// One 256-bin histogram per channel of `image` within its region of interest.
std::vector<std::array<int, kLevels>> ChannelHistograms(IplImage& image)
{
    std::array<int, kLevels + 1> edges{};
    for (int i = 0; i <= kLevels; ++i)
        edges[i] = i;
    std::vector<std::array<int, kLevels>> counts(image.nChannels);
    std::vector<IplLUT> luts(image.nChannels);
    std::vector<IplLUT*> lutPointers(image.nChannels);
    for (int c = 0; c < image.nChannels; ++c) {
        counts[c].fill(0);
        luts[c] = IplLUT{kLevels + 1, edges.data(), counts[c].data(), nullptr, IPL_LUT_LOOKUP};
        lutPointers[c] = &luts[c];
    }
    iplComputeHisto(&image, lutPointers.data());
    return counts;
}

long long RegionPixels(const IplImage& image)
{
    if (image.roi)
        return static_cast<long long>(image.roi->width) * image.roi->height;
    return static_cast<long long>(image.width) * image.height;
}

} // namespace

float CAutoExposure::Compute(IplImage&, int, int, float exposure)
{
    return exposure;
}

void CAutoExposure::GetProperties(IPropertyHost*, CPropertyList&) {}

bool CAutoExposure::Load(const TiXmlElement&)
{
    return true;
}

bool CAutoExposure::Save(TiXmlElement&)
{
    return true;
}

std::string CAutoExposure::GetName() const
{
    return "Auto Exposure";
}

std::string CAutoExposure::GetDescription() const
{
    return {};
}

void CAutoExposure::Snapshot() {}

void CAutoExposure::Restore() {}

std::optional<CExposureStatistics> CAutoExposure::ComputeStatistics(IplImage& image, int underLevel,
                                                                     int overLevel)
{
    const long long pixels = RegionPixels(image);
    if (pixels <= 0 || image.nChannels < 1)
        return std::nullopt;
    const auto histograms = ChannelHistograms(image);
    // A single-channel frame has no channel 1; its only channel carries the level.
    const auto& counts = histograms[std::min(kMeasuredChannel, image.nChannels - 1)];

    double under = 0, over = 0, levelSum = 0;
    long long running = 0;
    std::optional<int> median;
    for (int i = 0; i < kLevels; ++i) {
        if (i <= underLevel)
            under += counts[i];
        if (i >= overLevel)
            over += counts[i];
        levelSum += static_cast<double>(counts[i]) * i;
        if (!median) {
            running += counts[i];
            if (running >= pixels / 2)
                median = i;
        }
    }
    const double n = static_cast<double>(pixels);
    return CExposureStatistics{static_cast<float>(levelSum / n), static_cast<float>(median.value_or(0)),
                               static_cast<float>(under / n), static_cast<float>(over / n)};
}

std::string CAutoExposure::GetElementName() const
{
    std::string name = GetName();
    std::erase(name, ' ');
    return name;
}

} // namespace AEC
