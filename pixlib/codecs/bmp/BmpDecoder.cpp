#include "pixlib/codecs/bmp/BmpDecoder.h"

#include <cstring>

#include "pixlib/codecs/LittleEndian.h"

namespace pixcodec {

namespace {

std::size_t PaddedRowBytes(int width, int bitCount) {
  return ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
}

// 1- and 4-bit rows, most significant bits first.
void UnpackIndices(const unsigned char* raw, unsigned char* dst, int pixels, int bits) {
  const int perByte = 8 / bits;
  const int mask = (1 << bits) - 1;
  for (int x = 0; x < pixels; ++x) {
    const int shift = 8 - bits * (x % perByte + 1);
    dst[x] = static_cast<unsigned char>((raw[x / perByte] >> shift) & mask);
  }
}

// 16- or 32-bit pixels through their masks into B, G, R (and A when the
// destination has four channels: opaque without an alpha field).
void ExpandFields(const unsigned char* raw, unsigned char* dst, int pixels, int bytesPerPixel, int channels,
                  const std::array<BitField, 4>& fields) {
  for (int x = 0; x < pixels; ++x, raw += bytesPerPixel, dst += channels) {
    const std::uint32_t v = bytesPerPixel == 2 ? Le16(raw) : Le32(raw);
    for (int c = 0; c < 3; ++c) dst[c] = fields[c].Extract(v);
    if (channels == 4) dst[3] = fields[3].bits > 0 ? fields[3].ExtractAlpha(v) : 255;
  }
}

}  // namespace

BmpDecoder::BmpDecoder(ByteReader& reader, const BmpHeader& header) : m_reader(reader), m_header(header) {
  if (header.compression != BmpHeader::kRle8 && header.compression != BmpHeader::kRle4)
    m_raw.resize(PaddedRowBytes(header.width, header.bitCount));
}

SourcePixels BmpDecoder::Pixels() const {
  if (m_header.bitCount <= 8) return SourcePixels::Index;
  return m_header.bitCount == 32 || m_header.HasAlpha() ? SourcePixels::Bgra : SourcePixels::Bgr;
}

int BmpDecoder::ReadRow(unsigned char* buffer, int pixels) {
  if (m_status != kGood) return m_status;
  if (m_header.compression == BmpHeader::kRle8 || m_header.compression == BmpHeader::kRle4)
    return ReadRunLength(buffer, pixels);
  return ReadUncompressed(buffer, pixels);
}

// Rows whose bytes are already the source pixels (indices, B, G, R or B, G, R, A).
bool BmpDecoder::PlainPixels() const {
  const int bits = m_header.bitCount;
  return bits == 8 || bits == 24 || (bits == 32 && m_header.standardFields);
}

std::size_t BmpDecoder::PlainRowBytes() const {
  return m_header.compression != BmpHeader::kRle8 && m_header.compression != BmpHeader::kRle4 && PlainPixels()
             ? m_raw.size()
             : 0;
}

int BmpDecoder::ReadUncompressed(unsigned char* buffer, int pixels) {
  const int bits = m_header.bitCount;
  // Plain rows go straight into the caller's buffer; only the padding is skipped.
  const std::size_t direct = PlainPixels() ? std::size_t(pixels) * (bits / 8) : 0;
  if (direct > 0) {
    if (m_reader.Read(buffer, direct) != direct || !m_reader.Skip(m_raw.size() - direct))
      return Fail(m_reader.Failed() ? kReadError : kEndOfFile);
    return kGood;
  }
  if (m_reader.Read(m_raw.data(), m_raw.size()) != m_raw.size())
    return Fail(m_reader.Failed() ? kReadError : kEndOfFile);
  if (bits < 8)
    UnpackIndices(m_raw.data(), buffer, pixels, bits);
  else
    ExpandFields(m_raw.data(), buffer, pixels, bits / 8, SourceBytes(Pixels()), m_header.fields);
  return kGood;
}

// Run-length rows: (count, value) runs, and escapes after a zero count: end
// of line, end of bitmap, a delta, or a literal run padded to a 16-bit word.
// Nothing is written past the row's end.
int BmpDecoder::ReadRunLength(unsigned char* buffer, int pixels) {
  std::memset(buffer, 0, static_cast<std::size_t>(pixels));
  if (m_blankRows > 0) {
    --m_blankRows;
    return kGood;
  }
  const bool fourBit = m_header.compression == BmpHeader::kRle4;
  int x = m_resumeX;
  m_resumeX = 0;
  for (;;) {
    const int count = m_reader.Byte();
    const int value = m_reader.Byte();
    if (value < 0) return Fail(m_reader.Failed() ? kReadError : kEndOfFile);
    if (count > 0) {
      for (int i = 0; i < count && x < pixels; ++i, ++x)
        buffer[x] = static_cast<unsigned char>(!fourBit ? value : (i & 1) ? value & 15 : value >> 4);
      continue;
    }
    switch (value) {
      case 0:
        return kGood;
      case 1:
        return Fail(kEndOfBitmap);
      case 2: {
        const int dx = m_reader.Byte();
        const int dy = m_reader.Byte();
        if (dy < 0) return Fail(m_reader.Failed() ? kReadError : kEndOfFile);
        x += dx;
        if (dy == 0) break;
        m_blankRows = dy - 1;
        m_resumeX = x;
        return kGood;
      }
      default:
        if (!ReadLiteral(buffer, pixels, x, value)) return Fail(m_reader.Failed() ? kReadError : kEndOfFile);
    }
  }
}

bool BmpDecoder::ReadLiteral(unsigned char* buffer, int pixels, int& x, int count) {
  const bool fourBit = m_header.compression == BmpHeader::kRle4;
  const int bytes = fourBit ? (count + 1) / 2 : count;
  unsigned char literal[256];
  if (m_reader.Read(literal, std::size_t(bytes)) != std::size_t(bytes)) return false;
  if ((bytes & 1) != 0 && m_reader.Byte() < 0) return false;
  for (int i = 0; i < count && x < pixels; ++i, ++x)
    buffer[x] = !fourBit ? literal[i] : (i & 1) ? literal[i / 2] & 15 : literal[i / 2] >> 4;
  return true;
}

}  // namespace pixcodec
