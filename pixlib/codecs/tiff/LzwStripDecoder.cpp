#include "pixlib/codecs/tiff/LzwStripDecoder.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace pixcodec {

namespace {

constexpr unsigned kClear = 256;
constexpr unsigned kEndOfInformation = 257;
constexpr unsigned kTableSize = 4096;
constexpr unsigned kMinWidth = 9;
constexpr unsigned kMaxWidth = 12;
constexpr std::size_t kWide = 16;
// The length the clear and end codes have in the table: longer than any
// output copied wide, so the room check that every string passes sends them aside.
constexpr std::uint32_t kNoString = 0xFFFFFFFFu;
constexpr std::size_t kMaxWideOutput = kNoString - 1;

// The strings of the literal codes, each byte followed by enough bytes for a
// wide copy of it.
struct Alphabet {
  unsigned char bytes[256 + kWide];
  constexpr Alphabet() : bytes() {
    for (unsigned i = 0; i < 256; ++i) bytes[i] = static_cast<unsigned char>(i);
  }
};
constexpr Alphabet kAlphabet;

// The codes of width W that one 64-bit load holds whole: it starts up to seven bits before the first.
template <unsigned W>
using CodesPerLoad = std::make_integer_sequence<unsigned, (64 - 7) / W>;

std::uint64_t LoadBigEndian64(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return __builtin_bswap64(v);
}

// Emitting a code copies its string from where the table says it starts, in
// 16-byte steps (one for most strings): the string ends before the output
// position, and the bytes copied past its end are overwritten by the strings
// that follow. Each string written begins the table's next entry (it and the
// first byte of the string after it). Literals and strings take the same
// path; the clear and end codes, the entry still pending and the last strings
// of the output, which must be copied exactly, leave it. The table never needs
// a reset: a clear only moves the pending entry back.
class StripDecoder {
 public:
  StripDecoder(const unsigned char* codes, std::size_t codeBytes, unsigned char* out, std::size_t outBytes)
      : m_codes(codes), m_codeBits(codeBytes * 8), m_out(out), m_outBytes(outBytes) {
    for (unsigned c = 0; c < 256; ++c) {
      m_start[c] = &kAlphabet.bytes[c];
      m_length[c] = 1;
    }
    m_start[kClear] = m_start[kEndOfInformation] = kAlphabet.bytes;
    m_length[kClear] = m_length[kEndOfInformation] = kNoString;
  }

  // Returns the number of bytes produced.
  std::size_t Decode();
  std::size_t CodesRead() const { return m_codesRead; }

