#pragma once
// A memory device context: drawing operations that write into the pixels of
// the bitmap selected into it. Device coordinates have (0, 0) at the top-left
// pixel, y growing downwards, whatever the bitmap's row order.

#include "pixlib/core/DibSection.h"
#include "pixlib/core/Export.h"

class PIXLIB_API CDC {
 public:
  // Selects a bitmap (null deselects); returns the one selected before.
  HBITMAP SelectBitmap(HBITMAP bitmap);
  HBITMAP SelectedBitmap() const { return m_bitmap; }

  // Draws a DIB (bits following the header when bits is null) with its
  // top-left corner at device (0, 0), clipped to the selected bitmap.
  // Returns 0 when nothing is selected or the DIB cannot be read.
  int DrawDib(const BITMAPINFOHEADER* dib, const void* bits = nullptr);

 private:
  HBITMAP m_bitmap = nullptr;
};
