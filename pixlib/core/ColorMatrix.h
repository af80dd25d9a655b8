#pragma once
// 4x4 colour matrices: 16 floats, row-major (row r, column c at 4r + c),
// applied to column vectors (c1, c2, c3, 1) of a pixel's channels in stored
// order (blue, green, red for the library's images). The constants take
// pixels to luminance and colour differences (Y, B - Y, R - Y) and back, and
// scale 8-bit samples to and from the unit range.

#include "pixlib/core/Export.h"

extern "C" {
PIXLIB_API extern const float rgbycc[16];
PIXLIB_API extern const float yccrgb[16];
PIXLIB_API extern const float rgb8rgb[16];
PIXLIB_API extern const float rgbrgb8[16];
PIXLIB_API extern const float ycc8ycc[16];
}

// out = a x b; out may be a or b.
PIXLIB_API void Mult4(const float* a, const float* b, float* out);
// a = a x b; b may be a.
PIXLIB_API void Concat4(float* a, const float* b);
PIXLIB_API void Copy4(const float* src, float* dst);
// out = m x v for a 4-vector; out may be v.
PIXLIB_API void Mult4X1(const float* m, const float* v, float* out);

// Factor matrices; x = 1 gives the identity. A negative factor counts as 0
// and a NaN as 1, so that no matrix entry becomes NaN.
PIXLIB_API void BrightnessMatrix(float x, float* out);  // diagonal sqrt(x), sqrt(x), sqrt(x), 1
PIXLIB_API void SaturationMatrix(float x, float* out);  // diagonal 1, x, x, 1
// Strengthen (x > 1) or weaken one primary, in the luminance / colour-difference space.
PIXLIB_API void RedMatrix(float x, float* out);
PIXLIB_API void GreenMatrix(float x, float* out);
PIXLIB_API void BlueMatrix(float x, float* out);
