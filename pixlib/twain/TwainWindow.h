#pragma once
// Stand-ins for the window system's message and window: there is no window
// pump here; messages carry the notifications sources post through the
// source manager, and a window only knows whether it takes input. A null
// window pointer everywhere means "no window" (headless use).

#include <cstdint>

#include "pixlib/core/Export.h"

struct MSG {
  void* hwnd = nullptr;
  unsigned message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

// The message that carries a source's notification; wParam is the TWAIN
// message (MSG_XFERREADY, MSG_CLOSEDSREQ, MSG_CLOSEDSOK).
inline constexpr unsigned kTwainNotifyMessage = 0x8000 + 0x7a1;

class PIXLIB_API CWnd {
 public:
  virtual ~CWnd() = default;
  virtual void EnableWindow(bool enable) { m_enabled = enable; }
  bool IsWindowEnabled() const { return m_enabled; }
  void* m_hWnd = nullptr;

 private:
  bool m_enabled = true;
};
