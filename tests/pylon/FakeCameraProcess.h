#pragma once
// Runs the Aravis fake GigE Vision camera on loopback as a child process for the
// life of the object. The child is killed with its parent, so a crashed test
// leaves no camera behind.
#include <string>
#include <sys/types.h>

class FakeCameraProcess {
 public:
  static constexpr const char* kProgram = "/usr/bin/arv-fake-gv-camera-0.8";

  static bool Available();
  explicit FakeCameraProcess(const std::string& serial);
  ~FakeCameraProcess();
  FakeCameraProcess(const FakeCameraProcess&) = delete;
  FakeCameraProcess& operator=(const FakeCameraProcess&) = delete;

  bool Running() const { return m_pid > 0; }

 private:
  pid_t m_pid = -1;
};
