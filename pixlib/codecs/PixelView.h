#pragma once

#include <cstddef>

namespace pixcodec {

// 8-bit interleaved pixels as the codecs see them: rows are addressed from the
// top of the picture whatever the memory origin, so every encoder and decoder
// puts the top of the picture in the same place.
struct PixelView {
  unsigned char* data = nullptr;
  int width = 0;
  int height = 0;
  int channels = 0;
  std::ptrdiff_t step = 0;  // bytes from one stored row to the next
  bool bottomUp = true;     // first stored row is the bottom of the picture

  // Row `row` counted from the top of the picture.
  unsigned char* TopRow(int row) const {
    const int stored = bottomUp ? height - 1 - row : row;
    return data + stored * step;
  }
};

}  // namespace pixcodec
