#pragma once
// Images for the imaging-library tests.

#include "pixlib/core/CxImage.h"

#include <opencv2/core.hpp>

// Every sample a different-looking value, from a fixed seed.
void FillNoise(CxImage& image, unsigned seed);
// The image's stored rows as a matrix over the same pixels (no copy).
cv::Mat StoredRows(const CxImage& image);
// Samples of channel c at image coordinates (x along a row, y along the stored rows).
int Sample(const CxImage& image, int x, int y, int c);
