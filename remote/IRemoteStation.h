#pragma once

#include "remote/StationSnapshot.h"

#include <string>

namespace remote {

// What the HTTP service needs of the station it serves. Calls come from the
// service's connection threads: implementations must be thread-safe and must
// not wait for a shot to be saved.
class IRemoteStation {
 public:
  virtual ~IRemoteStation() = default;

  virtual StationSnapshot Snapshot() const = 0;
  // A shot through the Shot button's path; the refusal's reason, or "" when
  // the shot was released.
  virtual std::string Shoot() = 0;
  // Applies a preset as the film-number service's preset command does; false
  // for a preset the station does not have.
  virtual bool ApplyPreset(int preset) = 0;
  // Out of service (with its reason) or back in service; kept as a setting.
  virtual void SetInService(bool inService, const std::string& reason) = 0;
};

}  // namespace remote
