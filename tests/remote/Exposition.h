#pragma once
// A strict reader of the Prometheus text format, for the tests.
#include <map>
#include <optional>
#include <string>

// Every sample ("name{labels}" as written) and its value; nothing when any line
// is not valid exposition format, with the line in `error`.
std::optional<std::map<std::string, double>> ParseExposition(const std::string& text, std::string& error);
