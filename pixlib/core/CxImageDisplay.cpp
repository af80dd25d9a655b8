// Showing an image on a display or printer device context.

#include "pixlib/core/CxImage.h"

#include "ipl/Ipl.h"
#include "pixlib/core/IplScaling.h"
#include "pixlib/core/ScreenDevice.h"

#include <algorithm>
#include <cmath>

namespace {

// Cuts the source rectangle to the image and the destination by the same
// share; false when nothing is left. Stored rows run bottom to top on the
// device for a bottom-up bitmap, top to bottom for a top-down one.
bool ClipSource(DibDrawing& d, int width, int height, bool bottomUp) {
  if (d.wDst <= 0 || d.hDst <= 0 || d.wSrc <= 0 || d.hSrc <= 0) return false;
  const double kx = static_cast<double>(d.wDst) / d.wSrc, ky = static_cast<double>(d.hDst) / d.hSrc;
  const int x0 = std::max(d.xSrc, 0), x1 = std::min(d.xSrc + d.wSrc, width);
  const int y0 = std::max(d.ySrc, 0), y1 = std::min(d.ySrc + d.hSrc, height);
  if (x1 <= x0 || y1 <= y0) return false;
  const auto edge = [](int origin, double k, int cut) {
    return origin + static_cast<int>(std::lround(cut * k));
  };
  const int left = edge(d.xDst, kx, x0 - d.xSrc), right = edge(d.xDst, kx, x1 - d.xSrc);
  // Device rows of the first and last stored rows kept.
  const int cutFirst = y0 - d.ySrc, cutLast = d.ySrc + d.hSrc - y1;
  const int top = edge(d.yDst, ky, bottomUp ? cutLast : cutFirst);
  const int bottom = d.yDst + d.hDst - static_cast<int>(std::lround((bottomUp ? cutFirst : cutLast) * ky));
  if (right <= left || bottom <= top) return false;
  d.xSrc = x0, d.ySrc = y0, d.wSrc = x1 - x0, d.hSrc = y1 - y0;
  d.xDst = left, d.yDst = top, d.wDst = right - left, d.hDst = bottom - top;
  return true;
}

}  // namespace

// On a palette display the bits are dithered; the raster operation is not used.
int CxImage::SetBits(CDC* dc, int xDst, int yDst, int width, int height, int xSrc, int ySrc, unsigned long) {
  BITMAPINFO* info = GetBitmap();
  if (!m_image || !dc || !info) return 0;
  DibDrawing d{info, GetBits(), xDst, yDst, width, height, xSrc, ySrc, width, height, SRCCOPY, false};
  if (!ClipSource(d, Width(), Height(), info->bmiHeader.biHeight > 0)) return 0;
  d.halftone = dc->GetDeviceCaps(TECHNOLOGY) != DT_RASPRINTER && (dc->GetDeviceCaps(RASTERCAPS) & RC_PALETTE);
  return dc->DrawBits(d);
}

int CxImage::StretchBits(CDC* dc, int xDst, int yDst, int wDst, int hDst, int xSrc, int ySrc, int wSrc,
                         int hSrc, unsigned long rop, int resample) {
  BITMAPINFO* info = GetBitmap();
  if (!m_image || !dc || !info) return 0;
  const bool printer = dc->GetDeviceCaps(TECHNOLOGY) == DT_RASPRINTER;
  const bool palette = dc->GetDeviceCaps(RASTERCAPS) & RC_PALETTE;
  DibDrawing d{info,
               GetBits(),
               xDst,
               yDst,
               wDst,
               hDst,
               xSrc,
               ySrc,
               wSrc,
               hSrc,
               printer ? rop : SRCCOPY,
               !printer && palette};
  if (!ClipSource(d, Width(), Height(), info->bmiHeader.biHeight > 0)) return 0;
  CxImage resampled;
  if (resample && (d.wSrc != d.wDst || d.hSrc != d.hDst)) {
    const IplImage& me = *m_image;
    if (!resampled.Create(d.wDst, d.hDst, me.colorModel, me.channelSeq, me.nChannels, me.alphaChannel,
                          me.origin, me.depth, 1, 0) ||
        !resampled.GetBitmap())
      return 0;
    const IplROI roi = m_roi;
    m_roi = IplROI{0, d.xSrc, d.ySrc, d.wSrc, d.hSrc};
    {
      AlphaAsChannel alpha(m_image, resampled.m_image);
      iplSetErrStatus(IPL_StsOk);
      ScaleInto(m_image, resampled.m_image, d.wDst, d.wSrc, d.hDst, d.hSrc, IPL_INTER_CUBIC);
    }
    m_roi = roi;
    if (iplGetErrStatus() != IPL_StsOk) return iplSetErrStatus(IPL_StsOk), 0;
    d.info = resampled.GetBitmap(), d.bits = resampled.GetBits();
    d.xSrc = d.ySrc = 0, d.wSrc = d.wDst, d.hSrc = d.hDst;
  }
  return dc->DrawBits(d);
}
