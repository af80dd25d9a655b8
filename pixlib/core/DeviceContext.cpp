#include "pixlib/core/DeviceContext.h"

#include "ipl/Ipl.h"
#include "ipl/IplHeaderOver.h"
#include "pixlib/core/BitmapCanvas.h"

#include <algorithm>
#include <cmath>
#include <utility>

HBITMAP CDC::SelectBitmap(HBITMAP bitmap) {
  HBITMAP previous = m_bitmap;
  m_bitmap = bitmap;
  return previous;
}

int CDC::DrawDib(const BITMAPINFOHEADER* dib, const void* bits) {
  if (!m_bitmap || !dib) return 0;
  const BITMAPINFOHEADER& h = m_bitmap->Header();
  const int channels = h.biBitCount / 8;
  if (h.biBitCount % 8 != 0 || channels < 1 || channels > 4) return 0;
  // Describe the selected bitmap's bits to the conversion as an image.
  IplImage target = ipl::headerOver(m_bitmap->Bits(), m_bitmap->Width(), m_bitmap->Height(), channels,
                                    m_bitmap->Stride(), m_bitmap->TopDown() ? IPL_ORIGIN_TL : IPL_ORIGIN_BL);
  // A DIB drawn at the top-left must land in the top rows of the bitmap:
  // convert into the rows nearest the top, counted in the bitmap's order.
  const int dibRows = dib->biHeight < 0 ? -dib->biHeight : dib->biHeight;
  if (!m_bitmap->TopDown() && dibRows < target.height) {
    target.imageData += static_cast<ptrdiff_t>(target.height - dibRows) * target.widthStep;
    target.height = dibRows;
  }
  const IPLStatus before = iplGetErrStatus();
  iplSetErrStatus(IPL_StsOk);
  auto* header = const_cast<BITMAPINFOHEADER*>(dib);
  if (bits) {
    iplConvertFromDIBSep(header, static_cast<const char*>(bits), &target);
  } else {
    iplConvertFromDIB(header, &target);
  }
  const bool ok = iplGetErrStatus() == IPL_StsOk;
  iplSetErrStatus(before);
  return ok ? 1 : 0;
}

int CDC::GetDeviceCaps(int index) const {
  switch (index) {
    case TECHNOLOGY:
      return m_device ? m_device->Technology() : DT_RASDISPLAY;
    case RASTERCAPS:
      return m_device ? m_device->RasterCaps() : 0;
    case LOGPIXELSY:
      return kScreenDpi;
    default:
      return 0;
  }
}

int CDC::DrawBits(const DibDrawing& drawing) { return m_device ? m_device->Draw(drawing) : 0; }

const CFont* CDC::SelectFont(const CFont* font) { return std::exchange(m_state.font, font); }

const CPen* CDC::SelectPen(const CPen* pen) { return std::exchange(m_state.pen, pen); }

COLORREF CDC::SetTextColor(COLORREF colour) { return std::exchange(m_state.textColour, colour); }

COLORREF CDC::SetBkColor(COLORREF colour) { return std::exchange(m_state.bkColour, colour); }

int CDC::SetBkMode(int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return std::exchange(m_state.bkMode, mode);
}

unsigned CDC::SetTextAlign(unsigned align) { return std::exchange(m_state.textAlign, align); }

int CDC::SetROP2(int rop) {
  if (rop != R2_XORPEN && rop != R2_COPYPEN) return 0;
  return std::exchange(m_state.rop, rop);
}

void CDC::IntersectClipRect(int left, int top, int right, int bottom) {
  const CRect current = ClipRect();
  m_state.clip = CRect{std::max(left, current.left), std::max(top, current.top),
                       std::min(right, current.right), std::min(bottom, current.bottom)};
}

CRect CDC::ClipRect() const {
  if (m_state.clip) return *m_state.clip;
  return m_bitmap ? CRect{0, 0, m_bitmap->Width(), m_bitmap->Height()} : CRect{};
}

int CDC::SaveDC() {
  m_saved.push_back(m_state);
  return static_cast<int>(m_saved.size());
}

int CDC::RestoreDC(int saved) {
  const int count = static_cast<int>(m_saved.size());
  if (saved < 0) saved += count + 1;
  if (saved < 1 || saved > count) return 0;
  m_state = m_saved[saved - 1];
  m_saved.resize(saved - 1);
  return 1;
}

// Every pixel whose centre lies within half the pen's width of the segment
// is painted exactly once, so an exclusive-or line drawn twice leaves no trace.
int CDC::LineTo(int x, int y) {
  const CPoint from = std::exchange(m_state.position, CPoint{x, y});
  BitmapCanvas canvas(m_bitmap, ClipRect());
  if (!canvas.Usable()) return 0;
  const CPen pen = m_state.pen ? *m_state.pen : CPen();
  const double r = pen.Width() / 2.0, dx = x - from.x, dy = y - from.y, length2 = dx * dx + dy * dy;
  const CRect& clip = canvas.Clip();
  const int x0 = std::max(clip.left, static_cast<int>(std::floor(std::min(from.x, x) - r)));
  const int x1 = std::min(clip.right - 1, static_cast<int>(std::ceil(std::max(from.x, x) + r)));
  const int y0 = std::max(clip.top, static_cast<int>(std::floor(std::min(from.y, y) - r)));
  const int y1 = std::min(clip.bottom - 1, static_cast<int>(std::ceil(std::max(from.y, y) + r)));
  for (int py = y0; py <= y1; ++py)
    for (int px = x0; px <= x1; ++px) {
      const double cx = px + 0.5 - from.x, cy = py + 0.5 - from.y;
      const double t = length2 > 0 ? std::clamp((cx * dx + cy * dy) / length2, 0.0, 1.0) : 0.0;
      const double ex = cx - t * dx, ey = cy - t * dy;
      if (ex * ex + ey * ey < r * r) canvas.Paint(px, py, pen.Colour(), m_state.rop);
    }
  return 1;
}
