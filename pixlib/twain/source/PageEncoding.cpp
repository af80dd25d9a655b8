#include "pixlib/twain/source/PageEncoding.h"

#include <cstring>
#include <vector>

#include "ipl/IplTypes.h"
#include "pixlib/codecs/PixelView.h"
#include "pixlib/codecs/RowConverters.h"
#include "pixlib/codecs/bmp/BmpWriter.h"
#include "pixlib/twain/TwainHandle.h"

namespace twainsource {

namespace {

bool Indexed(const ScannedPage& page) { return page.pixelType != TWPT_RGB && page.bitsPerSample <= 8; }

// The colours of an indexed page's indices.
std::vector<RGBQUAD> PaletteOf(const ScannedPage& page) {
  std::vector<RGBQUAD> palette(std::size_t(1) << page.bitsPerSample, RGBQUAD{0, 0, 0, 0});
  if (page.pixelType == TWPT_PALETTE) {
    for (std::size_t i = 0; i < palette.size() && i < page.palette.size(); ++i)
      palette[i] = RGBQUAD{page.palette[i].Channel3, page.palette[i].Channel2, page.palette[i].Channel1, 0};
    return palette;
  }
  const int last = static_cast<int>(palette.size()) - 1;
  for (int i = 0; i <= last; ++i) {
    int level = i * 255 / last;
    if (page.pixelType == TWPT_BW && page.pixelFlavor == TWPF_VANILLA) level = 255 - level;
    const auto v = static_cast<std::uint8_t>(level);
    palette[std::size_t(i)] = RGBQUAD{v, v, v, 0};
  }
  return palette;
}

int IndexAt(const std::uint8_t* row, int x, int bits) {
  const int perByte = 8 / bits;
  const int shift = (perByte - 1 - x % perByte) * bits;
  return (row[x / perByte] >> shift) & ((1 << bits) - 1);
}

// Row y of the page as 8-bit samples: one grey sample for an indexed grey
// page, B, G, R otherwise.
void EightBitRow(const ScannedPage& page, const std::vector<RGBQUAD>& palette, int y, std::uint8_t* out) {
  const std::uint8_t* row = page.Row(y);
  const int samples = page.samplesPerPixel;
  if (palette.empty() && page.bitsPerSample == 8) {
    if (samples == 3) {
      pixcodec::SwapRow3(row, out, nullptr, page.width, 3 * page.width, 1);
    } else {
      std::memcpy(out, row, std::size_t(page.width));
    }
    return;
  }
  for (int x = 0; x < page.width; ++x) {
    if (!palette.empty()) {
      const RGBQUAD& q = palette[std::size_t(IndexAt(row, x, page.bitsPerSample))];
      if (page.pixelType == TWPT_PALETTE) {
        *out++ = q.rgbBlue, *out++ = q.rgbGreen, *out++ = q.rgbRed;
      } else {
        *out++ = q.rgbBlue;
      }
      continue;
    }
    for (int c = samples - 1; c >= 0; --c) {
      const int s = x * samples + (samples == 3 ? c : 0);
      std::uint16_t wide = 0;
      if (page.bitsPerSample == 16) std::memcpy(&wide, row + 2 * s, 2);
      *out++ = page.bitsPerSample == 16 ? static_cast<std::uint8_t>(wide >> 8) : row[s];
      if (samples == 1) break;
    }
  }
}

}  // namespace

TW_HANDLE MakePackedDib(const ScannedPage& page) {
  const bool keepIndices = Indexed(page);
  ScannedPage grey;
  grey.pixelType = TWPT_GRAY;
  const std::vector<RGBQUAD> palette = keepIndices                 ? PaletteOf(page)
                                       : page.samplesPerPixel == 1 ? PaletteOf(grey)
                                                                   : std::vector<RGBQUAD>{};
  const int bits = keepIndices ? page.bitsPerSample : page.samplesPerPixel == 1 ? 8 : 24;
  const std::size_t stride = (std::size_t(page.width) * bits + 31) / 32 * 4;
  const std::size_t header = sizeof(BITMAPINFOHEADER) + palette.size() * sizeof(RGBQUAD);
  TW_HANDLE handle = TwainAllocHandle(header + stride * std::size_t(page.height));
  if (handle == nullptr) return nullptr;
  unsigned char* bytes = handle->Bytes();
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = page.width;
  info.biHeight = page.height;
  info.biPlanes = 1;
  info.biBitCount = static_cast<std::uint16_t>(bits);
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<std::uint32_t>(stride * std::size_t(page.height));
  info.biXPelsPerMeter = info.biYPelsPerMeter = static_cast<std::int32_t>(page.dpi * 10000LL / 254);
  info.biClrUsed = static_cast<std::uint32_t>(palette.size());
  std::memcpy(bytes, &info, sizeof info);
  if (!palette.empty()) std::memcpy(bytes + sizeof info, palette.data(), palette.size() * sizeof(RGBQUAD));
  const std::vector<RGBQUAD> noPalette;
  for (int y = 0; y < page.height; ++y) {
    unsigned char* out = bytes + header + std::size_t(page.height - 1 - y) * stride;
    if (keepIndices) {
      std::memcpy(out, page.Row(y), page.RowBytes());
    } else {
      EightBitRow(page, noPalette, y, out);
    }
  }
  return handle;
}

bool WritePageBmp(const ScannedPage& page, const std::string& path) {
  const std::vector<RGBQUAD> palette = Indexed(page) ? PaletteOf(page) : std::vector<RGBQUAD>{};
  const int channels = page.pixelType == TWPT_RGB || page.pixelType == TWPT_PALETTE ? 3 : 1;
  const std::size_t rowBytes = std::size_t(page.width) * channels;
  std::vector<unsigned char> pixels(rowBytes * std::size_t(page.height));
  for (int y = 0; y < page.height; ++y)
    EightBitRow(page, palette, y, pixels.data() + rowBytes * std::size_t(y));
  pixcodec::PixelView view;
  view.data = pixels.data();
  view.width = page.width;
  view.height = page.height;
  view.channels = channels;
  view.step = static_cast<std::ptrdiff_t>(rowBytes);
  view.bottomUp = false;
  return pixcodec::WriteBmpFile(view, path.c_str(), page.dpi, page.dpi);
}

}  // namespace twainsource
