#pragma once

#include <array>
#include <cstdint>

namespace pixcodec::photocd {

// PhotoYCC samples to 8-bit blue, green, red through integer tables built
// once from the library's colour matrices (ycc8ycc: samples to luminance and
// colour differences; yccrgb: to blue, green, red; rgbrgb8: to the 8-bit
// scale, whose brightest stored luminance is the table maximum). Each
// channel is clamped to 0 ... maximum and passed through the output curve
// (curve 1: linear, the maximum becomes 255).
class PhotoYccConverter {
 public:
  PhotoYccConverter();
  // Converts `count` pixels of the three sample rows to pixels of `channels`
  // bytes (B, G, R, then an opaque alpha when there are four).
  void ConvertRow(const std::uint8_t* y, const std::uint8_t* c1, const std::uint8_t* c2, int count,
                  std::uint8_t* dst, int channels) const;

 private:
  static constexpr int kFraction = 12;  // fixed-point bits of the tables
  // term[channel][input][sample]: the share of one input (Y, C1, C2) in one
  // output (B, G, R), offsets included in the luminance terms.
  std::array<std::array<std::array<std::int32_t, 256>, 3>, 3> m_term{};
  std::array<std::uint8_t, 4096> m_curve{};  // clamped value, scaled to 0 ... 4095, to 8 bits
  int m_maximum = 0;                         // largest channel value, in table units
  // value * 4095 / m_maximum (rounded down) as (value * m_multiplier) >> m_shift:
  // exact for every clamped value, and no division per sample.
  std::uint64_t m_multiplier = 0;
  int m_shift = 0;
};

}  // namespace pixcodec::photocd
