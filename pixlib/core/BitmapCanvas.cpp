#include "pixlib/core/BitmapCanvas.h"

#include <algorithm>
#include <cmath>

namespace {

int Grey(COLORREF c) { return (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114 + 500) / 1000; }

}  // namespace

BitmapCanvas::BitmapCanvas(HBITMAP bitmap, const CRect& clip) : m_bitmap(bitmap) {
  if (!bitmap) return;
  const int bits = bitmap->Header().biBitCount;
  if (bits != 8 && bits != 24 && bits != 32) return;
  m_channels = bits / 8;
  m_clip = CRect{std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, bitmap->Width()),
                 std::min(clip.bottom, bitmap->Height())};
}

unsigned char* BitmapCanvas::Pixel(int x, int y) const {
  if (!m_channels || x < m_clip.left || x >= m_clip.right || y < m_clip.top || y >= m_clip.bottom)
    return nullptr;
  const int row = m_bitmap->TopDown() ? y : m_bitmap->Height() - 1 - y;
  return m_bitmap->Bits() + static_cast<ptrdiff_t>(row) * m_bitmap->Stride() + x * m_channels;
}

void BitmapCanvas::Blend(int x, int y, COLORREF colour, int coverage) {
  unsigned char* p = Pixel(x, y);
  if (!p) return;
  const auto mix = [coverage](unsigned char& sample, int value) {
    sample = static_cast<unsigned char>(sample +
                                        ((value - sample) * coverage + (value > sample ? 127 : -127)) / 255);
  };
  if (m_channels == 1) return mix(p[0], Grey(colour));
  mix(p[0], GetBValue(colour));
  mix(p[1], GetGValue(colour));
  mix(p[2], GetRValue(colour));
}

void BitmapCanvas::Paint(int x, int y, COLORREF colour, int rop) {
  unsigned char* p = Pixel(x, y);
  if (!p) return;
  const int values[3] = {GetBValue(colour), GetGValue(colour), GetRValue(colour)};
  for (int c = 0; c < std::min(m_channels, 3); ++c) {
    const int v = m_channels == 1 ? Grey(colour) : values[c];
    p[c] = static_cast<unsigned char>(rop == R2_XORPEN ? p[c] ^ v : v);
  }
}

void BitmapCanvas::FillQuad(const double xs[4], const double ys[4], COLORREF colour) {
  const auto [xMin, xMax] = std::minmax({xs[0], xs[1], xs[2], xs[3]});
  const auto [yMin, yMax] = std::minmax({ys[0], ys[1], ys[2], ys[3]});
  const int x0 = std::max(m_clip.left, static_cast<int>(std::floor(xMin))),
            x1 = std::min(m_clip.right - 1, static_cast<int>(std::ceil(xMax)));
  const int y0 = std::max(m_clip.top, static_cast<int>(std::floor(yMin))),
            y1 = std::min(m_clip.bottom - 1, static_cast<int>(std::ceil(yMax)));
  // Inside when the centre is on the same side of all four edges.
  const auto inside = [&](double px, double py) {
    int sign = 0;
    for (int i = 0; i < 4; ++i) {
      const int j = (i + 1) % 4;
      const double cross = (xs[j] - xs[i]) * (py - ys[i]) - (ys[j] - ys[i]) * (px - xs[i]);
      const int s = cross > 0 ? 1 : cross < 0 ? -1 : 0;
      if (s != 0 && sign != 0 && s != sign) return false;
      if (s != 0) sign = s;
    }
    return true;
  };
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (inside(x + 0.5, y + 0.5)) Paint(x, y, colour, R2_COPYPEN);
}
