#pragma once
// The tile engine: pixels of tiled images live in swap files, and a bounded
// number of their tiles is held in memory in one least-recently-used cache
// shared by all tiled images of the process. Cache operations are O(1) and
// locked, so tiled images may be used from several threads (each image from
// one thread at a time; the IPL tile callback hands out a pointer that stays
// valid only until the next tile request of any thread).

#include <list>
#include <memory>
#include <string>

#include "ipl/IplTypes.h"
#include "pixlib/core/Export.h"
#include "pixlib/core/WinTypes.h"

class CxImage;

// One loaded tile: m_tileSize.cx x 4 x m_tileSize.cy bytes (as they were when
// its owner was created) of its owner's pixels, rows of tile-width pixels one
// after the other.
struct CTile {
  std::unique_ptr<unsigned char[]> data;
  std::size_t size = 0;  // bytes of data
  CxImage* owner = nullptr;
  bool dirty = false;
  int key = 0;  // column | row << 16
  int x = 0;
  int y = 0;
};

class PIXLIB_API CTileEngine {
 public:
  static int m_maxTiles;              // cache capacity in tiles; 0 until the parameters are read
  static CSize m_tileSize;            // cx in 4-byte pixels, cy in rows
  static std::string m_swapPath;      // folder of swap files; empty: $TMPDIR or /var/tmp
  static std::list<CTile> m_lruList;  // loaded tiles, most recently used first

  // Reads "Max Tiles", "Tile Size X", "Tile Size Y" and "Swap Path" from the
  // program's profile section "Tile Engine"; values out of range fall back
  // to the defaults (128, 512, 512, "").
  static void LoadEngineParams();

  // IPL tile callback: mode 1 asks for tile (x, y) to read, 2 to write; the
  // tile becomes the image's current tile data. Other modes are ignored.
  static void TileCallback(const IplImage* image, int x, int y, int mode);

  // Row y of a tiled image copied out of its tiles or into them, tile by
  // tile across; the row holds tiles across x tile width x channels bytes.
  static int ReadRow(CxImage& image, int y, unsigned char* dst);
  static int WriteRow(CxImage& image, int y, const unsigned char* src);

  // Drops the image's tiles from the cache without writing them back.
  static void Release(CxImage& image);

 private:
  static int CopyRow(CxImage& image, int y, unsigned char* dst, const unsigned char* src);
  static unsigned char* Fetch(CxImage& owner, int x, int y, int mode);
  static bool TakeBuffer(std::size_t bytes);
  static void Trim();
  static void Evict(CTile& tile);
};
