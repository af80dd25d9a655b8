#include "pixlib/core/BitmapResources.h"

#include <array>
#include <cstdint>
#include <cstring>

const CBitmapResource* CResourceModule::FindBitmap(const char* name) const {
  if (!name) return nullptr;
  for (const CBitmapResource& b : m_bitmaps)
    if (b.name && std::strcmp(b.name, name) == 0) return &b;
  return nullptr;
}

const CBitmapResource* CResourceModule::FindBitmap(unsigned short id) const {
  for (const CBitmapResource& b : m_bitmaps)
    if (b.id == id) return &b;
  return nullptr;
}

namespace {

// 16x16, 4 bits per pixel, two palette entries: light and dark grey in 8x8
// squares; rows are 8 bytes, bottom row first.
struct CheckerDib {
  BITMAPINFOHEADER header;
  RGBQUAD palette[16];
  uint8_t bits[16 * 8];
};

constexpr CheckerDib MakeChecker() {
  CheckerDib d{};
  d.header =
      BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 16, 16, 1, 4, BI_RGB, sizeof d.bits, 2835, 2835, 16, 0};
  d.palette[0] = RGBQUAD{204, 204, 204, 0};
  d.palette[1] = RGBQUAD{153, 153, 153, 0};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; x += 2) {
      const int index = ((x / 8) + (y / 8)) % 2;
      d.bits[y * 8 + x / 2] = static_cast<uint8_t>(index << 4 | index);
    }
  return d;
}

constexpr CheckerDib kChecker = MakeChecker();

const std::array<CBitmapResource, 1> kBitmaps = {
    CBitmapResource{kTransparencyCheckerName, IDB_TRANSPARENCY_CHECKER, &kChecker.header, sizeof kChecker},
};

const CResourceModule kModule(kBitmaps);

}  // namespace

HRESMODULE PixlibResources() { return &kModule; }
