#include "pixlib/codecs/bmp/BmpHeader.h"

#include <bit>
#include <climits>

#include "pixlib/codecs/LittleEndian.h"

namespace pixcodec {

namespace {

constexpr const char* kNotBmp = "Format error or file is not a BMP file";

bool ReadExactly(std::FILE* file, unsigned char* bytes, std::size_t count) {
  return std::fread(bytes, 1, count, file) == count;
}

std::int32_t Signed32(const unsigned char* p) { return static_cast<std::int32_t>(Le32(p)); }

// False for a mask whose bits are not one contiguous run.
bool MakeField(std::uint32_t mask, BitField& field) {
  field = BitField{};
  if (mask == 0) return true;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  if ((mask >> shift) != (bits == 32 ? ~0u : (1u << bits) - 1)) return false;
  field = BitField{mask, shift, bits};
  return true;
}

const char* ReadCoreHeader(std::FILE* file, BmpHeader& h) {
  unsigned char b[BmpHeader::kCoreHeaderSize - 4];
  if (!ReadExactly(file, b, sizeof b)) return "Error reading BITMAPCOREHEADER";
  h.width = Le16(b);
  h.height = Le16(b + 2);
  h.bitCount = Le16(b + 6);
  return nullptr;
}

const char* ReadInfoHeader(std::FILE* file, BmpHeader& h) {
  unsigned char b[BmpHeader::kInfoHeaderSize - 4];
  if (!ReadExactly(file, b, sizeof b)) return "Error reading BITMAPINFOHEADER";
  h.width = Signed32(b);
  const std::int32_t height = Signed32(b + 4);
  if (height == INT_MIN) return kNotBmp;
  h.topDown = height < 0;
  h.height = height < 0 ? -height : height;
  h.bitCount = Le16(b + 10);
  h.compression = static_cast<int>(Le32(b + 12));
  h.dpiX = PixelsPerMetreToDpi(Signed32(b + 20));
  h.dpiY = PixelsPerMetreToDpi(Signed32(b + 24));
  h.paletteEntries = static_cast<int>(std::min<std::uint32_t>(Le32(b + 28), kPaletteEntries));
  return nullptr;
}

bool IsMaskedHeaderSize(int size) {
  for (const int known : BmpHeader::kMaskedHeaderSizes)
    if (size == known) return true;
  return false;
}

// The 40-byte part, then the masks; the colour-space fields are skipped.
const char* ReadMaskedHeader(std::FILE* file, BmpHeader& h) {
  if (const char* error = ReadInfoHeader(file, h)) return error;
  unsigned char b[124 - BmpHeader::kInfoHeaderSize];
  if (!ReadExactly(file, b, std::size_t(h.headerSize - BmpHeader::kInfoHeaderSize)))
    return "Error reading BITMAPV5HEADER";
  for (int i = 0; i < 4; ++i) h.headerMasks[i] = Le32(b + 4 * i);
  return nullptr;
}

const char* CheckLayout(const BmpHeader& h) {
  const int bits = h.bitCount;
  if (h.width <= 0 || h.height == 0) return kNotBmp;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return kNotBmp;
  switch (h.compression) {
    case BmpHeader::kRgb:
      return nullptr;
    case BmpHeader::kRle8:
      return bits == 8 && !h.topDown ? nullptr : kNotBmp;
    case BmpHeader::kRle4:
      return bits == 4 && !h.topDown ? nullptr : kNotBmp;
    case BmpHeader::kBitFields:
      return bits == 16 || bits == 32 ? nullptr : kNotBmp;
    default:
      return "Unsupported BMP compression";
  }
}

// Masks of compression 3 follow a 40-byte header. Some writers leave them out
// (the pixel data starts right after the header); the defaults apply then.
// Later headers carry them inside, with an alpha mask; without compression 3
// the defaults apply whatever they hold.
const char* ReadMasks(std::FILE* file, BmpHeader& h) {
  std::uint32_t masks[4] = {0x001F, 0x03E0, 0x7C00, 0};  // blue, green, red, alpha: 5-5-5
  if (h.bitCount == 32) masks[0] = 0xFF, masks[1] = 0xFF00, masks[2] = 0xFF0000;
  const long headerEnd = BmpHeader::kFileHeaderSize + h.headerSize;
  const bool bitFields = h.compression == BmpHeader::kBitFields;
  if (bitFields && h.headerSize > BmpHeader::kInfoHeaderSize) {
    masks[2] = h.headerMasks[0], masks[1] = h.headerMasks[1], masks[0] = h.headerMasks[2];
    masks[3] = h.headerMasks[3];
  } else if (bitFields && h.dataOffset >= headerEnd + 12) {
    unsigned char b[12];
    if (!ReadExactly(file, b, sizeof b)) return "Error reading DWORD";
    masks[2] = Le32(b), masks[1] = Le32(b + 4), masks[0] = Le32(b + 8);
  }
  const bool standard = masks[0] == 0xFF && masks[1] == 0xFF00 && masks[2] == 0xFF0000;
  // The 40-byte header's rule: standard 32-bit masks leave the fourth byte as alpha.
  if (h.bitCount == 32 && standard && !(bitFields && h.headerSize > BmpHeader::kInfoHeaderSize))
    masks[3] = 0xFF000000;
  for (int i = 0; i < 4; ++i)
    if (!MakeField(masks[i], h.fields[i])) return "Error reading DWORD";
  h.standardFields = standard && masks[3] == 0xFF000000;
  return nullptr;
}

// 2^bits entries, fewer when colours-used or the room before the pixel data
// says so; the entries the file leaves out stay black.
const char* ReadPalette(std::FILE* file, BmpHeader& h) {
  const bool core = h.headerSize == BmpHeader::kCoreHeaderSize;
  const int entrySize = core ? 3 : 4;
  int entries = 1 << h.bitCount;
  if (h.paletteEntries > 0 && h.paletteEntries < entries) entries = h.paletteEntries;
  const long room = static_cast<long>(h.dataOffset) - BmpHeader::kFileHeaderSize - h.headerSize;
  if (room >= 0 && room / entrySize < entries) entries = static_cast<int>(room / entrySize);
  unsigned char b[4 * kPaletteEntries];
  if (!ReadExactly(file, b, std::size_t(entries) * entrySize))
    return core ? "Error reading RGBTRIPLE" : "Error reading RGBQUAD";
  for (int i = 0; i < entries; ++i)
    for (int c = 0; c < 3; ++c) h.palette[3 * i + c] = b[i * entrySize + c];
  h.paletteEntries = entries;
  return nullptr;
}

}  // namespace

int PixelsPerMetreToDpi(std::int32_t pixelsPerMetre) {
  if (pixelsPerMetre <= 0) return 0;
  return static_cast<int>((static_cast<long long>(pixelsPerMetre) * 254 + 5000) / 10000);
}

std::uint32_t DpiToPixelsPerMetre(int dpi) {
  return dpi > 0 ? static_cast<std::uint32_t>((dpi * 10000LL + 127) / 254) : 0;
}

const char* ReadBmpHeader(std::FILE* file, BmpHeader& h, bool withPalette) {
  h = BmpHeader{};
  unsigned char b[BmpHeader::kFileHeaderSize + 4];
  if (!ReadExactly(file, b, sizeof b)) return "Error reading BMP file";
  if (b[0] != 'B' || b[1] != 'M') return kNotBmp;
  h.dataOffset = Le32(b + 10);
  h.headerSize = static_cast<int>(Le32(b + 14));
  const char* error = h.headerSize == BmpHeader::kCoreHeaderSize   ? ReadCoreHeader(file, h)
                      : h.headerSize == BmpHeader::kInfoHeaderSize ? ReadInfoHeader(file, h)
                      : IsMaskedHeaderSize(h.headerSize)           ? ReadMaskedHeader(file, h)
                                                                   : kNotBmp;
  if (error == nullptr) error = CheckLayout(h);
  if (error != nullptr || !withPalette) return error;
  if (h.bitCount >= 16) return ReadMasks(file, h);
  return ReadPalette(file, h);
}

}  // namespace pixcodec
