#include "pixlib/codecs/jpeg/SystemJpegEncoder.h"

#include <algorithm>
#include <memory>

#include "pixlib/codecs/jpeg/JfifDensity.h"
#include "pixlib/codecs/jpeg/TurboHandle.h"

namespace pixcodec {

namespace {

struct TurboFree {
  void operator()(unsigned char* p) const { tjFree(p); }
};

bool PixelFormat(int channels, int& format, int& subsampling) {
  subsampling = TJSAMP_420;
  switch (channels) {
    case 1:
      format = TJPF_GRAY;
      subsampling = TJSAMP_GRAY;
      return true;
    case 3:
      format = TJPF_BGR;
      return true;
    case 4:
      format = TJPF_BGRA;
      return true;
    default:
      return false;
  }
}

int Density(int dpi) { return std::clamp(dpi, 1, 65535); }

}  // namespace

bool EncodeJpegSystem(const PixelView& view, int quality, int dpiX, int dpiY, ByteSink& sink) {
  int format = 0, subsampling = 0;
  if (view.width <= 0 || view.height <= 0 || view.data == nullptr || quality < 1 || quality > 100 ||
      !PixelFormat(view.channels, format, subsampling))
    return false;
  TurboHandle handle(tjInitCompress());
  if (!handle) return false;
  unsigned char* encoded = nullptr;
  unsigned long size = 0;
  const int flags = view.bottomUp ? TJFLAG_BOTTOMUP : 0;
  const int result = tjCompress2(handle.get(), view.data, view.width, static_cast<int>(view.step),
                                 view.height, format, &encoded, &size, subsampling, quality, flags);
  std::unique_ptr<unsigned char, TurboFree> owned(encoded);
  if (result != 0) return false;
  SetJfifDensity(encoded, size, JfifDensity{1, Density(dpiX), Density(dpiY)});
  return sink.Write(encoded, size) && sink.Flush();
}

}  // namespace pixcodec
