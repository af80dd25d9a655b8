#include "pixlib/codecs/Rc4Filter.h"

#include <utility>

namespace pixcodec {

Rc4Filter::Rc4Filter(const unsigned char* key) {
  for (int i = 0; i < 256; ++i) m_state[i] = static_cast<std::uint8_t>(i);
  std::uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = static_cast<std::uint8_t>(j + m_state[i] + key[i % kKeySize]);
    std::swap(m_state[i], m_state[j]);
  }
}

void Rc4Filter::Apply(unsigned char* bytes, std::size_t count) {
  for (std::size_t n = 0; n < count; ++n) {
    m_i = static_cast<std::uint8_t>(m_i + 1);
    m_j = static_cast<std::uint8_t>(m_j + m_state[m_i]);
    std::swap(m_state[m_i], m_state[m_j]);
    bytes[n] ^= m_state[static_cast<std::uint8_t>(m_state[m_i] + m_state[m_j])];
  }
}

}  // namespace pixcodec
