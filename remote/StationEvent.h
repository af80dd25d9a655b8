#pragma once

#include <cstdint>
#include <string>

namespace remote {

// One thing that happened at the station, as subscribers receive it: a number
// that grows by one per event, its name (docs/remote.md lists them) and its
// data as a JSON object.
struct StationEvent {
  std::uint64_t id = 0;
  std::string name;
  std::string json;
};

}  // namespace remote
