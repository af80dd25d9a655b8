// Two processes: the headless station follows named events that another program
// (bxevent) pulses, and the example external functions library vetoes a shot.
#include "StationFixture.h"

#include "app/StartupSettings.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// BXGrabber running headless until it is sent SIGTERM.
class HeadlessStation {
 public:
  explicit HeadlessStation(const StationFolder& folder) {
    const std::string output = (folder.StateFolder() / "output.txt").string();
    m_pid = ::fork();
    if (m_pid == 0) {
      ::setenv("BX_CONFIG_DIR", folder.ConfigFolder().c_str(), 1);
      ::setenv("BX_STATE_DIR", folder.StateFolder().c_str(), 1);
      const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(fd, STDOUT_FILENO);
      ::dup2(fd, STDERR_FILENO);
      ::execl(BX_GRABBER_PATH, "BXGrabber", "--headless", static_cast<char*>(nullptr));
      ::_exit(127);
    }
  }
  ~HeadlessStation() { Stop(); }

  // The exit code after SIGTERM, -1 when it did not exit normally.
  int Stop() {
    if (m_pid <= 0) return m_exitCode;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m_exitCode;
  }

 private:
  pid_t m_pid = -1;
  int m_exitCode = -1;
};

int Pulse(const std::string& event) {
  return std::system((std::string("'" BXEVENT_PATH "' pulse '") + event + "'").c_str());
}

// Pulses `event` until `done` holds: a pulse reaches only a waiting station, so one
// sent while the station is still busy is sent again. A pulse of the event the
// station is not waiting for is ignored, so a repeat never makes an extra edge.
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

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

class TriggeredHeadlessTest : public ::testing::Test {
 protected:
  void WriteProfile(const std::string& externalFunctions) {
    m_folder.WriteProfile(m_folder.PhotoFolder().string() + "/",
                          "[Trigger Settings]\nTrigger Source=1\nTriggerFilter=0\nMinDelay=0\n"
                          "[Program Settings]\nEnable Log=1\nExternal Functions=" +
                              externalFunctions + "\n");
  }
  size_t Logged(const std::string& line) const {
    return Count(ReadFile(m_folder.StateFolder() / "BXGrabber.log"), "\t" + line + "\n");
  }
  bool Trigger(size_t photos) {
    return PulseUntil(m_folder.RiseEventName(), [&] { return m_folder.SavedPhotos().size() >= photos; });
  }
  bool Release(size_t falls) {
    return PulseUntil(m_folder.FallEventName(), [&] { return Logged("Trigger Fall Edge") >= falls; });
  }
  std::string Output() const { return ReadFile(m_folder.StateFolder() / "output.txt"); }

  StationFolder m_folder;
};

TEST_F(TriggeredHeadlessTest, TwentyPulsesFromAnotherProgramGiveTwentyPhotos) {
  WriteProfile(kDefaultExternalFunctions);
  HeadlessStation station(m_folder);
  for (size_t photo = 1; photo <= 20; ++photo) {
    ASSERT_TRUE(Trigger(photo)) << "photo " << photo << "\n" << Output();
    ASSERT_TRUE(Release(photo)) << "photo " << photo << "\n" << Output();
  }
  EXPECT_EQ(station.Stop(), 0) << Output();
  EXPECT_EQ(m_folder.SavedPhotos().size(), 20u);
  EXPECT_EQ(Logged("Trigger"), 20u);
  // The default library is not installed here: that is nothing to log.
  EXPECT_EQ(Count(ReadFile(m_folder.StateFolder() / "BXGrabber.log"), "External functions not loaded"), 0u);
}

TEST_F(TriggeredHeadlessTest, TheExampleLibraryVetoesOneShotAndLetsTheNextThrough) {
  WriteProfile(EXAMPLE_FUNCTIONS_PATH);
  HeadlessStation station(m_folder);
  ASSERT_TRUE(PulseUntil(m_folder.RiseEventName(), [&] { return Logged("PreTrigger result=FALSE") == 1; }))
      << Output();
  ASSERT_TRUE(Release(1)) << Output();
  ASSERT_TRUE(Trigger(1)) << Output();
  EXPECT_EQ(station.Stop(), 0) << Output();

  EXPECT_EQ(m_folder.SavedPhotos().size(), 1u);
  EXPECT_EQ(Logged("PreTrigger result=TRUE"), 1u);
  const std::string notes = ReadFile(m_folder.StateFolder() / "BXGrabber.log.example");
  EXPECT_EQ(notes.rfind("Init BXGrabber enabled=1\n", 0), 0u) << notes;
  EXPECT_EQ(Count(notes, "PreTrigger refuse\n"), 1u) << notes;
  EXPECT_EQ(Count(notes, "PreTrigger allow\n"), 1u) << notes;
}

}  // namespace
