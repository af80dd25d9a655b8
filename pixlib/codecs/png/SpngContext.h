#pragma once

#include <memory>

#include <spng.h>

namespace pixcodec {

struct SpngFree {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

// A libspng decoder or encoder context, freed when it goes out of scope.
using SpngContext = std::unique_ptr<spng_ctx, SpngFree>;

// A decoder over `file` with limits against damaged files: ancillary chunks
// and their cache are capped, so a file cannot make it allocate gigabytes.
SpngContext OpenPngDecoder(std::FILE* file);

}  // namespace pixcodec
