#pragma once

#include <array>
#include <cstdint>

#include "pixlib/codecs/StreamFilter.h"

namespace pixcodec {

// RC4 keystream over an 8-byte key, XORed onto the stream; the keystream runs
// on across blocks, so the block size does not change the result.
class Rc4Filter : public StreamFilter {
 public:
  static constexpr std::size_t kKeySize = 8;
  explicit Rc4Filter(const unsigned char* key);
  void Apply(unsigned char* bytes, std::size_t count) override;

 private:
  std::array<std::uint8_t, 256> m_state{};
  std::uint8_t m_i = 0;
  std::uint8_t m_j = 0;
};

}  // namespace pixcodec
