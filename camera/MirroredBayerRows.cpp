#include "camera/MirroredBayerRows.h"

#include <immintrin.h>

#include <cstring>
#include <opencv2/core/utility.hpp>

#include "pylon/PixelType.h"

using namespace Pylon;

namespace {

enum Channel { kBlue = 0, kGreen = 1, kRed = 2 };

// 32 pixels a step: the last sample a step reads lies 32 columns right of its first pixel.
constexpr int kStep = 32;

// The colour of a raw sample; a pattern is named by its first row's first two pixels.
int ColourAt(EPixelType pattern, int row, int column) {
  static const int kBG[2][2] = {{kBlue, kGreen}, {kGreen, kRed}};
  static const int kRG[2][2] = {{kRed, kGreen}, {kGreen, kBlue}};
  static const int kGB[2][2] = {{kGreen, kBlue}, {kRed, kGreen}};
  static const int kGR[2][2] = {{kGreen, kRed}, {kBlue, kGreen}};
  const auto& colours = pattern == PixelType_BayerBG8   ? kBG
                        : pattern == PixelType_BayerRG8 ? kRG
                        : pattern == PixelType_BayerGB8 ? kGB
                                                        : kGR;
  return colours[row % 2][column % 2];
}

// What a raw row holds: green at even or at odd columns, and the other colour
// of the row (`own`); `across` is the colour of the rows above and below.
struct RowColours {
  bool evenGreen;
  int own;
  int across;
};

RowColours ColoursOfRow(EPixelType pattern, int rawRow) {
  const bool evenGreen = ColourAt(pattern, rawRow, 0) == kGreen;
  const int own = ColourAt(pattern, rawRow, evenGreen ? 1 : 0);
  return {evenGreen, own, kBlue + kRed - own};
}

// Bilinear demosaic of column x of row c, whose neighbours are rows a and b:
// a missing colour is the mean of its two or four nearest samples, rounded.
void DemosaicPixel(const uint8_t* a, const uint8_t* c, const uint8_t* b, int x, const RowColours& row,
                   uint8_t* pixel) {
  if ((x % 2 == 0) == row.evenGreen) {
    pixel[kGreen] = c[x];
    pixel[row.own] = uint8_t((c[x - 1] + c[x + 1] + 1) >> 1);
    pixel[row.across] = uint8_t((a[x] + b[x] + 1) >> 1);
  } else {
    pixel[row.own] = c[x];
    pixel[kGreen] = uint8_t((a[x] + b[x] + c[x - 1] + c[x + 1] + 2) >> 2);
    pixel[row.across] = uint8_t((a[x - 1] + a[x + 1] + b[x - 1] + b[x + 1] + 2) >> 2);
  }
}

// Shuffles taking plane `channel`'s bytes into output vector `part` (of three)
// of 16 interleaved three-byte pixels, for both halves of a 256-bit register.
struct Shuffles {
  alignas(32) uint8_t mask[3][3][32];  // [part][channel]
  constexpr Shuffles() {
    for (int part = 0; part < 3; ++part)
      for (int channel = 0; channel < 3; ++channel)
        for (int i = 0; i < 16; ++i) {
          const int j = 16 * part + i;
          mask[part][channel][i] = mask[part][channel][i + 16] = j % 3 == channel ? uint8_t(j / 3) : 0x80;
        }
  }
};
constexpr Shuffles kShuffles;

// A raw row's samples from column x - 1 and x + 1 on, split into 16-bit lanes:
// lane k of the four holds columns x + 2k - 1, x + 2k, x + 2k + 1, x + 2k + 2.
struct Neighbours {
  __m256i left, centre, right, farRight;
};

__attribute__((target("avx2"), always_inline)) inline Neighbours Load(const uint8_t* row, int x) {
  const __m256i low = _mm256_set1_epi16(0x00FF);
  const __m256i from = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x - 1));
  const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x + 1));
  return {_mm256_and_si256(from, low), _mm256_srli_epi16(from, 8), _mm256_and_si256(next, low),
          _mm256_srli_epi16(next, 8)};
}

__attribute__((target("avx2"), always_inline)) inline __m256i Mean4(__m256i p, __m256i q, __m256i r,
                                                                    __m256i s) {
  const __m256i sum = _mm256_add_epi16(_mm256_add_epi16(p, q), _mm256_add_epi16(r, s));
  return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(2)), 2);
}

// Sixteen pixels' colours: green, the row's own other colour, and the colour
// of the rows above and below.
struct Colours {
  __m256i green, own, across;
};

__attribute__((target("avx2"), always_inline)) inline Colours GreenPixels(__m256i centre, __m256i left,
                                                                          __m256i right, __m256i up,
                                                                          __m256i down) {
  return {centre, _mm256_avg_epu16(left, right), _mm256_avg_epu16(up, down)};
}

__attribute__((target("avx2"), always_inline)) inline Colours OtherPixels(__m256i centre, __m256i left,
                                                                          __m256i right, __m256i up,
                                                                          __m256i down, __m256i diagonal) {
  return {Mean4(up, down, left, right), centre, diagonal};
}

// One channel of 32 pixels, even columns in the low bytes of the lanes.
__attribute__((target("avx2"), always_inline)) inline __m256i Plane(__m256i even, __m256i odd) {
  return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
}

