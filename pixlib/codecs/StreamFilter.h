#pragma once

#include <cstddef>

namespace pixcodec {

// A transformation applied in place to the compressed bytes of a JPEG stream
// as they are read or written (the scrambling of protected files). It is fed
// the stream in order, so it may keep state across blocks.
class StreamFilter {
 public:
  virtual ~StreamFilter() = default;
  virtual void Apply(unsigned char* bytes, std::size_t count) = 0;
};

}  // namespace pixcodec
