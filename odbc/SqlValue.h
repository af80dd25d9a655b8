#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "platform/OleDateTime.h"

namespace bx::odbc {

// A value bound to a statement parameter: NULL, a long, a single-precision float,
// a text or a date-time.
using SqlValue = std::variant<std::monostate, std::int32_t, float, std::string, bx::OleDateTime>;

}  // namespace bx::odbc
