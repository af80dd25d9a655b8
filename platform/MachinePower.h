#pragma once

#include <string>
#include <vector>

namespace bx {

// Shutting down or restarting the machine, and setting its clock from a time server.
// Tests always use RecordingMachinePower.
class MachinePower {
 public:
  // Shutdown codes: 0 shut down (forcing), 1 power off (forcing), 2 restart,
  // 3 restart (forcing hung programs); any other code does nothing.
  static bool IsShutdownCode(int code) { return code >= 0 && code <= 3; }

  virtual ~MachinePower() = default;
  // False for an unknown code or when the request could not be made.
  virtual bool Shutdown(int code) = 0;
  // Starts setting the clock from `server`; does not wait for it.
  virtual bool SyncClock(const std::string& server) = 0;
};

// The machine's own power-off, reboot and clock-sync commands.
class SystemMachinePower final : public MachinePower {
 public:
  bool Shutdown(int code) override;
  bool SyncClock(const std::string& server) override;

  // The command lines run, exposed so they can be checked without running them.
  static std::vector<std::string> ShutdownCommand(int code);
  static std::vector<std::string> ClockSyncCommand(const std::string& server);
};

}  // namespace bx
