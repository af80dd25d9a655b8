#include "pixlib/codecs/jpeg/JpegExtent.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace pixcodec {

namespace {

constexpr int kStartOfScan = 0xDA;
constexpr int kEndOfImage = 0xD9;

// Sequential reads of the file up to a limit, through one buffer.
class ByteReader {
 public:
  ByteReader(std::FILE* file, long limit) : m_file(file), m_limit(limit), m_buffer(1 << 16) {}

  bool Seek(long offset) {
    if (offset > m_limit || std::fseek(m_file, offset, SEEK_SET) != 0) return false;
    m_base = offset;
    m_size = m_next = 0;
    return true;
  }
  long Position() const { return m_base + static_cast<long>(m_next); }
  // The next byte, or -1 at the limit or on a read error.
  int Next() {
    if (m_next == m_size && !Fill()) return -1;
    return m_buffer[m_next++];
  }
  // Skips to the next 0xFF byte and consumes it; false when there is none.
  bool SkipToMarkerByte() {
    for (;;) {
      if (m_next == m_size && !Fill()) return false;
      const void* found = std::memchr(m_buffer.data() + m_next, 0xFF, m_size - m_next);
      if (found != nullptr) {
        m_next = static_cast<const unsigned char*>(found) - m_buffer.data() + 1;
        return true;
      }
      m_next = m_size;
    }
  }

 private:
  bool Fill() {
    m_base += static_cast<long>(m_size);
    const long room = m_limit - m_base;
    if (room <= 0) return false;
    m_size =
        std::fread(m_buffer.data(), 1, std::min(m_buffer.size(), static_cast<std::size_t>(room)), m_file);
    m_next = 0;
    return m_size > 0;
  }

  std::FILE* m_file;
  long m_limit;
  std::vector<unsigned char> m_buffer;
  long m_base = 0;
  std::size_t m_size = 0;
  std::size_t m_next = 0;
};

// After a scan header: the entropy-coded data runs to the first 0xFF that is
// neither a stuffed zero nor a restart marker. The marker code, or -1.
int SkipEntropyCodedData(ByteReader& reader) {
  for (;;) {
    if (!reader.SkipToMarkerByte()) return -1;
    int code = reader.Next();
    while (code == 0xFF) code = reader.Next();
    if (code < 0) return -1;
    if (code != 0x00 && (code < 0xD0 || code > 0xD7)) return code;
  }
}

bool IsStandalone(int code) { return code == 0x01 || (code >= 0xD0 && code <= 0xD7); }

// The code of the marker that must follow (fill bytes skipped), or -1.
int ReadMarker(ByteReader& reader) {
  if (reader.Next() != 0xFF) return -1;
  int code = reader.Next();
  while (code == 0xFF) code = reader.Next();
  return code;
}

}  // namespace

std::optional<long> JpegImageEnd(std::FILE* file, long limit) {
  ByteReader reader(file, limit);
  if (!reader.Seek(0) || reader.Next() != 0xFF || reader.Next() != 0xD8) return std::nullopt;
  int code = ReadMarker(reader);
  while (code >= 0) {
    if (code == kEndOfImage) return reader.Position();
    if (IsStandalone(code)) {
      code = ReadMarker(reader);
      continue;
    }
    const int high = reader.Next(), low = reader.Next();
    const int length = high << 8 | low;
    if (high < 0 || low < 0 || length < 2 || !reader.Seek(reader.Position() + length - 2))
      return std::nullopt;
    code = code == kStartOfScan ? SkipEntropyCodedData(reader) : ReadMarker(reader);
  }
  return std::nullopt;
}

}  // namespace pixcodec
