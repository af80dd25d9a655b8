#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

namespace pixcodec {

// The 64-byte trailer at the very end of an image file: it locates an appended
// thumbnail record and a scrambled image and carries the signature. Fields are
// 32-bit little-endian; reserved bytes are kept as read.
class ImageTrailer {
 public:
  static constexpr std::size_t kSize = 64;
  static constexpr std::uint32_t kMagic1 = 0x87251997u;
  static constexpr std::uint32_t kMagic2 = 0xD5327C31u;
  enum Flag : std::uint32_t { kThumbnail = 1, kSigned = 2, kScrambled = 4 };

  ImageTrailer();  // a new trailer: magics, everything else zero
  // False when the bytes do not carry both magics.
  static bool Parse(const unsigned char* bytes, ImageTrailer& trailer);

  std::uint32_t ThumbnailOffset() const { return Field(8); }
  void SetThumbnailOffset(std::uint32_t v) { SetField(8, v); }
  std::uint32_t Flags() const { return Field(12); }
  void SetFlags(std::uint32_t v) { SetField(12, v); }
  std::uint32_t Signature() const { return Field(16); }
  void SetSignature(std::uint32_t v) { SetField(16, v); }
  std::uint32_t ScrambledOffset() const { return Field(32); }
  void SetScrambledOffset(std::uint32_t v) { SetField(32, v); }
  bool Has(Flag f) const { return (Flags() & f) != 0; }

  const std::array<unsigned char, kSize>& Bytes() const { return m_bytes; }

 private:
  std::uint32_t Field(int offset) const;
  void SetField(int offset, std::uint32_t value);
  std::array<unsigned char, kSize> m_bytes{};
};

// The older 12-byte trailer: two magics and the length of the thumbnail
// section counted back from the end of the file.
struct LegacyTrailer {
  static constexpr std::size_t kSize = 12;
  static constexpr std::uint32_t kMagic1 = 0x162FA927u;
  static constexpr std::uint32_t kMagic2 = 0xC53E9B71u;
  std::uint32_t sectionLength = 0;
  static bool Parse(const unsigned char* bytes, LegacyTrailer& trailer);
};

// Where the trailers of an open file say a thumbnail record is or goes.
struct TrailerInfo {
  enum class Kind { None, Legacy, Current };
  Kind kind = Kind::None;
  long fileLength = 0;
  long sectionStart = 0;  // thumbnail record (or where one is to be written)
  long sectionEnd = 0;    // where the trailer begins
  bool hasThumbnail = false;
  ImageTrailer trailer;  // valid for Kind::Current

  // True when the thumbnail section lies inside the file, before the trailer.
  bool SectionInsideFile() const { return sectionStart >= 0 && sectionStart <= sectionEnd; }
};

// Reads the trailer of `file` (64-byte first, then the 12-byte one). False on a
// read error; a file without any trailer gives Kind::None.
bool ReadTrailerInfo(std::FILE* file, TrailerInfo& info);

// Where the image data of `file` ends: before an appended thumbnail and
// trailer (the file's length without them; 0 on a read error).
long BaseImageEnd(std::FILE* file);

std::uint32_t ReadLe32(const unsigned char* bytes);
void WriteLe32(unsigned char* bytes, std::uint32_t value);

}  // namespace pixcodec
