#pragma once
// A pen: the width and colour lines are drawn with.

#include "pixlib/core/GdiTypes.h"

enum : int { PS_SOLID = 0 };

class CPen {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF colour)
      : m_style(style), m_width(width < 1 ? 1 : width), m_colour(colour) {}
  int Style() const { return m_style; }
  int Width() const { return m_width; }
  COLORREF Colour() const { return m_colour; }

 private:
  int m_style = PS_SOLID;
  int m_width = 1;
  COLORREF m_colour = RGB(0, 0, 0);
};
