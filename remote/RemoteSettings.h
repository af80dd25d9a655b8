#pragma once

#include <string>

namespace bx {
class ProfileStore;
}

namespace remote {

// The HTTP service's settings, section "Remote Settings" of the station's
// profile. The port defaults to kBasePort plus the instance number, so that
// the stations of one machine never meet.
struct RemoteSettings {
  static constexpr const char* kSection = "Remote Settings";
  static constexpr int kBasePort = 8480;

  bool enabled = true;
  std::string listenAddress = "127.0.0.1";
  int port = kBasePort;
  std::string token;  // empty: no authentication
  // Out of service: shots are ignored until the station is back in service.
  bool inService = true;
  std::string serviceReason;

  // Reads the settings; `instance` is the station's instance suffix ("" or "2").
  static RemoteSettings Read(const bx::ProfileStore& profile, const std::string& instance);
  // Keeps the service state; false when the profile could not be written.
  static bool StoreService(bx::ProfileStore& profile, bool inService, const std::string& reason);
  // True for the loopback names and addresses (127.0.0.0/8, ::1, localhost).
  static bool IsLoopback(const std::string& address);
  // Why the service must not start with these settings, or "".
  std::string Refusal() const;
};

}  // namespace remote
