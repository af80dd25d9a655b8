#pragma once

#include <string>
#include <vector>

// The names of a ";"-separated operator list, in order; empty pieces vanish.
std::vector<std::string> SplitOperators(const std::string& operators);
