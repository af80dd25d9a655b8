// Row access through the tile cache against the same access on an image in
// memory: a 4096 x 4096 three-channel image (8 x 8 tiles of 512 x 512),
// rows read in order and in a random order, with a cache of one row of
// tiles, four rows and the whole image. Prints medians and their ratios.
// Usage: tile_cache [SWAP FOLDER] (default: $TMPDIR or /var/tmp).

#include "pixlib/core/CxImage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kSide = 4096;
constexpr int kTilesAcross = 8;
constexpr int kRounds = 9;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Milliseconds to read the rows in the given order.
double ReadRows(CxImage& image, const std::vector<int>& order, std::vector<unsigned char>& row) {
  const auto start = std::chrono::steady_clock::now();
  for (int y : order) image.GetRow(y, row.data());
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void Fill(CxImage& image) {
  std::vector<unsigned char> row(image.GetRowBytes());
  for (int y = 0; y < image.Height(); ++y) {
    std::iota(row.begin(), row.end(), static_cast<unsigned char>(y));
    image.PutRow(y, row.data());
  }
}

// Rounds alternate between the two images so that both see the same load.
void Compare(const char* name, CxImage& tiled, CxImage& memory, const std::vector<int>& order) {
  std::vector<unsigned char> row(std::max(tiled.GetRowBytes(), memory.GetRowBytes()));
  std::vector<double> tiledTimes, memoryTimes;
  for (int round = 0; round < kRounds; ++round) {
    tiledTimes.push_back(ReadRows(tiled, order, row));
    memoryTimes.push_back(ReadRows(memory, order, row));
  }
  const double t = Median(tiledTimes), m = Median(memoryTimes);
  std::printf("  %-10s tiled %8.2f ms   memory %6.2f ms   ratio %6.2f\n", name, t, m, t / m);
}

}  // namespace

int main(int argc, char** argv) {
  CTileEngine::m_tileSize = CSize{512, 512};
  if (argc > 1) CTileEngine::m_swapPath = argv[1];
  CxImage memory;
  if (memory.Create(kSide, kSide, 0) == 0) return 1;
  Fill(memory);

  std::vector<int> sequential(kSide);
  std::iota(sequential.begin(), sequential.end(), 0);
  std::vector<int> random = sequential;
  std::shuffle(random.begin(), random.end(), std::mt19937(7));

  std::printf("%d x %d x 3 image, tiles of 512 x 512, median of %d rounds\n", kSide, kSide, kRounds);
  for (const int tileRows : {1, 4, 8}) {
    CTileEngine::m_maxTiles = tileRows * kTilesAcross;
    CxImage tiled;
    if (tiled.CreateTiled(kSide, kSide, 3, 0, "RGB", "BGR", IPL_ORIGIN_BL) == 0) return 1;
    Fill(tiled);
    std::printf("cache of %d tile row%s (%d tiles, %d MiB):\n", tileRows, tileRows == 1 ? "" : "s",
                CTileEngine::m_maxTiles, CTileEngine::m_maxTiles);
    Compare("sequential", tiled, memory, sequential);
    Compare("random", tiled, memory, random);
  }
  return 0;
}
