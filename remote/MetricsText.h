#pragma once

#include "remote/StationSnapshot.h"

#include <string>

namespace remote {

// The station's metrics in the Prometheus text exposition format (0.0.4).
std::string MetricsText(const StationSnapshot& snapshot);

}  // namespace remote
