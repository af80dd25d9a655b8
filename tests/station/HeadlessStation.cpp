#include "HeadlessStation.h"

#include "StationFixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace std::chrono_literals;

HeadlessStation::HeadlessStation(const StationFolder& folder) {
  const std::string output = (folder.StateFolder() / "output.txt").string();
  m_pid = ::fork();
  if (m_pid == 0) {
    ::setenv("BX_CONFIG_DIR", folder.ConfigFolder().c_str(), 1);
    ::setenv("BX_STATE_DIR", folder.StateFolder().c_str(), 1);
    const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ::dup2(fd, STDOUT_FILENO);
    ::dup2(fd, STDERR_FILENO);
    ::execl(BX_GRABBER_PATH, "BXGrabber", "--headless", static_cast<char*>(nullptr));
    ::_exit(127);
  }
}

int HeadlessStation::Stop() {
  if (m_pid <= 0) return m_exitCode;
  ::kill(m_pid, SIGTERM);
  int status = 0;
  ::waitpid(m_pid, &status, 0);
  m_pid = -1;
  m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return m_exitCode;
}

int Pulse(const std::string& event) {
  return std::system((std::string("'" BXEVENT_PATH "' pulse '") + event + "'").c_str());
}

bool PulseUntil(const std::string& event, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (std::chrono::steady_clock::now() < deadline) {
    if (Pulse(event) != 0) return false;
    for (int i = 0; i < 25; ++i) {
      if (done()) return true;
      std::this_thread::sleep_for(20ms);
    }
  }
  return done();
}
