#include "tests/tiles/TileTestSupport.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace tiletest {

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

EngineParams::EngineParams(int maxTiles, CSize tileSize, const std::string& swapPath)
    : m_maxTiles(CTileEngine::m_maxTiles),
      m_tileSize(CTileEngine::m_tileSize),
      m_swapPath(CTileEngine::m_swapPath) {
  CTileEngine::m_maxTiles = maxTiles;
  CTileEngine::m_tileSize = tileSize;
  CTileEngine::m_swapPath = swapPath;
}

EngineParams::~EngineParams() {
  CTileEngine::m_maxTiles = m_maxTiles;
  CTileEngine::m_tileSize = m_tileSize;
  CTileEngine::m_swapPath = m_swapPath;
}

void FillRow(std::vector<unsigned char>& row, int y, int seed) {
  for (std::size_t i = 0; i < row.size(); ++i)
    row[i] =
        static_cast<unsigned char>((i * 7 + std::size_t(y) * 13 + std::size_t(seed) * 101 + (i >> 9)) & 0xFF);
}

bool CreateTiledImage(CxImage& image, int width, int height, int channels) {
  const bool alpha = channels == 4;
  return image.CreateTiled(width, height, channels, alpha ? 4 : 0, alpha ? "RGBA" : "RGB",
                           alpha ? "BGRA" : "BGR", IPL_ORIGIN_BL) != 0;
}

bool PutRows(CxImage& image, int seed, int step) {
  std::vector<unsigned char> row(static_cast<std::size_t>(image.GetRowBytes()));
  for (int y = 0; y < image.Height(); y += step) {
    FillRow(row, y, seed);
    if (image.PutRow(y, row.data()) == 0) return false;
  }
  return true;
}

bool RowsMatch(CxImage& image, int seed, int step) {
  std::vector<unsigned char> row(static_cast<std::size_t>(image.GetRowBytes())), expected(row.size());
  for (int y = 0; y < image.Height(); y += step) {
    FillRow(expected, y, seed);
    if (image.GetRow(y, row.data()) == 0 || row != expected) return false;
  }
  return true;
}

int InChild(int (*body)(const std::string&), const std::string& argument) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) _exit(body(argument));
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

long ChildrenPeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_maxrss;
}

}  // namespace tiletest
