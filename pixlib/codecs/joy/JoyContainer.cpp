#include "pixlib/codecs/joy/JoyContainer.h"

#include "pixlib/codecs/ImageTrailer.h"
#include "pixlib/codecs/StdioFile.h"
#include "platform/FileReplace.h"

namespace pixcodec {

namespace {

constexpr std::size_t kBlockSize = 512;

// A filter that leaves the bytes as they are.
class NoFilter : public StreamFilter {
 public:
  void Apply(unsigned char*, std::size_t) override {}
};

}  // namespace

JoyTrailer ReadJoyLayout(std::FILE* file, JoyLayout& layout) {
  TrailerInfo info;
  if (!ReadTrailerInfo(file, info) || info.kind != TrailerInfo::Kind::Current ||
      !info.trailer.Has(ImageTrailer::kScrambled))
    return JoyTrailer::None;
  layout.streamBegin = static_cast<long>(info.trailer.ScrambledOffset());
  layout.streamEnd = info.sectionStart;
  const bool ordered =
      layout.streamBegin > 0 && layout.streamBegin < layout.streamEnd && layout.streamEnd <= info.sectionEnd;
  return ordered ? JoyTrailer::Joy : JoyTrailer::Broken;
}

bool WriteJoyTrailer(std::FILE* file, long streamBegin) {
  const long position = std::ftell(file);
  if (position < 0) return false;
  ImageTrailer trailer;
  trailer.SetThumbnailOffset(static_cast<std::uint32_t>(position));
  trailer.SetFlags(ImageTrailer::kScrambled);
  trailer.SetScrambledOffset(static_cast<std::uint32_t>(streamBegin));
  return std::fwrite(trailer.Bytes().data(), 1, ImageTrailer::kSize, file) == ImageTrailer::kSize;
}

bool CopyFiltered(std::FILE* from, long begin, long end, std::FILE* to, StreamFilter& filter) {
  if (std::fseek(from, begin, SEEK_SET) != 0) return false;
  unsigned char block[kBlockSize];
  for (long left = end - begin; left > 0;) {
    const std::size_t count =
        left < static_cast<long>(kBlockSize) ? static_cast<std::size_t>(left) : kBlockSize;
    if (std::fread(block, 1, count, from) != count) return false;
    filter.Apply(block, count);
    if (std::fwrite(block, 1, count, to) != count) return false;
    left -= static_cast<long>(count);
  }
  return true;
}

bool CopyWholeFile(const char* source, const char* target) {
  StdioFile from = OpenFile(source, "rb");
  if (!from || std::fseek(from.get(), 0, SEEK_END) != 0) return false;
  const long length = std::ftell(from.get());
  bx::ReplacingFile to(target);
  NoFilter unchanged;
  return length >= 0 && to.Get() != nullptr && CopyFiltered(from.get(), 0, length, to.Get(), unchanged) &&
         to.Commit();
}

}  // namespace pixcodec
