#include "pixlib/codecs/photocd/FourBaseCorrections.h"

#include <array>
#include <memory>

namespace pixcodec::photocd {

namespace {

constexpr long kTableSector = 388;
constexpr std::uint32_t kSync = 0xFFFFFE;
constexpr int kSyncBits = 24;
constexpr int kHeaderBits = 16;
constexpr int kLongestCode = 16;

// Bits of the pack from the current position on, first bit highest.
class BitReader {
 public:
  explicit BitReader(PackReader& pack) : m_pack(pack) {}

  // The next n bits (at most 24); false when the pack ends first.
  bool Peek(int n, std::uint32_t& bits) {
    while (m_count < n) {
      if (m_next == m_end && !Refill()) return false;
      m_window = m_window << 8 | *m_next++;
      m_count += 8;
    }
    bits = static_cast<std::uint32_t>(m_window >> (m_count - n)) & ((1u << n) - 1);
    return true;
  }
  void Skip(int n) { m_count -= n; }

 private:
  bool Refill() {
    m_next = m_buffer.data();
    m_end = m_next + m_pack.ReadUpTo(m_buffer.data(), m_buffer.size());
    return m_next != m_end;
  }

  PackReader& m_pack;
  std::array<std::uint8_t, kSectorSize> m_buffer{};
  const std::uint8_t* m_next = nullptr;
  const std::uint8_t* m_end = nullptr;
  std::uint64_t m_window = 0;
  int m_count = 0;
};

// Codes looked up by the next 16 bits.
class HuffmanTable {
 public:
  bool Read(const std::uint8_t* sector) {
    const int codes = sector[0] + 1;
    for (int n = 0; n < codes; ++n) {
      const std::uint8_t* entry = sector + 1 + 4 * n;
      const int length = entry[0] + 1;
      const std::uint32_t code = std::uint32_t(entry[1]) << 8 | entry[2];
      if (length > kLongestCode || !Enter(length, code, static_cast<std::int8_t>(entry[3]))) return false;
    }
    return true;
  }

  // The correction of the next code; false on a sequence no code matches.
  bool Decode(BitReader& bits, int& correction) {
    std::uint32_t next = 0;
    int available = kLongestCode;
    while (!bits.Peek(available, next))
      if (--available == 0) return false;
    next <<= kLongestCode - available;
    const Entry& entry = m_entries[next];
    if (entry.length == 0 || entry.length > available) return false;
    bits.Skip(entry.length);
    correction = entry.correction;
    return true;
  }

 private:
  struct Entry {
    std::uint8_t length = 0;
    std::int8_t correction = 0;
  };

  // False when the code overlaps one entered before.
  bool Enter(int length, std::uint32_t code, std::int8_t correction) {
    const std::uint32_t first = code & ~((1u << (kLongestCode - length)) - 1),
                        count = 1u << (kLongestCode - length);
    for (std::uint32_t i = first; i < first + count; ++i) {
      if (m_entries[i].length != 0) return false;
      m_entries[i] = Entry{static_cast<std::uint8_t>(length), correction};
    }
    return true;
  }

  std::array<Entry, 1 << kLongestCode> m_entries{};
};

bool FindSync(BitReader& bits) {
  std::uint32_t window = 0;
  while (bits.Peek(kSyncBits, window)) {
    if (window == kSync) {
      bits.Skip(kSyncBits);
      return true;
    }
    bits.Skip(1);
  }
  return false;
}

bool AddCorrections(BitReader& bits, HuffmanTable& table, YccImage& image) {
  for (int records = 0; records < image.height; ++records) {
    std::uint32_t header = 0;
    if (!FindSync(bits) || !bits.Peek(kHeaderBits, header)) {
      ReportFatal("Error while reading.\n");
      return false;
    }
    bits.Skip(kHeaderBits);
    const std::uint32_t plane = header >> 14, row = header >> 1 & 0x1FFF;
    if (plane != 0 || row >= static_cast<std::uint32_t>(image.height)) return true;
    std::uint8_t* luminance = &image.y[std::size_t(row) * image.width];
    for (int x = 0; x < image.width; ++x) {
      int correction = 0;
      if (!table.Decode(bits, correction)) {
        ReportFatal("Error in Huffman-Sequence, try option -rep\n");
        return false;
      }
      const int value = luminance[x] + correction;
      luminance[x] = static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
    }
  }
  return true;
}

}  // namespace

bool ReadFourBaseImage(PackReader& pack, YccImage& image) {
  // The table is read before any interpolation, and the chroma interpolated
  // after the corrections, so that a broken pack costs little.
  if (!ReadBaseSamples(pack, 2, image, 2)) return false;
  std::array<std::uint8_t, kSectorSize> sector{};
  if (!pack.SeekSector(kTableSector) || !pack.Read(sector.data(), sector.size())) return false;
  auto table = std::make_unique<HuffmanTable>();
  if (!table->Read(sector.data())) {
    ReportFatal("Error in Huffman-Code-Table\n");
    return false;
  }
  InterpolateLuminance(image, 2);
  BitReader bits(pack);
  if (!AddCorrections(bits, *table, image)) return false;
  InterpolateChroma(image, 2);
  return true;
}

}  // namespace pixcodec::photocd
