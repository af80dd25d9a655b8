#include <cstring>
#include <vector>

#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/core/CxImage.h"
#include "tests/fuzz/FuzzInputFile.h"
#include "tests/fuzz/ReaderFuzzTargets.h"

namespace fuzzing {

namespace {

constexpr std::size_t kSector = 2048;
constexpr std::size_t kFirstRecordSector = 4;
constexpr std::size_t kCorrectionSector = 388;
constexpr char kSignature[] = "PCD_IPI";

}  // namespace

int FuzzPhotoCdReader(const std::uint8_t* data, std::size_t size) {
  // One input in eight goes to the Huffman table and the corrections.
  const bool corrections = size > 0 && data[0] % 8 == 0;
  std::vector<std::uint8_t> pack((corrections ? kCorrectionSector : kFirstRecordSector) * kSector, 0);
  std::memcpy(&pack[kSector], kSignature, 7);
  pack.insert(pack.end(), data, data + size);
  FuzzInputFile input(pack.data(), pack.size(), ".pcd");
  int width = 0, height = 0;
  IsPhotoCdFile(input.Path(), width, height, nullptr);
  const int mode = size > 0 ? data[0] % 3 : 0;
  for (int reduction : {8, 4, 2, 1}) {
    CxImage image;
    LoadPhotoCdFile(image, input.Path(), mode, reduction, 0, nullptr);
  }
  return 0;
}

}  // namespace fuzzing
