#include "ui/QtDisplayDevice.h"

#include <QImage>
#include <QPainter>

namespace {

// The stored rows of the source rectangle as a Qt image over the DIB's
// bits: grey or palette images as indexed, 24-bit as BGR, 32-bit with its
// fourth byte ignored, as a display shows it.
QImage RowsOf(const DibDrawing& d) {
  const BITMAPINFOHEADER& h = d.info->bmiHeader;
  const int stride = (h.biWidth * h.biBitCount + 31) / 32 * 4;
  const auto* first = static_cast<const uchar*>(d.bits) + static_cast<qsizetype>(d.ySrc) * stride;
  switch (h.biBitCount) {
    case 8: {
      QImage rows(first, h.biWidth, d.hSrc, stride, QImage::Format_Indexed8);
      QList<QRgb> colours;
      for (int i = 0; i < 256; ++i) {
        const RGBQUAD& q = d.info->bmiColors[i];
        colours.append(qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue));
      }
      rows.setColorTable(colours);
      return rows;
    }
    case 24:
      return QImage(first, h.biWidth, d.hSrc, stride, QImage::Format_BGR888);
    case 32:
      return QImage(first, h.biWidth, d.hSrc, stride, QImage::Format_RGB32);
    default:
      return {};
  }
}

}  // namespace

int QtDisplayDevice::Draw(const DibDrawing& d) {
  if (!d.info || !d.bits) return 0;
  QImage rows = RowsOf(d);
  if (rows.isNull()) return 0;
  if (d.info->bmiHeader.biHeight > 0)
    rows = rows.mirrored(false, true);  // bottom-up: the last stored row is the top one
  m_painter.drawImage(QRect(d.xDst, d.yDst, d.wDst, d.hDst), rows, QRect(d.xSrc, 0, d.wSrc, d.hSrc));
  return 1;
}
