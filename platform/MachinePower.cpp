#include "platform/MachinePower.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

extern char** environ;

namespace bx {
namespace {

// Starts the command and reaps it in the background, so no zombie is left behind.
bool StartDetached(const std::vector<std::string>& command) {
  if (command.empty()) return false;
  std::vector<char*> argv;
  for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return true;
}

}  // namespace

std::vector<std::string> SystemMachinePower::ShutdownCommand(int code) {
  switch (code) {
    case 0:
    case 1:
      return {"systemctl", "poweroff"};
    case 2:
    case 3:
      return {"systemctl", "reboot"};
    default:
      return {};
  }
}

std::vector<std::string> SystemMachinePower::ClockSyncCommand(const std::string& server) {
  if (server.empty() || server.front() == '-') return {};
  return {"ntpdate", "-u", server};
}

bool SystemMachinePower::Shutdown(int code) { return StartDetached(ShutdownCommand(code)); }

bool SystemMachinePower::SyncClock(const std::string& server) {
  return StartDetached(ClockSyncCommand(server));
}

}  // namespace bx
