#include "tests/pylon/FakeCameraProcess.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

bool FakeCameraProcess::Available() { return access(kProgram, X_OK) == 0; }

FakeCameraProcess::FakeCameraProcess(const std::string& serial) {
  const pid_t parent = getpid();
  m_pid = fork();
  if (m_pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execl(kProgram, kProgram, "-i", "127.0.0.1", "-s", serial.c_str(), nullptr);
    _exit(127);
  }
}

FakeCameraProcess::~FakeCameraProcess() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(m_pid, nullptr, WNOHANG) == m_pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(m_pid, SIGKILL);
  waitpid(m_pid, nullptr, 0);
}
