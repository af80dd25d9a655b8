#pragma once
// The ICC profile a file carries: JPEG APP2 "ICC_PROFILE" chunks joined in
// sequence order, or the TIFF tag 34675.

#include <cstddef>
#include <vector>

namespace pixcodec {

// Collects APP2 chunks while scanning JPEG segments, then joins them. A chunk
// count that disagrees, a missing or repeated sequence number, or a chunk
// without the full header gives no profile.
class IccChunkJoiner {
 public:
  // One APP2 payload (after the length field). Payloads of other APP2
  // segments are ignored.
  void Add(const unsigned char* payload, std::size_t size);
  // The whole profile, or empty when the chunks do not make one.
  std::vector<unsigned char> Join() const;

 private:
  struct Chunk {
    int sequence;
    int count;
    std::vector<unsigned char> data;
  };
  std::vector<Chunk> m_chunks;
  bool m_malformed = false;
};

// The profile of a JPEG in memory (segments up to the first scan); empty
// without one.
std::vector<unsigned char> JpegEmbeddedProfile(const unsigned char* bytes, std::size_t size);
// The profile of the file at path (JPEG or TIFF), or empty.
std::vector<unsigned char> ReadEmbeddedProfile(const char* path);

}  // namespace pixcodec
