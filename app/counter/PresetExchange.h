#pragma once

#include <functional>

#include "app/counter/CounterCommandHandler.h"

// What the preset command acts on: the main window's presets.
class IPresetHost {
 public:
  virtual ~IPresetHost() = default;
  virtual void ApplyPreset(int preset) = 0;
  virtual int GetPreset() = 0;
};

// The payload handler of a station. The payload's first int32 p: p >= 0
// applies preset p, p < 0 is replaced by the active preset. `host` gives the
// current host; while there is none the payload comes back unchanged.
CounterPayloadHandler MakePresetPayloadHandler(std::function<IPresetHost*()> host);
