#include "pixlib/core/FGeometry.h"

#include <cmath>
#include <utility>

void CFRect::Normalize() {
  if (right < left) std::swap(left, right);
  if (bottom > top) std::swap(top, bottom);
}

float CFRect::Width() const { return std::fabs(right - left); }

float CFRect::Height() const { return std::fabs(top - bottom); }
