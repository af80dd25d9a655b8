#pragma once
// Skin tones and their brightness, for the automatic brightness correction.
#include "pixlib/core/CxImage.h"

#include <optional>

// A pixel is skin when its blue difference Cb lies in 78 ... 126 and its red
// difference Cr in 134 ... 172 (8-bit, offset by 128).
bool IsSkin(int cb, int cr);

// The mean luminance of the image's skin pixels; none when it has no skin.
std::optional<double> MeanSkinLuminance(CxImage& image);
