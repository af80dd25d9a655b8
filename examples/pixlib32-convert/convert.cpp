// Converts an image file that pixlib32 reads (JPEG, TIFF, BMP, PCX, TGA, Photo
// CD) into a JPEG or, for a name ending in .tif, a TIFF file.
#include "pixlib/codecs/FileType.h"
#include "pixlib/core/CxImage.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s IN OUT.jpg|OUT.tif\n", argv[0]);
    return 2;
  }
  const std::string out = argv[2];
  const bool tiff = out.size() > 4 && out.compare(out.size() - 4, 4, ".tif") == 0;
  CxImage image;
  if (image.Load(argv[1], 1, 1, 0, 0, nullptr) == 0) {
    std::fprintf(stderr, "%s: not an image file pixlib32 reads\n", argv[1]);
    return 1;
  }
  if (image.Save(out.c_str(), tiff ? IMG_TYPE_TIFF : IMG_TYPE_JPEG, 1, 90, nullptr, tiff ? 0 : 1) == 0) {
    std::fprintf(stderr, "%s: cannot write\n", out.c_str());
    return 1;
  }
  std::printf("%s: %d x %d\n", out.c_str(), image.Width(), image.Height());
  return 0;
}
