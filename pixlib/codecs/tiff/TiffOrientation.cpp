#include "pixlib/codecs/tiff/TiffOrientation.h"

#include <cstring>

#include <tiffio.h>

namespace pixcodec {

void TurnTransposed(const PixelView& stored, const PixelView& picture, int orientation) {
  const bool fromRight = orientation == ORIENTATION_RIGHTTOP || orientation == ORIENTATION_RIGHTBOT;
  const bool fromBottom = orientation == ORIENTATION_RIGHTBOT || orientation == ORIENTATION_LEFTBOT;
  const int channels = picture.channels;
  for (int y = 0; y < picture.height; ++y) {
    const int storedColumn = fromBottom ? picture.height - 1 - y : y;
    unsigned char* dst = picture.TopRow(y);
    for (int x = 0; x < picture.width; ++x, dst += channels) {
      const int storedRow = fromRight ? picture.width - 1 - x : x;
      std::memcpy(dst, stored.TopRow(storedRow) + std::size_t(storedColumn) * channels, channels);
    }
  }
}

}  // namespace pixcodec
