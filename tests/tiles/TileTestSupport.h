#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pixlib/core/CxImage.h"

namespace tiletest {

// The names in a folder, sorted.
std::vector<std::string> FolderNames(const std::string& folder);

// Engine parameters for one test, put back afterwards.
class EngineParams {
 public:
  EngineParams(int maxTiles, CSize tileSize, const std::string& swapPath);
  ~EngineParams();

 private:
  int m_maxTiles;
  CSize m_tileSize;
  std::string m_swapPath;
};

// The bytes of stored row y of a test picture: a function of x, y, the
// channel and a seed, so that any row can be checked without keeping it.
void FillRow(std::vector<unsigned char>& row, int y, int seed);

// Creates a 3- or 4-channel tiled image (origin bottom-left).
bool CreateTiledImage(CxImage& image, int width, int height, int channels);

// Puts every row (or every `step`-th) of the test picture; checks them back.
bool PutRows(CxImage& image, int seed, int step = 1);
bool RowsMatch(CxImage& image, int seed, int step = 1);

// Runs `body` in a child process; its exit status (or 128 + signal).
int InChild(int (*body)(const std::string&), const std::string& argument);

// Peak resident memory of the finished children, in KiB.
long ChildrenPeakKiB();

}  // namespace tiletest
