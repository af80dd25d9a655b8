#include "pixlib/codecs/photocd/PhotoYccConverter.h"

#include <algorithm>
#include <bit>
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
        m_term[out][in][v] =
            static_cast<std::int32_t>(std::lround((toBgr[4 * out + in] * v + offset) * unit));
      }
  // The brightest stored luminance on a neutral colour.
  m_maximum = static_cast<int>(std::lround(toBgr[0] * 255 * unit));
  // A multiplier M = ceil(2^S / maximum) with 2^S at least the largest
  // dividend times the maximum makes the shifted product the exact quotient.
  const std::uint64_t largest = std::uint64_t(m_maximum) * (kCurveSteps - 1);
  m_shift = std::bit_width(largest) + std::bit_width(std::uint64_t(m_maximum));
  m_multiplier = static_cast<std::uint64_t>(((unsigned __int128)1 << m_shift) / unsigned(m_maximum) + 1);
  // Curve 1: linear from 0 to the maximum.
  for (int step = 0; step < kCurveSteps; ++step)
    m_curve[step] = static_cast<std::uint8_t>((step * 255 + (kCurveSteps - 1) / 2) / (kCurveSteps - 1));
}

void PhotoYccConverter::ConvertRow(const std::uint8_t* y, const std::uint8_t* c1, const std::uint8_t* c2,
                                   int count, std::uint8_t* dst, int channels) const {
  const std::int64_t maximum = m_maximum;
  for (int x = 0; x < count; ++x, dst += channels) {
    for (int out = 0; out < 3; ++out) {
      std::int64_t value = std::int64_t(m_term[out][0][y[x]]) + m_term[out][1][c1[x]] + m_term[out][2][c2[x]];
      value = value < 0 ? 0 : value > maximum ? maximum : value;
      const auto scaled = static_cast<std::uint64_t>(value) * (kCurveSteps - 1);
      dst[out] = m_curve[std::size_t((unsigned __int128)scaled * m_multiplier >> m_shift)];
    }
    if (channels == 4) dst[3] = 255;
  }
}

}  // namespace pixcodec::photocd
