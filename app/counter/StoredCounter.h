#pragma once

#include <optional>

#include "app/counter/CounterSettings.h"

// "Next Film Number" of "Film Settings": `defaultValue` when absent, nothing
// (logged) when the stored text is not a number. A corrupt counter must stop
// allocation until an operator sets it, never restart numbering from the
// default and overwrite earlier photos.
std::optional<int> ReadStoredCounter(ICounterSettings& settings, int defaultValue);
// The counter in a stored text of "Next Film Number"; nothing (logged) when it is not a number.
std::optional<int> ParseStoredCounter(const std::string& stored);
