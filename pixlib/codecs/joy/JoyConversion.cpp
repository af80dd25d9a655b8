// Jpeg2JoyFile and JoyFile2Jpeg: plain JPEG to Joy file and back.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "pixlib/codecs/jpeg/IjgJpegReader.h"
#include "pixlib/codecs/jpeg/IjgJpegWriter.h"
#include "pixlib/codecs/jpeg/JpegCodecObjects.h"
#include "pixlib/codecs/jpeg/JpegSource.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/LongerSideScaling.h"
#include "pixlib/codecs/Rc4Filter.h"
#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/jpeg/SystemJpegEncoder.h"
#include "pixlib/codecs/Thumbnail.h"
#include "pixlib/codecs/joy/JoyContainer.h"
#include "pixlib/codecs/joy/JoyFiles.h"
#include "pixlib/codecs/joy/JoyKey.h"
#include "pixlib/core/CxImage.h"
#include "platform/FileReplace.h"

using namespace pixcodec;

namespace {

constexpr int kPreviewSize = 256;
constexpr int kThumbnailSize = 1024;
constexpr int kThumbnailSource = 2048;
constexpr int kLargestReduction = 8;
constexpr int kQuality = 90;
constexpr int kPreviewDpi = 72;
constexpr short kJpegType = 2;
enum JoyCheck { kJoyOpens = 0, kJoyClosed = 1, kNoJoy = 2 };

// An image and, when it had to be made smaller, its scaled copy; Image() is
// the one to use.
struct SizedImage {
  CxImage original;
  CxImage scaled;
  bool isScaled = false;
  CxImage& Image() { return isScaled ? scaled : original; }

