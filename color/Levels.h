#pragma once
// Automatic levels: per colour channel or on luminance, from histograms of
// the whole image.
#include "pixlib/core/CxImage.h"
#include "pixlib/core/Lut.h"

// The levels a histogram stretches between. high <= low (a uniform image)
// means no stretch.
struct SLevelRange {
  int low = 0;
  int high = 255;
};

// low: walking up from level 0 with the cumulative fraction of pixels, the
// first level at which that fraction moves away from 0.006 (0 if it never
// does, up to 254); high likewise walking down from 255 (255 if it never
// does, down to 1). A uniform image gives low = high.
SLevelRange FindLevelRange(const double (&histogram)[256]);
// 255 / (high - low), or 1 when there is no stretch.
double LevelScale(const SLevelRange& range);
// 0 below low, 255 above high, k x scale (truncated) at low + k; the
// identity when there is no stretch.
void FillLevelTable(const SLevelRange& range, CLut& table);

// Histograms of the three colour channels over the whole image, as counts.
bool ColourHistograms(CxImage& image, double (&histograms)[3][256]);

// Stretches each colour channel of source's ROI into target from its ROI
// origin (target may be source); histograms come from the whole source. A
// target alpha channel receives the source's alpha, or 255 when the source
// has none. corrections (B, G, R) = -s / |s| over the three channels' scales.
bool StretchChannels(CxImage& source, CxImage& target, float (&corrections)[3]);

// Stretches the luminance of the whole image in place; chroma and alpha kept.
bool StretchLuminance(CxImage& image);
