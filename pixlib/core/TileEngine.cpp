#include "pixlib/core/TileEngine.h"

#include <errno.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

#include "pixlib/codecs/ImgDiagnostics.h"
#include "pixlib/core/CxImage.h"
#include "platform/ProfileStore.h"

int CTileEngine::m_maxTiles = 0;
CSize CTileEngine::m_tileSize{512, 512};
std::string CTileEngine::m_swapPath;
std::list<CTile> CTileEngine::m_lruList;

namespace {

constexpr char kSection[] = "Tile Engine";
constexpr int kDefaultMaxTiles = 128;
constexpr int kDefaultTileSize = 512;
constexpr int kLargestMaxTiles = 1 << 16;
constexpr int kLargestTileSide = 1 << 14;
constexpr long long kLargestTileBytes = 64LL << 20;
enum Mode { kRead = 1, kWrite = 2 };

std::mutex& CacheLock() {
  static std::mutex lock;
  return lock;
}

// Reads an integer setting, writing the default back when the value equals
// it (or is absent), as every setting of the program is.
int ReadSetting(bx::ProfileStore& profile, const char* key, int defaultValue) {
  const int value = profile.GetInt(kSection, key, defaultValue);
  if (value == defaultValue) profile.WriteInt(kSection, key, defaultValue);
  return value;
}

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

}  // namespace

void CTileEngine::LoadEngineParams() {
  bx::ProfileStore profile(program_invocation_short_name);
  const int maxTiles = ReadSetting(profile, "Max Tiles", kDefaultMaxTiles);
  const int sizeX = ReadSetting(profile, "Tile Size X", kDefaultTileSize);
  const int sizeY = ReadSetting(profile, "Tile Size Y", kDefaultTileSize);
  std::string swapPath = profile.GetString(kSection, "Swap Path", "");
  if (swapPath.empty()) profile.WriteString(kSection, "Swap Path", "");
  std::lock_guard<std::mutex> guard(CacheLock());
  m_maxTiles = InRange(maxTiles, 1, kLargestMaxTiles) ? maxTiles : kDefaultMaxTiles;
  const CSize size{sizeX, sizeY};
  const bool sizeValid = InRange(sizeX, 1, kLargestTileSide) && InRange(sizeY, 1, kLargestTileSide) &&
                         4LL * sizeX * sizeY <= kLargestTileBytes;
  m_tileSize = sizeValid ? size : CSize{kDefaultTileSize, kDefaultTileSize};
  m_swapPath = std::move(swapPath);
}

// Takes the tile out of its owner's map and writes it back when dirty. A
// failed write (a full disk) marks the owner as damaged: its row access
// fails from then on.
void CTileEngine::Evict(CTile& tile) {
  CxImage& owner = *tile.owner;
  owner.m_tiles.erase(tile.key);
  if (tile.dirty && owner.WriteTile(tile.x, tile.y, tile.data.get()) == 0) {
    owner.m_tileError = 1;
    ImgWarning("Can't write tile (%d, %d) of image %d to its swap file: %s\n", tile.x, tile.y, owner.Id(),
               std::strerror(errno));
  }
  tile.dirty = false;
}

// Frees the least recently used tiles above a lowered capacity.
void CTileEngine::Trim() {
  while (static_cast<long long>(m_lruList.size()) > std::max(m_maxTiles, 1)) {
    Evict(m_lruList.back());
    m_lruList.pop_back();
  }
}

// Puts a buffer of `bytes` at the front of the list: a new one while the
// cache has room, else the least recently used tile's.
bool CTileEngine::TakeBuffer(std::size_t bytes) {
  if (static_cast<long long>(m_lruList.size()) < m_maxTiles) {
    std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[bytes]);
    if (data) {
      m_lruList.emplace_front();
      m_lruList.front().data = std::move(data);
      m_lruList.front().size = bytes;
      return true;
    }
  }
  if (m_lruList.empty()) return false;
  Evict(m_lruList.back());
  m_lruList.splice(m_lruList.begin(), m_lruList, std::prev(m_lruList.end()));
  CTile& tile = m_lruList.front();
  if (tile.size == bytes) return true;
  tile.data.reset(new (std::nothrow) unsigned char[bytes]);
  tile.size = bytes;
  if (tile.data) return true;
  m_lruList.pop_front();
  return false;
}

// The tile's data, loaded and at the front of the list; null when no buffer
// can be had.
unsigned char* CTileEngine::Fetch(CxImage& owner, int x, int y, int mode) {
  const int key = x | y << 16;
  if (const auto found = owner.m_tiles.find(key); found != owner.m_tiles.end()) {
    const auto tile = found->second;
    if (mode == kWrite) tile->dirty = true;
    if (tile != m_lruList.begin()) m_lruList.splice(m_lruList.begin(), m_lruList, tile);
    return tile->data.get();
  }
  Trim();
  if (!TakeBuffer(owner.m_tileBytes)) return nullptr;
  CTile& tile = m_lruList.front();
  tile.owner = &owner;
  tile.key = key;
  tile.x = x;
  tile.y = y;
  tile.dirty = mode == kWrite;
  owner.ReadTile(x, y, tile.data.get());
  owner.m_tiles[key] = m_lruList.begin();
  return tile.data.get();
}

void CTileEngine::TileCallback(const IplImage* image, int x, int y, int mode) {
  if ((mode != kRead && mode != kWrite) || image == nullptr || image->tileInfo == nullptr) return;
  auto* owner = static_cast<CxImage*>(image->tileInfo->id);
  std::lock_guard<std::mutex> guard(CacheLock());
  image->tileInfo->tileData = reinterpret_cast<char*>(Fetch(*owner, x, y, mode));
}

// Copies out of the tiles into `dst`, or into them from `src`.
int CTileEngine::CopyRow(CxImage& image, int y, unsigned char* dst, const unsigned char* src) {
  const IplTileInfo& info = image.m_tileInfo;
  const std::size_t bytes = std::size_t(info.width) * std::size_t(image.SamplesPerPixel());
  const std::size_t offset = std::size_t(y % info.height) * bytes;
  std::lock_guard<std::mutex> guard(CacheLock());
  for (int x = 0; x < image.NumTiles().cx; ++x) {
    unsigned char* tile = Fetch(image, x, y / info.height, src != nullptr ? kWrite : kRead);
    if (tile == nullptr) return 0;
    if (src != nullptr)
      std::memcpy(tile + offset, src + x * bytes, bytes);
    else
      std::memcpy(dst + x * bytes, tile + offset, bytes);
  }
  return image.TileError() == 0 ? 1 : 0;
}

int CTileEngine::ReadRow(CxImage& image, int y, unsigned char* dst) {
  return CopyRow(image, y, dst, nullptr);
}

int CTileEngine::WriteRow(CxImage& image, int y, const unsigned char* src) {
  return CopyRow(image, y, nullptr, src);
}

void CTileEngine::Release(CxImage& image) {
  std::lock_guard<std::mutex> guard(CacheLock());
  for (auto& [key, tile] : image.m_tiles) m_lruList.erase(tile);
  image.m_tiles.clear();
}
