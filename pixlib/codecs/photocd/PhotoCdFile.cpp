// Photo CD image packs: the stored resolution a reduction asks for, PhotoYCC
// converted to blue, green, red.
#include "pixlib/codecs/DecodeTarget.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImageView.h"
#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/codecs/StdioFile.h"
#include "pixlib/codecs/photocd/FourBaseCorrections.h"
#include "pixlib/codecs/photocd/PhotoCdPack.h"
#include "pixlib/codecs/photocd/PhotoYccConverter.h"
#include "pixlib/core/CxImage.h"

using namespace pixcodec;
using namespace pixcodec::photocd;

namespace {

constexpr int kPackWidth = 1536;
constexpr int kPackHeight = 1024;

bool ReadPack(std::FILE* file, int reduction, YccImage& ycc) {
  if (!HasPackHeader(file)) {
    ReportFatal("Error while reading.\n");
    return false;
  }
  PackReader pack(file);
  return reduction == 1 ? ReadFourBaseImage(pack, ycc) : ReadBaseImage(pack, reduction, ycc);
}

// Rows from the top of the picture to the top of the image, whatever its
// origin; mode 2 adds an opaque alpha.
void StorePixels(const YccImage& ycc, const PixelView& view) {
  static const PhotoYccConverter converter;
  for (int row = 0; row < ycc.height; ++row) {
    const std::size_t start = std::size_t(row) * ycc.width;
    converter.ConvertRow(&ycc.y[start], &ycc.c1[start], &ycc.c2[start], ycc.width, view.TopRow(row),
                         view.channels);
  }
}

}  // namespace

int IsPhotoCdFile(const char* path, int& width, int& height, unsigned char*) {
  StdioFile file = OpenFile(path, "rb");
  if (!file || !HasPackHeader(file.get())) return 0;
  width = kPackWidth;
  height = kPackHeight;
  return 1;
}

int LoadPhotoCdFile(CxImage& image, const char* path, int channelMode, int reduction, int, unsigned char*) {
  StdioFile file = OpenFile(path, "rb");
  if (!file) {
    ImgWarning("Can't open file %s\n", path);
    return 0;
  }
  YccImage ycc;
  if (!ReadPack(file.get(), NormalisedReduction(reduction), ycc)) return 0;
  if (!CreateCodecImage(image, ycc.width, ycc.height, channelMode == 2 ? 4 : 3)) return 0;
  image.SetFileHasAlpha(0);
  StorePixels(ycc, ViewOf(image));
  return 1;
}
