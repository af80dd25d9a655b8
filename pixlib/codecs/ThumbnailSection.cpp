#include "pixlib/codecs/ThumbnailSection.h"

#include <unistd.h>

namespace pixcodec {

namespace {

constexpr long kRecordHeader = 8;

bool ReadAt(std::FILE* file, long offset, unsigned char* bytes, std::size_t count) {
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(bytes, 1, count, file) == count;
}

bool WriteAt(std::FILE* file, long offset, const unsigned char* bytes, std::size_t count) {
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fwrite(bytes, 1, count, file) == count;
}

bool CutAt(std::FILE* file, long length) {
  return std::fflush(file) == 0 && ftruncate(fileno(file), length) == 0;
}

bool StartsAsPlainJpeg(std::FILE* file, const TrailerInfo& info) {
  if (info.kind == TrailerInfo::Kind::Current && info.trailer.Has(ImageTrailer::kScrambled))
    return false;
  unsigned char start[2];
  return ReadAt(file, 0, start, 2) && start[0] == 0xFF && start[1] == 0xD8;
}

// The thumbnail section may only begin where the base image ends: inside the
// file, after its start, and for a plain JPEG right after an end marker. A
// trailer that says otherwise is corrupt, and cutting or writing there would
// destroy the image; a JPEG without its end marker is truncated, and data
// appended to it would be read as part of its scan.
bool SectionFollowsBaseImage(std::FILE* file, const TrailerInfo& info) {
  if (!info.SectionInsideFile() || info.sectionStart <= 0) return false;
  if (!StartsAsPlainJpeg(file, info)) return true;
  unsigned char end[2];
  return info.sectionStart >= 4 && ReadAt(file, info.sectionStart - 2, end, 2) && end[0] == 0xFF &&
         end[1] == 0xD9;
}

}  // namespace

RecordStatus ReadThumbnailRecord(std::FILE* file, const TrailerInfo& info, ThumbnailRecord& record) {
  if (!info.hasThumbnail) return RecordStatus::Absent;
  if (!info.SectionInsideFile() || info.sectionEnd - info.sectionStart < kRecordHeader)
    return RecordStatus::Broken;
  unsigned char header[kRecordHeader];
  if (!ReadAt(file, info.sectionStart, header, sizeof header)) return RecordStatus::Broken;
  record.width = static_cast<int>(ReadLe32(header));
  record.height = static_cast<int>(ReadLe32(header + 4));
  const long size = info.sectionEnd - info.sectionStart - kRecordHeader;
  try {
    record.jpeg.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return RecordStatus::Broken;
  }
  if (size > 0 && std::fread(record.jpeg.data(), 1, record.jpeg.size(), file) != record.jpeg.size())
    return RecordStatus::Broken;
  return RecordStatus::Read;
}

bool CutThumbnailSection(std::FILE* file, const TrailerInfo& info) {
  return SectionFollowsBaseImage(file, info) && CutAt(file, info.sectionStart);
}

bool ThumbnailWritePosition(std::FILE* file, const TrailerInfo& info, long& position) {
  position = info.sectionStart;
  return SectionFollowsBaseImage(file, info);
}

bool StoreThumbnailRecord(std::FILE* file, const TrailerInfo& info, const ThumbnailRecord& record) {
  long position = 0;
  if (!ThumbnailWritePosition(file, info, position)) return false;
  std::vector<unsigned char> oldTail(static_cast<std::size_t>(info.fileLength - position));
  if (!oldTail.empty() && !ReadAt(file, position, oldTail.data(), oldTail.size())) return false;

  ImageTrailer trailer;
  if (info.kind == TrailerInfo::Kind::Current) trailer = info.trailer;
  trailer.SetThumbnailOffset(static_cast<std::uint32_t>(position));
  trailer.SetFlags(trailer.Flags() | ImageTrailer::kThumbnail);
  unsigned char header[kRecordHeader];
  WriteLe32(header, static_cast<std::uint32_t>(record.width));
  WriteLe32(header + 4, static_cast<std::uint32_t>(record.height));

  const long end = position + kRecordHeader + static_cast<long>(record.jpeg.size()) +
                   static_cast<long>(ImageTrailer::kSize);
  const bool written =
      WriteAt(file, position, header, sizeof header) &&
      std::fwrite(record.jpeg.data(), 1, record.jpeg.size(), file) == record.jpeg.size() &&
      std::fwrite(trailer.Bytes().data(), 1, ImageTrailer::kSize, file) == ImageTrailer::kSize &&
      CutAt(file, end);
  if (written) return true;
  std::clearerr(file);
  if (WriteAt(file, position, oldTail.data(), oldTail.size())) CutAt(file, info.fileLength);
  return false;
}

}  // namespace pixcodec
