#pragma once
// Pixel access to a selected bitmap in device coordinates ((0, 0) the
// top-left pixel, y downwards), cut to a clip rectangle (private to the
// library). Colours are COLORREF; a one-channel bitmap takes their grey
// value; an alpha channel is left as it is.

#include "pixlib/core/DibSection.h"
#include "pixlib/core/GdiTypes.h"
#include "pixlib/core/WinTypes.h"

class BitmapCanvas {
 public:
  // clip: left, top inclusive; right, bottom exclusive.
  BitmapCanvas(HBITMAP bitmap, const CRect& clip);
  bool Usable() const { return m_channels > 0; }
  const CRect& Clip() const { return m_clip; }

  // Mixes the colour in by coverage/255.
  void Blend(int x, int y, COLORREF colour, int coverage);
  // R2_COPYPEN sets, R2_XORPEN exclusive-ors the colour.
  void Paint(int x, int y, COLORREF colour, int rop);
  // Every pixel whose centre lies inside the convex quadrilateral, given
  // corner by corner around it.
  void FillQuad(const double xs[4], const double ys[4], COLORREF colour);

 private:
  unsigned char* Pixel(int x, int y) const;

  HBITMAP m_bitmap;
  CRect m_clip;
  int m_channels = 0;
};
