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

using namespace codectest;

namespace {

constexpr int kCases = 2000;

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
    outcome.loadsAfterThumbnail = image.Load(path.c_str(), 0, 1, 0, 0, nullptr) != 0;
  }
  return outcome;
}

TEST(CorruptInputTest, MutatedFilesNeitherCrashNorLoseTheImage) {
  TempDir dir;
  const auto seeds = MakeSeeds(dir);
  ASSERT_EQ(3u, seeds.size());
  const std::string path = dir.Path("case.jpg");
  std::mt19937 random(20261208);
  int loaded = 0;
  for (int n = 0; n < kCases; ++n) {
    std::vector<unsigned char> bytes = seeds[n % seeds.size()];
    Mutate(bytes, random);
    if (n % 7 == 0) Mutate(bytes, random);
    WriteBytes(path, bytes);
    const Outcome outcome = Exercise(path, n);
    ASSERT_TRUE(outcome.type == -1 || outcome.type == 2 || outcome.type == 9) << n;
    if (outcome.loads) {
      ++loaded;
      ASSERT_GT(outcome.width, 0) << n;
      ASSERT_TRUE(outcome.channels == 3 || outcome.channels == 4) << n;
    }
    // Reading never grows a file, and making a thumbnail never costs the image.
    ASSERT_LE(outcome.lengthAfterReading, bytes.size()) << n;
    ASSERT_TRUE(outcome.loadsAfterThumbnail) << n;
  }
  EXPECT_GT(loaded, kCases / 4);
}

}  // namespace
