#pragma once

#include "pixlib/codecs/jpeg/JpegDestination.h"
#include "pixlib/codecs/PixelView.h"

namespace pixcodec {

// The preferred photo encoder: 1, 3 or 4 channels (an alpha channel is not
// written) into a baseline JPEG at `quality` (1 to 100) with the given density
// in dots per inch, top of the picture on top whatever the memory origin. It
// writes what TurboJPEG's compressor writes (4:2:0, the fast DCT below quality
// 96), handing the bytes to the sink as they are encoded. False when it cannot
// encode; the caller then falls back to the IJG writer.
bool EncodeJpegSystem(const PixelView& view, int quality, int dpiX, int dpiY, ByteSink& sink);

}  // namespace pixcodec
