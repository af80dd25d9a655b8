// Every program answers --help and -h with its usage on standard output and exit code 0.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

struct Result {
  int exitCode = -1;
  std::string output;
};

Result RunProgram(const std::string& command) {
  Result result;
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 256> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe)) result.output += buffer.data();
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST(ToolHelp, EveryProgramPrintsItsUsageAndSucceeds) {
  const std::array<std::pair<const char*, const char*>, 5> programs{{
      {BXGRABBER_PATH, "--shots N"},
      {BXCOUNTER_PATH, "alloc N"},
      {BXEVENT_PATH, "pulse"},
      {BXCAM_PATH, "grab"},
      {PIXTOOL_PATH, "convert IN OUT"},
  }};
  for (const auto& [path, usage] : programs) {
    for (const char* help : {" --help", " -h"}) {
      const Result run = RunProgram(std::string("'") + path + "'" + help);
      EXPECT_EQ(run.exitCode, 0) << path << help;
      EXPECT_NE(run.output.find(usage), std::string::npos) << path << help << "\n" << run.output;
    }
  }
}

}  // namespace
