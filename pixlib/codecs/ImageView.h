#pragma once

#include "pixlib/codecs/DecodeTarget.h"
#include "pixlib/codecs/PixelView.h"
#include "pixlib/core/DibSection.h"

class CxImage;

namespace pixcodec {

// The pixels of an image as the codecs address them; those of a tiled image
// through its rows.
PixelView ViewOf(CxImage& image);

// Creates `image` as 8-bit BGR or BGRA at the default origin; heights and
// widths above the plain Create limit are accepted too. Undefined bits are for
// decoders that write every row, even when the file fails them.
bool CreateCodecImage(CxImage& image, int width, int height, int channels, NewBits bits = NewBits::Zeroed);

// Decode target that (re)creates a CxImage, tiled when asked, and records the
// file's resolution and whether it carried an alpha channel.
class ImageDecodeTarget : public DecodeTarget {
 public:
  explicit ImageDecodeTarget(CxImage& image, bool tiled = false, NewBits bits = NewBits::Zeroed)
      : m_image(image), m_tiled(tiled), m_bits(bits) {}
  bool Create(const DecodedImageInfo& info, PixelView& view) override;
  bool OnDisk() const override { return m_tiled; }

 private:
  CxImage& m_image;
  bool m_tiled;
  NewBits m_bits;
};

}  // namespace pixcodec
