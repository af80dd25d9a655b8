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

// Each target's share of the 32 selector values, in inverse proportion to
// its cost, so that each stored image gets a like share of the fuzzing time
// rather than of the inputs: the 1536 x 1024 corrections (their image, read
// first, left zero; about 60 times the cost of the smallest) get one value,
// the 768 x 512 image three, the smaller ones the rest. 16 is read as 8.
struct WeightedTarget {
  Target target;
  int values;
};
constexpr WeightedTarget kTargets[] = {
    {{1, 388, 0}, 1}, {{2, 96, 0}, 3}, {{4, 23, 95}, 8}, {{8, 4, 22}, 12}, {{16, 4, 22}, 8}};

const Target& PickTarget(std::uint8_t selector) {
  int value = selector % 32;
  for (const WeightedTarget& weighted : kTargets) {
    if (value < weighted.values) return weighted.target;
    value -= weighted.values;
  }
  return kTargets[0].target;  // not reached: the shares add up to 32
}

}  // namespace

int FuzzPhotoCdReader(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the target (low 5 bits), the channel mode (bits 5
  // and 6) and whether the pack ends with the input (high bit) or runs on in
  // zeros; the rest is the pack from the target's first sector on. Each input
  // decodes one reduction.
  const std::uint8_t selector = data[0];
  const Target& target = PickTarget(selector);
  const int mode = ((selector >> 5) & 3) % 3;
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
