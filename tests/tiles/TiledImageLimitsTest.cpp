// Tiled images at their intended scale: far larger than the cache, swap
// files beyond 4 GiB, several processes at once.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <unistd.h>

#include "pixlib/core/CxImage.h"
#include "pixlib/core/SwapFile.h"
#include "tests/codecs/CodecTestSupport.h"
#include "tests/tiles/TileTestSupport.h"

using namespace tiletest;

namespace {

constexpr long kPeakLimitKiB = 160 * 1024;

// 16000 x 16000 x 3 bytes (768 MB) written and read back row by row through
// a 64 MB cache.
int LargeImageRoundTrip(const std::string& swapPath) {
  CTileEngine::m_swapPath = swapPath;
  CTileEngine::m_maxTiles = 64;  // 64 tiles of 1 MiB
  CTileEngine::m_tileSize = CSize{512, 512};
  CxImage image;
  if (!CreateTiledImage(image, 16000, 16000, 3)) return 10;
  if (!PutRows(image, 3)) return 11;
  return RowsMatch(image, 3) ? 0 : 12;
}

TEST(TiledImageLimitsTest, LargeImageStaysWithinItsMemory) {
  codectest::TempDir swap;
  if (!HasRoomFor(swap.Path(""), 1100LL << 20)) GTEST_SKIP() << "less than 1.1 GB free in " << swap.Path("");
  ASSERT_EQ(0, InChild(LargeImageRoundTrip, swap.Path("")));
  const long peak = ChildrenPeakKiB();
  std::printf("peak resident memory: %ld KiB\n", peak);
  EXPECT_LT(peak, kPeakLimitKiB);  // about 70 MB, 86 MB with the sanitizers
  EXPECT_TRUE(FolderNames(swap.Path("")).empty());
}

// Rows in the first and in the last tile row of a swap file of about 5 GiB,
// most of it never written (a sparse file).
int FarOffsets(const std::string& swapPath) {
  CTileEngine::m_swapPath = swapPath;
  CTileEngine::m_maxTiles = 1;
  CTileEngine::m_tileSize = CSize{512, 512};
  CxImage image;
  if (!CreateTiledImage(image, 40000, 33000, 3)) return 10;  // 79 x 65 tiles
  const int step = 32999;
  return PutRows(image, 6, step) && RowsMatch(image, 6, step) ? 0 : 11;
}

TEST(TiledImageLimitsTest, SwapFilesBeyondFourGigabytes) {
  codectest::TempDir swap;
  if (!HasRoomFor(swap.Path(""), 5400LL << 20)) GTEST_SKIP() << "less than 5.4 GB free in " << swap.Path("");
  EXPECT_EQ(0, InChild(FarOffsets, swap.Path("")));
}

int BusyImage(const std::string& swapPath) {
  CTileEngine::m_swapPath = swapPath;
  CTileEngine::m_maxTiles = 4;
  CTileEngine::m_tileSize = CSize{64, 64};
  const int seed = getpid() % 1000;
  for (int round = 0; round < 5; ++round) {
    CxImage image;
    if (!CreateTiledImage(image, 900, 400, 3) || !PutRows(image, seed + round) ||
        !RowsMatch(image, seed + round))
      return 10 + round;
  }
  return 0;
}

// Two processes at once: their swap files in the same folder never meet.
TEST(TiledImageLimitsTest, TwoProcessesAtOnce) {
  codectest::TempDir swap;
  std::fflush(nullptr);
  pid_t children[2];
  for (pid_t& child : children) {
    child = fork();
    if (child == 0) _exit(BusyImage(swap.Path("")));
    ASSERT_GT(child, 0);
  }
  for (pid_t child : children) {
    int status = -1;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  EXPECT_TRUE(FolderNames(swap.Path("")).empty());
}

}  // namespace
