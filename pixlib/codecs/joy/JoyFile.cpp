// The Joy container: a plain preview JPEG, the full JPEG scrambled with an
// RC4 keystream, an optional thumbnail record and the trailer.
#include "pixlib/codecs/jpeg/IjgJpegReader.h"
#include "pixlib/codecs/jpeg/IjgJpegWriter.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/LongerSideScaling.h"
#include "pixlib/codecs/Rc4Filter.h"
#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/joy/JoyContainer.h"
#include "pixlib/codecs/joy/JoyKey.h"
#include "pixlib/core/CxImage.h"
#include "platform/FileReplace.h"

namespace pixcodec {

const unsigned char* JoyKeyOrDefault(const unsigned char* key) {
  static const unsigned char kBuiltIn[Rc4Filter::kKeySize] = {0x5A, 0x17, 0xC3, 0x8E, 0x41, 0xF6, 0x2B, 0x9D};
  return key != nullptr ? key : kBuiltIn;
}

}  // namespace pixcodec

using namespace pixcodec;

namespace {

constexpr int kPreviewSize = 256;
constexpr int kPreviewQuality = 90;

// Opens a Joy file and positions it at its scrambled stream.
StdioFile OpenJoyStream(const char* path, JoyTrailer& kind) {
  kind = JoyTrailer::None;
  StdioFile file = OpenFile(path, "rb");
  if (!file) {
    ImgWarning("Can't open file %s\n", path);
    return file;
  }
  JoyLayout layout;
  kind = ReadJoyLayout(file.get(), layout);
  if (kind == JoyTrailer::Joy && std::fseek(file.get(), layout.streamBegin, SEEK_SET) != 0)
    kind = JoyTrailer::Broken;
  return file;
}

// The preview is written without alpha, so that every viewer shows it as a
// plain colour JPEG.
bool WritePreview(CxImage& image, ByteSink& sink) {
  CxImage scaled;
  CxImage* preview = &image;
  if (image.Width() > kPreviewSize || image.Height() > kPreviewSize) {
    if (ScaleToLongerSide(image, scaled, kPreviewSize) == 0) return false;
    preview = &scaled;
  }
  const CSize dpi = preview->Resolution();
  return WriteJpegIjg(ViewOf(*preview), IjgWriteOptions{kPreviewQuality, false, dpi.cx, dpi.cy, nullptr},
                      sink);
}

}  // namespace

int CheckJoyFile(const char* path, int& width, int& height, int& components, unsigned char* key) {
  JoyTrailer kind = JoyTrailer::None;
  StdioFile file = OpenJoyStream(path, kind);
  if (!file || kind == JoyTrailer::None) return 2;
  Rc4Filter descrambler(JoyKeyOrDefault(key));
  JpegHeader header;
  if (kind != JoyTrailer::Joy || !ReadJpegHeader(file.get(), &descrambler, header)) return 1;
  width = header.width;
  height = header.height;
  components = header.components;
  return 0;
}

int IsJoyFile(const char* path, int& width, int& height, unsigned char* key) {
  int components = 0;
  return CheckJoyFile(path, width, height, components, key) == 0 ? 1 : 0;
}

int LoadJoyFile(CxImage& image, const char* path, int channelMode, int reduction, int tiled,
                unsigned char* key) {
  JoyTrailer kind = JoyTrailer::None;
  StdioFile file = OpenJoyStream(path, kind);
  if (!file) return 0;
  if (kind != JoyTrailer::Joy) {
    ImgWarning("No scrambled image in %s\n", path);
    return 0;
  }
  Rc4Filter descrambler(JoyKeyOrDefault(key));
  ImageDecodeTarget target(image, tiled != 0);
  return ReadJpegIjg(file.get(), IjgReadOptions{channelMode, reduction, &descrambler}, target) ? 1 : 0;
}

int WriteJoyFile(CxImage& image, const char* path, int quality, int keepAlpha, unsigned char* key) {
  if (!image.IsValid() || path == nullptr) return 0;
  bx::ReplacingFile file(path);
  if (file.Get() == nullptr) {
    ImgWarning("Can't open file %s\n", path);
    return 0;
  }
  FileSink sink(file.Get());
  if (!WritePreview(image, sink)) return 0;
  const long streamBegin = std::ftell(file.Get());
  Rc4Filter scrambler(JoyKeyOrDefault(key));
  const CSize dpi = image.Resolution();
  const IjgWriteOptions options{quality, keepAlpha != 0, dpi.cx, dpi.cy, &scrambler};
  return WriteJpegIjg(ViewOf(image), options, sink) && WriteJoyTrailer(file.Get(), streamBegin) &&
                 file.Commit()
             ? 1
             : 0;
}
