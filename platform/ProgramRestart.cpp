#include "platform/ProgramRestart.h"

#include <linux/close_range.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>

namespace bx {

ExecProgramRestart::ExecProgramRestart(int argc, char** argv) : arguments_(argv, argv + argc) {}

void ExecProgramRestart::Restart() {
  std::vector<char*> argv;
  for (std::string& arg : arguments_) argv.push_back(arg.data());
  argv.push_back(nullptr);
  syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC);
  execv("/proc/self/exe", argv.data());
  std::exit(0);
}

}  // namespace bx
