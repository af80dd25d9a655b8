#include <cstring>
#include <vector>

#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/core/CxImage.h"
#include "tests/fuzz/FuzzInputFile.h"
#include "tests/fuzz/ReaderFuzzTargets.h"

namespace fuzzing {

namespace {

constexpr std::size_t kHeaderOffset = 2048;
constexpr char kSignature[] = "PCD_IPI";

}  // namespace

int FuzzPhotoCdReader(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> pack(data, data + size);
  if (pack.size() >= kHeaderOffset + 7) std::memcpy(&pack[kHeaderOffset], kSignature, 7);
  FuzzInputFile input(pack.data(), pack.size(), ".pcd");
  int width = 0, height = 0;
  IsPhotoCdFile(input.Path(), width, height, nullptr);
  for (int reduction : {1, 2, 4, 8, 16}) {
    CxImage image;
    LoadPhotoCdFile(image, input.Path(), reduction % 3, reduction, 0, nullptr);
  }
  return 0;
}

}  // namespace fuzzing
