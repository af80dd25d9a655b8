// The real restart: this test program runs again in place, with the same
// arguments and folder and without the descriptors it had open.
#include "platform/ProgramRestart.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/platform/TempFolder.h"

namespace {

constexpr char kProbeVariable[] = "BX_RESTART_PROBE";

// In the restarted program, before any test runs: reports where and how it
// runs, then ends.
const bool kRestartedProgramReported = [] {
  const char* probe = std::getenv(kProbeVariable);
  if (probe == nullptr) return false;
  const bool inheritedOpen = ::fcntl(3, F_GETFD) != -1;  // before this opens files
  char folder[4096] = {};
  if (::getcwd(folder, sizeof folder) == nullptr) std::_Exit(5);
  std::ifstream commandLine("/proc/self/cmdline");
  std::stringstream arguments;
  arguments << commandLine.rdbuf();
  std::ofstream(probe) << folder << "\n"
                       << arguments.str() << "\n"
                       << (inheritedOpen ? "open" : "closed") << "\n";
  std::_Exit(0);
}();

TEST(ProgramRestart, RunsTheProgramAgainWithItsArgumentsInItsFolder) {
  TempFolder folder;
  const std::string probe = folder.Path() + "/probe";
  std::string self(4096, '\0');
  self.resize(::readlink("/proc/self/exe", self.data(), self.size()));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setenv(kProbeVariable, probe.c_str(), 1);
    if (::chdir(folder.Path().c_str()) != 0) ::_exit(3);
    ::dup2(::open("/dev/null", O_RDONLY), 3);  // an inherited descriptor, e.g. a listening socket
    std::string arguments[] = {self, "--first", "second argument"};
    char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data()};
    bx::ExecProgramRestart(3, argv).Restart();
    ::_exit(4);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::ifstream report(probe);
  std::string where, arguments, descriptor;
  std::getline(report, where);
  std::getline(report, arguments);
  std::getline(report, descriptor);
  EXPECT_EQ(where, folder.Path());
  EXPECT_EQ(arguments, self + '\0' + "--first" + '\0' + "second argument" + '\0');
  EXPECT_EQ(descriptor, "closed");
}

// A service manager starts the program again only when it ends with a failure.
TEST(ProgramRestart, AProgramThatCannotStartAgainEndsWithAFailure) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::string name = "BXGrabber";
    char* argv[] = {name.data()};
    bx::ExecProgramRestart(1, argv, "/nonexistent/BXGrabber").Restart();
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 0);
}

}  // namespace
