#include "pixlib/codecs/jpeg/JfifDensity.h"

#include <cstring>

namespace pixcodec {

namespace {

constexpr unsigned char kApp0 = 0xE0;
constexpr unsigned char kStartOfScan = 0xDA;
// Offsets within an APP0 segment, counted from its 0xFF byte.
constexpr std::size_t kIdentifier = 4;
constexpr std::size_t kUnit = 11;
constexpr std::size_t kSegmentMinimum = 16;

int Be16(const unsigned char* b) { return b[0] << 8 | b[1]; }

void PutBe16(unsigned char* b, int v) {
  b[0] = static_cast<unsigned char>(v >> 8);
  b[1] = static_cast<unsigned char>(v);
}

}  // namespace

bool FindJfifDensity(const unsigned char* bytes, std::size_t size, JfifDensity& density,
                     std::size_t* fieldOffset) {
  if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return false;
  std::size_t pos = 2;
  while (pos + 4 <= size && bytes[pos] == 0xFF) {
    const unsigned char marker = bytes[pos + 1];
    if (marker == kStartOfScan) return false;
    const std::size_t length = static_cast<std::size_t>(Be16(bytes + pos + 2));
    if (marker == kApp0 && length + 2 >= kSegmentMinimum && pos + kSegmentMinimum <= size &&
        std::memcmp(bytes + pos + kIdentifier, "JFIF", 5) == 0) {
      density.unit = bytes[pos + kUnit];
      density.x = Be16(bytes + pos + kUnit + 1);
      density.y = Be16(bytes + pos + kUnit + 3);
      if (fieldOffset != nullptr) *fieldOffset = pos + kUnit;
      return true;
    }
    pos += 2 + length;
  }
  return false;
}

bool SetJfifDensity(unsigned char* bytes, std::size_t size, const JfifDensity& density) {
  JfifDensity old;
  std::size_t offset = 0;
  if (!FindJfifDensity(bytes, size, old, &offset)) return false;
  bytes[offset] = static_cast<unsigned char>(density.unit);
  PutBe16(bytes + offset + 1, density.x);
  PutBe16(bytes + offset + 3, density.y);
  return true;
}

}  // namespace pixcodec
