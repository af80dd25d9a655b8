#pragma once

#include "app/station/HeadlessRunner.h"

#include <string>
#include <vector>

// How the station runs, from the program's arguments: "--headless",
// "--shots N" (take N software shots, then end) and "--interval MS".
struct StationOptions {
    bool headless = false;
    bool shotsGiven = false;
    HeadlessOptions shots;

    static StationOptions Parse(const std::vector<std::string>& arguments);
};
