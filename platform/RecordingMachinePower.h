#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/MachinePower.h"

namespace bx {

// Records the requests instead of acting on the machine.
class RecordingMachinePower final : public MachinePower {
 public:
  bool Shutdown(int code) override {
    std::lock_guard<std::mutex> guard(mutex_);
    shutdownCodes_.push_back(code);
    return IsShutdownCode(code);
  }
  bool SyncClock(const std::string& server) override {
    std::lock_guard<std::mutex> guard(mutex_);
    clockServers_.push_back(server);
    return true;
  }
  std::vector<int> ShutdownCodes() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return shutdownCodes_;
  }
  std::vector<std::string> ClockServers() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return clockServers_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<int> shutdownCodes_;
  std::vector<std::string> clockServers_;
};

}  // namespace bx
