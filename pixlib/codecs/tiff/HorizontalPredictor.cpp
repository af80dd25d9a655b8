#include "pixlib/codecs/tiff/HorizontalPredictor.h"

#include <emmintrin.h>

namespace pixcodec {

namespace {

// The running sums of the pixels within one 16-byte vector: each shift and
// add doubles the pixels summed into every sample.
template <int kStep>
__m128i SumPixels(__m128i v) {
  v = _mm_add_epi8(v, _mm_slli_si128(v, kStep));
  v = _mm_add_epi8(v, _mm_slli_si128(v, 2 * kStep));
  if constexpr (4 * kStep < 16) v = _mm_add_epi8(v, _mm_slli_si128(v, 4 * kStep));
  if constexpr (8 * kStep < 16) v = _mm_add_epi8(v, _mm_slli_si128(v, 8 * kStep));
  return v;
}

// Whole pixels a vector at a time: the last pixel summed so far is added to
// the vector's first pixel before its sums are taken. With three samples a
// pixel a vector holds five pixels and one byte more; that byte is written
// with a wrong value, so the next vector is always read before the current
// one is written.
template <int kStep>
std::size_t SumVectors(unsigned char* row, std::size_t bytes) {
  constexpr int kBytes = 16 / kStep * kStep;
  if (bytes < kBytes + 16) return 0;
  const __m128i firstPixel = _mm_srli_si128(_mm_set1_epi8(-1), 16 - kStep);
  __m128i carry = _mm_setzero_si128();
  __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
  std::size_t at = 0;
  for (; at + kBytes + 16 <= bytes; at += kBytes) {
    const __m128i sums = SumPixels<kStep>(_mm_add_epi8(next, carry));
    next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + at + kBytes));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + at), sums);
    carry = _mm_and_si128(_mm_srli_si128(sums, kBytes - kStep), firstPixel);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(row + at), next);  // the bytes not summed, as they were
  return at;
}

}  // namespace

void UndoHorizontalPredictor(unsigned char* row, std::size_t bytes, int step) {
  if (step <= 0) return;
  std::size_t at = 0;
  if (step == 1) at = SumVectors<1>(row, bytes);
  if (step == 3) at = SumVectors<3>(row, bytes);
  if (step == 4) at = SumVectors<4>(row, bytes);
  const std::size_t back = static_cast<std::size_t>(step);
  for (std::size_t i = at > back ? at : back; i < bytes; ++i)
    row[i] = static_cast<unsigned char>(row[i] + row[i - back]);
}

}  // namespace pixcodec
