#pragma once

#include <cstddef>
#include <vector>

namespace pixcodec {

// Walks the segments of a JPEG before its first scan. read(offset, n, out)
// fills `out` with n bytes at offset and is false past the end;
// visit(marker, payload) gets each segment's payload (after its length
// field) for the markers `wanted` says yes to. False when the stream is not
// a JPEG or breaks off inside a segment.
template <class Read, class Wanted, class Visit>
bool ForEachJpegSegment(Read&& read, Wanted&& wanted, Visit&& visit) {
  constexpr unsigned char kStartOfScan = 0xDA, kEndOfImage = 0xD9;
  unsigned char head[4];
  if (!read(0, 2, head) || head[0] != 0xFF || head[1] != 0xD8) return false;
  std::size_t pos = 2;
  std::vector<unsigned char> payload;
  while (read(pos, 2, head)) {
    if (head[0] != 0xFF) return false;
    const unsigned char marker = head[1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == kStartOfScan || marker == kEndOfImage) break;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // standalone markers
      pos += 2;
      continue;
    }
    if (!read(pos + 2, 2, head + 2)) return false;
    const std::size_t length = static_cast<std::size_t>(head[2] << 8 | head[3]);
    if (length < 2) return false;
    if (wanted(marker)) {
      payload.resize(length - 2);
      if (!read(pos + 4, payload.size(), payload.data())) return false;
      visit(marker, payload);
    }
    pos += 2 + length;
  }
  return true;
}

}  // namespace pixcodec
