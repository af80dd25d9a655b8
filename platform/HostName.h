#pragma once

#include <optional>
#include <string>

namespace bx {

// This machine's host name, or nothing when it cannot be read.
std::optional<std::string> HostName();

}  // namespace bx