 private:
  const unsigned char* m_codes;
  const std::size_t m_codeBits;
  unsigned char* const m_out;
  const std::size_t m_outBytes;
  std::size_t m_codesRead = 0;
  // Where each code's string starts, and its length. One more than the
  // codes: an entry begun while the table is full goes to the last.
  const unsigned char* m_start[kTableSize + 1];
  std::uint32_t m_length[kTableSize + 1];
};

std::size_t StripDecoder::Decode() {
  // Kept in locals: stores through the output pointer would otherwise force
  // members to be reloaded after every string.
  std::size_t bitPos = 0;
  unsigned width = kMinWidth, shift = 64 - kMinWidth, widthLimit = (1u << kMinWidth) - 1;
  // The entry the next code completes: the string just written and the first
  // byte of the next one. Codes below it are whole; the code itself is the
  // string just written and its own first byte. After a clear it is the end
  // code, whose entry stays as it is: the first code after a clear then needs
  // no path of its own.
  unsigned pending = kEndOfInformation;
  unsigned char* dst = m_out;
  unsigned char* const outEnd = m_out + m_outBytes;
  // Codes are counted per stretch of one width, off the per-code path.
  std::size_t codesRead = 0, stretchStart = 0;
  const auto endStretch = [&] {
    codesRead += (bitPos - stretchStart) / width;
    stretchStart = bitPos;
  };
  // The pending entry is whole once a string follows it: the next one starts
  // with the string written at `dst`, `length` bytes. An entry begun while the
  // table is full goes to the spare place after the last code.
  const auto begin = [&](std::uint32_t length) {
    if (++pending == widthLimit) [[unlikely]] {
      if (width == kMaxWidth) {
        pending = kTableSize;
      } else {
        endStretch();
        ++width;
        shift = 64 - width;
        widthLimit = width < kMaxWidth ? (1u << width) - 1 : kTableSize + 1;
      }
    }
    m_start[pending] = dst;
    m_length[pending] = length + 1;
  };
  // Strings are copied wide while they end at most here.
  unsigned char* const wideEnd =
      m_outBytes >= kWide ? m_out + (m_outBytes < kMaxWideOutput ? m_outBytes : kMaxWideOutput) - kWide
                          : m_out;
  // Copies a whole code's string wide and sets `length`; false when the code
  // needs more care.
  const auto copyWide = [&](unsigned code, std::uint32_t& length) __attribute__((always_inline)) {
    if (code >= pending) [[unlikely]]
      return false;
    const unsigned char* src = m_start[code];
    length = m_length[code];
    if (reinterpret_cast<std::uintptr_t>(dst) + length > reinterpret_cast<std::uintptr_t>(wideEnd))
        [[unlikely]]
      return false;
    unsigned char wide[kWide];
    std::memcpy(wide, src, kWide);
    std::memcpy(dst, wide, kWide);
    for (std::size_t done = kWide; done < length; done += kWide) [[unlikely]] {
        std::memcpy(wide, src + done, kWide);
        std::memcpy(dst + done, wide, kWide);
      }
    return true;
  };
  // Emits a whole code with wide copies; false when it needs more care.
  const auto emitWide = [&](unsigned code) {
    std::uint32_t length;
    if (!copyWide(code, length)) [[unlikely]]
      return false;
    begin(length);
    dst += length;
    return true;
  };
  // Codes of width W, as many from one load as it holds, while the table
  // cannot reach the next width among them and every code copies wide:
  // the shifts are constants and the width needs no check per code. Stops
  // at the first code that needs more care, `bitPos` on it.
  const auto groupsOf = [&]<unsigned W, unsigned... I>(std::integer_sequence<unsigned, I...>)
      __attribute__((always_inline)) {
    constexpr unsigned kPerLoad = sizeof...(I);
    const std::ptrdiff_t lastGroup = static_cast<std::ptrdiff_t>(m_codeBits) - kPerLoad * W;
    for (;;) {
      if (pending + kPerLoad >= widthLimit || static_cast<std::ptrdiff_t>(bitPos) > lastGroup) return;
      const std::uint64_t window = LoadBigEndian64(m_codes + (bitPos >> 3)) << (bitPos & 7);
      const auto emit = [&](unsigned i) __attribute__((always_inline)) {
        std::uint32_t length;
        if (!copyWide(static_cast<unsigned>(window << (i * W) >> (64 - W)), length)) [[unlikely]]
          return false;
        ++pending;
        m_start[pending] = dst;
        m_length[pending] = length + 1;
        dst += length;
        return true;
      };
      unsigned done = 0;
      const bool whole = ((emit(I) && ++done) && ...);
      bitPos += done * W;
      if (!whole) return;
    }
  };
  // Everything else: false when decoding ends. Kept inline: as a call it
  // would move the locals it shares out of registers.
  const auto emitWithCare = [&](unsigned code) __attribute__((always_inline)) {
    if (code == kEndOfInformation) return false;
    if (code == kClear) {
      endStretch();
      width = kMinWidth;
      shift = 64 - kMinWidth;
      widthLimit = (1u << kMinWidth) - 1;
      pending = kEndOfInformation;
      return true;
    }
    if (code > pending) return false;  // not a code the table can hold
    // The pending code overlaps the output it is copied to: copying forward
    // byte by byte repeats the string's first byte at its end.
    const unsigned char* src = m_start[code];
    const std::uint32_t whole = m_length[code];
    const std::size_t room = static_cast<std::size_t>(outEnd - dst);
    const std::size_t length = whole < room ? whole : room;
    for (std::size_t i = 0; i < length; ++i) dst[i] = src[i];
    begin(whole);
    dst += length;
    return dst != outEnd;
  };
  for (;;) {
    switch (width) {
      case 9:
        groupsOf.template operator()<9>(CodesPerLoad<9>());
        break;
      case 10:
        groupsOf.template operator()<10>(CodesPerLoad<10>());
        break;
      case 11:
        groupsOf.template operator()<11>(CodesPerLoad<11>());
        break;
      default:
        groupsOf.template operator()<12>(CodesPerLoad<12>());
        break;
    }
    // One code at a time where the groups stop.
    if (bitPos + width > m_codeBits) break;  // the codes ran out
    const unsigned code =
        static_cast<unsigned>((LoadBigEndian64(m_codes + (bitPos >> 3)) << (bitPos & 7)) >> shift);
    bitPos += width;
    if (!emitWide(code) && !emitWithCare(code)) break;
  }
  endStretch();
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
