#include "color/Levels.h"

#include "color/RoiHelpers.h"
#include "color/YCrCbImage.h"
#include "ipl/Ipl.h"

#include <cmath>

namespace {

constexpr double kClipFraction = 0.006;

void histogramsOf(IplImage* image, int channels, double (*histograms)[256]) {
  CLut counts[4];
  IplLUT* luts[4];
  for (int c = 0; c < 4; ++c) {
    for (int v = 0; v < 256; ++v) counts[c][v] = 0;
    luts[c] = counts[c];
  }
  iplComputeHisto(image, luts);
  for (int c = 0; c < channels; ++c)
    for (int v = 0; v < 256; ++v) histograms[c][v] = counts[c][v];
}

// Walks from level first by step (254 levels at most) adding each level's
// fraction of the pixels, and stops at the level that takes the sum further
// from the clip fraction than the levels before; none if no level does.
int stopLevel(const double (&histogram)[256], double total, int first, int step, int none) {
  double fraction = 0.0, distance = kClipFraction;
  for (int level = first, n = 0; n < 255; level += step, ++n) {
    fraction += histogram[level] / total;
    if (std::abs(fraction - kClipFraction) > distance) return level;
    distance = std::abs(fraction - kClipFraction);
  }
  return none;
}

}  // namespace

SLevelRange FindLevelRange(const double (&histogram)[256]) {
  double total = 0.0;
  for (double count : histogram) total += count;
  if (total <= 0.0) return {};
  return {stopLevel(histogram, total, 0, 1, 0), stopLevel(histogram, total, 255, -1, 255)};
}

double LevelScale(const SLevelRange& range) {
  return range.high > range.low ? 255.0 / (range.high - range.low) : 1.0;
}

void FillLevelTable(const SLevelRange& range, CLut& table) {
  const bool stretch = range.high > range.low;
  for (int v = 0; v < 256; ++v) {
    if (!stretch)
      table[v] = v;
    else if (v < range.low)
      table[v] = 0;
    else if (v > range.high)
      table[v] = 255;
    else
      table[v] = (v - range.low) * 255 / (range.high - range.low);  // exact: high gives 255
  }
}

bool ColourHistograms(CxImage& image, double (&histograms)[3][256]) {
  if (!image.IsValid() || image.SamplesPerPixel() < 3) return false;
  CRect roi;
  image.GetROI(roi);
  image.SetCOI(0);
  histogramsOf(image, 3, histograms);
  SetRoi(image, 0, roi);
  return true;
}

bool StretchChannels(CxImage& source, CxImage& target, float (&corrections)[3]) {
  double histograms[3][256];
  if (!ColourHistograms(source, histograms) || target.SamplesPerPixel() < 3) return false;
  CLut tables[4];
  IplLUT* luts[4] = {tables[0], tables[1], tables[2], tables[3]};
  double scales[3], norm = 0.0;
  for (int c = 0; c < 3; ++c) {
    const SLevelRange range = FindLevelRange(histograms[c]);
    FillLevelTable(range, tables[c]);
    scales[c] = LevelScale(range);
    norm += scales[c] * scales[c];
  }
  for (int c = 0; c < 3; ++c) corrections[c] = static_cast<float>(-scales[c] / std::sqrt(norm));
  iplContrastStretch(source, target, luts);
  if (&source != &target) CarryAlpha(source, target);
  return true;
}

bool StretchLuminance(CxImage& image) {
  CYCrCbImage ycc;
  if (!ycc.From(image)) return false;
  ycc.Image().SetCOI(1);  // the luminance
  double histogram[1][256];
  histogramsOf(ycc.Image(), 1, histogram);
  CLut table;
  FillLevelTable(FindLevelRange(histogram[0]), table);
  IplLUT* luts[1] = {table};
  iplContrastStretch(ycc.Image(), ycc.Image(), luts);
  ycc.Image().SetCOI(0);
  return ycc.To(image);
}
