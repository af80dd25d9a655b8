#include "pixlib/codecs/RowConverters.h"

#include <algorithm>
#include <cstring>

namespace pixcodec {

namespace {

int OutputPixels(int srcWidth, int dstRowBytes, int step, int dstChannels) {
  return std::min(std::max(1, srcWidth / step), dstRowBytes / dstChannels);
}

// Copies or reorders channels: C0..C3 name, per destination channel, the
// source channel to take (-1 = opaque alpha).
template <int SrcBytes, int DstBytes, int C0, int C1, int C2, int C3>
void Reorder(const unsigned char* src, unsigned char* dst, int srcWidth, int dstRowBytes, int step) {
  const int count = OutputPixels(srcWidth, dstRowBytes, step, DstBytes);
  constexpr bool kSameOrder =
      SrcBytes == DstBytes && C0 == 0 && C1 == 1 && C2 == 2 && (DstBytes == 3 || C3 == 3);
  if (kSameOrder && step == 1) {
    std::memcpy(dst, src, std::size_t(count) * DstBytes);
    return;
  }
  const int advance = SrcBytes * step;
  for (int x = 0; x < count; ++x, src += advance, dst += DstBytes) {
    dst[0] = src[C0];
    dst[1] = src[C1];
    dst[2] = src[C2];
    if constexpr (DstBytes == 4) dst[3] = C3 < 0 ? 255 : src[C3];
  }
}

template <int DstBytes>
void FromPalette(const unsigned char* src, unsigned char* dst, const unsigned char* palette, int srcWidth,
                 int dstRowBytes, int step) {
  const int count = OutputPixels(srcWidth, dstRowBytes, step, DstBytes);
  for (int x = 0; x < count; ++x, src += step, dst += DstBytes) {
    const unsigned char* entry = palette + 3 * *src;
    dst[0] = entry[0];
    dst[1] = entry[1];
    dst[2] = entry[2];
    if constexpr (DstBytes == 4) dst[3] = 255;
  }
}

}  // namespace

void CopyRow3(const unsigned char* src, unsigned char* dst, const unsigned char*, int srcWidth,
              int dstRowBytes, int step) {
  Reorder<3, 3, 0, 1, 2, 0>(src, dst, srcWidth, dstRowBytes, step);
}

void SwapRow3(const unsigned char* src, unsigned char* dst, const unsigned char*, int srcWidth,
              int dstRowBytes, int step) {
  Reorder<3, 3, 2, 1, 0, 0>(src, dst, srcWidth, dstRowBytes, step);
}

void CopyRow3To4(const unsigned char* src, unsigned char* dst, const unsigned char*, int srcWidth,
                 int dstRowBytes, int step) {
  Reorder<3, 4, 0, 1, 2, -1>(src, dst, srcWidth, dstRowBytes, step);
}

void SwapRow3To4(const unsigned char* src, unsigned char* dst, const unsigned char*, int srcWidth,
                 int dstRowBytes, int step) {
  Reorder<3, 4, 2, 1, 0, -1>(src, dst, srcWidth, dstRowBytes, step);
}

void CopyRow4(const unsigned char* src, unsigned char* dst, const unsigned char*, int srcWidth,
              int dstRowBytes, int step) {
  Reorder<4, 4, 0, 1, 2, 3>(src, dst, srcWidth, dstRowBytes, step);
}

void DropRow4(const unsigned char* src, unsigned char* dst, const unsigned char*, int srcWidth,
              int dstRowBytes, int step) {
  Reorder<4, 3, 0, 1, 2, 0>(src, dst, srcWidth, dstRowBytes, step);
}

void SwapRow4(const unsigned char* src, unsigned char* dst, const unsigned char*, int srcWidth,
              int dstRowBytes, int step) {
  Reorder<4, 4, 2, 1, 0, 3>(src, dst, srcWidth, dstRowBytes, step);
}

void SwapDropRow4(const unsigned char* src, unsigned char* dst, const unsigned char*, int srcWidth,
                  int dstRowBytes, int step) {
  Reorder<4, 3, 2, 1, 0, 0>(src, dst, srcWidth, dstRowBytes, step);
}

void PaletteRow3(const unsigned char* src, unsigned char* dst, const unsigned char* palette, int srcWidth,
                 int dstRowBytes, int step) {
  FromPalette<3>(src, dst, palette, srcWidth, dstRowBytes, step);
}

void PaletteRow4(const unsigned char* src, unsigned char* dst, const unsigned char* palette, int srcWidth,
                 int dstRowBytes, int step) {
  FromPalette<4>(src, dst, palette, srcWidth, dstRowBytes, step);
}

void ReverseRow(unsigned char* row, int pixels, int bytesPerPixel) {
  for (int left = 0, right = pixels - 1; left < right; ++left, --right)
    std::swap_ranges(row + left * bytesPerPixel, row + (left + 1) * bytesPerPixel,
                     row + right * bytesPerPixel);
}

int SourceBytes(SourcePixels source) {
  switch (source) {
    case SourcePixels::Index:
      return 1;
    case SourcePixels::Bgr:
    case SourcePixels::Rgb:
      return 3;
    default:
      return 4;
  }
}

RowConverter ChooseConverter(SourcePixels source, int dstChannels) {
  const bool four = dstChannels == 4;
  switch (source) {
    case SourcePixels::Index:
      return four ? PaletteRow4 : PaletteRow3;
    case SourcePixels::Bgr:
      return four ? CopyRow3To4 : CopyRow3;
    case SourcePixels::Rgb:
      return four ? SwapRow3To4 : SwapRow3;
    case SourcePixels::Bgra:
      return four ? CopyRow4 : DropRow4;
    case SourcePixels::Rgba:
      return four ? SwapRow4 : SwapDropRow4;
  }
  return nullptr;
}

}  // namespace pixcodec
