#include "tests/platform/RunShell.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>

CommandRun RunShell(const std::string& commandLine) {
  CommandRun run;
  FILE* pipe = ::popen(commandLine.c_str(), "r");
  if (!pipe) return run;
  std::array<char, 512> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe)) run.output += buffer.data();
  const int status = ::pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}
