#pragma once

#include <cstddef>

namespace pixcodec {

// Bytes that must follow a strip's codes in memory (any value) so that codes
// can be read eight bytes at a time.
inline constexpr std::size_t kLzwInputPadding = 8;

// True when a strip's first bytes are those of the old, least significant
// bit first LZW codes, which this decoder does not read.
bool IsOldStyleLzw(const unsigned char* codes, std::size_t bytes);

// Decodes one LZW strip (most significant bit first, code width growing one
// code early, a table reset by the clear code) into `out`. Stops at the
// end-of-information code, when `outBytes` bytes are produced (the rest of a
// longer string is dropped), when the codes run out, or at a code the table
// cannot hold. Returns the number of bytes produced: `outBytes` when the
// strip is whole. Reads at most `codeBytes` + kLzwInputPadding bytes and
// writes only inside `out`. `codesRead`, when given, receives the number of
// codes taken (for measurements).
std::size_t DecodeLzwStrip(const unsigned char* codes, std::size_t codeBytes, unsigned char* out,
                           std::size_t outBytes, std::size_t* codesRead = nullptr);

}  // namespace pixcodec
