#include "bench/codec_decode/SpngDirect.h"

#include <cstdio>
#include <vector>

#include <spng.h>

namespace bxbench {

bool DecodeWithSpng(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  spng_ctx* ctx = spng_ctx_new(0);
  spng_ihdr ihdr{};
  spng_trns trns{};
  bool ok = ctx != nullptr && spng_set_png_file(ctx, file) == 0 && spng_get_ihdr(ctx, &ihdr) == 0;
  const bool alpha =
      ok && (ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA ||
             ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA || spng_get_trns(ctx, &trns) == 0);
  const int format = alpha ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
  std::size_t size = 0;
  ok = ok && spng_decoded_image_size(ctx, format, &size) == 0;
  std::vector<unsigned char> pixels(ok ? size : 0);
  ok = ok && spng_decode_image(ctx, pixels.data(), pixels.size(), format, SPNG_DECODE_TRNS) == 0;
  spng_ctx_free(ctx);
  std::fclose(file);
  return ok;
}

}  // namespace bxbench
