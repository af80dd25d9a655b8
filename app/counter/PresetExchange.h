#pragma once

#include <functional>

#include "app/counter/CounterCommandHandler.h"

// What the preset command acts on: the station's presets. The command runs on
// a network thread under the service's lock, so the station applies a preset
// later, on a thread of its own.
class IPresetHost {
 public:
  virtual ~IPresetHost() = default;
  // Queues the preset to be applied; returns at once.
  virtual void RequestPreset(int preset) = 0;
  virtual int GetPreset() = 0;
};

using PresetCall = std::function<void(IPresetHost&)>;
// Runs a call on the current host, if there is one, and keeps the host from
// going away until the call has returned.
using PresetHostAccess = std::function<void(const PresetCall&)>;

// The payload handler of a station. The payload's first int32 p: p >= 0
// requests preset p, p < 0 is replaced by the active preset. While there is no
// host the payload comes back unchanged.
CounterPayloadHandler MakePresetPayloadHandler(PresetHostAccess withHost);
