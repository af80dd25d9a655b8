#include "tests/codecs/PhotoCdCorrections.h"

#include <algorithm>
#include <random>

namespace codectest {

namespace {


class BitWriter {
 public:
  void Put(unsigned value, int count) {
    for (int i = count - 1; i >= 0; --i) m_bits.push_back((value >> i & 1) != 0);
  }
  void Align() {
    while (m_bits.size() % 8 != 0) m_bits.push_back(false);
  }
  std::vector<unsigned char> Bytes() {
    Align();
    std::vector<unsigned char> bytes(m_bits.size() / 8, 0);
    for (std::size_t i = 0; i < m_bits.size(); ++i)
      if (m_bits[i]) bytes[i / 8] |= static_cast<unsigned char>(0x80 >> (i % 8));
    return bytes;
  }

 private:
  std::vector<bool> m_bits;
};

void PutRecordHeader(BitWriter& bits, int plane, int row) {
  bits.Put(0xFFFFFE, 24);
  bits.Put(static_cast<unsigned>(plane << 14 | row << 1), 16);
}

}  // namespace

const std::vector<Code> kCodes = {
    {1, 0b0, 0}, {2, 0b10, 3}, {3, 0b110, -3}, {4, 0b1110, 40}, {5, 0b11110, -40}};

std::vector<unsigned char> FourBaseSectors(const std::vector<Code>& codes, unsigned seed, int rows) {
  std::vector<unsigned char> bytes(kSector, 0);
  bytes[0] = static_cast<unsigned char>(codes.size() - 1);
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const unsigned code16 = codes[i].bits << (16 - codes[i].length);
    const unsigned char entry[4] = {
        static_cast<unsigned char>(codes[i].length - 1), static_cast<unsigned char>(code16 >> 8),
        static_cast<unsigned char>(code16), static_cast<unsigned char>(codes[i].correction)};
    std::copy(entry, entry + 4, bytes.begin() + 1 + 4 * static_cast<long>(i));
  }
  std::mt19937 random(seed);
  BitWriter bits;
  for (int row = 0; row < rows; ++row) {
    PutRecordHeader(bits, 0, row);
    for (int x = 0; x < 1536; ++x) {
      const Code& code = codes[random() % codes.size()];
      bits.Put(code.bits, code.length);
    }
    bits.Align();
  }
  PutRecordHeader(bits, 0, 1024);
  const std::vector<unsigned char> data = bits.Bytes();
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

}  // namespace codectest
