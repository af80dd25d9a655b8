#pragma once

#include <cstddef>

namespace pixcodec {

// Row-wise access to pixels that are not contiguous in memory (a tiled
// image): rows are copied out and in by stored row, through a buffer of
// `rowBytes` bytes.
struct RowAccess {
  void* owner = nullptr;
  bool (*get)(void* owner, int storedRow, unsigned char* dst) = nullptr;
  bool (*put)(void* owner, int storedRow, const unsigned char* src) = nullptr;
  std::size_t rowBytes = 0;
};

// 8-bit interleaved pixels as the codecs see them: rows are addressed from the
// top of the picture whatever the memory origin, so every encoder and decoder
// puts the top of the picture in the same place. Pixels not in memory (data
// null) are reached through `rows`.
struct PixelView {
  unsigned char* data = nullptr;
  int width = 0;
  int height = 0;
  int channels = 0;
  std::ptrdiff_t step = 0;  // bytes from one stored row to the next
  bool bottomUp = true;     // first stored row is the bottom of the picture
  RowAccess rows;

  // The stored row of row `row` counted from the top of the picture.
  int StoredRow(int row) const { return bottomUp ? height - 1 - row : row; }
  // Row `row` counted from the top of the picture.
  unsigned char* TopRow(int row) const { return data + StoredRow(row) * step; }
};

}  // namespace pixcodec
