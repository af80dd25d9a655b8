#pragma once
// Edge-aware unsharp masking of the luminance: sharpening is weighted by a
// smoothed Sobel edge map, so flat areas (and their noise) stay as they are.
#include "pixlib/core/CxImage.h"

#include <vector>

// The Gaussian's radius: the first i from 2 at which exp(-i^2 / 2 sigma^2)
// falls below 0.005, at most 127; 0 when sigma is not positive and finite.
int GaussianRadius(double sigma);
// 2 x radius + 1 taps with 10 fraction bits (summing to about 1024); tap i
// weighs the mean of the Gaussian at i - 0.5, i and i + 0.5. Empty when the
// radius is 0.
std::vector<int> GaussianTaps(double sigma);

// Sharpens the luminance of source into target (same size); chroma is kept
// and a target alpha channel receives the source's. Nothing is written and
// false is returned when sigma gives no kernel or the images do not fit.
bool UnsharpMask(CxImage& source, CxImage& target, double sigma, double amount);
