// The device context over the image's bitmap.

#include "pixlib/core/CxImage.h"
#include "pixlib/core/ScreenDevice.h"

#include <new>

int CxImage::m_paletteDevice = -1;

CDC* CxImage::GetDC() {
  if (!m_image) return nullptr;
  if (!m_dc) {
    m_dc = new (std::nothrow) CDC;
    if (!m_dc) return nullptr;
    m_dc->SelectBitmap(m_hBitmap);
    m_dcRefs = 0;
  }
  ++m_dcRefs;
  return m_dc;
}

void CxImage::ReleaseDC(int force) {
  if (!m_dc) return;
  if (--m_dcRefs > 0 && !force) return;
  m_dc->SelectBitmap(nullptr);
  delete m_dc;
  m_dc = nullptr;
  m_dcRefs = 0;
}

int CxImage::PaletteDevice() {
  if (m_paletteDevice < 0) m_paletteDevice = (ScreenRasterCaps() & RC_PALETTE) ? 1 : 0;
  return m_paletteDevice;
}
