#include "pixlib/core/TextDecoding.h"

namespace {

// Length and first-byte payload of a UTF-8 sequence led by b; 0 for a byte
// that cannot lead one.
int SequenceLength(unsigned char b, char32_t& payload) {
  if (b < 0x80) return payload = b, 1;
  if (b >= 0xC2 && b <= 0xDF) return payload = b & 0x1F, 2;
  if (b >= 0xE0 && b <= 0xEF) return payload = b & 0x0F, 3;
  if (b >= 0xF0 && b <= 0xF4) return payload = b & 0x07, 4;
  return 0;
}

// Decodes one well-formed sequence at text[i]; 0 when it is not one
// (truncated, bad continuation, overlong, surrogate or beyond U+10FFFF).
int DecodeSequence(std::string_view text, size_t i, char32_t& cp) {
  const int length = SequenceLength(static_cast<unsigned char>(text[i]), cp);
  if (length == 0 || i + length > text.size()) return 0;
  for (int k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (b & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::u32string DecodeText(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const int length = DecodeSequence(text, i, cp);
    if (length > 0) {
      out.push_back(cp);
      i += length;
    } else {
      out.push_back(static_cast<unsigned char>(text[i]));
      ++i;
    }
  }
  return out;
}
