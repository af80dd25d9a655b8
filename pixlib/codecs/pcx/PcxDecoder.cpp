#include "pixlib/codecs/pcx/PcxDecoder.h"

#include <algorithm>

namespace pixcodec {

namespace {
constexpr int kRunFlag = 0xC0;
}

PcxDecoder::PcxDecoder(ByteReader& reader, const PcxHeader& header)
    : m_reader(reader), m_header(header),
      m_line(std::size_t(header.bytesPerLine) * header.planes) {}

SourcePixels PcxDecoder::Pixels() const {
  return m_header.DirectColour() ? SourcePixels::Rgb : SourcePixels::Index;
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
// on into the next one.
bool PcxDecoder::DecodeScanLine() {
  std::size_t filled = 0;
  while (filled < m_line.size()) {
    if (m_runLeft > 0) {
      const std::size_t n = std::min<std::size_t>(m_runLeft, m_line.size() - filled);
      std::fill_n(m_line.begin() + filled, n, m_runValue);
      filled += n;
      m_runLeft -= static_cast<int>(n);
      continue;
    }
    const int byte = m_reader.Byte();
    if (byte < 0) return false;
    if ((byte & kRunFlag) != kRunFlag) {
      m_line[filled++] = static_cast<unsigned char>(byte);
      continue;
    }
    const int value = m_reader.Byte();
    if (value < 0) return false;
    m_runLeft = byte & ~kRunFlag;
    m_runValue = static_cast<unsigned char>(value);
  }
  return true;
}

void PcxDecoder::PlanesToPixels(unsigned char* buffer, int pixels) const {
  const unsigned char* line = m_line.data();
  const int bpl = m_header.bytesPerLine;
  const int bits = m_header.bitsPerPixel;
  if (m_header.DirectColour()) {
    for (int x = 0; x < pixels; ++x)
      for (int c = 0; c < 3; ++c) buffer[3 * x + c] = line[c * bpl + x];
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
