#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace pixcodec {

// libjpeg error manager that never ends the process: a fatal error jumps back
// to the innermost Guarded() call, warnings are counted and the first one kept.
// Nothing with a non-trivial destructor may live between Guarded() and the
// libjpeg call that fails, since the jump skips destructors.
class JpegErrorTrap {
 public:
  JpegErrorTrap();
  JpegErrorTrap(const JpegErrorTrap&) = delete;
  JpegErrorTrap& operator=(const JpegErrorTrap&) = delete;

  jpeg_error_mgr* Manager() { return &m_trap.manager; }

  // Runs `step`; false when libjpeg reported a fatal error during it.
  template <class Step>
  bool Guarded(Step&& step) {
    if (setjmp(m_trap.jump) != 0) return false;
    step();
    return true;
  }

  const char* Message() const { return m_trap.message; }
  long Warnings() const { return m_trap.manager.num_warnings; }

 private:
  struct Trap {
    jpeg_error_mgr manager;  // first member: libjpeg hands its address back
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
  };
  static void OnError(j_common_ptr info);
  static void OnMessage(j_common_ptr info);
  Trap m_trap{};
};

}  // namespace pixcodec
