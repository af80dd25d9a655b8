#include "pixlib/codecs/joy/ImageSignature.h"

#include <unistd.h>

#include <array>
#include <vector>

#include "pixlib/codecs/ImageTrailer.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/joy/Crc32.h"

using namespace pixcodec;

namespace {

constexpr long kSampleSize = 1024;
constexpr long kSampleStep = 33;  // sample byte i is file byte 33 i ...
constexpr long kSampleSpan = 32;  // ... while 32 i lies inside the signed region
constexpr long kSampledBytes = kSampleStep * (kSampleSize - 1) + 1;

// The signed region of a file and the trailer that is to describe it.
struct SignedRegion {
  long length = 0;     // L: bytes from the start of the file
  long trailerAt = 0;  // where the trailer is (to be) written
  long fileLength = 0;
  ImageTrailer trailer;
};

// A 12-byte trailer gives way to a 64-byte one (flags start with the
// thumbnail); a 64-byte trailer keeps its flags and fields; a file without
// one is signed whole and gets a new trailer. The region must lie inside the
// file, before the trailer.
bool FindRegion(const TrailerInfo& info, SignedRegion& region) {
  switch (info.kind) {
    case TrailerInfo::Kind::Legacy:
      region.length = info.sectionStart;
      region.trailer.SetFlags(ImageTrailer::kThumbnail);
      break;
    case TrailerInfo::Kind::Current:
      region.length = static_cast<long>(info.trailer.ThumbnailOffset());
      region.trailer = info.trailer;
      break;
    case TrailerInfo::Kind::None:
      region.length = info.fileLength;
      break;
  }
  region.trailerAt = info.sectionEnd;
  region.fileLength = info.fileLength;
  return region.length > 0 && region.length <= region.trailerAt;
}

// The bytes of the file's start that a sample can reach.
bool ReadHead(std::FILE* file, std::vector<unsigned char>& head) {
  head.assign(kSampledBytes, 0);
  if (std::fseek(file, 0, SEEK_SET) != 0) return false;
  head.resize(std::fread(head.data(), 1, head.size(), file));
  return !std::ferror(file);
}

// The sample over a region of `length` bytes. Bounded: bytes at or beyond the
// region's end read as 0, so that rewriting the trailer cannot change the
// sample. Otherwise they are the file's bytes as they are now (0 beyond its
// end), as older signers read them.
std::uint32_t SampleCrc(const std::vector<unsigned char>& head, long length, bool bounded) {
  std::array<unsigned char, kSampleSize> sample{};
  const long limit = bounded ? length : static_cast<long>(head.size());
  for (long i = 0; i < kSampleSize && kSampleSpan * i < length; ++i) {
    const long offset = kSampleStep * i;
    if (offset < limit && offset < static_cast<long>(head.size())) sample[i] = head[offset];
  }
  return Crc32(sample.data(), sample.size());
}

bool ReadRegion(std::FILE* file, SignedRegion& region, std::vector<unsigned char>& head) {
  TrailerInfo info;
  return ReadTrailerInfo(file, info) && FindRegion(info, region) && ReadHead(file, head);
}

bool WriteAt(std::FILE* file, long offset, const unsigned char* bytes, std::size_t count) {
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fwrite(bytes, 1, count, file) == count &&
         std::fflush(file) == 0;
}

// Writes the trailer over the old one (or at the end); on a write error the
// old end of the file is put back.
bool WriteTrailer(std::FILE* file, const SignedRegion& region) {
  std::vector<unsigned char> oldTail(static_cast<std::size_t>(region.fileLength - region.trailerAt));
  if (std::fseek(file, region.trailerAt, SEEK_SET) != 0 ||
      std::fread(oldTail.data(), 1, oldTail.size(), file) != oldTail.size())
    return false;
  const auto& bytes = region.trailer.Bytes();
  if (WriteAt(file, region.trailerAt, bytes.data(), bytes.size())) return true;
  std::clearerr(file);
  const bool restored = WriteAt(file, region.trailerAt, oldTail.data(), oldTail.size()) &&
                        ftruncate(fileno(file), region.fileLength) == 0;
  if (!restored) ImgWarning("The end of the file could not be restored\n");
  return false;
}

}  // namespace

int SignImageFile(const char* path) {
  StdioFile file = OpenFile(path, "r+b");
  if (!file) {
    ImgWarning("Can't open file %s\n", path);
    return 0;
  }
  SignedRegion region;
  std::vector<unsigned char> head;
  if (!ReadRegion(file.get(), region, head)) {
    ImgWarning("Can't sign %s: its trailer does not describe it\n", path);
    return 0;
  }
  region.trailer.SetThumbnailOffset(static_cast<std::uint32_t>(region.length));
  region.trailer.SetFlags(region.trailer.Flags() | ImageTrailer::kSigned);
  region.trailer.SetSignature(SampleCrc(head, region.length, true));
  if (WriteTrailer(file.get(), region)) return 1;
  ImgWarning("Can't write the signature of %s\n", path);
  return 0;
}

int IsImageFileSigned(const char* path) {
  StdioFile file = OpenFile(path, "rb");
  TrailerInfo info;
  if (!file || !ReadTrailerInfo(file.get(), info) || info.kind != TrailerInfo::Kind::Current ||
      !info.trailer.Has(ImageTrailer::kSigned))
    return 0;
  SignedRegion region;
  std::vector<unsigned char> head;
  if (!FindRegion(info, region) || !ReadHead(file.get(), head)) return 0;
  const std::uint32_t stored = info.trailer.Signature();
  return stored == SampleCrc(head, region.length, true) || stored == SampleCrc(head, region.length, false)
             ? 1
             : 0;
}
