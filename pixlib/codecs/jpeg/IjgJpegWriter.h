#pragma once

#include <vector>

#include "pixlib/codecs/jpeg/JpegDestination.h"
#include "pixlib/codecs/PixelView.h"
#include "pixlib/codecs/StreamFilter.h"

namespace pixcodec {

struct IjgWriteOptions {
  int quality = 90;        // negative: 4x4 luminance sampling, quality |q|
  bool keepAlpha = false;  // 4 channels: write a four-component JPEG with the alpha
  int dpiX = 72;
  int dpiY = 72;
  StreamFilter* filter = nullptr;                          // scrambles the stream when set
  const std::vector<unsigned char>* iccProfile = nullptr;  // embedded when set and not empty
  // The photo encoder's choices: the fast integer DCT below quality 96, quantisation
  // tables limited to baseline values, no progress reports and no warnings.
  bool photoEncoder = false;
};

// Writes `view` (1, 3 or 4 channels) as a JPEG through the IJG library, top of
// the picture first, reporting progress and errors unless it is the photo
// encoder. False on an empty image or any encoder error.
bool WriteJpegIjg(const PixelView& view, const IjgWriteOptions& options, ByteSink& sink);

}  // namespace pixcodec
