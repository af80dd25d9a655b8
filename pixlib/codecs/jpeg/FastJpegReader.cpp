#include "pixlib/codecs/jpeg/FastJpegReader.h"

#include <vector>

#include "pixlib/codecs/ChannelLayout.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/jpeg/JfifDensity.h"
#include "pixlib/codecs/jpeg/TurboHandle.h"

namespace pixcodec {

namespace {

char kLoadingJpeg[] = "Loading JPEG";

int Components(int colorspace) {
  if (colorspace == TJCS_GRAY) return 1;
  return colorspace == TJCS_CMYK || colorspace == TJCS_YCCK ? 4 : 3;
}

// A warning (data cut short or damaged) still gives an image, reported as the
// IJG reader reports it, unless the caller wants a clean decode.
bool Succeeded(tjhandle handle, int result, bool strict) {
  if (result == 0) return true;
  if (strict || tjGetErrorCode(handle) != TJERR_WARNING) return false;
  ImgWarning("Corrupt JPEG data: %s\n", tjGetErrorStr2(handle));
  return true;
}

bool DecodeDirect(tjhandle handle, const unsigned char* bytes, std::size_t size, const PixelView& view,
                  bool strict) {
  const int format = view.channels == 4 ? TJPF_BGRA : TJPF_BGR;
  const int flags = view.bottomUp ? TJFLAG_BOTTOMUP : 0;
  const int result = tjDecompress2(handle, bytes, static_cast<unsigned long>(size), view.data, view.width,
                                   static_cast<int>(view.step), view.height, format, flags);
  return Succeeded(handle, result, strict);
}

bool DecodeFourComponents(tjhandle handle, const unsigned char* bytes, std::size_t size,
                          const PixelView& view, bool strict) {
  const int pitch = view.width * 4;
  std::vector<unsigned char> cmyk(static_cast<std::size_t>(pitch) * view.height);
  const int result = tjDecompress2(handle, bytes, static_cast<unsigned long>(size), cmyk.data(), view.width,
                                   pitch, view.height, TJPF_CMYK, 0);
  if (!Succeeded(handle, result, strict)) return false;
  for (int row = 0; row < view.height; ++row)
    ConvertCmykRow(cmyk.data() + std::size_t(row) * pitch, view.TopRow(row), view.width, view.channels);
  return true;
}

}  // namespace

bool ReadJpegFast(const unsigned char* bytes, std::size_t size, const FastReadOptions& options,
                  DecodeTarget& target) {
  TurboHandle handle(tjInitDecompress());
  int width = 0, height = 0, subsampling = 0, colorspace = 0;
  if (!handle ||
      tjDecompressHeader3(handle.get(), bytes, static_cast<unsigned long>(size), &width, &height,
                          &subsampling, &colorspace) != 0 ||
      width <= 0 || height <= 0)  // a header cut before its frame
    return false;
  ChannelLayout layout;
  if (!ChannelLayout::Choose(Components(colorspace), options.channelMode, layout)) return false;

  const int reduction = NormalisedReduction(options.reduction);
  DecodedImageInfo info;
  info.width = ReducedSize(width, reduction);
  info.height = ReducedSize(height, reduction);
  info.channels = layout.channels;
  info.components = Components(colorspace);
  JfifDensity density;
  if (FindJfifDensity(bytes, size, density)) {
    info.dpiX = DensityToDpi(density.unit, density.x);
    info.dpiY = DensityToDpi(density.unit, density.y);
  }
  if (static_cast<long long>(info.width) * info.height * info.channels > kMaxDecodedBytes) return false;

  PixelView view;
  if (!target.Create(info, view)) return false;
  ImgProgress(0, info.height, kLoadingJpeg);
  const bool ok = layout.fromFourComponents
                      ? DecodeFourComponents(handle.get(), bytes, size, view, options.strict)
                      : DecodeDirect(handle.get(), bytes, size, view, options.strict);
  if (ok) ImgProgress(info.height, info.height, nullptr);
  return ok;
}

}  // namespace pixcodec
