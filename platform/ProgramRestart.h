#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace bx {

// Starting the running program again with the same arguments and working directory.
class ProgramRestart {
 public:
  virtual ~ProgramRestart() = default;
  // The real restart never returns: it replaces the process, or ends it with a
  // failure (so that a service manager starts it again) when the executable
  // cannot be started. Fakes return.
  virtual void Restart() = 0;
};

// Re-executes this process's executable in place, with every inherited descriptor
// beyond the standard three closed, so listening sockets and ports are released.
class ExecProgramRestart final : public ProgramRestart {
 public:
  // `executable` is what starts again: this program unless a test names another.
  ExecProgramRestart(int argc, char** argv, std::string executable = "/proc/self/exe");
  void Restart() override;

 private:
  std::vector<std::string> arguments_;
  std::string executable_;
};

// Counts restart requests instead of restarting.
class RecordingProgramRestart final : public ProgramRestart {
 public:
  void Restart() override { ++restarts; }
  std::atomic<int> restarts{0};  // the watchdog restarts from a thread of its own
};

}  // namespace bx
