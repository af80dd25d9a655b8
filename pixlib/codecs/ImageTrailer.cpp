#include "pixlib/codecs/ImageTrailer.h"

namespace pixcodec {

std::uint32_t ReadLe32(const unsigned char* b) {
  return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
         std::uint32_t(b[3]) << 24;
}

void WriteLe32(unsigned char* b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}

ImageTrailer::ImageTrailer() {
  SetField(0, kMagic1);
  SetField(4, kMagic2);
}

bool ImageTrailer::Parse(const unsigned char* bytes, ImageTrailer& trailer) {
  if (ReadLe32(bytes) != kMagic1 || ReadLe32(bytes + 4) != kMagic2) return false;
  for (std::size_t i = 0; i < kSize; ++i) trailer.m_bytes[i] = bytes[i];
  return true;
}

std::uint32_t ImageTrailer::Field(int offset) const { return ReadLe32(&m_bytes[offset]); }

void ImageTrailer::SetField(int offset, std::uint32_t value) { WriteLe32(&m_bytes[offset], value); }

bool LegacyTrailer::Parse(const unsigned char* bytes, LegacyTrailer& trailer) {
  if (ReadLe32(bytes) != kMagic1 || ReadLe32(bytes + 4) != kMagic2) return false;
  trailer.sectionLength = ReadLe32(bytes + 8);
  return true;
}

namespace {

bool ReadTail(std::FILE* file, long length, std::size_t size, unsigned char* bytes) {
  if (length < static_cast<long>(size)) return false;
  return std::fseek(file, length - static_cast<long>(size), SEEK_SET) == 0 &&
         std::fread(bytes, 1, size, file) == size;
}

}  // namespace

bool ReadTrailerInfo(std::FILE* file, TrailerInfo& info) {
  info = TrailerInfo{};
  if (std::fseek(file, 0, SEEK_END) != 0) return false;
  info.fileLength = std::ftell(file);
  if (info.fileLength < 0) return false;
  info.sectionStart = info.sectionEnd = info.fileLength;

  unsigned char tail[ImageTrailer::kSize];
  if (ReadTail(file, info.fileLength, ImageTrailer::kSize, tail) && ImageTrailer::Parse(tail, info.trailer)) {
    info.kind = TrailerInfo::Kind::Current;
    info.sectionEnd = info.fileLength - static_cast<long>(ImageTrailer::kSize);
    info.sectionStart = static_cast<long>(info.trailer.ThumbnailOffset());
    info.hasThumbnail = info.trailer.Has(ImageTrailer::kThumbnail);
    return true;
  }
  LegacyTrailer legacy;
  if (ReadTail(file, info.fileLength, LegacyTrailer::kSize, tail) && LegacyTrailer::Parse(tail, legacy)) {
    info.kind = TrailerInfo::Kind::Legacy;
    info.sectionEnd = info.fileLength - static_cast<long>(LegacyTrailer::kSize);
    info.sectionStart = info.fileLength - static_cast<long>(legacy.sectionLength);
    info.hasThumbnail = true;
  }
  return !std::ferror(file);
}

long BaseImageEnd(std::FILE* file) {
  TrailerInfo info;
  if (!ReadTrailerInfo(file, info)) return 0;
  if (info.kind != TrailerInfo::Kind::None && info.SectionInsideFile()) return info.sectionStart;
  return info.fileLength;
}

}  // namespace pixcodec
