// Mutated image files: every front-door operation survives them (run under
// the sanitizers) and never grows a file it only reads.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <random>

#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ImageFormats.h"
#include "pixlib/codecs/ImageTrailer.h"
#include "pixlib/codecs/Thumbnail.h"
#include "tests/codecs/CodecTestSupport.h"
#include "tests/codecs/RasterSeeds.h"

using namespace codectest;

namespace {

constexpr int kCases = 2000;
constexpr int kRasterCases = 1500;

// Sends standard output (where the library's warnings go) to /dev/null.
class QuietStdout {
 public:
  QuietStdout() : m_saved(dup(fileno(stdout))) {
    std::fflush(stdout);
    std::FILE* null = std::fopen("/dev/null", "w");
    dup2(fileno(null), fileno(stdout));
    std::fclose(null);
  }
  ~QuietStdout() {
    std::fflush(stdout);
    dup2(m_saved, fileno(stdout));
    close(m_saved);
  }

 private:
  int m_saved;
};

std::vector<std::vector<unsigned char>> MakeSeeds(TempDir& dir) {
  std::vector<std::vector<unsigned char>> seeds;
  const std::string path = dir.Path("seed.jpg");
  CxImage image, thumb, alpha;
  MakePattern(image, 48, 32);
  MakePattern(thumb, 24, 16);
  MakePattern(alpha, 20, 12, true);
  image.Save(path.c_str(), 2, 0, 80, nullptr, 1);
  seeds.push_back(ReadBytes(path));
  WriteThumbNail(thumb, path.c_str());
  seeds.push_back(ReadBytes(path));
  alpha.Save(path.c_str(), 2, 1, 70, nullptr, 0);
  seeds.push_back(ReadBytes(path));
  return seeds;
}

void Mutate(std::vector<unsigned char>& bytes, std::mt19937& random) {
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
  switch (pick(5)) {
    case 0:  // a few random bytes
      for (std::size_t n = 1 + pick(4); n > 0; --n) bytes[pick(bytes.size())] = std::uint8_t(random());
      break;
    case 1:  // truncated
      bytes.resize(pick(bytes.size()));
      break;
    case 2:  // garbage appended
      for (std::size_t n = 1 + pick(200); n > 0; --n) bytes.push_back(std::uint8_t(random()));
      break;
    case 3: {  // a trailer field pointing anywhere
      if (bytes.size() < pixcodec::ImageTrailer::kSize) break;
      const std::size_t field = bytes.size() - pixcodec::ImageTrailer::kSize + 8 + 4 * pick(8);
      pixcodec::WriteLe32(&bytes[field], std::uint32_t(random()) % (bytes.size() + 100));
      break;
    }
    default:  // a header byte changed (sizes, tables, markers)
      bytes[pick(std::min<std::size_t>(bytes.size(), 700))] ^= std::uint8_t(1 + pick(255));
  }
}

// What the front door made of one mutated file.
struct Outcome {
  int type = 0;
  bool loads = false;
  int width = 0;
  int channels = 0;
  std::size_t lengthAfterReading = 0;
  bool loadsAfterThumbnail = true;
};

Outcome Exercise(const std::string& path, int n) {
  QuietStdout quiet;
  Outcome outcome;
  int width = 0, height = 0;
  outcome.type = GetFileType(path.c_str(), width, height, nullptr);
  CxImage image;
  outcome.loads = image.Load(path.c_str(), n % 3, 1 << (n % 4), 0, 0, nullptr) != 0;
  outcome.width = image.Width();
  outcome.channels = image.SamplesPerPixel();
  CxImage thumb;
  thumb.LoadThumbnail(path.c_str(), n % 3, 0, 32, n % 2, 0, nullptr);
  if (n % 10 == 0) {  // the descrambling source on garbage
    unsigned char key[8] = {1, 1, 2, 3, 5, 8, 13, 21};
    LoadJpegFile(thumb, path.c_str(), 0, 2, 0, key);
  }
  outcome.lengthAfterReading = ReadBytes(path).size();
  if (outcome.loads && n % 5 == 0) {
    thumb.LoadThumbnail(path.c_str(), 1, 1, 32, 1, 0, nullptr);
    // At the same reduction: a header may claim a size that only a reduced
    // load keeps below the decode cap.
    outcome.loadsAfterThumbnail = image.Load(path.c_str(), 0, 1 << (n % 4), 0, 0, nullptr) != 0;
  }
  return outcome;
}

// Mutates the seeds in turn; `typeAllowed` says which type codes a mutated
// file of a seed's type may get. Returns how many mutated files loaded.
template <typename TypeCheck>
int RunMutations(const std::vector<RasterSeed>& seeds, int cases, std::uint32_t start,
                 TypeCheck typeAllowed) {
  TempDir dir;
  const std::string path = dir.Path("case.jpg");
  std::mt19937 random(start);
  int loaded = 0;
  for (int n = 0; n < cases; ++n) {
    const RasterSeed& seed = seeds[n % seeds.size()];
    std::vector<unsigned char> bytes = seed.bytes;
    Mutate(bytes, random);
    if (n % 7 == 0) Mutate(bytes, random);
    WriteBytes(path, bytes);
    const Outcome outcome = Exercise(path, n);
    EXPECT_TRUE(typeAllowed(seed.type, outcome.type)) << n << ": " << outcome.type;
    if (outcome.loads) {
      ++loaded;
      EXPECT_GT(outcome.width, 0) << n;
      EXPECT_TRUE(outcome.channels == 3 || outcome.channels == 4) << n;
    }
    // Reading never grows a file, and making a thumbnail never costs the image.
    EXPECT_LE(outcome.lengthAfterReading, bytes.size()) << n;
    EXPECT_TRUE(outcome.loadsAfterThumbnail) << n;
    if (::testing::Test::HasFailure()) break;
  }
  return loaded;
}

TEST(CorruptInputTest, MutatedFilesNeitherCrashNorLoseTheImage) {
  TempDir dir;
  std::vector<RasterSeed> seeds;
  for (auto& bytes : MakeSeeds(dir)) seeds.push_back({bytes, 2});
  ASSERT_EQ(3u, seeds.size());
  const int loaded = RunMutations(seeds, kCases, 20261208,
                                  [](int, int type) { return type == -1 || type == 2 || type == 9; });
  EXPECT_GT(loaded, kCases / 4);
}

// BMP, PCX, TGA and TIFF seeds: a mutated file is still of its own type or
// of none (the testers are strict enough not to take one format for another).
TEST(CorruptInputTest, MutatedRasterFilesNeitherCrashNorLoseTheImage) {
  const std::vector<RasterSeed> seeds = RasterSeeds();
  const int loaded = RunMutations(seeds, kRasterCases, 20261209,
                                  [](int seedType, int type) { return type == -1 || type == seedType; });
  EXPECT_GT(loaded, kRasterCases / 4);
}

}  // namespace
