#pragma once

#include <cstddef>

namespace pixcodec {

// Undoes TIFF's horizontal predictor on one row of 8-bit samples, `step`
// samples a pixel: each sample was stored as the difference to the same
// sample of the pixel on its left, so the row becomes each channel's running
// sums.
void UndoHorizontalPredictor(unsigned char* row, std::size_t bytes, int step);

}  // namespace pixcodec
