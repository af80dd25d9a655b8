#include "pixlib/codecs/pcx/PcxDecoder.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace pixcodec {

namespace {

constexpr int kRunFlag = 0xC0;
constexpr int kLongestRun = 63;

// Decodes codes while every one of them fits: eight input bytes and the
// byte after them (the value of a run code that is the eighth) are there,
// and any run fits in the output. Literals are found
// eight at a time (a run code has both top bits set) and copied as a word;
// a run writes 16 bytes of its value at once, of which only its own count
// stays (a run of 0 writes nothing that stays).
void DecodeWithRoom(const unsigned char* in, std::size_t available, unsigned char* out, std::size_t size,
                    std::size_t& used, std::size_t& filled) {
  static_assert(std::endian::native == std::endian::little, "literal words are read little-endian");
  constexpr std::size_t kShortRun = 16;
  constexpr std::uint64_t kTopBits = 0x8080808080808080u;
  std::size_t i = used, o = filled;
  while (i + 9 <= available && o + kLongestRun + kShortRun <= size) {
    std::uint64_t word;
    std::memcpy(&word, in + i, 8);
    std::memcpy(out + o, &word, 8);
    const std::uint64_t runCodes = word & (word << 1) & kTopBits;
    if (runCodes == 0) {
      i += 8;
      o += 8;
      continue;
    }
    const std::size_t literals = static_cast<std::size_t>(std::countr_zero(runCodes)) / 8;
    i += literals;
    o += literals;
    const std::size_t count = in[i] & ~kRunFlag;
    const unsigned char value = in[i + 1];
    std::memset(out + o, value, kShortRun);
    if (count > kShortRun) std::memset(out + o, value, count);
    o += count;
    i += 2;
  }
  used = i;
  filled = o;
}

}  // namespace

PcxDecoder::PcxDecoder(ByteReader& reader, const PcxHeader& header)
    : m_reader(reader), m_header(header), m_line(std::size_t(header.bytesPerLine) * header.planes) {}

SourcePixels PcxDecoder::Pixels() const {
  return m_header.DirectColour() ? SourcePixels::Bgr : SourcePixels::Index;
}

int PcxDecoder::Restart() {
  m_runLeft = 0;
  m_status = m_reader.Seek(PcxHeader::kSize) ? kGood : kReadError;
  return m_status;
}

int PcxDecoder::ReadRow(unsigned char* buffer, int pixels) {
  if (m_status != kGood) return m_status;
  if (!DecodeScanLine()) return m_status = m_reader.Failed() ? kReadError : kEndOfFile;
  PlanesToPixels(buffer, pixels);
  return kGood;
}

// A byte with both top bits set repeats the next byte (low six bits = count);
// any other byte stands for itself. A run longer than the scan line carries
// on into the next one. Bytes are scanned straight from the reader's buffer.
bool PcxDecoder::DecodeScanLine() {
  const std::size_t size = m_line.size();
  unsigned char* out = m_line.data();
  std::size_t filled = 0;
  while (filled < size) {
    if (m_runLeft > 0) {
      const std::size_t n = std::min<std::size_t>(m_runLeft, size - filled);
      std::memset(out + filled, m_runValue, n);
      filled += n;
      m_runLeft -= static_cast<int>(n);
      continue;
    }
    std::size_t available = 0;
    const unsigned char* in = m_reader.Peek(available);
    if (in == nullptr) return false;
    std::size_t used = 0;
    DecodeWithRoom(in, available, out, size, used, filled);
    while (used < available && filled < size) {
      const unsigned char byte = in[used];
      if (byte < kRunFlag) {
        out[filled++] = byte;
        ++used;
        continue;
      }
      if (used + 1 == available) break;  // the run's value is in the next buffer
      const int run = byte & ~kRunFlag;
      const unsigned char value = in[used + 1];
      used += 2;
      const std::size_t n = std::min<std::size_t>(run, size - filled);
      for (std::size_t i = 0; i < n; ++i) out[filled + i] = value;
      filled += n;
      if (static_cast<std::size_t>(run) > n) {
        m_runLeft = run - static_cast<int>(n);
        m_runValue = value;
      }
    }
    m_reader.Advance(used);
    if (used + 1 == available && filled < size) {
      const int run = in[used] & ~kRunFlag;  // read before the buffer is refilled
      m_reader.Advance(1);
      const int value = m_reader.Byte();
      if (value < 0) return false;
      m_runLeft = run;
      m_runValue = static_cast<unsigned char>(value);
    }
  }
  return true;
}

void PcxDecoder::PlanesToPixels(unsigned char* buffer, int pixels) const {
  const unsigned char* line = m_line.data();
  const int bpl = m_header.bytesPerLine;
  const int bits = m_header.bitsPerPixel;
  if (m_header.DirectColour()) {  // planes R, G, B into B, G, R pixels
    const unsigned char *red = line, *green = line + bpl, *blue = line + 2 * bpl;
    for (int x = 0; x < pixels; ++x, buffer += 3) {
      buffer[0] = blue[x];
      buffer[1] = green[x];
      buffer[2] = red[x];
    }
    return;
  }
  if (bits == 8) {
    std::copy_n(line, pixels, buffer);
    return;
  }
  const int perByte = 8 / bits;
  const int mask = (1 << bits) - 1;
  for (int x = 0; x < pixels; ++x) {
    const int shift = 8 - bits * (x % perByte + 1);
    int index = 0;
    for (int plane = 0; plane < m_header.planes; ++plane)
      index |= ((line[plane * bpl + x / perByte] >> shift) & mask) << (plane * bits);
    buffer[x] = static_cast<unsigned char>(index);
  }
}

}  // namespace pixcodec
