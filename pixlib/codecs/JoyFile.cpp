#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/IjgJpegReader.h"
#include "pixlib/codecs/ImageTrailer.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/JoyKey.h"
#include "pixlib/codecs/Rc4Filter.h"
#include "pixlib/codecs/StdioFile.h"

namespace pixcodec {

const unsigned char* JoyKeyOrDefault(const unsigned char* key) {
  static const unsigned char kBuiltIn[Rc4Filter::kKeySize] = {0x5A, 0x17, 0xC3, 0x8E,
                                                              0x41, 0xF6, 0x2B, 0x9D};
  return key != nullptr ? key : kBuiltIn;
}

}  // namespace pixcodec

using namespace pixcodec;

int CheckJoyFile(const char* path, int& width, int& height, int& components, unsigned char* key) {
  StdioFile file = OpenFile(path, "rb");
  if (!file) {
    ImgWarning("Can't open file %s\n", path);
    return 2;
  }
  TrailerInfo info;
  if (!ReadTrailerInfo(file.get(), info) || info.kind != TrailerInfo::Kind::Current ||
      !info.trailer.Has(ImageTrailer::kScrambled))
    return 2;
  Rc4Filter descrambler(JoyKeyOrDefault(key));
  JpegHeader header;
  if (std::fseek(file.get(), static_cast<long>(info.trailer.ScrambledOffset()), SEEK_SET) != 0 ||
      !ReadJpegHeader(file.get(), &descrambler, header))
    return 1;
  width = header.width;
  height = header.height;
  components = header.components;
  return 0;
}

int IsJoyFile(const char* path, int& width, int& height, unsigned char* key) {
  int components = 0;
  return CheckJoyFile(path, width, height, components, key) == 0 ? 1 : 0;
}

// Joy files are not read or written yet: the preview, the scrambled full image
// and the trailer that ties them together are still to be built.
int LoadJoyFile(CxImage&, const char*, int, int, int, unsigned char*) { return 0; }

int WriteJoyFile(CxImage&, const char*, int, int, unsigned char*) { return 0; }
