#include "pixlib/codecs/FormatVariant.h"

#include "pixlib/codecs/FileType.h"

namespace pixcodec {

std::string DescribeFileVariant(const char* path, int type) {
  switch (type) {
    case IMG_TYPE_BMP:
      return DescribeBmpVariant(path);
    case IMG_TYPE_PCX:
      return DescribePcxVariant(path);
    case IMG_TYPE_TGA:
      return DescribeTgaVariant(path);
    case IMG_TYPE_TIFF:
      return DescribeTiffVariant(path);
    case IMG_TYPE_PNG:
      return DescribePngVariant(path);
    default:
      return {};
  }
}

}  // namespace pixcodec
