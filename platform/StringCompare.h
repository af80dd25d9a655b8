#pragma once

#include <string_view>

namespace bx {

// Compares two ASCII strings ignoring letter case, as registry key names are compared.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace bx
