#include "pixlib/codecs/tga/TgaDecoder.h"

#include <algorithm>
#include <cstring>

namespace pixcodec {

TgaDecoder::TgaDecoder(ByteReader& reader, const TgaHeader& header)
    : m_reader(reader), m_header(header), m_fileBytes(header.BytesPerPixel()) {
  if (m_fileBytes == 2) m_raw.resize(std::size_t(header.width) * 2);
}

SourcePixels TgaDecoder::Pixels() const {
  if (m_fileBytes == 1) return SourcePixels::Index;
  return m_fileBytes == 4 ? SourcePixels::Bgra : SourcePixels::Bgr;
}

std::size_t TgaDecoder::PlainRowBytes() const {
  const bool plain = !m_header.RunLength() && !m_header.RightToLeft() && m_fileBytes != 2;
  return plain ? std::size_t(m_header.width) * m_fileBytes : 0;
}

int TgaDecoder::ReadRow(unsigned char* buffer, int pixels) {
  if (m_status != kGood) return m_status;
  unsigned char* file = m_fileBytes == 2 ? m_raw.data() : buffer;
  if (!ReadFilePixels(file, pixels)) return m_status = m_reader.Failed() ? kReadError : kEndOfFile;
  if (m_fileBytes == 2) ToSourcePixels(file, buffer, pixels);
  if (m_header.RightToLeft()) ReverseRow(buffer, pixels, SourceBytes(Pixels()));
  return kGood;
}

bool TgaDecoder::ReadFilePixels(unsigned char* dst, int pixels) {
  if (m_header.RunLength()) return ReadPackets(dst, pixels);
  const std::size_t bytes = std::size_t(pixels) * m_fileBytes;
  return m_reader.Read(dst, bytes) == bytes;
}

// A packet header below 128 starts header + 1 literal pixels; from 128 on,
// the next pixel repeats header - 127 times. Packets carry over row ends.
bool TgaDecoder::ReadPackets(unsigned char* dst, int pixels) {
  for (int x = 0; x < pixels;) {
    if (m_packetLeft == 0) {
      const int header = m_reader.Byte();
      if (header < 0) return false;
      m_repeat = header >= 128;
      m_packetLeft = (header & 0x7F) + 1;
      if (m_repeat && m_reader.Read(m_pixel, m_fileBytes) != std::size_t(m_fileBytes)) return false;
    }
    const int n = std::min(m_packetLeft, pixels - x);
    unsigned char* out = dst + std::size_t(x) * m_fileBytes;
    if (!m_repeat) {
      if (m_reader.Read(out, std::size_t(n) * m_fileBytes) != std::size_t(n) * m_fileBytes) return false;
    } else {
      for (int i = 0; i < n; ++i) std::memcpy(out + i * m_fileBytes, m_pixel, m_fileBytes);
    }
    x += n;
    m_packetLeft -= n;
  }
  return true;
}

void TgaDecoder::ToSourcePixels(const unsigned char* file, unsigned char* buffer, int pixels) const {
  for (int x = 0; x < pixels; ++x) ExpandTga16(file + 2 * x, buffer + 3 * x);
}

}  // namespace pixcodec
