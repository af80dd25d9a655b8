#include "pixlib/codecs/LoadDispatch.h"

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/LibraryKey.h"
#include "pixlib/codecs/StdioFile.h"

namespace pixcodec {

namespace {

using Loader = int (*)(CxImage&, const char*, int, int, int, unsigned char*);
Loader LoaderFor(int type) {
  switch (type) {
    case IMG_TYPE_TGA:
      return LoadTgaFile;
    case IMG_TYPE_PCX:
      return LoadPcxFile;
    case IMG_TYPE_JPEG:
    case IMG_TYPE_JOY_PREVIEW:
      return LoadJpegFile;
    case IMG_TYPE_BMP:
      return LoadBmpFile;
    case IMG_TYPE_TIFF:
      return LoadTiffFile;
    case IMG_TYPE_PHOTOCD:
      return LoadPhotoCdFile;
    case IMG_TYPE_PNG:
      return LoadPngFile;
    case IMG_TYPE_JOY:
    case IMG_TYPE_JOY_LIBRARY_KEY:
      return LoadJoyFile;
    default:
      return nullptr;
  }
}

// The reader of the format whose signature starts the file, or null.
Loader LoaderBySignature(const char* path) {
  unsigned char b[4] = {};
  StdioFile file = OpenFile(path, "rb");
  if (!file || std::fread(b, 1, sizeof b, file.get()) != sizeof b) return nullptr;
  if ((b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0) ||
      (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43)))
    return LoadTiffFile;
  if (b[0] == 'B' && b[1] == 'M') return LoadBmpFile;
  if (b[0] == 0xFF && b[1] == 0xD8) return LoadJpegFile;
  if (b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') return LoadPngFile;
  return nullptr;
}

bool OpensAsJoy(const char* path, unsigned char* key) {
  int width = 0, height = 0, components = 0;
  return CheckJoyFile(path, width, height, components, key) == 0;
}

}  // namespace

int LoadByType(CxImage& image, int type, const char* path, int channelMode, int reduction, int tiled,
               unsigned char* key) {
  const Loader load = LoaderFor(type);
  if (load == nullptr) return 0;
  if (type == IMG_TYPE_JOY_LIBRARY_KEY) key = LibraryKey();
  return load(image, path, channelMode, reduction, tiled, key);
}

int LoadFirstMatch(CxImage& image, const char* path, int channelMode, int reduction, int tiled,
                   unsigned char* key) {
  if (OpensAsJoy(path, key)) return LoadJoyFile(image, path, channelMode, reduction, tiled, key);
  unsigned char* libraryKey = LibraryKey();
  if (libraryKey != nullptr && OpensAsJoy(path, libraryKey))
    return LoadJoyFile(image, path, channelMode, reduction, tiled, libraryKey);
  int width = 0, height = 0;
  const int type = PlainFileType(path, width, height);
  if (type != IMG_TYPE_UNKNOWN) return LoadByType(image, type, path, channelMode, reduction, tiled, key);
  // A file of a known format that its tester refused: its reader says why.
  const Loader refusing = LoaderBySignature(path);
  return refusing != nullptr ? refusing(image, path, channelMode, reduction, tiled, key) : 0;
}

}  // namespace pixcodec
