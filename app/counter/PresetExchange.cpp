#include "app/counter/PresetExchange.h"

#include "app/counter/CounterMessage.h"

namespace {

std::int32_t FirstInt(std::span<const std::uint8_t, kCounterPayloadSize> payload) {
  CounterMessage message;
  std::copy(payload.begin(), payload.end(), message.Payload().begin());
  return message.Value();
}

void SetFirstInt(std::span<std::uint8_t, kCounterPayloadSize> payload, std::int32_t value) {
  CounterMessage message;
  message.SetValue(value);
  std::copy_n(message.Payload().begin(), 4, payload.begin());
}

}  // namespace

CounterPayloadHandler MakePresetPayloadHandler(PresetHostAccess withHost) {
  return [withHost = std::move(withHost)](std::span<std::uint8_t, kCounterPayloadSize> payload) {
    const std::int32_t preset = FirstInt(payload);
    withHost([&](IPresetHost& host) {
      if (preset >= 0) {
        host.RequestPreset(preset);
      } else {
        SetFirstInt(payload, host.GetPreset());
      }
    });
  };
}
