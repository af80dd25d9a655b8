#include "app/station/StationOptions.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace {

// Options the program itself reads before the station starts, and those the
// window's toolkit takes (also written with two dashes, with or without "=value").
bool IsProgramOption(const std::string& argument) {
  static const std::set<std::string> known = {"--test-crash",    "--platform",     "--platformpluginpath",
                                              "--platformtheme", "--plugin",       "--qwindowgeometry",
                                              "--qwindowicon",   "--qwindowtitle", "--reverse",
                                              "--session",       "--style",        "--stylesheet",
                                              "--widgetcount",   "--display",      "--geometry",
                                              "--nograb",        "--dograb",       "--sync"};
  return known.contains(argument.substr(0, argument.find('=')));
}

}  // namespace

StationOptions StationOptions::Parse(const std::vector<std::string>& arguments) {
  StationOptions options;
  for (size_t at = 1; at < arguments.size(); ++at) {
    const std::string& argument = arguments[at];
    const bool hasValue = at + 1 < arguments.size();
    if (argument == "--headless") {
      options.headless = true;
    } else if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--shots" && hasValue) {
      options.shotsGiven = true;
      options.shots.shots = std::max(0, std::atoi(arguments[++at].c_str()));
    } else if (argument == "--interval" && hasValue) {
      options.shots.intervalMs = std::max(0, std::atoi(arguments[++at].c_str()));
    } else if (argument.starts_with("--") && !IsProgramOption(argument)) {
      options.unknown.push_back(argument);
    }
  }
  return options;
}

std::string StationOptions::Usage() {
  return "Usage: BXGrabber [-dMS] [-tSERVER] [-p] [-iN] [--headless] [--shots N] [--interval MS]\n"
         "\n"
         "  -dMS           wait MS milliseconds before starting\n"
         "  -tSERVER       set the clock from SERVER before starting\n"
         "  -p             do not start the trigger thread\n"
         "  -iN            instance N: settings BXGrabberN.ini, log BXGrabberN.log,\n"
         "                 film-number service on \"Counter Port\" + N\n"
         "  --headless     run without a window (also the case without a display)\n"
         "  --shots N      take N software shots without a window, then end;\n"
         "                 exit code 0 only when all N photos were saved; without\n"
         "                 a camera the shots wait for it, and a shot lost with the\n"
         "                 camera is taken again once it is back\n"
         "  --interval MS  pause between those shots (default 1000)\n"
         "  -h, --help     print this text and end\n"
         "\n"
         "Without --shots the headless station runs until SIGTERM or SIGINT.\n"
         "SIGUSR1 unplugs the simulated cameras of a headless station, SIGUSR2 plugs\n"
         "them in again.\n"
         "\n"
         "Environment:\n"
         "  BX_CONFIG_DIR  settings folder (default $XDG_CONFIG_HOME/Tarvo or ~/.config/Tarvo)\n"
         "  BX_STATE_DIR   log and crash report folder (default $XDG_STATE_HOME/Tarvo\n"
         "                 or ~/.local/state/Tarvo)\n"
         "  BX_RECONNECT_PERIOD_MS  period of the attempts to reconnect a lost camera\n"
         "                 (default 5000)\n"
         "  BX_SIM_CAMERAS, BX_SIM_FPS, BX_SIM_SENSOR  shape the simulated cameras\n"
         "                 (\"Camera Transport\"=sim): count, frame rate, WIDTHxHEIGHT\n"
         "  BX_SHARES_FILE Samba configuration naming this machine's shares\n"
         "                 (default /etc/samba/smb.conf)\n"
         "  DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM  a display: the station opens its window\n";
}
