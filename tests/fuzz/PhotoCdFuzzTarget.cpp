#include <cstring>

#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/core/CxImage.h"
#include "tests/fuzz/FuzzInputFile.h"
#include "tests/fuzz/ReaderFuzzTargets.h"

namespace fuzzing {

namespace {

constexpr std::size_t kSector = 2048;
constexpr std::uint8_t kSignature[] = {'P', 'C', 'D', '_', 'I', 'P', 'I'};

// What one input exercises: the reduction asked for, the sector where the
// stored data it reads begins (the input goes there) and, for the smaller
// stored images, the sector after them: the pack may run on in zeros to
// there, so that they load whole. The larger ones load whole only from
// inputs that long, as a whole decode of them costs a hundred small ones.
struct Target {
  int reduction;
  std::size_t firstSector;
  std::size_t endSector;  // 0: the pack ends with the input
};

// The 1536 x 1024 corrections start with their Huffman table; the image they
// correct (768 x 512, read first) is left zero. 16 is read as 8.
constexpr Target kTargets[8] = {{1, 388, 0},  {8, 4, 22},  {8, 4, 22}, {16, 4, 22},
                                {4, 23, 95}, {4, 23, 95}, {2, 96, 0}, {2, 96, 0}};

}  // namespace

int FuzzPhotoCdReader(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the target (low 3 bits), the channel mode and
  // whether the pack ends with the input (high bit) or runs on in zeros; the
  // rest is the pack from the target's first sector on. Each input decodes
  // one reduction, so the costly full-size one runs only when an input asks
  // for it.
  const std::uint8_t selector = data[0];
  const Target& target = kTargets[selector % 8];
  const int mode = (selector >> 3) % 3;
  FuzzInputFile pack(".pcd");
  pack.Write(kSector, kSignature, sizeof kSignature);
  pack.Write(target.firstSector * kSector, data + 1, size - 1);
  if ((selector & 0x80) == 0) pack.Extend(target.endSector * kSector);
  int width = 0, height = 0;
  IsPhotoCdFile(pack.Path(), width, height, nullptr);
  CxImage image;
  LoadPhotoCdFile(image, pack.Path(), mode, target.reduction, 0, nullptr);
  return 0;
}

}  // namespace fuzzing
