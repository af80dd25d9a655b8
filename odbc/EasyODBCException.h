#pragma once

#include <cstdint>
#include <string_view>

namespace easyodbc {

// The only exception of the ODBC wrapper, thrown and caught by value. The message
// field has a fixed size: a longer diagnostic is cut to fit (never in the middle of
// a UTF-8 character) and always terminated.
struct EasyODBCException {
  static constexpr std::size_t kMessageSize = 84;

  EasyODBCException(std::string_view text, std::int32_t errorCode);

  char message[kMessageSize] = {};
  // The ODBC return code or native error, or -1 for the wrapper's own errors.
  std::int32_t code = -1;
};

}  // namespace easyodbc
