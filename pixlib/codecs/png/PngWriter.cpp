// Writes 8-bit PNG files through libspng: grey, RGB or RGBA, top row first.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "platform/FileReplace.h"
#include "pixlib/codecs/RowConverters.h"
#include "pixlib/codecs/bmp/BmpHeader.h"
#include "pixlib/codecs/png/SpngContext.h"
#include "pixlib/core/CxImage.h"

using namespace pixcodec;

namespace {

// The rows of `view`, top first, as `channels` samples: grey as it is, B, G,
// R(, A) as R, G, B(, A); an alpha the file does not keep is dropped.
int EncodeRows(spng_ctx* ctx, const PixelView& view, int channels) {
  std::vector<unsigned char> row(std::size_t(view.width) * channels);
  const int rowBytes = static_cast<int>(row.size());
  for (int y = 0; y < view.height; ++y) {
    const unsigned char* src = view.TopRow(y);
    if (channels == 1)
      std::copy_n(src, row.size(), row.begin());
    else if (view.channels == 3)
      SwapRow3(src, row.data(), nullptr, view.width, rowBytes, 1);
    else if (channels == 4)
      SwapRow4(src, row.data(), nullptr, view.width, rowBytes, 1);
    else
      SwapDropRow4(src, row.data(), nullptr, view.width, rowBytes, 1);
    const int result = spng_encode_row(ctx, row.data(), row.size());
    if (result != 0 && !(result == SPNG_EOI && y == view.height - 1)) return result;
    ImgProgress(y, view.height, nullptr);
  }
  return 0;
}

int Encode(std::FILE* file, const PixelView& view, int channels, CSize dpi) {
  SpngContext ctx(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!ctx) return SPNG_EMEM;
  spng_ihdr ihdr{};
  ihdr.width = static_cast<std::uint32_t>(view.width);
  ihdr.height = static_cast<std::uint32_t>(view.height);
  ihdr.bit_depth = 8;
  ihdr.color_type = channels == 1   ? SPNG_COLOR_TYPE_GRAYSCALE
                    : channels == 3 ? SPNG_COLOR_TYPE_TRUECOLOR
                                    : SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
  spng_phys phys{DpiToPixelsPerMetre(dpi.cx), DpiToPixelsPerMetre(dpi.cy), 1};
  int result = spng_set_png_file(ctx.get(), file);
  if (result == 0) result = spng_set_ihdr(ctx.get(), &ihdr);
  if (result == 0 && phys.ppu_x > 0 && phys.ppu_y > 0) result = spng_set_phys(ctx.get(), &phys);
  if (result == 0)
    result = spng_encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG,
                               SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
  if (result == 0) result = EncodeRows(ctx.get(), view, channels);
  return result;
}

}  // namespace

int WritePngFile(CxImage& image, const char* path, int, int keepAlpha, unsigned char*) {
  const PixelView view = ViewOf(image);
  if (view.data == nullptr || path == nullptr || image.BitsPerSample() != 8) return 0;
  if (view.channels != 1 && view.channels != 3 && view.channels != 4) return 0;
  const int channels = view.channels == 4 && keepAlpha == 0 ? 3 : view.channels;
  bx::ReplacingFile file(path);
  if (file.Get() == nullptr) {
    ImgWarning("Can't open file %s\n", path);
    return 0;
  }
  int result = SPNG_EMEM;
  try {
    result = Encode(file.Get(), view, channels, image.Resolution());
  } catch (const std::bad_alloc&) {
    result = SPNG_EMEM;
  }
  if (result == 0 && std::fflush(file.Get()) == 0 && file.Commit()) return 1;
  ImgWarning("Error writing PNG file %s: %s\n", path, result != 0 ? spng_strerror(result) : "write failed");
  return 0;
}
