#pragma once

#include "pixlib/codecs/PixelView.h"

namespace pixcodec {

// Orientation codes 1 to 8 of TIFF and Exif: where the stored first row and
// first column lie in the picture. 5 to 8 store the picture's columns as rows.
inline bool IsTransposed(int orientation) { return orientation >= 5 && orientation <= 8; }

// Places the stored pixels (top row first, left to right as stored) into
// `picture` turned the way `orientation` asks; `picture` has the stored size,
// width and height exchanged for 5 to 8.
void PlaceOriented(const PixelView& stored, const PixelView& picture, int orientation);

// The orientation the file at `path` asks for: a TIFF's Orientation tag, the
// Exif Orientation of a JPEG or a Photo CD pack's rotation; 0 when it states
// none.
int FileOrientation(const char* path);

}  // namespace pixcodec
