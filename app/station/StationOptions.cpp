#include "app/station/StationOptions.h"

#include <algorithm>
#include <cstdlib>

StationOptions StationOptions::Parse(const std::vector<std::string>& arguments)
{
    StationOptions options;
    for (size_t at = 0; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        const bool hasValue = at + 1 < arguments.size();
        if (argument == "--headless") {
            options.headless = true;
        } else if (argument == "--shots" && hasValue) {
            options.shotsGiven = true;
            options.shots.shots = std::max(0, std::atoi(arguments[++at].c_str()));
        } else if (argument == "--interval" && hasValue) {
            options.shots.intervalMs = std::max(0, std::atoi(arguments[++at].c_str()));
        }
    }
    return options;
}