  // Scales the original down to `size` on the longer side when it is larger.
  bool FitInto(int size) {
    isScaled = original.Width() > size || original.Height() > size;
    return !isScaled || ScaleToLongerSide(original, scaled, size) != 0;
  }
};

// Loads the JPEG at the smallest power-of-two reduction that brings its
// longer side within `limit` (at most 1/8), then scales it to `size`.
bool LoadWithin(const char* path, int longer, int limit, int size, int channelMode, SizedImage& image) {
  int reduction = 1;
  while (ReducedSize(longer, reduction) > limit && reduction < kLargestReduction) reduction *= 2;
  return LoadJpegFile(image.original, path, channelMode, reduction, 0, nullptr) != 0 && image.FitInto(size);
}

// The colour profile embedded in a JPEG file; empty when it has none.
std::vector<unsigned char> IccProfileOf(const char* path) {
  std::vector<unsigned char> profile;
  StdioFile file = OpenFile(path, "rb");
  IjgDecompressor d;
  if (!file || !d.Create()) return profile;
  JpegSource source(file.get(), nullptr);
  source.Attach(&d.info);
  d.trap.Guarded([&] {
    jpeg_save_markers(&d.info, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&d.info, TRUE);
    JOCTET* data = nullptr;
    unsigned length = 0;
    if (jpeg_read_icc_profile(&d.info, &data, &length)) profile.assign(data, data + length);
    std::free(data);
  });
  return profile;
}

// The preview goes through the system encoder at 72 dpi, without alpha; the
// IJG writer writes it when the source has a colour profile to carry over
// (the system encoder cannot embed one) or when the system encoder fails.
bool WritePreview(CxImage& preview, const std::vector<unsigned char>& profile, std::FILE* file) {
  FileSink sink(file);
  const PixelView view = ViewOf(preview);
  if (profile.empty() && EncodeJpegSystem(view, kQuality, kPreviewDpi, kPreviewDpi, sink)) return true;
  IjgWriteOptions options{kQuality, false, kPreviewDpi, kPreviewDpi, nullptr};
  options.iccProfile = &profile;
  return std::fseek(file, 0, SEEK_SET) == 0 && WriteJpegIjg(view, options, sink);
}

bool FileLength(std::FILE* file, long& length) {
  return std::fseek(file, 0, SEEK_END) == 0 && (length = std::ftell(file)) >= 0;
}

// Preview, the source's bytes scrambled, trailer; then the thumbnail record.
bool WriteJoyContainer(const char* source, const char* target, CxImage& preview, CxImage* thumbnail,
                       unsigned char* key) {
  StdioFile from = OpenFile(source, "rb");
  bx::ReplacingFile to(target);
  long length = 0;
  if (!from || to.Get() == nullptr || !FileLength(from.get(), length) ||
      !WritePreview(preview, IccProfileOf(source), to.Get()))
    return false;
  const long streamBegin = std::ftell(to.Get());
  Rc4Filter scrambler(JoyKeyOrDefault(key));
  if (!CopyFiltered(from.get(), 0, length, to.Get(), scrambler) || !WriteJoyTrailer(to.Get(), streamBegin) ||
      std::fflush(to.Get()) != 0)
    return false;
  if (thumbnail != nullptr && WriteThumbNail(*thumbnail, to.TemporaryPath().c_str()) == 0) return false;
  return to.Commit();
}

bool PlainToJoy(const char* source, const char* target, int longer, bool makeThumbnail, unsigned char* key) {
  if (!makeThumbnail) {
    SizedImage preview;
    return LoadWithin(source, longer, kPreviewSize, kPreviewSize, 0, preview) &&
           WriteJoyContainer(source, target, preview.Image(), nullptr, key);
  }
  SizedImage thumbnail, preview;
  if (!LoadWithin(source, longer, kThumbnailSource, kThumbnailSize, 1, thumbnail)) return false;
  CxImage& made = thumbnail.Image();
  preview.original.Create(made.Width(), made.Height(), made.HasAlphaChannel(), 0, 0, made.GetBits());
  return preview.FitInto(kPreviewSize) && WriteJoyContainer(source, target, preview.Image(), &made, key);
}

int ComponentsOf(const char* path) {
  StdioFile file = OpenFile(path, "rb");
  JpegHeader header;
  return file && ReadJpegHeader(file.get(), nullptr, header) ? header.components : 0;
}

// Loads the file (through the key when given) and saves it as an ordinary
// three-component JPEG.
bool Reencode(const char* source, const char* target, unsigned char* key) {
  CxImage image;
  bx::ReplacingFile to(target);
  return to.Get() != nullptr && image.Load(source, 0, 1, 0, 0, key) != 0 &&
         image.Save(to.TemporaryPath().c_str(), kJpegType, 0, kQuality, nullptr, 1) != 0 && to.Commit();
}

// The scrambled stream, from its offset up to the thumbnail record or the
// trailer, descrambled.
bool Descramble(const char* source, const char* target, unsigned char* key) {
  StdioFile from = OpenFile(source, "rb");
  JoyLayout layout;
  if (!from || ReadJoyLayout(from.get(), layout) != JoyTrailer::Joy) return false;
  bx::ReplacingFile to(target);
  Rc4Filter descrambler(JoyKeyOrDefault(key));
  return to.Get() != nullptr &&
         CopyFiltered(from.get(), layout.streamBegin, layout.streamEnd, to.Get(), descrambler) && to.Commit();
}

}  // namespace

int Jpeg2JoyFile(const char* source, const char* target, int makeThumbnail, unsigned char* key) {
  if (source == nullptr || target == nullptr) return 0;
  int width = 0, height = 0, components = 0;
  if (CheckJoyFile(source, width, height, components, key) == kJoyOpens)
    return CopyWholeFile(source, target) ? 1 : 0;
  if (IsJpegFile(source, width, height, nullptr) == 0) {
    ImgWarning("%s is no JPEG file\n", source);
    return 0;
  }
  if (PlainToJoy(source, target, std::max(width, height), makeThumbnail != 0, key)) return 1;
  ImgWarning("Can't write the Joy file %s\n", target);
  return 0;
}

int JoyFile2Jpeg(const char* source, const char* target, int flag, unsigned char* key) {
  if (source == nullptr || target == nullptr) return 0;
  int width = 0, height = 0, components = 0;
  const int check = CheckJoyFile(source, width, height, components, key);
  bool done = false;
  if (check == kNoJoy) {
    components = ComponentsOf(source);
    if (components == 0) return 0;
    done = flag != 0 && components == 4 ? Reencode(source, target, nullptr) : CopyWholeFile(source, target);
  } else if (check == kJoyOpens) {
    done = flag != 0 && components == 4 ? Reencode(source, target, key) : Descramble(source, target, key);
  }
  if (!done) ImgWarning("Can't convert %s to a plain JPEG\n", source);
  return done ? 1 : 0;
}
