#include "pixlib/codecs/Orientation.h"

#include <cstdint>
#include <cstring>

#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/jpeg/JpegSegments.h"
#include "pixlib/codecs/photocd/PhotoCdPack.h"
#include "pixlib/codecs/tiff/TiffHandle.h"

namespace pixcodec {

namespace {

constexpr unsigned char kApp1 = 0xE1;
constexpr std::uint16_t kOrientationTag = 0x0112;

// The Orientation entry of the first IFD of an Exif APP1 payload, or 0.
int ExifOrientation(const std::vector<unsigned char>& p) {
  if (p.size() < 14 || std::memcmp(p.data(), "Exif\0\0", 6) != 0) return 0;
  const unsigned char* tiff = p.data() + 6;
  const std::size_t size = p.size() - 6;
  const bool little = tiff[0] == 'I' && tiff[1] == 'I';
  if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 0;
  const auto u16 = [&](std::size_t at) {
    return little ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1];
  };
  const auto u32 = [&](std::size_t at) {
    return std::uint32_t(little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2));
  };
  const std::size_t ifd = u32(4);
  if (ifd > size - 2) return 0;
  const std::size_t entries = std::size_t(u16(ifd));
  for (std::size_t i = 0; i < entries && ifd + 2 + 12 * (i + 1) <= size; ++i) {
    const std::size_t entry = ifd + 2 + 12 * i;
    if (u16(entry) == kOrientationTag && u16(entry + 2) == 3) {  // SHORT
      const int value = u16(entry + 8);
      return value >= 1 && value <= 8 ? value : 0;
    }
  }
  return 0;
}

int JpegOrientation(std::FILE* file) {
  int orientation = 0;
  ForEachJpegSegment(
      [&](std::size_t offset, std::size_t n, unsigned char* out) {
        return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 && std::fread(out, 1, n, file) == n;
      },
      [](unsigned char marker) { return marker == kApp1; },
      [&](unsigned char, const std::vector<unsigned char>& payload) {
        if (orientation == 0) orientation = ExifOrientation(payload);
      });
  return orientation;
}

int TiffOrientation(const char* path) {
  TiffHandle tiff(path, "r");
  std::uint16_t orientation = 0;
  if (!tiff || TIFFGetField(tiff.get(), TIFFTAG_ORIENTATION, &orientation) != 1) return 0;
  return orientation >= 1 && orientation <= 8 ? orientation : 0;
}

}  // namespace

void PlaceOriented(const PixelView& stored, const PixelView& picture, int orientation) {
  const bool transposed = IsTransposed(orientation);
  // Whether the picture's x and y count the stored axes from their far end.
  const bool xFromEnd = orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7;
  const bool yFromEnd = orientation == 3 || orientation == 4 || orientation == 7 || orientation == 8;
  const int channels = picture.channels;
  for (int y = 0; y < picture.height; ++y) {
    const int py = yFromEnd ? picture.height - 1 - y : y;
    unsigned char* dst = picture.TopRow(y);
    for (int x = 0; x < picture.width; ++x, dst += channels) {
      const int px = xFromEnd ? picture.width - 1 - x : x;
      const int row = transposed ? px : py, column = transposed ? py : px;
      std::memcpy(dst, stored.TopRow(row) + std::size_t(column) * channels, channels);
    }
  }
}

int FileOrientation(const char* path) {
  StdioFile file = OpenFile(path, "rb");
  unsigned char b[2] = {};
  if (!file || std::fread(b, 1, 2, file.get()) != 2) return 0;
  if (b[0] == 0xFF && b[1] == 0xD8) return JpegOrientation(file.get());
  if (const int pack = photocd::PackOrientation(file.get()); pack != 0) return pack;
  file.reset();
  return (b[0] == 'I' && b[1] == 'I') || (b[0] == 'M' && b[1] == 'M') ? TiffOrientation(path) : 0;
}

}  // namespace pixcodec
