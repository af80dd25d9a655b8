#include "pixlib/codecs/ByteReader.h"

#include <algorithm>
#include <cstring>

namespace pixcodec {

namespace {
constexpr std::size_t kBufferBytes = 64 * 1024;
}

ByteReader::ByteReader(std::FILE* file) : m_file(file), m_buffer(kBufferBytes) {}

bool ByteReader::Seek(long offset) {
  m_pos = m_end = 0;
  return offset >= 0 && std::fseek(m_file, offset, SEEK_SET) == 0;
}

bool ByteReader::Refill() {
  m_pos = 0;
  m_end = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
  if (m_end == 0 && std::ferror(m_file)) m_failed = true;
  return m_end > 0;
}

std::size_t ByteReader::Read(unsigned char* dst, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    if (m_pos == m_end) {
      // Large remainders go straight from the file to the caller.
      if (count - done >= m_buffer.size()) {
        const std::size_t got = std::fread(dst + done, 1, count - done, m_file);
        if (got < count - done && std::ferror(m_file)) m_failed = true;
        return done + got;
      }
      if (!Refill()) break;
    }
    const std::size_t n = std::min(count - done, m_end - m_pos);
    std::memcpy(dst + done, m_buffer.data() + m_pos, n);
    m_pos += n;
    done += n;
  }
  return done;
}

bool ByteReader::Skip(std::size_t count) {
  const std::size_t buffered = std::min(count, m_end - m_pos);
  m_pos += buffered;
  count -= buffered;
  if (count == 0) return true;
  while (count > 0) {
    if (!Refill()) return false;
    const std::size_t n = std::min(count, m_end);
    m_pos = n;
    count -= n;
  }
  return true;
}

}  // namespace pixcodec