__attribute__((target("avx2"), always_inline)) inline __m256i Interleaved(__m256i blue, __m256i green,
                                                                          __m256i red, const __m256i* masks) {
  return _mm256_or_si256(
      _mm256_or_si256(_mm256_shuffle_epi8(blue, masks[0]), _mm256_shuffle_epi8(green, masks[1])),
      _mm256_shuffle_epi8(red, masks[2]));
}

// Demosaics row c from column x (even) on into its pixels, 32 columns a step,
// as far as a step's samples lie within the row; returns the first column not
// done. The row's colours are fixed per instance, so that every value stays in
// a register.
template <bool kEvenGreen, bool kOwnBlue>
__attribute__((target("avx2"))) int DemosaicSteps(const uint8_t* a, const uint8_t* c, const uint8_t* b, int x,
                                                  int width, uint8_t* pixels) {
  __m256i masks[3][3];
  for (int part = 0; part < 3; ++part)
    for (int channel = 0; channel < 3; ++channel)
      masks[part][channel] =
          _mm256_load_si256(reinterpret_cast<const __m256i*>(kShuffles.mask[part][channel]));
  for (; x + kStep <= width - 1; x += kStep) {
    const Neighbours above = Load(a, x), here = Load(c, x), below = Load(b, x);
    Colours even, odd;
    if (kEvenGreen) {
      even = GreenPixels(here.centre, here.left, here.right, above.centre, below.centre);
      odd = OtherPixels(here.right, here.centre, here.farRight, above.right, below.right,
                        Mean4(above.centre, above.farRight, below.centre, below.farRight));
    } else {
      even = OtherPixels(here.centre, here.left, here.right, above.centre, below.centre,
                         Mean4(above.left, above.right, below.left, below.right));
      odd = GreenPixels(here.right, here.centre, here.farRight, above.right, below.right);
    }
    const __m256i own = Plane(even.own, odd.own), across = Plane(even.across, odd.across);
    const __m256i green = Plane(even.green, odd.green);
    const __m256i blue = kOwnBlue ? own : across, red = kOwnBlue ? across : own;
    uint8_t* out = pixels + 3 * x;
    // The low halves hold the first 16 pixels, the high halves the next 16.
    for (int part = 0; part < 3; ++part) {
      const __m256i bytes = Interleaved(blue, green, red, masks[part]);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * part), _mm256_castsi256_si128(bytes));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 48 + 16 * part), _mm256_extracti128_si256(bytes, 1));
    }
  }
  _mm256_zeroupper();  // code after this may use the older instructions, slowed by a dirty upper half
  return x;
}

struct MirroredFrame {
  const SInputImageFormat& input;
  const uint8_t* raw;
  uint8_t* target;
  uint32_t targetPitch;

  const uint8_t* RawRowOf(int row) const {
    return raw + size_t(int(input.Height) - 1 - row) * input.LinePitch;
  }
  uint8_t* TargetRow(int row) const { return target + size_t(row) * targetPitch; }

  // Row `row` of the mirrored frame, neither its first nor its last.
  void DemosaicRow(int row) const {
    const int width = int(input.Width);
    const uint8_t *a = RawRowOf(row - 1), *c = RawRowOf(row), *b = RawRowOf(row + 1);
    const RowColours colours = ColoursOfRow(input.PixelFormat, int(input.Height) - 1 - row);
    uint8_t* pixels = TargetRow(row);
    DemosaicPixel(a, c, b, 1, colours, pixels + 3);
    const auto steps =
        colours.evenGreen ? (colours.own == kBlue ? DemosaicSteps<true, true> : DemosaicSteps<true, false>)
                          : (colours.own == kBlue ? DemosaicSteps<false, true> : DemosaicSteps<false, false>);
    for (int x = steps(a, c, b, 2, width, pixels); x <= width - 2; ++x)
      DemosaicPixel(a, c, b, x, colours, pixels + 3 * x);
    // The first and last columns repeat their neighbours.
    std::memcpy(pixels, pixels + 3, 3);
    std::memcpy(pixels + 3 * (width - 1), pixels + 3 * (width - 2), 3);
  }
};

}  // namespace

bool DemosaicMirroredRows(const SInputImageFormat& input, const uint8_t* raw, uint8_t* target,
                          const SOutputImageFormat& output) {
  if (!IsBayer8(input.PixelFormat) || output.PixelFormat != PixelType_BGR8packed || input.Width < 3 ||
      input.Height < 3 || output.LinePitch < 3 * input.Width || !__builtin_cpu_supports("avx2"))
    return false;
  const MirroredFrame frame{input, raw, target, output.LinePitch};
  const int height = int(input.Height);
  cv::parallel_for_(cv::Range(1, height - 1), [&](const cv::Range& rows) {
    for (int row = rows.start; row < rows.end; ++row) frame.DemosaicRow(row);
  });
  // The first and last rows repeat their neighbours.
  const size_t rowBytes = 3 * size_t(input.Width);
  std::memcpy(frame.TargetRow(0), frame.TargetRow(1), rowBytes);
  std::memcpy(frame.TargetRow(height - 1), frame.TargetRow(height - 2), rowBytes);
  return true;
}
