#pragma once

#include "app/station/HeadlessRunner.h"

#include <string>
#include <vector>

// How the station runs, from the program's arguments: "--headless",
// "--shots N" (take N software shots, then end), "--interval MS" and
// "--help"/"-h". Tokens starting with "--" that are none of these are kept
// for a warning; single-dash tokens belong to the start-up options.
struct StationOptions {
  bool headless = false;
  bool shotsGiven = false;
  bool help = false;
  HeadlessOptions shots;
  std::vector<std::string> unknown;

  static StationOptions Parse(const std::vector<std::string>& arguments);
  // The text "--help" prints: every option and the environment variables.
  static std::string Usage();
};
