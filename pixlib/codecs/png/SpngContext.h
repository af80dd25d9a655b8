#pragma once

#include <cstdio>
#include <memory>

#include <spng.h>

namespace pixcodec {

struct SpngFree {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

// A libspng decoder or encoder context, freed when it goes out of scope.
using SpngContext = std::unique_ptr<spng_ctx, SpngFree>;

// Reads a PNG from an open file up to where its image data ends, so an
// appended thumbnail and trailer never reach the decoder.
class PngStream {
 public:
  explicit PngStream(std::FILE* file);
  static int Read(spng_ctx*, void* stream, void* dst, std::size_t length);

 private:
  std::FILE* m_file;
  long m_left;
};

// A decoder over `stream` with limits against damaged files: ancillary chunks
// and their cache are capped, so a file cannot make it allocate gigabytes.
SpngContext OpenPngDecoder(PngStream& stream);

}  // namespace pixcodec
