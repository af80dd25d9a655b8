#include "platform/ProgramRestart.h"

#include <linux/close_range.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bx {

ExecProgramRestart::ExecProgramRestart(int argc, char** argv, std::string executable)
    : arguments_(argv, argv + argc), executable_(std::move(executable)) {}

void ExecProgramRestart::Restart() {
  std::vector<char*> argv;
  for (std::string& arg : arguments_) argv.push_back(arg.data());
  argv.push_back(nullptr);
  syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC);
  execv(executable_.c_str(), argv.data());
  // Other threads may still run: no static destructors, no exit handlers.
  std::fprintf(stderr, "Restart: cannot start %s: %s\n", executable_.c_str(), std::strerror(errno));
  std::_Exit(EXIT_FAILURE);
}

}  // namespace bx
