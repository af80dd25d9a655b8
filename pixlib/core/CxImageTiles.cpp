// Tiled images: creation, the swap file's tiles and clean-up.

#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/core/CxImage.h"

#include "ipl/Ipl.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr int kLargestTileIndex = 0x7FFF;  // keys hold column | row << 16

int LargestPowerOfTwoUpTo(int value) {
  int power = 1;
  while (power <= value / 2) power *= 2;
  return power;
}

int TilesFor(int size, int tile) {
  return static_cast<int>((static_cast<long long>(size) + tile - 1) / tile);
}

}  // namespace

int CxImage::CreateTiled(int width, int height, int nChannels, int alphaChannel, const char* colorModel,
                         const char* channelSeq, int origin) {
  if (CTileEngine::m_maxTiles == 0) CTileEngine::LoadEngineParams();
  CleanUp();
  if (width < 1 || height < 1 || nChannels < 1 || nChannels > 4) return 0;
  const CSize tile = CTileEngine::m_tileSize;
  const int tileWidth = LargestPowerOfTwoUpTo(tile.cx * 4 / nChannels);
  const CSize tiles{TilesFor(width, tileWidth), TilesFor(height, tile.cy)};
  if (tiles.cx > kLargestTileIndex || tiles.cy > kLargestTileIndex) return 0;
  const std::size_t tileBytes = std::size_t(tile.cx) * 4 * std::size_t(tile.cy);
  const std::string folder = SwapFolder(CTileEngine::m_swapPath);
  if (!CTileEngine::m_swapPath.empty() && folder != CTileEngine::m_swapPath)
    ImgWarning("Swap Path %s is no folder; swap files go to %s\n", CTileEngine::m_swapPath.c_str(),
               folder.c_str());
  if (!HasRoomFor(folder, std::uint64_t(tiles.cx) * std::uint64_t(tiles.cy) * tileBytes)) {
    ImgWarning("No room in %s for a tiled image of %d x %d\n", folder.c_str(), width, height);
    return 0;
  }
  if (!m_swapFile.Create(folder, m_id)) {
    ImgWarning("Can't create a swap file in %s: %s\n", folder.c_str(), std::strerror(errno));
    return 0;
  }
  m_tileInfo = IplTileInfo{CTileEngine::TileCallback, this, nullptr, tileWidth, tile.cy};
  m_roi = IplROI{0, 0, 0, width, height};
  m_image = iplCreateImageHeader(nChannels, alphaChannel, IPL_DEPTH_8U, colorModel, channelSeq,
                                 IPL_DATA_ORDER_PIXEL, origin, IPL_ALIGN_8BYTES, width, height, &m_roi,
                                 nullptr, nullptr, &m_tileInfo);
  if (!m_image) {
    iplSetErrStatus(IPL_StsOk);
    CleanUp();
    return 0;
  }
  m_image->ID = m_id;
  m_flags = OWN_HEADER;
  m_numTiles = tiles;
  m_tileBytes = tileBytes;
  m_tiled = 1;
  Finish();
  return 1;
}

std::uint64_t CxImage::TileOffset(int x, int y) const {
  return (std::uint64_t(x) + std::uint64_t(y) * std::uint64_t(m_numTiles.cx)) * m_tileBytes;
}

int CxImage::ReadTile(int x, int y, unsigned char* buffer) {
  if (!m_tiled || !buffer) return 0;
  const long long read = m_swapFile.ReadAt(TileOffset(x, y), buffer, m_tileBytes);
  if (read == static_cast<long long>(m_tileBytes)) return 1;
  std::memset(buffer + (read > 0 ? read : 0), 0, m_tileBytes - std::size_t(read > 0 ? read : 0));
  if (read < 0) {
    m_tileError = 1;
    ImgWarning("Can't read tile (%d, %d) of image %d: %s\n", x, y, m_id, std::strerror(errno));
  }
  return 0;
}

int CxImage::WriteTile(int x, int y, const unsigned char* buffer) {
  if (!m_tiled || !buffer) return 0;
  return m_swapFile.WriteAt(TileOffset(x, y), buffer, m_tileBytes) ? 1 : 0;
}

// The tiles are dropped without being written back; the swap file goes with them.
void CxImage::CleanUpTiles() {
  if (!m_tiles.empty()) CTileEngine::Release(*this);
  m_swapFile.Close();
  m_tileInfo = IplTileInfo{};
  m_numTiles = CSize{};
  m_tiled = 0;
  m_tileError = 0;
  m_tileBytes = 0;
}
