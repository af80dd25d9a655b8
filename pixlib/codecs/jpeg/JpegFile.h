#pragma once

#include "pixlib/codecs/jpeg/JpegDestination.h"

class CxImage;

namespace pixcodec {

// Writes `image` with the photo encoder to the file at `path`, which is
// replaced only once the JPEG is complete; `copy`, when given, also receives
// the bytes as they are written. False, with the file as it was, on failure.
bool WriteJpegFileWithPhotoEncoder(CxImage& image, const char* path, int quality, ByteSink* copy);

}  // namespace pixcodec
