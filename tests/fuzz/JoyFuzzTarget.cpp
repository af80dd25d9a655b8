#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/joy/ImageSignature.h"
#include "pixlib/codecs/joy/JoyFiles.h"
#include "pixlib/core/CxImage.h"
#include "tests/fuzz/FuzzInputFile.h"
#include "tests/fuzz/ReaderFuzzTargets.h"

namespace fuzzing {

int FuzzJoyReader(const std::uint8_t* data, std::size_t size) {
  static unsigned char key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  FuzzInputFile input(data, size, ".joy");
  int width = 0, height = 0, components = 0;
  GetFileType(input.Path(), width, height, key);
  CheckJoyFile(input.Path(), width, height, components, nullptr);
  const int mode = size > 0 ? data[0] % 3 : 0;
  const int reduction = size > 1 ? 1 << (data[1] % 4) : 1;
  CxImage image;
  LoadJoyFile(image, input.Path(), mode, reduction, 0, key);
  LoadJoyFile(image, input.Path(), mode, reduction, 0, nullptr);
  JoyFile2Jpeg(input.Path(), input.Sibling("jpg").c_str(), size > 2 ? data[2] & 1 : 0, key);
  Jpeg2JoyFile(input.Path(), input.Sibling("joy").c_str(), 0, key);
  IsImageFileSigned(input.Path());
  SignImageFile(input.Path());
  IsImageFileSigned(input.Path());
  return 0;
}

}  // namespace fuzzing
