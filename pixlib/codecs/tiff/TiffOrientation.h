#pragma once

#include "pixlib/codecs/PixelView.h"

namespace pixcodec {

// Places the stored rows of a transposed TIFF (orientation 5 to 8, read top
// row first and left to right as stored) into `picture`, whose width is the
// stored height: stored row r becomes picture column r, counted from the
// right for orientations 6 and 7; stored column c becomes picture row c,
// counted from the bottom for orientations 7 and 8.
void TurnTransposed(const PixelView& stored, const PixelView& picture, int orientation);

}  // namespace pixcodec
