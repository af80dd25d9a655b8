// The fuzz targets' bodies over seeds and a few thousand mutations of them,
// so that every build runs them; the long runs use libFuzzer (BX_FUZZ).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/Thumbnail.h"
#include "pixlib/codecs/joy/ImageSignature.h"
#include "tests/codecs/CodecTestSupport.h"
#include "tests/codecs/PhotoCdCorrections.h"
#include "tests/fuzz/FuzzCorpus.h"
#include "tests/fuzz/ReaderFuzzTargets.h"

using namespace codectest;

namespace {

using Bytes = std::vector<unsigned char>;

void MutateBytesAndTrailer(Bytes& bytes, std::mt19937& random) {
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
  if (bytes.empty()) return;
  switch (pick(4)) {
    case 0:
      for (std::size_t n = 1 + pick(8); n > 0; --n) bytes[pick(bytes.size())] = std::uint8_t(random());
      break;
    case 1:
      bytes.resize(pick(bytes.size()));
      break;
    case 2:  // the trailer's fields
      for (std::size_t n = 1 + pick(3); n > 0 && bytes.size() > 64; --n)
        bytes[bytes.size() - 64 + 8 + pick(28)] = std::uint8_t(random());
      break;
    default:
      bytes[pick(std::min<std::size_t>(bytes.size(), 20000))] ^= std::uint8_t(1 + pick(255));
  }
}

void RunOverMutations(int (*target)(const std::uint8_t*, std::size_t), const std::vector<Bytes>& seeds,
                      int mutations) {
  std::mt19937 random(21);
  for (const Bytes& seed : seeds) ASSERT_EQ(0, target(seed.data(), seed.size()));
  for (int n = 0; n < mutations; ++n) {
    Bytes bytes = seeds[n % seeds.size()];
    MutateBytesAndTrailer(bytes, random);
    if (n % 3 == 0) MutateBytesAndTrailer(bytes, random);
    ASSERT_EQ(0, target(bytes.data(), bytes.size())) << n;
  }
}

TEST(ReaderFuzzSmokeTest, JoyContainerAndSignatures) {
  TempDir dir;
  const std::string joy = dir.Path("seed.joy"), signedJpeg = dir.Path("seed.jpg");
  unsigned char key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  CxImage image, thumb;
  MakePattern(image, 40, 30, true);
  MakePattern(thumb, 20, 15);
  ASSERT_EQ(1, WriteJoyFile(image, joy.c_str(), 80, 1, key));
  ASSERT_EQ(1, WriteThumbNail(thumb, joy.c_str()));
  ASSERT_EQ(1, image.Save(signedJpeg.c_str(), 2, 0, 80, nullptr, 1));
  ASSERT_EQ(1, SignImageFile(signedJpeg.c_str()));
  const std::vector<Bytes> seeds = {ReadBytes(joy), ReadBytes(signedJpeg)};
  fuzzing::WriteSeedCorpus("joy", seeds);
  RunOverMutations(fuzzing::FuzzJoyReader, seeds, 1500);
}

// One seed per stored image the harness can pick (its first byte), whole
// and cut short, and corrections with a table and two coded rows.
std::vector<Bytes> PhotoCdSeeds() {
  Bytes pattern(40 * 2048);
  for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<unsigned char>(i * 31 / 7);
  auto seed = [](std::uint8_t selector, const Bytes& payload, std::size_t size) {
    Bytes bytes{selector};
    bytes.insert(bytes.end(), payload.begin(),
                 payload.begin() + static_cast<long>(std::min(size, payload.size())));
    return bytes;
  };
  const Bytes corrections = FourBaseSectors(kCodes, 5, 2);
  return {seed(12, pattern, pattern.size()),
          seed(0x80 | 0x20 | 12, pattern, 20000),
          seed(0x40 | 24, pattern, 100),
          seed(4, pattern, pattern.size()),
          seed(0x80 | 5, pattern, 5000),
          seed(0x20 | 1, pattern, 3000),
          seed(0x40 | 2, pattern, 0),
          seed(0, corrections, corrections.size()),
          seed(0x80 | 0x20, corrections, corrections.size() - 50)};
}

TEST(ReaderFuzzSmokeTest, PhotoCdPacks) {
  const std::vector<Bytes> seeds = PhotoCdSeeds();
  fuzzing::WriteSeedCorpus("photocd", seeds);
  RunOverMutations(fuzzing::FuzzPhotoCdReader, seeds, 400);
}

}  // namespace
