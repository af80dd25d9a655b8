#pragma once

#include <cstddef>
#include <cstdio>
#include <vector>

namespace pixcodec {

// Reads a stdio file through a 64 KiB buffer of its own, so that the
// run-length decoders can take one byte at a time cheaply.
class ByteReader {
 public:
  explicit ByteReader(std::FILE* file);

  // Moves to `offset` from the start of the file; false when it cannot.
  bool Seek(long offset);
  // Copies up to `count` bytes; returns how many there were.
  std::size_t Read(unsigned char* dst, std::size_t count);
  // The next byte, or -1 at the end of the file or on a read error.
  int Byte() {
    if (m_pos == m_end && !Refill()) return -1;
    return m_buffer[m_pos++];
  }
  // The buffered bytes not yet taken (refilling when there are none), for
  // decoders that scan many bytes at a time; null at the end of the file.
  // Advance() then takes `count` of them.
  const unsigned char* Peek(std::size_t& available) {
    if (m_pos == m_end && !Refill()) return nullptr;
    available = m_end - m_pos;
    return m_buffer.data() + m_pos;
  }
  void Advance(std::size_t count) { m_pos += count; }
  // Skips `count` bytes; false when the file ends first.
  bool Skip(std::size_t count);
  bool Failed() const { return m_failed; }

 private:
  bool Refill();

  std::FILE* m_file;
  std::vector<unsigned char> m_buffer;
  std::size_t m_pos = 0;
  std::size_t m_end = 0;
  bool m_failed = false;
};

}  // namespace pixcodec
