#include "pixlib/codecs/photocd/PhotoYccConverter.h"

#include <algorithm>
#include <cmath>

#include "pixlib/core/ColorMatrix.h"

namespace pixcodec::photocd {

namespace {

constexpr int kCurveSteps = 4096;

}  // namespace

PhotoYccConverter::PhotoYccConverter() {
  // Samples (Y, C1, C2, 1) straight to (B, G, R) on the 8-bit scale.
  float toBgr[16];
  Mult4(rgbrgb8, yccrgb, toBgr);
  Concat4(toBgr, ycc8ycc);
  const double unit = double(1 << kFraction);
  for (int out = 0; out < 3; ++out)
    for (int in = 0; in < 3; ++in)
      for (int v = 0; v < 256; ++v) {
        const double offset = in == 0 ? toBgr[4 * out + 3] : 0.0;
        m_term[out][in][v] = static_cast<std::int32_t>(std::lround((toBgr[4 * out + in] * v + offset) * unit));
      }
  // The brightest stored luminance on a neutral colour.
  m_maximum = static_cast<int>(std::lround(toBgr[0] * 255 * unit));
  // Curve 1: linear from 0 to the maximum.
  for (int step = 0; step < kCurveSteps; ++step)
    m_curve[step] = static_cast<std::uint8_t>((step * 255 + (kCurveSteps - 1) / 2) / (kCurveSteps - 1));
}

void PhotoYccConverter::Convert(std::uint8_t y, std::uint8_t c1, std::uint8_t c2, std::uint8_t* bgr) const {
  for (int out = 0; out < 3; ++out) {
    const std::int64_t value = std::int64_t(m_term[out][0][y]) + m_term[out][1][c1] + m_term[out][2][c2];
    const std::int64_t clamped = std::clamp<std::int64_t>(value, 0, m_maximum);
    bgr[out] = m_curve[std::size_t(clamped * (kCurveSteps - 1) / m_maximum)];
  }
}

}  // namespace pixcodec::photocd
