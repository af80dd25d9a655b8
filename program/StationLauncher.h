#pragma once

#include <string>
#include <vector>

class CGrabberApp;

// Runs the station: its window when the program has a display and was not asked
// for "--headless", else the headless runner. Returns the station's exit code.
int RunStation(CGrabberApp& app, const std::vector<std::string>& arguments);
