#include "app/counter/CounterMessage.h"

#include <bit>

namespace {

std::uint64_t ReadLittleEndian(const std::uint8_t* bytes, std::size_t count) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < count; ++i) value |= std::uint64_t{bytes[i]} << (8 * i);
  return value;
}

void WriteLittleEndian(std::uint8_t* bytes, std::size_t count, std::uint64_t value) {
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

CounterMessage CounterMessage::Request(CounterCommand command) {
  CounterMessage message;
  WriteLittleEndian(message.m_bytes.data(), 4, kCounterMagic);
  message.SetCode(static_cast<std::uint8_t>(command));
  return message;
}

bool CounterMessage::HasMagic() const { return ReadLittleEndian(m_bytes.data(), 4) == kCounterMagic; }

std::int32_t CounterMessage::Value() const {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(ReadLittleEndian(m_bytes.data() + kDataOffset, 4)));
}

void CounterMessage::SetValue(std::int32_t value) {
  WriteLittleEndian(m_bytes.data() + kDataOffset, 4, static_cast<std::uint32_t>(value));
}

double CounterMessage::Date() const {
  return std::bit_cast<double>(ReadLittleEndian(m_bytes.data() + kDataOffset, 8));
}

void CounterMessage::SetDate(double days) {
  WriteLittleEndian(m_bytes.data() + kDataOffset, 8, std::bit_cast<std::uint64_t>(days));
}

std::span<std::uint8_t, kCounterPayloadSize> CounterMessage::Payload() {
  return std::span<std::uint8_t, kCounterPayloadSize>(m_bytes.data() + kDataOffset, kCounterPayloadSize);
}

std::span<const std::uint8_t, kCounterPayloadSize> CounterMessage::Payload() const {
  return std::span<const std::uint8_t, kCounterPayloadSize>(m_bytes.data() + kDataOffset,
                                                            kCounterPayloadSize);
}
