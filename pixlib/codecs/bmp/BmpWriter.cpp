#include "pixlib/codecs/bmp/BmpWriter.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "pixlib/codecs/LittleEndian.h"
#include "pixlib/codecs/bmp/BmpHeader.h"
#include "platform/FileReplace.h"

namespace pixcodec {

namespace {

std::vector<unsigned char> Headers(const PixelView& view, std::size_t rowBytes, int dpiX, int dpiY) {
  const int paletteEntries = view.channels == 1 ? 256 : 0;
  const std::size_t offset = BmpHeader::kFileHeaderSize + BmpHeader::kInfoHeaderSize + 4 * paletteEntries;
  std::vector<unsigned char> h(offset, 0);
  h[0] = 'B';
  h[1] = 'M';
  PutLe32(&h[2], static_cast<std::uint32_t>(offset + rowBytes * view.height));
  PutLe32(&h[10], static_cast<std::uint32_t>(offset));
  unsigned char* info = &h[BmpHeader::kFileHeaderSize];
  PutLe32(info, BmpHeader::kInfoHeaderSize);
  PutLe32(info + 4, static_cast<std::uint32_t>(view.width));
  PutLe32(info + 8, static_cast<std::uint32_t>(view.height));
  PutLe16(info + 12, 1);
  PutLe16(info + 14, static_cast<std::uint16_t>(8 * view.channels));
  PutLe32(info + 20, static_cast<std::uint32_t>(rowBytes * view.height));
  PutLe32(info + 24, DpiToPixelsPerMetre(dpiX));
  PutLe32(info + 28, DpiToPixelsPerMetre(dpiY));
  PutLe32(info + 32, static_cast<std::uint32_t>(paletteEntries));
  unsigned char* palette = info + BmpHeader::kInfoHeaderSize;
  for (int i = 0; i < paletteEntries; ++i)
    palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = static_cast<unsigned char>(i);
  return h;
}

bool WriteAll(std::FILE* file, const PixelView& view, std::size_t rowBytes, int dpiX, int dpiY) {
  const std::vector<unsigned char> headers = Headers(view, rowBytes, dpiX, dpiY);
  if (std::fwrite(headers.data(), 1, headers.size(), file) != headers.size()) return false;
  std::vector<unsigned char> row(rowBytes, 0);
  const std::size_t pixelBytes = std::size_t(view.width) * view.channels;
  for (int y = view.height - 1; y >= 0; --y) {
    std::copy_n(view.TopRow(y), pixelBytes, row.begin());
    if (std::fwrite(row.data(), 1, rowBytes, file) != rowBytes) return false;
  }
  return std::fflush(file) == 0;
}

}  // namespace

bool WriteBmpFile(const PixelView& view, const char* path, int dpiX, int dpiY) {
  if (view.data == nullptr || path == nullptr || view.width < 1 || view.height < 1) return false;
  if (view.channels != 1 && view.channels != 3 && view.channels != 4) return false;
  const std::size_t rowBytes = (std::size_t(view.width) * view.channels + 3) / 4 * 4;
  if (rowBytes * view.height > 0xFFFFFFFFu - 2048) return false;
  bx::ReplacingFile file(path);
  return file.Get() != nullptr && WriteAll(file.Get(), view, rowBytes, dpiX, dpiY) && file.Commit();
}

}  // namespace pixcodec
