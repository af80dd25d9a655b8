#include "pixlib/core/DibHeader.h"

#include <new>

bool CDibHeader::m_tlBitmapSupported = false;

namespace {
constexpr int kPixelsPerMetre = 9000;
constexpr size_t kPaletteEntries = 256;
}  // namespace

int CDibHeader::Create(const IplImage* image) {
  CleanUp();
  if (!image || (image->depth & ~IPL_DEPTH_SIGN) != 8) return 0;
  const int channels = image->nChannels;
  if (channels != 1 && channels != 3 && channels != 4) return 0;
  const size_t paletteBytes = channels == 1 ? kPaletteEntries * sizeof(RGBQUAD) : 0;
  try {
    m_block.assign(sizeof(BITMAPINFOHEADER) + paletteBytes, 0);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  BITMAPINFOHEADER& h = Info()->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = image->width;
  const bool topDown = m_tlBitmapSupported && image->origin != IPL_ORIGIN_BL;
  h.biHeight = topDown ? -image->height : image->height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<uint16_t>(8 * channels);
  h.biCompression = BI_RGB;
  h.biXPelsPerMeter = h.biYPelsPerMeter = kPixelsPerMetre;
  auto* palette = reinterpret_cast<RGBQUAD*>(m_block.data() + sizeof(BITMAPINFOHEADER));
  for (size_t i = 0; i < paletteBytes / sizeof(RGBQUAD); ++i) {
    const auto level = static_cast<uint8_t>(i);
    palette[i] = RGBQUAD{level, level, level, 0};
  }
  return 1;
}

void CDibHeader::CleanUp() {
  m_block.clear();
  m_block.shrink_to_fit();
}
