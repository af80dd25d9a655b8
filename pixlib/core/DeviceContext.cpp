#include "pixlib/core/DeviceContext.h"

#include "ipl/Ipl.h"
#include "ipl/IplHeaderOver.h"

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
