#include "pixlib/codecs/tiff/LzwStripDecoder.h"

#include <cstdint>
#include <cstring>

namespace pixcodec {

namespace {

constexpr unsigned kClear = 256;
constexpr unsigned kEndOfInformation = 257;
constexpr unsigned kFirstFree = 258;
constexpr unsigned kTableSize = 4096;
constexpr unsigned kMinWidth = 9;
constexpr unsigned kMaxWidth = 12;
constexpr std::size_t kShortString = 16;

// The strings of the literal codes, each byte followed by enough bytes for a
// wide copy of it.
struct Alphabet {
  unsigned char bytes[256 + kShortString];
  constexpr Alphabet() : bytes() {
    for (unsigned i = 0; i < 256; ++i) bytes[i] = static_cast<unsigned char>(i);
  }
};
constexpr Alphabet kAlphabet;

std::uint64_t LoadBigEndian64(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return __builtin_bswap64(v);
}

// Every string in the table is one the strip's output (or, for the literal
// codes, the alphabet) already holds: the table keeps where it starts and its
// length, and emitting a code copies it from there. Literals and strings take
// the same path; only the clear code, the end code and a code that is not yet
// in the table leave it.
class StripDecoder {
 public:
  StripDecoder(const unsigned char* codes, std::size_t codeBytes, unsigned char* out, std::size_t outBytes)
      : m_codes(codes), m_codeBits(codeBytes * 8), m_out(out), m_outEnd(out + outBytes) {
    for (unsigned c = 0; c < 256; ++c) {
      m_start[c] = &kAlphabet.bytes[c];
      m_length[c] = 1;
    }
  }

  // Returns the number of bytes produced.
  std::size_t Decode();
  std::size_t CodesRead() const { return m_codesRead; }

 private:
  const unsigned char* m_codes;
  const std::size_t m_codeBits;
  unsigned char* const m_out;
  unsigned char* const m_outEnd;
  std::size_t m_codesRead = 0;
  const unsigned char* m_start[kTableSize];
  std::uint32_t m_length[kTableSize];
};

std::size_t StripDecoder::Decode() {
  // Kept in locals: stores through the output pointer would otherwise force
  // members to be reloaded after every string.
  std::size_t bitPos = 0;
  std::size_t codesRead = 0;
  unsigned width = kMinWidth;
  unsigned next = kFirstFree;
  unsigned char* dst = m_out;
  const unsigned char* prevStart = nullptr;  // the previous code's string in the output
  std::uint32_t prevLength = 0;              // 0: no previous code since the last clear
  const auto nextCode = [&]() -> unsigned {
    if (bitPos + width > m_codeBits) return kEndOfInformation;  // the codes ran out
    const std::uint64_t window = LoadBigEndian64(m_codes + (bitPos >> 3)) << (bitPos & 7);
    bitPos += width;
    ++codesRead;
    return static_cast<unsigned>(window >> (64 - width));
  };
  // The previous string extended by the first byte that followed it.
  const auto addEntry = [&] {
    if (next >= kTableSize) return;
    m_start[next] = prevStart;
    m_length[next] = prevLength + 1;
    ++next;
    if (next == (1u << width) - 1 && width < kMaxWidth) ++width;
  };
  for (;;) {
    unsigned code = nextCode();
    if (code >= next || code == kClear || code == kEndOfInformation) [[unlikely]] {
      if (code == kEndOfInformation) break;
      if (code == kClear) {
        width = kMinWidth;
        next = kFirstFree;
        code = nextCode();
        if (code >= 256) break;  // the end code, or a string the empty table lacks
        prevStart = dst;
        prevLength = 1;
        *dst++ = static_cast<unsigned char>(code);
        if (dst == m_outEnd) break;
        continue;
      }
      if (code > next || prevLength == 0 || next >= kTableSize) break;  // not a code the table can hold
      // The code about to be defined: the previous string and its first byte.
      const std::size_t room = static_cast<std::size_t>(m_outEnd - dst);
      const std::uint32_t length = prevLength + 1;
      const unsigned char first = *prevStart;
      addEntry();
      std::memmove(dst, prevStart, length - 1 < room ? length - 1 : room);
      if (length > room) {
        dst = m_outEnd;
        break;
      }
      dst[length - 1] = first;
      prevStart = dst;
      prevLength = length;
      dst += length;
      if (dst == m_outEnd) break;
      continue;
    }
    if (prevLength == 0) [[unlikely]] {
      if (code >= 256) break;  // a string before any table was built
    } else {
      addEntry();  // ends with this string's first byte, written below
    }
    const unsigned char* src = m_start[code];
    const std::uint32_t length = m_length[code];
    const std::size_t room = static_cast<std::size_t>(m_outEnd - dst);
    if (length + kShortString <= room) [[likely]] {
      // Wide copies (one for most strings): the string ends before dst, and
      // the bytes copied past its end are overwritten by the strings that follow.
      std::uint32_t done = 0;
      do {
        unsigned char wide[kShortString];
        std::memcpy(wide, src + done, kShortString);
        std::memcpy(dst + done, wide, kShortString);
        done += kShortString;
      } while (done < length);
    } else {
      std::memcpy(dst, src, length < room ? length : room);
    }
    prevStart = dst;
    prevLength = length;
    if (length >= room) {
      dst = m_outEnd;
      break;
    }
    dst += length;
  }
  m_codesRead = codesRead;
  return static_cast<std::size_t>(dst - m_out);
}

}  // namespace

bool IsOldStyleLzw(const unsigned char* codes, std::size_t bytes) {
  return bytes >= 2 && codes[0] == 0 && (codes[1] & 1) != 0;
}

std::size_t DecodeLzwStrip(const unsigned char* codes, std::size_t codeBytes, unsigned char* out,
                           std::size_t outBytes, std::size_t* codesRead) {
  if (outBytes == 0) return 0;
  StripDecoder decoder(codes, codeBytes, out, outBytes);
  const std::size_t produced = decoder.Decode();
  if (codesRead != nullptr) *codesRead = decoder.CodesRead();
  return produced;
}

}  // namespace pixcodec
