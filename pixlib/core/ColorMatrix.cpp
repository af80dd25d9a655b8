#include "pixlib/core/ColorMatrix.h"

#include <algorithm>
#include <cmath>
#include <cstring>

extern "C" {
const float rgbycc[16] = {0.114f,  0.587f,  0.299f,  0.0f,  //
                          0.886f,  -0.587f, -0.299f, 0.0f,  //
                          -0.114f, -0.587f, 0.701f,  0.0f,  //
                          0.0f,    0.0f,    0.0f,    1.0f};
const float yccrgb[16] = {1.0f, 1.0f,    0.0f,    0.0f,  //
                          1.0f, -0.194f, -0.509f, 0.0f,  //
                          1.0f, 0.0f,    1.0f,    0.0f,  //
                          0.0f, 0.0f,    0.0f,    1.0f};
const float rgb8rgb[16] = {0.004047f, 0.0f, 0.0f,      0.0f, 0.0f, 0.004047f, 0.0f, 0.0f,
                           0.0f,      0.0f, 0.004047f, 0.0f, 0.0f, 0.0f,      0.0f, 1.0f};
const float rgbrgb8[16] = {247.1f, 0.0f, 0.0f,   0.0f, 0.0f, 247.1f, 0.0f, 0.0f,
                           0.0f,   0.0f, 247.1f, 0.0f, 0.0f, 0.0f,   0.0f, 1.0f};
const float ycc8ycc[16] = {0.005498f, 0.0f,      0.0f,      0.0f,    //
                           0.0f,      0.008977f, 0.0f,      -1.4f,   //
                           0.0f,      0.0f,      0.007373f, -1.01f,  //
                           0.0f,      0.0f,      0.0f,      1.0f};
}

namespace {

constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Factors reach here from user settings and automatic corrections: keep
// them finite and non-negative so that square roots and the fixed-point
// conversion of the twist stay defined.
float saneFactor(float x) {
  if (std::isnan(x)) return 1.0f;
  return std::clamp(x, 0.0f, 1.0e6f);
}

// The identity with rows 0 to 2 replaced.
void setRows(float* out, const float (&rows)[12]) {
  std::memcpy(out, rows, sizeof rows);
  std::memcpy(out + 12, kIdentity + 12, 4 * sizeof(float));
}

}  // namespace

void Mult4(const float* a, const float* b, float* out) {
  if (!a || !b || !out) return;
  float product[16];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a[4 * r + k] * b[4 * k + c];
      product[4 * r + c] = sum;
    }
  std::memcpy(out, product, sizeof product);
}

void Concat4(float* a, const float* b) { Mult4(a, b, a); }

void Copy4(const float* src, float* dst) {
  if (src && dst) std::memmove(dst, src, 16 * sizeof(float));
}

void Mult4X1(const float* m, const float* v, float* out) {
  if (!m || !v || !out) return;
  float product[4];
  for (int r = 0; r < 4; ++r)
    product[r] = m[4 * r] * v[0] + m[4 * r + 1] * v[1] + m[4 * r + 2] * v[2] + m[4 * r + 3] * v[3];
  std::memcpy(out, product, sizeof product);
}

void BrightnessMatrix(float x, float* out) {
  if (!out) return;
  const float s = std::sqrt(saneFactor(x));
  setRows(out, {s, 0, 0, 0, 0, s, 0, 0, 0, 0, s, 0});
}

void SaturationMatrix(float x, float* out) {
  if (!out) return;
  const float s = saneFactor(x);
  setRows(out, {1, 0, 0, 0, 0, s, 0, 0, 0, 0, s, 0});
}

void RedMatrix(float x, float* out) {
  if (!out) return;
  const float a = std::sqrt(saneFactor(x)) - 1.0f;
  setRows(out, {1, 0, 0.299f * a, 0,                          //
                -0.299f * a, 1 - 0.299f * a, -0.299f * a, 0,  //
                0.701f * a, 0, 1 + 0.402f * a, 0});
}

void GreenMatrix(float x, float* out) {
  if (!out) return;
  const float a = std::sqrt(saneFactor(x)) - 1.0f;
  setRows(out, {1, -0.114f * a, 0.299f * a, 0,               //
                -0.587f * a, 1 - 0.473f * a, 0.299f * a, 0,  //
                -0.587f * a, 0.114f * a, 1 - 0.288f * a, 0});
}

void BlueMatrix(float x, float* out) {
  if (!out) return;
  const float a = std::sqrt(saneFactor(x)) - 1.0f;
  setRows(out, {1, 0.114f * a, 0, 0,               //
                0.886f * a, 1 + 0.772f * a, 0, 0,  //
                -0.114f * a, -0.114f * a, 1 - 0.114f * a, 0});
}
