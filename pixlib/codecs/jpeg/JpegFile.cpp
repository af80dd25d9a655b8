#include <optional>
#include <vector>

#include "pixlib/codecs/jpeg/FastJpegReader.h"
#include "pixlib/codecs/jpeg/IjgJpegReader.h"
#include "pixlib/codecs/jpeg/IjgJpegWriter.h"
#include "pixlib/codecs/jpeg/JpegFile.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/Rc4Filter.h"
#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/jpeg/SystemJpegEncoder.h"
#include "pixlib/core/CxImage.h"
#include "platform/FileReplace.h"

using namespace pixcodec;

namespace {

bool ReadWholeFile(const char* path, std::vector<unsigned char>& bytes) {
  StdioFile file = OpenFile(path, "rb");
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return false;
  const long size = std::ftell(file.get());
  if (size <= 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
  try {
    bytes.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

// The fast reader: the whole file in memory, decoded with reduction.
bool LoadJpegFast(CxImage& image, const char* path, int channelMode, int reduction) {
  std::vector<unsigned char> bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  ImageDecodeTarget target(image);
  return ReadJpegFast(bytes.data(), bytes.size(), FastReadOptions{channelMode, reduction, false}, target);
}

bool LoadJpegIjg(CxImage& image, const char* path, int channelMode, int reduction, unsigned char* key,
                 bool tiled) {
  StdioFile file = OpenFile(path, "rb");
  if (!file) {
    ImgWarning("Can't open file %s\n", path);
    return false;
  }
  std::optional<Rc4Filter> descrambler;
  if (key != nullptr) descrambler.emplace(key);
  ImageDecodeTarget target(image, tiled);
  const IjgReadOptions options{channelMode, reduction, descrambler ? &*descrambler : nullptr};
  return ReadJpegIjg(file.get(), options, target);
}

bool WriteWithIjg(CxImage& image, const char* path, int quality, int keepAlpha, unsigned char* key) {
  bx::ReplacingFile file(path);
  if (!file.Get()) {
    ImgWarning("Can't open file %s\n", path);
    return false;
  }
  std::optional<Rc4Filter> scrambler;
  if (key != nullptr) scrambler.emplace(key);
  const CSize dpi = image.Resolution();
  const IjgWriteOptions options{quality, keepAlpha != 0, dpi.cx, dpi.cy, scrambler ? &*scrambler : nullptr};
  FileSink sink(file.Get());
  return WriteJpegIjg(ViewOf(image), options, sink) && file.Commit();
}

}  // namespace

bool pixcodec::WriteJpegFileWithPhotoEncoder(CxImage& image, const char* path, int quality, ByteSink* copy) {
  bx::ReplacingFile file(path);
  if (!file.Get()) return false;
  FileSink fileSink(file.Get());
  std::optional<TeeSink> tee;
  if (copy != nullptr) tee.emplace(fileSink, *copy);
  ByteSink& sink = tee ? static_cast<ByteSink&>(*tee) : fileSink;
  const CSize dpi = image.Resolution();
  return EncodeJpegSystem(ViewOf(image), quality, dpi.cx, dpi.cy, sink) && file.Commit();
}

int IsJpegFile(const char* path, int& width, int& height, unsigned char*) {
  StdioFile file = OpenFile(path, "rb");
  JpegHeader header;
  if (!file || !ReadJpegHeader(file.get(), nullptr, header)) return 0;
  width = header.width;
  height = header.height;
  return 1;
}

int LoadJpegFile(CxImage& image, const char* path, int channelMode, int reduction, int tiled,
                 unsigned char* key) {
  // A tiled image receives its rows from the scanline reader; the fast reader
  // needs the whole image in memory.
  if (key == nullptr && tiled == 0 && LoadJpegFast(image, path, channelMode, reduction)) return 1;
  return LoadJpegIjg(image, path, channelMode, reduction, key, tiled != 0) ? 1 : 0;
}

int WriteJpegFile(CxImage& image, const char* path, int quality, int keepAlpha, unsigned char* key,
                  int preferSystemEncoder) {
  if (!image.IsValid() || path == nullptr) return 0;
  const bool alphaWritten = image.HasAlphaChannel() != 0 && keepAlpha != 0;
  if (key == nullptr && preferSystemEncoder != 0 && !alphaWritten &&
      WriteJpegFileWithPhotoEncoder(image, path, quality, nullptr))
    return 1;
  return WriteWithIjg(image, path, quality, keepAlpha, key) ? 1 : 0;
}
