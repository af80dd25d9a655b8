#include "pixlib/codecs/jpeg/SystemJpegEncoder.h"

#include "pixlib/codecs/jpeg/IjgJpegWriter.h"

namespace pixcodec {

bool EncodeJpegSystem(const PixelView& view, int quality, int dpiX, int dpiY, ByteSink& sink) {
  if (view.data == nullptr || quality < 1 || quality > 100 ||
      (view.channels != 1 && view.channels != 3 && view.channels != 4))
    return false;
  IjgWriteOptions options;
  options.quality = quality;
  options.dpiX = dpiX;
  options.dpiY = dpiY;
  options.photoEncoder = true;
  return WriteJpegIjg(view, options, sink);
}

}  // namespace pixcodec
