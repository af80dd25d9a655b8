#pragma once
// BXGrabber as a separate process over a test's station folder, and the named
// events another program (bxevent) pulses for it.
#include <sys/types.h>

#include <functional>
#include <string>

class StationFolder;

// BXGrabber running headless until it is sent SIGTERM; its output goes to
// "output.txt" in the state folder.
class HeadlessStation {
 public:
  explicit HeadlessStation(const StationFolder& folder);
  ~HeadlessStation() { Stop(); }
  HeadlessStation(const HeadlessStation&) = delete;
  HeadlessStation& operator=(const HeadlessStation&) = delete;

  // The exit code after SIGTERM, -1 when it did not exit normally.
  int Stop();

 private:
  pid_t m_pid = -1;
  int m_exitCode = -1;
};

// Pulses the named event with bxevent; its exit code.
int Pulse(const std::string& event);

// Pulses `event` until `done` holds (up to 20 s): a pulse reaches only a waiting
// station, so one sent while the station is still busy is sent again. A pulse of
// the event the station is not waiting for is ignored, so a repeat never makes
// an extra edge.
bool PulseUntil(const std::string& event, const std::function<bool()>& done);
