#include "pixlib/codecs/ThumbnailSection.h"

#include <unistd.h>

#include "pixlib/codecs/jpeg/JpegExtent.h"

namespace pixcodec {

namespace {

constexpr long kRecordHeader = 8;
constexpr std::uint32_t kLargestSide = 65535;

bool ReadAt(std::FILE* file, long offset, unsigned char* bytes, std::size_t count) {
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(bytes, 1, count, file) == count;
}

// Nothing to write (an empty old tail restored) only moves the position.
bool WriteAt(std::FILE* file, long offset, const unsigned char* bytes, std::size_t count) {
  return std::fseek(file, offset, SEEK_SET) == 0 &&
         (count == 0 || std::fwrite(bytes, 1, count, file) == count);
}

bool CutAt(std::FILE* file, long length) {
  return std::fflush(file) == 0 && ftruncate(fileno(file), length) == 0;
}

bool StartsAsPlainJpeg(std::FILE* file, const TrailerInfo& info) {
  if (info.kind == TrailerInfo::Kind::Current && info.trailer.Has(ImageTrailer::kScrambled)) return false;
  unsigned char start[2];
  return ReadAt(file, 0, start, 2) && start[0] == 0xFF && start[1] == 0xD8;
}

// A thumbnail record visibly begins at the section start: plausible
// dimensions, then the start of its JPEG.
bool RecordBeginsAt(std::FILE* file, const TrailerInfo& info) {
  unsigned char header[kRecordHeader + 2];
  if (info.sectionEnd - info.sectionStart < static_cast<long>(sizeof header) ||
      !ReadAt(file, info.sectionStart, header, sizeof header))
    return false;
  const std::uint32_t width = ReadLe32(header), height = ReadLe32(header + 4);
  return width >= 1 && width <= kLargestSide && height >= 1 && height <= kLargestSide &&
         header[kRecordHeader] == 0xFF && header[kRecordHeader + 1] == 0xD8;
}

// One rule for every format: a thumbnail section is cut or written only where
// it cannot reach into the base image. A plain JPEG must end (its end marker,
// padding may follow) at or before the section start; a truncated one takes
// nothing, as data appended to it would be read as part of its scan. Of other
// formats this library cannot find the end, so the section must be an
// existing thumbnail record, or the file's end (or its trailer) when there is
// none yet. A trailer that points anywhere else is corrupt.
bool SectionFollowsBaseImage(std::FILE* file, const TrailerInfo& info) {
  if (!info.SectionInsideFile() || info.sectionStart <= 0) return false;
  if (StartsAsPlainJpeg(file, info)) return JpegImageEnd(file, info.sectionStart).has_value();
  if (info.hasThumbnail) return RecordBeginsAt(file, info);
  return info.sectionStart == info.sectionEnd;
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
