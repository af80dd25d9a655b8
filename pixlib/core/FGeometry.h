#pragma once
// Points and rectangles in float image units: every image is 1.0 high and
// width/height wide, y grows upwards.

#include "pixlib/core/Export.h"
#include "pixlib/core/WinTypes.h"

class PIXLIB_API CFPoint {
 public:
  CFPoint() = default;
  CFPoint(float px, float py) : x(px), y(py) {}
  CFPoint(const CPoint& p) : x(static_cast<float>(p.x)), y(static_cast<float>(p.y)) {}
  CFPoint& operator=(const CPoint& p) { return *this = CFPoint(p); }

  float x = 0.0f;
  float y = 0.0f;
};

class PIXLIB_API CFRect {
 public:
  CFRect() = default;
  CFRect(float l, float t, float r, float b) : top(t), left(l), bottom(b), right(r) {}
  CFRect(const CFRect&) = default;
  CFRect& operator=(const CFRect&) = default;
  virtual ~CFRect() = default;

  // Puts the smaller x in left and the larger y in top.
  void Normalize();
  float Width() const;
  float Height() const;

  float top = 0.0f;
  float left = 0.0f;
  float bottom = 0.0f;
  float right = 0.0f;
};
