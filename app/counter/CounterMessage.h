#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The 24-byte film-number message, identical for request and reply.
// Integers are little-endian; the value, date and payload share offset 5.
constexpr std::size_t kCounterMessageSize = 24;
constexpr std::size_t kCounterPayloadSize = 16;
constexpr std::uint32_t kCounterMagic = 0x54415256;  // 'TARV'
constexpr std::uint8_t kCounterReplyMark = 0xFF;

enum class CounterCommand : std::uint8_t {
  GetNumber = 0,
  Allocate = 1,
  SetNumber = 2,
  GetTime = 3,
  Shutdown = 4,
  Exchange = 5,
};

class CounterMessage {
 public:
  using Bytes = std::array<std::uint8_t, kCounterMessageSize>;

  CounterMessage() = default;
  explicit CounterMessage(const Bytes& bytes) : m_bytes(bytes) {}

  // A request with the magic and the command set, everything else zero.
  static CounterMessage Request(CounterCommand command);

  bool HasMagic() const;
  std::uint8_t Code() const { return m_bytes[kCodeOffset]; }
  void SetCode(std::uint8_t code) { m_bytes[kCodeOffset] = code; }
  bool IsReply() const { return HasMagic() && Code() == kCounterReplyMark; }

  std::int32_t Value() const;
  void SetValue(std::int32_t value);
  double Date() const;
  void SetDate(double days);
  std::span<std::uint8_t, kCounterPayloadSize> Payload();
  std::span<const std::uint8_t, kCounterPayloadSize> Payload() const;

  const Bytes& bytes() const { return m_bytes; }
  Bytes& bytes() { return m_bytes; }

 private:
  static constexpr std::size_t kCodeOffset = 4;
  static constexpr std::size_t kDataOffset = 5;

  Bytes m_bytes{};
};
