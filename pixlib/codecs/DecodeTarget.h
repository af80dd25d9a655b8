#pragma once

#include "pixlib/codecs/PixelView.h"

namespace pixcodec {

// What a JPEG decoder learns from the file before it writes pixels.
struct DecodedImageInfo {
  int width = 0;  // output size, after reduction
  int height = 0;
  int channels = 0;
  int components = 0;  // in the file
  int dpiX = 0;        // 0 when the file states no physical density
  int dpiY = 0;
};

// Receives a decoded image: creates the pixels once the size is known.
class DecodeTarget {
 public:
  virtual ~DecodeTarget() = default;
  // False when the image cannot be created; `view` then stays unused.
  virtual bool Create(const DecodedImageInfo& info, PixelView& view) = 0;
  // A target whose pixels live on disk takes images beyond kMaxDecodedBytes
  // (it checks the disk's room when it creates them).
  virtual bool OnDisk() const { return false; }
};

// Reductions the decoders apply: 2, 4 and 8 as asked, larger powers of two at
// the decoders' limit of 8; anything else reads full size.
inline int NormalisedReduction(int reduction) {
  if (reduction > 8 && (reduction & (reduction - 1)) == 0) return 8;
  return reduction == 2 || reduction == 4 || reduction == 8 ? reduction : 1;
}

// Output size of a dimension read at 1/reduction: rounded up.
inline int ReducedSize(int size, int reduction) { return (size + reduction - 1) / reduction; }

// Refuses decoded images above this many bytes (a corrupt header may claim
// gigapixels; such images would need a tiled target).
inline constexpr long long kMaxDecodedBytes = 1LL << 30;

// Dots per inch from a JFIF density: unit 1 is dots per inch, unit 2 dots per
// centimetre (times 2.54, truncated); unit 0 states only an aspect ratio.
inline int DensityToDpi(int unit, int density) {
  if (unit == 2) return density * 254 / 100;
  return unit == 1 ? density : 0;
}

}  // namespace pixcodec
