// Conversions between device-independent bitmaps and IPL images.
//
// DIBs hold BGR(A) pixels, rows padded to 4 bytes, bottom row first when
// biHeight is positive. 24- and 32-bit DIBs and 8-bit DIBs with a grey
// palette are described in place; other depths are expanded into a new
// 8-bit image (grey when the palette is grey, BGR otherwise).

#include "ipl/IplMatView.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct DibLayout {
  int width = 0;
  int height = 0;
  int bits = 0;
  bool topDown = false;
  int stride = 0;
  std::vector<RGBQUAD> palette;
  const uint8_t* pixels = nullptr;
};

bool readLayout(const BITMAPINFOHEADER* dib, const char* bits, DibLayout& out, const char* func) {
  if (!dib) return ipl::fail(func, IPL_HeaderIsNull, "bitmap header is null");
  const int b = dib->biBitCount;
  if (dib->biWidth < 1 || dib->biHeight == 0 || dib->biHeight == INT32_MIN)
    return ipl::fail(func, IPL_BadImageSize, "bitmap size");
  if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32)
    return ipl::fail(func, IPL_BadDepth, "bitmap bit count");
  if (dib->biCompression != BI_RGB) return ipl::fail(func, IPL_StsBadArg, "compressed bitmap");
  out.width = dib->biWidth;
  out.height = dib->biHeight < 0 ? -dib->biHeight : dib->biHeight;
  out.bits = b;
  out.topDown = dib->biHeight < 0;
  out.stride = static_cast<int>((static_cast<long long>(out.width) * b + 31) / 32 * 4);
  const int colours = b <= 8 ? (dib->biClrUsed ? static_cast<int>(dib->biClrUsed) : 1 << b) : 0;
  if (colours > 256) return ipl::fail(func, IPL_StsBadArg, "palette too large");
  const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const char*>(dib) + dib->biSize);
  out.palette.assign(table, table + colours);
  out.palette.resize(b <= 8 ? 1 << b : 0, RGBQUAD{0, 0, 0, 0});
  out.pixels = reinterpret_cast<const uint8_t*>(bits ? bits : reinterpret_cast<const char*>(table + colours));
  return true;
}

bool greyPalette(const DibLayout& dib) {
  for (size_t i = 0; i < dib.palette.size(); ++i) {
    const RGBQUAD& q = dib.palette[i];
    const int level = static_cast<int>(i * 255 / (dib.palette.size() - 1));
    if (q.rgbBlue != level || q.rgbGreen != level || q.rgbRed != level) return false;
  }
  return true;
}

// Palette index of pixel x in a row of a 1, 4 or 8-bit DIB.
int paletteIndex(const uint8_t* row, int x, int bits) {
  const int perByte = 8 / bits;
  const int shift = (perByte - 1 - x % perByte) * bits;
  return (row[x / perByte] >> shift) & ((1 << bits) - 1);
}

// Writes DIB row `row` as BGR(A) or grey samples into out (nChannels wide).
void expandRow(const DibLayout& dib, const uint8_t* row, uint8_t* out, int nChannels, int width) {
  for (int x = 0; x < width; ++x, out += nChannels) {
    uint8_t bgra[4] = {0, 0, 0, 255};
    if (dib.bits <= 8) {
      const RGBQUAD& q = dib.palette[paletteIndex(row, x, dib.bits)];
      bgra[0] = q.rgbBlue, bgra[1] = q.rgbGreen, bgra[2] = q.rgbRed;
    } else if (dib.bits == 16) {
      const int v = row[2 * x] | row[2 * x + 1] << 8;  // 5-5-5
      bgra[0] = static_cast<uint8_t>((v & 31) * 255 / 31);
      bgra[1] = static_cast<uint8_t>((v >> 5 & 31) * 255 / 31);
      bgra[2] = static_cast<uint8_t>((v >> 10 & 31) * 255 / 31);
    } else {
      const int n = dib.bits / 8;
      for (int c = 0; c < n; ++c) bgra[c] = row[n * x + c];
    }
    if (nChannels == 1) {
      out[0] = static_cast<uint8_t>((bgra[0] * 114 + bgra[1] * 587 + bgra[2] * 299 + 500) / 1000);
    } else {
      std::memcpy(out, bgra, static_cast<size_t>(nChannels));
    }
  }
}

