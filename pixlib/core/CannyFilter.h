#pragma once
// Edge detection on an image's region of interest.

#include "pixlib/core/CxImage.h"
#include "pixlib/core/Export.h"

// Per channel of the source ROI (only the COI channel when the source has
// one, written to the destination's COI channel or its first): Gaussian
// smoothing with sigma (none when sigma <= 0, at most 100), Sobel gradient
// magnitudes, non-maximum suppression, hysteresis from `high` down to `low`
// through the eight neighbours. Edge samples keep their magnitude (at most
// 255), all others become 0. 8-bit images only; returns 0 when refused.
PIXLIB_API int CannyFilter(CxImage& src, CxImage& dst, float sigma, int low, int high);
