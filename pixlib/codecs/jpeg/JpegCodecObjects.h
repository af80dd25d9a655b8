#pragma once

#include <jpeglib.h>

#include "pixlib/codecs/jpeg/JpegErrorTrap.h"

namespace pixcodec {

// An IJG decompressor with its error trap; created inside the trap because
// creation itself can fail, always destroyed.
struct IjgDecompressor {
  JpegErrorTrap trap;
  jpeg_decompress_struct info{};
  IjgDecompressor() { info.err = trap.Manager(); }
  ~IjgDecompressor() { jpeg_destroy_decompress(&info); }
  bool Create() {
    return trap.Guarded([this] { jpeg_create_decompress(&info); });
  }
};

struct IjgCompressor {
  JpegErrorTrap trap;
  jpeg_compress_struct info{};
  IjgCompressor() { info.err = trap.Manager(); }
  ~IjgCompressor() { jpeg_destroy_compress(&info); }
  bool Create() {
    return trap.Guarded([this] { jpeg_create_compress(&info); });
  }
};

}  // namespace pixcodec
