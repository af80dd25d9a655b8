// CxImage's file operations: load and save dispatch, preferred-size loading.
#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/LoadDispatch.h"
#include "pixlib/codecs/ProfileConversion.h"
#include "pixlib/core/CxImage.h"

using namespace pixcodec;

namespace {

// Smallest power of two d with width / d and height / d within `preferred`;
// it stops once both are 0, so no preferred size makes it run away.
int PreferredReduction(int width, int height, int preferred) {
  long long d = 1;
  while ((width / d > preferred || height / d > preferred) && (width / d > 0 || height / d > 0)) d *= 2;
  return d > (1 << 30) ? (1 << 30) : static_cast<int>(d);
}

}  // namespace

int CxImage::Load(const char* path, int channelMode, int reduction, int convertProfile, int tiled,
                  unsigned char* key) {
  const int result = LoadFirstMatch(*this, path, channelMode, reduction, tiled, key);
  if (result != 0 && convertProfile != 0) ConvertToTargetProfile(*this, path);
  return result;
}

int CxImage::LoadWithPreferredSize(const char* path, int channelMode, int preferredSize, int convertProfile,
                                   int tiled, unsigned char* key) {
  int width = 0, height = 0;
  const int type = GetFileType(path, width, height, key);
  if (type == IMG_TYPE_UNKNOWN) return 0;
  const int reduction = PreferredReduction(width, height, preferredSize);
  const int result = LoadByType(*this, type, path, channelMode, reduction, tiled, key);
  if (result != 0 && convertProfile != 0) ConvertToTargetProfile(*this, path);
  return result;
}

int CxImage::Save(const char* path, short type, int keepAlpha, int quality, unsigned char* key,
                  int preferSystemEncoder) {
  switch (type) {
    case IMG_TYPE_JPEG:
      return WriteJpegFile(*this, path, quality, keepAlpha, key, preferSystemEncoder);
    case IMG_TYPE_TIFF:
      return WriteTiffFile(*this, path, quality, keepAlpha, key);
    case IMG_TYPE_JOY:
      return WriteJoyFile(*this, path, quality, keepAlpha, key);
    case IMG_TYPE_PNG:
      return WritePngFile(*this, path, quality, keepAlpha, key);
    default:
      return 0;
  }
}
