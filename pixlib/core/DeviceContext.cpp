#include "pixlib/core/DeviceContext.h"

#include "ipl/Ipl.h"

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
  IplImage target{};
  target.nSize = sizeof(IplImage);
  target.nChannels = channels;
  target.depth = IPL_DEPTH_8U;
  target.origin = m_bitmap->TopDown() ? IPL_ORIGIN_TL : IPL_ORIGIN_BL;
  target.align = IPL_ALIGN_4BYTES;
  target.width = m_bitmap->Width();
  target.height = m_bitmap->Height();
  target.widthStep = m_bitmap->Stride();
  target.imageSize = target.widthStep * target.height;
  target.imageData = reinterpret_cast<char*>(m_bitmap->Bits());
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
