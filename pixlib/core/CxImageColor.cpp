// Colour twists: a 4x4 matrix applied to every pixel, optionally followed by
// a lookup table, in one pass over row bands.

#include "pixlib/core/CxImage.h"

#include "ipl/Ipl.h"
#include "ipl/IplRowBands.h"

#include <cmath>
#include <limits>

namespace {

constexpr int kTwistScale = 24;

// The matrix in fixed point with 24 fraction bits, truncated; entries beyond
// the int range saturate. False when an entry is NaN.
bool twistData(const float* m, int data[16]) {
  constexpr double kMax = std::numeric_limits<int>::max(), kMin = std::numeric_limits<int>::min();
  for (int i = 0; i < 16; ++i) {
    const double scaled = std::ldexp(static_cast<double>(m[i]), kTwistScale);
    if (std::isnan(scaled)) return false;
    data[i] = scaled >= kMax   ? std::numeric_limits<int>::max()
              : scaled <= kMin ? std::numeric_limits<int>::min()
                               : static_cast<int>(scaled);
  }
  return true;
}

// True when the twist changes no 8-bit value: over the whole 0..255 cube each
// colour channel stays within 0.45 of its input, less than the half level the
// rounding needs, with room for the float arithmetic of the pass.
bool keepsEveryLevel(const int data[16]) {
  const double unit = std::ldexp(1.0, -kTwistScale);
  for (int row = 0; row < 3; ++row) {
    double drift = std::abs(data[4 * row + 3] * unit);
    for (int column = 0; column < 3; ++column)
      drift += 255.0 * std::abs(data[4 * row + column] * unit - (row == column ? 1.0 : 0.0));
    if (drift >= 0.45) return false;
  }
  return true;
}

}  // namespace

int CxImage::ApplyColorTwist(const float* m, CxImage& target, IplLUT* lut) {
  if (!InMemory() || !target.InMemory() || !m) return 0;
  // The library's error handler keeps only out-of-memory failures, so the
  // layouts the twist refuses are checked here.
  if (SamplesPerPixel() < 3 || SamplesPerPixel() != target.SamplesPerPixel() ||
      BitsPerSample() != IPL_DEPTH_8U || target.BitsPerSample() != IPL_DEPTH_8U)
    return 0;
  int data[16];
  if (!twistData(m, data)) return 0;
  IplColorTwist* twist = iplCreateColorTwist(data, kTwistScale);
  if (!twist) return 0;
  IplLUT* luts[4] = {lut, lut, lut, lut};
  // A twist that changes no value (the default colour settings) is a copy.
  const bool copy = keepsEveryLevel(data);
  // The twist carries a fourth channel through unchanged, so an alpha
  // channel arrives in the target with the colours.
  ipl::forEachRowBand(m_image, target.m_image, [&](IplImage* from, IplImage* to) {
    if (!copy)
      iplApplyColorTwist(from, to, twist, 0);
    else if (from->imageData != to->imageData)
      iplCopy(from, to);
    if (lut && iplGetErrStatus() == IPL_StsOk) iplContrastStretch(to, to, luts);
  });
  iplDeleteColorTwist(twist);
  return iplGetErrStatus() == IPL_StsOk;
}
