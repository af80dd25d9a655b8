#pragma once

#include "pixlib/codecs/PixelView.h"

namespace pixcodec {

// Writes `view` as an uncompressed bottom-up BMP with a 40-byte header:
// 8-bit grey palette for one channel, 24 bits for BGR, 32 bits (alpha in the
// fourth byte) for BGRA. Resolution in dots per inch. False on any failure;
// a failed write leaves any previous file as it was.
bool WriteBmpFile(const PixelView& view, const char* path, int dpiX, int dpiY);

}  // namespace pixcodec
