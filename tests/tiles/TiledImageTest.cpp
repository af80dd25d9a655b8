// Tiled images: geometry, the shared cache, swap files, rows, the IPL
// tile callback and the engine's settings.
#include <gtest/gtest.h>

#include <errno.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <thread>

#include "pixlib/core/CxImage.h"
#include "platform/ProfileStore.h"
#include "tests/codecs/CodecTestSupport.h"
#include "tests/tiles/TileTestSupport.h"

using namespace tiletest;

namespace {

class TiledImageTest : public ::testing::Test {
 protected:
  codectest::TempDir swap;
  EngineParams params{8, CSize{64, 32}, swap.Path("")};
};

TEST_F(TiledImageTest, TileWidthFollowsTheChannelCount) {
  EngineParams defaults{128, CSize{512, 512}, swap.Path("")};
  CxImage colour, grey, alpha;
  ASSERT_TRUE(CreateTiledImage(colour, 1000, 700, 3));
  ASSERT_EQ(1, grey.CreateTiled(1000, 700, 1, 0, "GRAY", "GRAY", IPL_ORIGIN_BL));
  ASSERT_TRUE(CreateTiledImage(alpha, 1000, 700, 4));
  const IplImage* header = colour;
  ASSERT_NE(nullptr, header->tileInfo);
  EXPECT_EQ(512, header->tileInfo->width);  // 512 x 4 / 3 = 682: largest power of two 512
  EXPECT_EQ(512, header->tileInfo->height);
  EXPECT_EQ((CSize{2, 2}), colour.NumTiles());
  EXPECT_EQ(2 * 512 * 3, colour.GetRowBytes());
  header = grey;
  EXPECT_EQ(2048, header->tileInfo->width);
  EXPECT_EQ((CSize{1, 2}), grey.NumTiles());
  EXPECT_EQ(2048, grey.GetRowBytes());
  EXPECT_EQ(1, colour.Tiled());
  EXPECT_EQ(nullptr, colour.GetBits());
  EXPECT_EQ(nullptr, colour.GetRowPtr(3));
  EXPECT_EQ((CSize{2, 2}), alpha.NumTiles());
  // Row access steps by the tile width, also for one channel.
  EXPECT_TRUE(PutRows(grey, 5));
  EXPECT_TRUE(RowsMatch(grey, 5));
  colour.CleanUp();
  EXPECT_EQ(0, colour.Tiled());
  EXPECT_EQ(-1, colour.GetRowBytes());
}

// With room for one tile, alternating between two images evicts on every
// request, and what was put survives through the write-back.
TEST_F(TiledImageTest, OneTileCacheKeepsTheDataOfTwoImages) {
  CTileEngine::m_maxTiles = 1;
  CxImage a, b;
  ASSERT_TRUE(CreateTiledImage(a, 300, 100, 3));
  ASSERT_TRUE(CreateTiledImage(b, 300, 100, 4));
  std::vector<unsigned char> rowA(a.GetRowBytes()), rowB(b.GetRowBytes());
  for (int y = 0; y < 100; ++y) {
    FillRow(rowA, y, 1);
    FillRow(rowB, y, 2);
    ASSERT_EQ(1, a.PutRow(y, rowA.data()));
    ASSERT_EQ(1, b.PutRow(y, rowB.data()));
    ASSERT_EQ(1u, CTileEngine::m_lruList.size());
  }
  EXPECT_TRUE(RowsMatch(a, 1));
  EXPECT_TRUE(RowsMatch(b, 2));
  EXPECT_EQ(0, a.PutRow(100, rowA.data()));
  EXPECT_EQ(0, a.GetRow(-1, rowA.data()));
}

// A tile never written reads as zeros, even from a buffer that held another
// image's pixels; clean-up leaves neither tiles nor swap files behind.
TEST_F(TiledImageTest, UnwrittenTilesReadAsZeroAndCleanUpLeavesNothing) {
  CTileEngine::m_maxTiles = 2;
  CxImage full, empty;
  ASSERT_TRUE(CreateTiledImage(full, 200, 64, 3));
  ASSERT_TRUE(PutRows(full, 9));
  ASSERT_TRUE(CreateTiledImage(empty, 200, 64, 3));
  std::vector<unsigned char> row(empty.GetRowBytes(), 0xEE);
  for (int y = 0; y < 64; ++y) {
    ASSERT_EQ(1, empty.GetRow(y, row.data()));
    ASSERT_TRUE(std::all_of(row.begin(), row.end(), [](unsigned char b) { return b == 0; })) << y;
  }
  EXPECT_TRUE(FolderNames(swap.Path("")).empty());  // swap files have no name once open
  full.CleanUp();
  empty.CleanUp();
  EXPECT_TRUE(CTileEngine::m_lruList.empty());
  for (int n = 0; n < 200; ++n) ASSERT_TRUE(CreateTiledImage(full, 50, 50, 3)) << n;  // no descriptor leak
}

TEST_F(TiledImageTest, TileCallbackHandsOutTilesToReadAndWrite) {
  CxImage image;
  ASSERT_TRUE(CreateTiledImage(image, 100, 40, 3));  // tiles of 64 x 32 pixels
  const IplImage* header = image;
  IplTileInfo* info = header->tileInfo;
  info->callBack(header, 1, 1, IPL_GET_TILE_TO_WRITE);
  ASSERT_NE(nullptr, info->tileData);
  std::memset(info->tileData, 0x5A, 64 * 3 * 32);
  info->tileData = nullptr;
  info->callBack(header, 0, 0, IPL_RELEASE_TILE);  // ignored
  EXPECT_EQ(nullptr, info->tileData);
  info->callBack(header, 0, 0, IPL_GET_TILE_TO_READ);
  ASSERT_NE(nullptr, info->tileData);
  EXPECT_EQ(0, info->tileData[0]);
  std::vector<unsigned char> row(image.GetRowBytes());
  ASSERT_EQ(1, image.GetRow(35, row.data()));
  EXPECT_EQ(0, row[0]);
  EXPECT_EQ(0x5A, row[64 * 3]);
  EXPECT_EQ(0x5A, row.back());
}

// Whole-image operations work on pixels in memory: they refuse tiled images
// and leave them as they were.
TEST_F(TiledImageTest, WholeImageOperationsRefuseTiledImages) {
  CxImage tiled, plain;
  ASSERT_TRUE(CreateTiledImage(tiled, 120, 80, 3));
  ASSERT_TRUE(PutRows(tiled, 7));
  ASSERT_EQ(1, plain.Create(60, 40, 0));
  EXPECT_EQ(0, tiled.Resize(plain, 2));
  EXPECT_EQ(0, plain.Resize(tiled, 2));
  EXPECT_EQ(0, tiled.Rotate90(90));
  EXPECT_EQ(0, tiled.Mirror(0));
  EXPECT_EQ(0, tiled.Rotate90(plain, 180));
  EXPECT_EQ(0, tiled.Copy(CFRect{1.0f, 0.0f, 0.0f, 1.0f}, CFRect{1.0f, 0.0f, 0.0f, 1.0f}, plain));
  EXPECT_EQ(0, tiled.Set(9));
  EXPECT_EQ(0, tiled.Warp(plain));
  EXPECT_EQ(0, tiled.Zoom(CFRect{1.0f, 0.0f, 0.0f, 1.0f}, 1.0f, plain));
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  EXPECT_EQ(0, tiled.ApplyColorTwist(identity, plain));
  EXPECT_EQ(1, tiled.Tiled());
  EXPECT_EQ(120, tiled.Width());
  EXPECT_TRUE(RowsMatch(tiled, 7));
}

TEST_F(TiledImageTest, ThreadsShareTheCache) {
  CTileEngine::m_maxTiles = 3;
  std::vector<std::thread> threads;
  std::vector<int> results(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t, &results] {
      CxImage image;
      results[t] = CreateTiledImage(image, 333, 150, 3) && PutRows(image, t) && RowsMatch(image, t) &&
                   PutRows(image, t + 10, 3) && RowsMatch(image, t + 10, 3);
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ((std::vector<int>{1, 1, 1, 1}), results);
}

// Tiles written back beyond the file size limit fail as on a full disk: the
// image reports the damage instead of losing pixels silently.
int FillBeyondTheFileLimit(const std::string& swapPath) {
  signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{4 * 64 * 4 * 32, 4 * 64 * 4 * 32};  // four tiles
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
  CTileEngine::m_swapPath = swapPath;
  CTileEngine::m_maxTiles = 2;
  CxImage image;
  if (!CreateTiledImage(image, 256, 256, 3)) return 11;  // 4 x 8 tiles
  std::vector<unsigned char> row(image.GetRowBytes());
  int failedAt = -1;
  for (int y = 0; y < 256 && failedAt < 0; ++y) {
    FillRow(row, y, 4);
    if (image.PutRow(y, row.data()) == 0) failedAt = y;
  }
  if (failedAt < 0 || image.TileError() == 0) return 12;
  return image.GetRow(0, row.data()) == 0 ? 0 : 13;
}

TEST_F(TiledImageTest, FailedWriteBackIsReported) {
  EXPECT_EQ(0, InChild(FillBeyondTheFileLimit, swap.Path("")));
}

TEST_F(TiledImageTest, ImagesBeyondTheDiskOrTheTileIndexAreRefused) {
  EngineParams defaults{8, CSize{512, 512}, swap.Path("")};
  CxImage image;
  // 31250 x 63 tiles of 1 MiB: about 2 PiB of swap file.
  EXPECT_EQ(0, image.CreateTiled(16000000, 32000, 4, 4, "RGBA", "BGRA", IPL_ORIGIN_BL));
  EXPECT_EQ(0, image.CreateTiled(1 << 30, 100, 4, 4, "RGBA", "BGRA", IPL_ORIGIN_BL));
  EXPECT_EQ(0, image.CreateTiled(100, 0, 3, 0, "RGB", "BGR", IPL_ORIGIN_BL));
  EXPECT_EQ(0, image.IsValid());
  EXPECT_TRUE(FolderNames(swap.Path("")).empty());
}

TEST_F(TiledImageTest, SettingsAreReadWrittenBackAndChecked) {
  codectest::TempDir config;
  setenv("BX_CONFIG_DIR", config.Path("").c_str(), 1);
  bx::ProfileStore profile(program_invocation_short_name);
  CTileEngine::LoadEngineParams();
  EXPECT_EQ(128, CTileEngine::m_maxTiles);
  EXPECT_EQ((CSize{512, 512}), CTileEngine::m_tileSize);
  EXPECT_EQ("", CTileEngine::m_swapPath);
  EXPECT_EQ("128", profile.Find("Tile Engine", "Max Tiles").value_or(""));
  EXPECT_EQ("512", profile.Find("Tile Engine", "Tile Size Y").value_or(""));
  EXPECT_TRUE(profile.Find("Tile Engine", "Swap Path").has_value());

  profile.WriteInt("Tile Engine", "Max Tiles", 12);
  profile.WriteInt("Tile Engine", "Tile Size X", 128);
  profile.WriteInt("Tile Engine", "Tile Size Y", 64);
  profile.WriteString("Tile Engine", "Swap Path", swap.Path(""));
  CTileEngine::LoadEngineParams();
  EXPECT_EQ(12, CTileEngine::m_maxTiles);
  EXPECT_EQ((CSize{128, 64}), CTileEngine::m_tileSize);
  EXPECT_EQ(swap.Path(""), CTileEngine::m_swapPath);

  for (int bad : {0, -5, 1 << 30}) {
    profile.WriteInt("Tile Engine", "Max Tiles", bad);
    profile.WriteInt("Tile Engine", "Tile Size X", bad);
    CTileEngine::LoadEngineParams();
    EXPECT_EQ(128, CTileEngine::m_maxTiles) << bad;
    EXPECT_EQ((CSize{512, 512}), CTileEngine::m_tileSize) << bad;
  }
  // A swap path that is no folder falls back to the temporary folder.
  profile.WriteString("Tile Engine", "Swap Path", swap.Path("") + "/missing");
  CTileEngine::LoadEngineParams();
  CTileEngine::m_tileSize = CSize{64, 32};
  CxImage image;
  EXPECT_TRUE(CreateTiledImage(image, 100, 100, 3));
  unsetenv("BX_CONFIG_DIR");
}

}  // namespace
