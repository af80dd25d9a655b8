#pragma once

#include <mutex>

// The one lock around the film-number counter of this process: the served
// commands and local counting both read and write "Next Film Number" under it,
// so no number is handed out twice.
std::mutex& CounterLock();
