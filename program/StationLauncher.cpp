// Part of the program itself (not of the core library): it chooses the window or
// the headless runner, and only the program links the user interface.
#include "program/StationLauncher.h"

#include "app/station/StationOptions.h"

#ifdef BX_HAVE_UI
#include "ui/RunWindow.h"
#endif

#include <cstdlib>

namespace {

bool HasDisplay() {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace

int RunStation(CGrabberApp& app, const std::vector<std::string>& arguments) {
  const StationOptions options = StationOptions::Parse(arguments);
#ifdef BX_HAVE_UI
  // A run with a number of shots is a scripted run: it never waits for a window.
  if (!options.headless && !options.shotsGiven && HasDisplay()) {
    std::vector<char*> argv;
    std::vector<std::string> copies(arguments);
    for (std::string& argument : copies) argv.push_back(argument.data());
    int argc = static_cast<int>(argv.size());
    return RunStationWindow(app, argc, argv.data());
  }
#endif
  HeadlessOptions headless = options.shots;
  if (!options.shotsGiven) headless.shots = HeadlessOptions::kUntilStopped;
  return RunHeadless(app, headless);
}
