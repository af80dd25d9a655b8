#pragma once

#include <cstddef>

#include "pixlib/codecs/DecodeTarget.h"

namespace pixcodec {

struct FastReadOptions {
  int channelMode = 0;
  int reduction = 1;    // 1, 2, 4 or 8, applied while decoding
  bool strict = false;  // a corrupt-data warning fails the read
};

// Decodes a JPEG held in memory through the TurboJPEG API straight into the
// target's pixels. Silent on failure: callers fall back or report.
bool ReadJpegFast(const unsigned char* bytes, std::size_t size, const FastReadOptions& options,
                  DecodeTarget& target);

}  // namespace pixcodec