// The DIB row holding image row y of an image with the given origin.
const uint8_t* dibRowFor(const DibLayout& dib, int y, int imageOrigin) {
  const bool dibBottomUp = !dib.topDown;
  const bool imageBottomUp = imageOrigin == IPL_ORIGIN_BL;
  const int row = dibBottomUp == imageBottomUp ? y : dib.height - 1 - y;
  return dib.pixels + static_cast<size_t>(row) * dib.stride;
}

void convertInto(const DibLayout& dib, IplImage* image, const char* func) {
  if (!ipl::usable(image, func)) return;
  if (image->depth != IPL_DEPTH_8U) {
    ipl::fail(func, IPL_BadDepth, "target must be 8-bit");
    return;
  }
  const int width = std::min(dib.width, image->width);
  const int height = std::min(dib.height, image->height);
  std::vector<uint8_t> row(static_cast<size_t>(width) * image->nChannels);
  // 24 and 32-bit rows already hold the image's samples in its order.
  const bool sameLayout = dib.bits == 8 * image->nChannels && dib.bits >= 24;
  for (int y = 0; y < height; ++y) {
    const uint8_t* source = dibRowFor(dib, y, image->origin);
    if (!sameLayout) expandRow(dib, source, row.data(), image->nChannels, width);
    std::memcpy(image->imageData + static_cast<size_t>(y) * image->widthStep,
                sameLayout ? source : row.data(), row.size());
  }
}

IplImage* headerFor(const DibLayout& dib, int nChannels, const char* func) {
  const bool colour = nChannels >= 3;
  IplImage* image = iplCreateImageHeader(
      nChannels, nChannels == 4 ? 4 : 0, IPL_DEPTH_8U, colour ? (nChannels == 4 ? "RGBA" : "RGB") : "GRAY",
      colour ? (nChannels == 4 ? "BGRA" : "BGR") : "GRAY", IPL_DATA_ORDER_PIXEL,
      dib.topDown ? IPL_ORIGIN_TL : IPL_ORIGIN_BL, IPL_ALIGN_4BYTES, dib.width, dib.height, nullptr, nullptr,
      nullptr, nullptr);
  if (!image) ipl::fail(func, iplGetErrStatus(), "cannot describe bitmap");
  return image;
}

}  // namespace

namespace ipl {

IplImage* translateDIB(BITMAPINFOHEADER* dib, const char* bits, int* cloneData) {
  const char* func = "iplTranslateDIB";
  DibLayout layout;
  if (!readLayout(dib, bits, layout, func)) return nullptr;
  const bool inPlace = layout.bits >= 24 || (layout.bits == 8 && greyPalette(layout));
  const int nChannels = layout.bits == 32                                                  ? 4
                        : (layout.bits == 24 || !greyPalette(layout) || layout.bits == 16) ? 3
                                                                                           : 1;
  IplImage* image = headerFor(layout, nChannels, func);
  if (!image) return nullptr;
  if (cloneData) *cloneData = inPlace ? 0 : 1;
  if (inPlace) {
    image->imageData = const_cast<char*>(reinterpret_cast<const char*>(layout.pixels));
    return image;
  }
  iplAllocateImage(image, 0, 0);
  if (!image->imageData) {
    iplDeallocateHeader(image);
    return nullptr;
  }
  convertInto(layout, image, func);
  return image;
}

}  // namespace ipl

extern "C" {

IplImage* iplTranslateDIB(BITMAPINFOHEADER* dib, int* cloneData) {
  return ipl::translateDIB(dib, nullptr, cloneData);
}

void iplConvertFromDIB(BITMAPINFOHEADER* dib, IplImage* image) {
  DibLayout layout;
  if (readLayout(dib, nullptr, layout, "iplConvertFromDIB")) convertInto(layout, image, "iplConvertFromDIB");
}

void iplConvertFromDIBSep(BITMAPINFOHEADER* dib, const char* dibData, IplImage* image) {
  const char* func = "iplConvertFromDIBSep";
  DibLayout layout;
  if (!dibData) {
    ipl::fail(func, IPL_BadDataPtr, "bitmap bits are null");
    return;
  }
  if (readLayout(dib, dibData, layout, func)) convertInto(layout, image, func);
}

}  // extern "C"
