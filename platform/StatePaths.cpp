#include "platform/StatePaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace bx {
namespace {

std::string EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string HomeFolder() {
  std::string home = EnvOrEmpty("HOME");
  if (home.empty()) {
    if (const passwd* pw = getpwuid(getuid())) home = pw->pw_dir;
  }
  return home.empty() ? "." : home;
}

std::string ResolveFolder(const char* override, const char* xdg, const char* fallback) {
  std::string folder = EnvOrEmpty(override);
  if (!folder.empty()) return folder;
  folder = EnvOrEmpty(xdg);
  if (!folder.empty()) return folder + "/Tarvo";
  return HomeFolder() + fallback;
}

}  // namespace

std::string StatePaths::ConfigFolder() {
  return ResolveFolder("BX_CONFIG_DIR", "XDG_CONFIG_HOME", "/.config/Tarvo");
}

std::string StatePaths::StateFolder() {
  return ResolveFolder("BX_STATE_DIR", "XDG_STATE_HOME", "/.local/state/Tarvo");
}

std::string StatePaths::CrashReportPath() { return StateFolder() + "/MiniDump/BXGrabber.dmp"; }

}  // namespace bx
