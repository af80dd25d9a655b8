#include "pixlib/twain/MemoryRows.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "pixlib/codecs/RowConverters.h"

namespace twainapp {

namespace {

void GreyRamp(std::vector<unsigned char>& palette, int levels, bool whiteFirst) {
  for (int i = 0; i < levels; ++i) {
    int level = levels > 1 ? i * 255 / (levels - 1) : 0;
    if (whiteFirst) level = 255 - level;
    std::memset(&palette[std::size_t(3 * i)], level, 3);
  }
}

}  // namespace

bool MemoryRows::Configure(const TW_IMAGEINFO& info, TW_UINT16 pixelFlavor, const TW_PALETTE8* palette) {
  const int bits = info.BitsPerPixel;
  m_colour = info.PixelType == TWPT_RGB;
  if (m_colour ? bits != 24 && bits != 48 : bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16)
    return false;
  if (info.PixelType == TWPT_BW && bits != 1) return false;
  if (info.PixelType != TWPT_BW && info.PixelType != TWPT_GRAY && info.PixelType != TWPT_PALETTE && !m_colour)
    return false;
  if (info.PixelType == TWPT_PALETTE && bits > 8) return false;
  m_bitsPerPixel = bits;
  m_bitsPerSample = m_colour ? bits / 3 : bits;
  std::fill(m_palette.begin(), m_palette.end(), 0);
  if (m_colour) return true;
  const int levels = 1 << (m_bitsPerSample > 8 ? 8 : m_bitsPerSample);
  GreyRamp(m_palette, levels, info.PixelType == TWPT_BW && pixelFlavor == TWPF_VANILLA);
  if (info.PixelType == TWPT_PALETTE && palette != nullptr && palette->NumColors > 0) {
    for (int i = 0; i < palette->NumColors && i < 256; ++i) {
      const TW_ELEMENT8& e = palette->Colors[i];
      const bool grey = palette->PaletteType == TWPA_GRAY;
      m_palette[std::size_t(3 * i)] = grey ? e.Channel1 : e.Channel3;
      m_palette[std::size_t(3 * i + 1)] = grey ? e.Channel1 : e.Channel2;
      m_palette[std::size_t(3 * i + 2)] = e.Channel1;
    }
  }
  return true;
}

void MemoryRows::Convert(const unsigned char* src, int columns, unsigned char* dst) {
  const int samples = m_colour ? 3 : 1;
  m_scratch.resize(std::size_t(columns) * samples);
  unsigned char* out = m_scratch.data();
  const std::size_t count = std::size_t(columns) * samples;
  if (m_bitsPerSample == 16) {
    for (std::size_t i = 0; i < count; ++i) {
      std::uint16_t wide = 0;
      std::memcpy(&wide, src + 2 * i, 2);
      out[i] = static_cast<unsigned char>(wide >> 8);
    }
  } else if (m_bitsPerSample == 8) {
    std::memcpy(out, src, count);
  } else {
    const int perByte = 8 / m_bitsPerSample;
    const int mask = (1 << m_bitsPerSample) - 1;
    for (std::size_t i = 0; i < count; ++i)
      out[i] = static_cast<unsigned char>(
          src[i / perByte] >> ((perByte - 1 - int(i % perByte)) * m_bitsPerSample) & mask);
  }
  if (m_colour) {
    pixcodec::SwapRow3(out, dst, nullptr, columns, 3 * columns, 1);
  } else {
    pixcodec::PaletteRow3(out, dst, m_palette.data(), columns, 3 * columns, 1);
  }
}

}  // namespace twainapp
