#pragma once
// 2 x 3 affine matrices: x' = m00 x + m01 y + m02, y' = m10 x + m11 y + m12.

#include "pixlib/core/Export.h"
#include "pixlib/core/FGeometry.h"

// Applies m to p.
PIXLIB_API void AffineTransform(const CFPoint& p, double m[2][3], CFPoint& out);
