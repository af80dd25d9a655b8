#include "odbc/EasyODBCException.h"

#include <cstring>

namespace easyodbc {
namespace {

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

EasyODBCException::EasyODBCException(std::string_view text, std::int32_t errorCode) : code(errorCode) {
  std::size_t length = text.size();
  if (length >= kMessageSize) {
    length = kMessageSize - 1;
    while (length > 0 && IsUtf8Continuation(text[length])) --length;
  }
  std::memcpy(message, text.data(), length);
  message[length] = '\0';
}

}  // namespace easyodbc
