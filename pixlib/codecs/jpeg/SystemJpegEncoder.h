#pragma once

#include "pixlib/codecs/jpeg/JpegDestination.h"
#include "pixlib/codecs/PixelView.h"

namespace pixcodec {

// The preferred photo encoder: TurboJPEG compression of 1, 3 or 4 channels
// (an alpha channel is not written) into a baseline JPEG at `quality`
// (1 to 100) with the given density in dots per inch, top of the picture on
// top whatever the memory origin. False when it cannot encode; the caller
// then falls back to the IJG writer.
bool EncodeJpegSystem(const PixelView& view, int quality, int dpiX, int dpiY, ByteSink& sink);

}  // namespace pixcodec
