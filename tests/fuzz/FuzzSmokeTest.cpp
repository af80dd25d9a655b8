// A short run of each fuzz harness in the ordinary build: the seeds and a
// fixed set of mutations of them, so that the sanitizer build covers the
// harnesses without libFuzzer. With BX_FUZZ_CORPUS set, the seeds are also
// written there (one folder per reader) as the fuzzers' starting corpus.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <random>

#include "tests/codecs/CodecTestSupport.h"
#include "tests/codecs/RasterSeeds.h"
#include "tests/fuzz/FuzzCorpus.h"
#include "tests/fuzz/FuzzReaders.h"

using namespace codectest;

namespace {

constexpr int kMutationsPerReader = 1500;

struct Target {
  fuzz::Reader reader;
  int type;
  const char* name;
};
constexpr Target kTargets[] = {{fuzz::Reader::Bmp, 3, "bmp"},
                               {fuzz::Reader::Pcx, 1, "pcx"},
                               {fuzz::Reader::Tga, 0, "tga"},
                               {fuzz::Reader::Tiff, 4, "tiff"},
                               {fuzz::Reader::Png, 10, "png"}};

// libFuzzer-like mutations: bytes changed, inserted, erased, cut off, or an
// interesting value written over a 16/32-bit field.
void Mutate(Bytes& bytes, std::mt19937& random) {
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
  if (bytes.empty()) bytes.push_back(0);
  const std::size_t at = pick(bytes.size());
  switch (pick(5)) {
    case 0:
      bytes[at] = static_cast<unsigned char>(random());
      break;
    case 1:
      bytes.insert(bytes.begin() + at, 1 + pick(16), static_cast<unsigned char>(random()));
      break;
    case 2:
      bytes.erase(bytes.begin() + at, bytes.begin() + std::min(bytes.size(), at + 1 + pick(16)));
      break;
    case 3:
      bytes.resize(at);
      break;
    default: {
      const std::uint32_t values[] = {0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
      const std::uint32_t value = values[pick(std::size(values))];
      for (std::size_t i = 0; i < 1 + pick(4) && at + i < bytes.size(); ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
    }
  }
}

void WriteCorpus(const std::vector<RasterSeed>& seeds) {
  for (const Target& target : kTargets) {
    std::vector<Bytes> own;
    for (const RasterSeed& seed : seeds)
      if (seed.type == target.type) own.push_back(seed.bytes);
    fuzzing::WriteSeedCorpus(target.name, own);
  }
}

TEST(FuzzSmokeTest, EveryReaderSurvivesSeedsAndMutations) {
  const std::vector<RasterSeed> seeds = RasterSeeds();
  WriteCorpus(seeds);
  std::fflush(stdout);
  const int saved = dup(fileno(stdout));
  std::FILE* null = std::fopen("/dev/null", "w");
  dup2(fileno(null), fileno(stdout));
  std::fclose(null);
  std::mt19937 random(8122026);
  int seedsLoaded = 0, seedRuns = 0;
  for (const Target& target : kTargets) {
    std::vector<const RasterSeed*> own;
    for (const RasterSeed& seed : seeds)
      if (seed.type == target.type) own.push_back(&seed);
    for (int n = 0; n < kMutationsPerReader; ++n) {
      Bytes bytes = own[n % own.size()]->bytes;
      for (int m = 0; m < n % 4; ++m) Mutate(bytes, random);
      const bool loaded = fuzz::FuzzReader(target.reader, bytes.data(), bytes.size());
      if (n % 4 == 0) seedRuns++, seedsLoaded += loaded;  // unmutated: must load
    }
  }
  std::fflush(stdout);
  dup2(saved, fileno(stdout));
  close(saved);
  EXPECT_EQ(seedRuns, seedsLoaded);
}

}  // namespace
