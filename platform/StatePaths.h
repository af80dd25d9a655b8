#pragma once

#include <string>

namespace bx {

// Where the program keeps its settings and its state files (log, crash report).
// Each folder is read from the environment on every call, so tests can redirect it.
class StatePaths {
 public:
  // $BX_CONFIG_DIR, else $XDG_CONFIG_HOME/Tarvo, else ~/.config/Tarvo.
  static std::string ConfigFolder();
  // $BX_STATE_DIR, else $XDG_STATE_HOME/Tarvo, else ~/.local/state/Tarvo.
  static std::string StateFolder();
  // "MiniDump/BXGrabber.dmp" below the state folder; its folder is never created.
  static std::string CrashReportPath();
};

}  // namespace bx
