#pragma once

// A loopback TCP port that takes connections (the kernel's backlog does) and
// never reads, accepts or answers: a server that hangs.
class SilentListener {
 public:
  SilentListener();
  ~SilentListener();
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  int Port() const { return m_port; }

 private:
  int m_socket = -1;
  int m_port = 0;
};
