// Region and channel of interest, row access and fill.

#include "pixlib/core/CxImage.h"

#include "ipl/Ipl.h"

#include <cstring>

// Clamps in a fixed order (see the header); refuses, leaving the ROI as it
// was, when nothing of the rectangle is left or the COI names no channel.
int CxImage::SetROI(int coi, int x, int y, int w, int h) {
  if (!m_image || coi < 0 || coi > m_image->nChannels) return 0;
  const int width = m_image->width, height = m_image->height;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  if (x > width) x = width - 1;
  if (y > height) y = height - 1;
  if (x + w > width) w = width - x;
  if (y + h > height) h = height - y;
  if (w < 1 || h < 1) return 0;
  m_roi = IplROI{coi, x, y, w, h};
  return 1;
}

int CxImage::SetROI(int coi, const CRect& r) {
  return SetROI(coi, r.left, r.bottom, r.right - r.left, r.top - r.bottom);
}

// The float rectangle is centred on the image: x runs from -FWidth()/2 to
// +FWidth()/2 and y from -FHeight()/2 to +FHeight()/2.
int CxImage::SetROI(int coi, const CFRect& r) {
  if (!m_image) return 0;
  const float halfWidth = FWidth() / 2.0f;
  const float left = r.left < -halfWidth ? -halfWidth : r.left;
  const float right = r.right > halfWidth ? halfWidth : r.right;
  const float w = static_cast<float>(m_image->width), h = static_cast<float>(m_image->height);
  const auto px = [&](float x) { return static_cast<int>(w / 2.0f + x / FWidth() * (w - 1.0f)); };
  const auto py = [&](float y) { return static_cast<int>(h / 2.0f + y / FHeight() * (h - 1.0f)); };
  return SetROI(coi, CRect{px(left), py(r.top), px(right), py(r.bottom)});
}

void CxImage::GetROI(CRect& r) const {
  r = CRect{m_roi.xOffset, m_roi.yOffset, m_roi.xOffset + m_roi.width, m_roi.yOffset + m_roi.height};
}

int CxImage::SetCOI(int coi) {
  if (!m_image || coi < 0 || coi > m_image->nChannels) return 0;
  m_roi = IplROI{coi, 0, 0, m_image->width, m_image->height};
  return 1;
}

int CxImage::GetRowBytes() const {
  if (!m_image) return -1;
  return m_tiled ? m_numTiles.cx * m_tileInfo.width * m_image->nChannels : m_image->widthStep;
}

unsigned char* CxImage::GetRowPtr(int y) const {
  if (!m_image || !m_image->imageData) return nullptr;
  return reinterpret_cast<unsigned char*>(m_image->imageData) +
         static_cast<ptrdiff_t>(y) * m_image->widthStep;
}

int CxImage::GetRow(int y, unsigned char* dst) const {
  if (!m_image || !dst || y < 0 || y >= m_image->height) return 0;
  // Loading tiles changes only the cache, not the picture.
  if (m_tiled) return CTileEngine::ReadRow(const_cast<CxImage&>(*this), y, dst);
  std::memcpy(dst, GetRowPtr(y), static_cast<size_t>(GetRowBytes()));
  return 1;
}

int CxImage::PutRow(int y, const unsigned char* src) {
  if (!m_image || !src || y < 0 || y >= m_image->height) return 0;
  if (m_tiled) return CTileEngine::WriteRow(*this, y, src);
  std::memcpy(GetRowPtr(y), src, static_cast<size_t>(GetRowBytes()));
  return 1;
}

int CxImage::Set(int value) {
  if (!InMemory()) return 0;
  iplSet(m_image, value);
  return 1;
}
