#include "pixlib/codecs/FileType.h"

#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/LibraryKey.h"
#include "pixlib/codecs/LoadDispatch.h"

namespace {

using Tester = int (*)(const char*, int&, int&, unsigned char*);

struct FormatTest {
  Tester test;
  int type;
};

// The plain formats in the order the dispatchers try them, after the Joy test.
constexpr FormatTest kPlainFormats[] = {
    {IsJpegFile, IMG_TYPE_JPEG}, {IsBmpFile, IMG_TYPE_BMP},         {IsPcxFile, IMG_TYPE_PCX},
    {IsTgaFile, IMG_TYPE_TGA},   {IsPhotoCdFile, IMG_TYPE_PHOTOCD}, {IsTiffFile, IMG_TYPE_TIFF},
    {IsPngFile, IMG_TYPE_PNG},
};

enum JoyCheck { kJoyOpens = 0, kJoyClosed = 1, kNoJoy = 2 };

// Type code of a Joy file, or -1 when the file is none.
int JoyType(const char* path, int& width, int& height, unsigned char* key) {
  int components = 0;
  const int check = CheckJoyFile(path, width, height, components, key);
  if (check == kJoyOpens) return IMG_TYPE_JOY;
  if (check == kNoJoy) return IMG_TYPE_UNKNOWN;
  unsigned char* libraryKey = pixcodec::LibraryKey();
  if (libraryKey != nullptr && CheckJoyFile(path, width, height, components, libraryKey) == kJoyOpens)
    return IMG_TYPE_JOY_LIBRARY_KEY;
  IsJpegFile(path, width, height, nullptr);
  return IMG_TYPE_JOY_PREVIEW;
}

}  // namespace

int pixcodec::PlainFileType(const char* path, int& width, int& height) {
  for (const FormatTest& format : kPlainFormats)
    if (format.test(path, width, height, nullptr) != 0) return format.type;
  return IMG_TYPE_UNKNOWN;
}

int GetFileType(const char* path, int& width, int& height, unsigned char* key) {
  try {
    const int joy = JoyType(path, width, height, key);
    return joy != IMG_TYPE_UNKNOWN ? joy : pixcodec::PlainFileType(path, width, height);
  } catch (...) {
    return IMG_TYPE_UNKNOWN;
  }
}

int IsImageFile(const char* path, int& width, int& height, unsigned char* key) {
  const int type = GetFileType(path, width, height, key);
  return type != IMG_TYPE_UNKNOWN && type != IMG_TYPE_JOY_PREVIEW ? 1 : 0;
}
